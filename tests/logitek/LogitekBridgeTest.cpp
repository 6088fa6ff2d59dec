// The Logitek bridge on fakes: gain mapping, framing, set-up, channel
// messages to the exact serial frames, and which consoles get faders.
#include "logitek/LogitekRig.h"
#include "switcher/vela/ToVela.h"

namespace {

Bytes Fader(int Code, int Position) { return Channel(LogitekFader, {Code, Position}); }
Bytes Take(int Input, int Output, int Type, int Level = NoneValue) { return BuildTakeVela(Input, Output, Type, Level); }
Bytes CrosspointGain(int Gain, int Output, int Input) { return BuildGainVela(10, Gain, Output, Input, NoneValue); }
const Bytes FaderHead = Wire({0x01, 0x03, 0x00, 0x02, 0x03, 0xAD});

}  // namespace

TEST(LogitekGains, EveryRowBoundaryBothWays)
{
    const std::pair<int, int> faders[] = {{0, 24},   {4, 24},    {5, 344},   {44, 617},   {45, 624},
                                          {85, 758}, {134, 921}, {135, 924}, {185, 1008}, {255, 1124}};
    for (auto [position, gain] : faders)
        EXPECT_EQ(FaderToGain(position), gain) << position;
    const std::pair<int, int> gains[] = {{0, 0},     {24, 0},    {343, 5},    {344, 5},    {623, 45},   {624, 45},
                                         {923, 135}, {924, 135}, {1024, 195}, {2048, 255}, {2049, 255}, {3000, 255}};
    for (auto [gain, position] : gains)
        EXPECT_EQ(TranslateGain(gain), position) << gain;
}

TEST_F(LogitekTest, FramingWaitsOnlyForWholeMessagesAndRemovesEachByItsLength)
{
    const int slot = Connect();
    // Identification in two pieces: nothing after the first.
    const Bytes ident = Wire({0xBC, 0x03, 0x00, 0x02, 0x21, 0xF9}) + "CONSOLE NAME 16 " + "CONSOLE INFO 16 ";
    Feed(slot, ident.substr(0, 20));
    EXPECT_EQ(Sent(slot), "");
    Feed(slot, ident.substr(20));
    EXPECT_EQ(Sent(slot), Wire({0xBC, 0x03, 0xF0, 0x02, 0x02, 0xF0, 0x00}));
    EXPECT_TRUE(Console(slot).Identified);
    EXPECT_EQ(Console(slot).ConsoleInfo, "CONSOLE INFO 16 ");

    Feed(slot, StartRequest);
    ASSERT_TRUE(Console(slot).SetUp);
    Sent(slot);
    // A well-formed head waits for its length; a false one goes at once.
    Feed(slot, Wire({0x01, 0x03, 0x00, 0x02, 0xFF}));
    EXPECT_EQ(Console(slot).ReceiveBuffer.size(), 5u);
    Console(slot).ReceiveBuffer.clear();
    const Bytes mode = Channel(LogitekMode, {0x0B, 1});
    Feed(slot, Wire({0x01, 0x03, 0x01, 0x02, 0xFF, 0x01, 0xFF}) + mode);
    EXPECT_EQ(Console(slot).ChannelMode[0], 1);
    // Unknown and wrongly sized commands, unknown link messages and a bad
    // start go whole, and what follows them is still decoded.
    const Bytes cases[] = {Channel(0x99, {0, 0}),
                           Channel(LogitekAssign, {0x0C}),
                           Channel(LogitekMode, {0x0C, 1, 0}),
                           Wire({0xBC, 0x03, 0x00, 0x02, 0x02, 0xAA, 0x00}),
                           Wire({0xBC, 0x03, 0x00, 0x07}),
                           Channel(LogitekStart, {0x01, 0x07})};
    for (const Bytes& bad : cases) {
        Console(slot).ChannelMode[1] = 0;
        Feed(slot, bad + Channel(LogitekMode, {0x0C, 1}));
        EXPECT_EQ(Console(slot).ChannelMode[1], 1);
        EXPECT_EQ(Console(slot).ReceiveBuffer, "");
    }
    EXPECT_TRUE(ErrorLogged("Error Decoding Logitek"));
    EXPECT_EQ(Sent(slot), "");

    // A flood that outgrows the cap is emptied and logged.
    Console(slot).ReceiveBuffer = Bytes(LogitekBufferLimit + 100, '\x55');
    DecodeLogitekMessage(s, slot);
    EXPECT_EQ(Console(slot).ReceiveBuffer, "");
    EXPECT_TRUE(ErrorLogged("Logitek Buffer cleared - IP 10.1.1.1"));

    // Off line, what follows an unknown message is dropped with it; a start is answered 00.
    s.Link.Reset();
    s.Link.Answered();
    Feed(slot, Channel(0x99, {}) + mode);
    EXPECT_EQ(Console(slot).ReceiveBuffer, "");
    Feed(slot, StartRequest);
    EXPECT_EQ(Sent(slot), Channel(LogitekStartAnswer, {0}));
    // The sign-off ends the session: channel messages change nothing until the next start.
    s.Link.AllTablesArrived();
    Feed(slot, Wire({0xBC, 0x03, 0x00, 0x02, 0x01, 0xF7}));
    Feed(slot, Channel(LogitekMode, {0x0D, 1}));
    EXPECT_FALSE(Console(slot).SetUp || Console(slot).Identified);
    EXPECT_EQ(Console(slot).ChannelMode[2], 0);
    EXPECT_TRUE(Console(slot).Connected);
}

TEST_F(LogitekTest, SetUpOnA32SourceSwitcher)
{
    s.model.SourceAlphasRaw[0] = "Studio A Microphone";
    s.model.SourceAlphasRaw[1] = "Tel";
    s.model.DestinationAlphasRaw[31] = "Out 32";
    CrosspointRecord& out1 = s.model.CrosspointMap[0];
    out1.SourceCount = 2;
    out1.Sources[0] = 4;
    out1.Sources[1] = 8;
    out1.Levels[0] = 1024;
    out1.Levels[1] = 924;
    out1.TakeExtra = 1024;
    const int slot = Connect();
    Feed(slot, StartRequest);
    const Bytes got = Sent(slot);

    const size_t nameBytes = 1792 * 19;
    ASSERT_GT(got.size(), nameBytes);
    const auto name = [&](size_t i) { return got.substr(i * 19, 19); };
    EXPECT_EQ(name(0), Wire({1, 3, 0, 2, 0x0E, 0xF5, 1, 0, 1, 1, 0x22}) + "Studio A");
    EXPECT_EQ(name(1).substr(11), "Tel     ");
    EXPECT_EQ(name(32).substr(6), Wire({1, 0, 33, 1, 0x22}) + "        ");
    EXPECT_EQ(name(128 * 9 + 127).substr(6, 3), Wire({10, 0, 128}));
    EXPECT_EQ(name(1280 + 31), Wire({1, 3, 0, 2, 0x0E, 0xF5, 0x19, 0, 32, 0, 0x22}) + "Out 32  ");
    EXPECT_EQ(name(1791).substr(6, 4), Wire({0x21, 0, 128, 0}));

    Bytes rest;
    for (int code = 0x0B; code <= 0x14; ++code)
        rest += Fader(code, 0xC3) + Channel(LogitekMode, {code, 0});
    rest += Channel(LogitekAssign, {0x0B, 0, 5}) + Channel(LogitekOn, {0x0B, 0});
    rest += Channel(LogitekAssign, {0x0C, 0, 9}) + Channel(LogitekOn, {0x0C, 0});
    rest += Channel(LogitekAssign, {0x23, 0, 1}) + Fader(0x23, 0xC3) + Channel(LogitekAssign, {0x24, 0, 2}) +
            Fader(0x24, 0xC3);
    // Then the faders of output 1 as the switcher has them, and the answer.
    rest += Fader(0x23, 195) + Fader(0x0B, 195) + Fader(0x0C, 135) + Channel(LogitekStartAnswer, {1});
    EXPECT_EQ(got.substr(nameBytes), rest);
    EXPECT_EQ(Console(slot).ChannelLevel[1], 924);
    EXPECT_EQ(SerialSent(), "");
}

TEST_F(LogitekTest, ChannelMessagesBecomeTheseTakesAndGainFrames)
{
    const int slot = Started();
    // Channel 1 holds source 1 of output 1 from the set-up, on and stereo.
    Feed(slot, Channel(LogitekAssign, {0x0B, 0, 5}));
    EXPECT_EQ(SerialSent(), Take(0, 0, 32) + Take(1, 1, 32) + Take(4, 0, 36, 1024) + Take(5, 1, 36, 1024));
    Feed(slot, Fader(0x0B, 135) + Channel(LogitekTrim, {0x0B, 6, 100}));
    EXPECT_EQ(SerialSent(), CrosspointGain(924, 0, 4) + CrosspointGain(924, 1, 5));

    // Channel 3, mono and off, from nothing to 7, then to 9; then on.
    Feed(slot, Channel(LogitekMode, {0x0D, 1}) + Channel(LogitekAssign, {0x0D, 0, 7}) +
                   Channel(LogitekAssign, {0x0D, 0, 9}) + Channel(LogitekOn, {0x0D, 0}));
    EXPECT_EQ(SerialSent(), Take(6, 0, 36, 24) + Take(6, 0, 32) + Take(8, 0, 36, 24) + CrosspointGain(1024, 0, 8));
    // A channel on without a source, a switch, numbers off the switcher: nothing.
    Feed(slot, Channel(LogitekOn, {0x0E, 0}) + Fader(0x0E, 200) + Channel(LogitekTrim, {0x0E, 6, 5}) +
                   Channel(LogitekOn, {0x0E, 3}) + Channel(LogitekAssign, {0x0E, 0, 0}) +
                   Channel(LogitekAssign, {0x0E, 0, 33}) + Channel(LogitekAssign, {0x0E, 0x80, 1}) +
                   Channel(LogitekAssign, {0x23, 0, 33}) + Fader(0x15, 200) + Fader(0x30, 200));
    EXPECT_EQ(SerialSent(), "");
    EXPECT_EQ(Console(slot).ChannelSwitch[2][3], 1);
    EXPECT_EQ(Console(slot).Bus1Output, 1);

    // Buses: bus 2 moved to output 4, its fader is that output's gain.
    Feed(slot, Channel(LogitekAssign, {0x24, 0, 4}) + Fader(0x24, 255) + Fader(0x25, 100));
    EXPECT_EQ(SerialSent(), BuildGainVela(15, 1124, 3, NoneValue, NoneValue));
    EXPECT_EQ(Console(slot).Channel27Gain, FaderToGain(100));

    // Other families keep the level and get no gain frame.
    s.model.SwitcherType = SwitcherType::Draco;
    Feed(slot, Fader(0x0B, 255));
    EXPECT_EQ(SerialSent(), "");
    EXPECT_EQ(Console(slot).ChannelLevel[0], 1124);
    // A console not set up since it connected changes nothing.
    s.model.SwitcherType = SwitcherType::Vela;
    const int fresh = Connect("10.1.1.2");
    Feed(fresh, Fader(0x0B, 255) + Channel(LogitekAssign, {0x0B, 0, 3}));
    EXPECT_EQ(SerialSent(), "");
    EXPECT_EQ(Console(fresh).ChannelSource[0], NoneValue);
}

TEST_F(LogitekTest, FaderPositionsGoToConnectedSetUpConsolesShowingTheOutput)
{
    const int first = Started("10.1.1.1");
    const int second = Started("10.1.1.2");
    const int idle = Connect("10.1.1.3");
    s.onPeerClosed(Port::Logitek, first);
    // The freed slot keeps no bus outputs.
    EXPECT_EQ(Console(first).Bus1Output, 0);

    CrosspointRecord& out1 = s.model.CrosspointMap[0];
    out1.TakeExtra = 3000;
    out1.Levels[0] = 624;
    SendFaderPosition(s, 0, 40);
    EXPECT_EQ(Sent(second), Fader(0x23, 255) + Fader(0x0B, 45) + Fader(0x24, 0));
    EXPECT_EQ(Sent(idle), "");
    s.model.CrosspointMap[1].TakeExtra = 924;
    SendFaderPosition(s, 1, 1);
    EXPECT_EQ(Sent(second), Fader(0x24, 135));
    EXPECT_EQ(Console(second).Bus2Gain, 924);

    // A console that has stopped reading is closed, not sent half a message.
    rig.sockets.conn(Port::Logitek, second).full = true;
    SendFaderPosition(s, 0, 1);
    EXPECT_FALSE(rig.sockets.isConnected(Port::Logitek, second));
    EXPECT_EQ(s.LogitekClients.Count, 1);
    EXPECT_TRUE(ErrorLogged("Socket Busy"));
    // The next console takes the lowest free slot.
    EXPECT_EQ(Connect("10.1.1.4"), first);
}
