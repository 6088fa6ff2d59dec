// Logitek consoles against the real binary on loopback, with the demo Vela
// (320 inputs and outputs named Inpt0001.. and Out0001.., nothing routed)
// and a Helm PC client that sees the bridge's takes and gains.
#include "VelaSimulator.h"

#include "logitek/Logitek.h"
#include "model/ByteManipulation.h"
#include "model/Model.h"
#include "support/ServerProcess.h"
#include "support/SimulatedSwitcher.h"
#include "switcher/vela/ToVela.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

const Bytes Greeting = Wire({0xBC, 0x00, 0x00, 0x02, 0x02, 0xF9, 0x01});
const Bytes Identification = Wire({0xBC, 0x03, 0x00, 0x02, 0x21, 0xF9}) + "TEST CONSOLE ONE" + "SERIAL 0000001  ";
const Bytes IdentAnswer = Wire({0xBC, 0x03, 0xF0, 0x02, 0x02, 0xF0, 0x00});
const Bytes Header("\x01\x03\x00", 3);
const Bytes Start = LogitekMessage(Header, LogitekStart, Wire({0x01, 0x06}));
const Bytes Loaded = LogitekMessage(Header, LogitekStartAnswer, Wire({1}));
constexpr size_t NameStreamBytes = 1792 * 19;

Bytes Msg(unsigned char Command, std::initializer_list<int> Data)
{
    return LogitekMessage(Header, Command, Wire(Data));
}
Bytes Fader(int Code, int Position) { return Msg(LogitekFader, {Code, Position}); }
Bytes Gain(int Kind, int Value, int Output, int Input = NoneValue)
{
    return BuildGainVela(Kind, Value, Output, Input, NoneValue);
}
Bytes HelmTake(int Input, int Output) { return Framed(Wire({0xFE, 0x04, 0x00, Input, 0x00, Output, 0x00})); }

size_t Count(const Bytes& Text, const Bytes& Needle)
{
    size_t n = 0;
    for (size_t at = Text.find(Needle); at != Bytes::npos; at = Text.find(Needle, at + 1))
        ++n;
    return n;
}

// A name table frame of a switcher: Count names of Length bytes each.
Bytes NameTable(int Table, int Length, int Count, const std::function<std::string(int)>& Name)
{
    Bytes f = Wire({0xFC, Table, Length});
    AppendPair(f, Count);
    AppendPair(f, 0);
    for (int i = 0; i < Count; ++i) {
        f += Name(i);
        AppendPair(f, i);
    }
    return Framed(f);
}

struct LogitekServer {
    TempDir dir;
    std::string helmPort = FreePort();
    std::string logitekPort = FreePort();
    std::unique_ptr<ServerProcess> server;

    explicit LogitekServer(const std::string& Ini = "Demo Mode=Yes\r\n", QStringList Extra = {})
    {
        while (logitekPort == helmPort)
            logitekPort = FreePort();
        dir.write("tcpserve.ini", "[CONFIGURATION]\r\nSwitcher Type=Vela\r\nTCP/IP Port=" + helmPort +
                                      "\r\nLogitek IP Port=" + logitekPort + "\r\n" + Ini);
        server = std::make_unique<ServerProcess>(dir, Extra);
    }
    std::unique_ptr<TestClient> console()
    {
        auto c = std::make_unique<TestClient>();
        EXPECT_TRUE(c->connectTo(logitekPort));
        EXPECT_TRUE(c->waitFor(Greeting));
        EXPECT_EQ(c->received, Greeting);
        c->received.clear();
        return c;
    }
    // A Helm PC client, once the switcher is on line (the keep-alive is answered F4).
    std::unique_ptr<TestClient> helmPc()
    {
        auto c = std::make_unique<TestClient>();
        EXPECT_TRUE(c->connectTo(helmPort));
        EXPECT_TRUE(c->waitFor(Wire({0x81, 0x64, 0x64, 0xFF})));
        c->send(Wire({0x81, 0x78, 0x78, 0xFF}));
        EXPECT_TRUE(SpinUntil(
            [&] {
                c->received.clear();
                c->send(Wire({0xF5}));
                return c->waitFor(Wire({0xF4}), 250);
            },
            15000));
        c->readFor(200);
        c->received.clear();
        return c;
    }
    // A console loaded by a start request, with the load forgotten.
    std::unique_ptr<TestClient> loadedConsole()
    {
        auto c = console();
        c->send(Start);
        EXPECT_TRUE(c->waitFor(Loaded));
        c->readFor(200);
        c->received.clear();
        return c;
    }
};

// What a console message brings: the console's own bytes and the Helm client's.
struct Seen {
    Bytes console, helm;
};

Seen Send(TestClient& Console, TestClient& Helm, const Bytes& Message, int Ms = 400)
{
    Console.received.clear();
    Helm.received.clear();
    Console.send(Message);
    Console.readFor(Ms);
    Helm.readFor(50);
    // The keep-alive polls are no part of what the message brought.
    Bytes helm = Helm.received;
    helm.erase(std::remove(helm.begin(), helm.end(), '\xF5'), helm.end());
    return {Console.received, helm};
}

}  // namespace

TEST(LogitekEndToEnd, GreetingIdentificationInPiecesAndTheWholeSetUp)
{
    LogitekServer l;
    auto pc = l.helmPc();
    auto c = l.console();
    EXPECT_TRUE(l.server->waitForOutput("127.0.0.1\tLogitek Connected"));
    c->send(Identification.substr(0, 20));
    EXPECT_EQ(c->readFor(300), "");
    c->send(Identification.substr(20));
    EXPECT_TRUE(c->waitFor(IdentAnswer));
    EXPECT_EQ(c->received, IdentAnswer);

    // Output 1 carries input 7, then input 12 summed in at 924.
    pc->send(HelmTake(6, 0));
    pc->send(Framed(Wire({0xFE, 0x24, 0x04, 0x0B, 0x00, 0x00, 0x00, 0x1C, 0x07})));
    EXPECT_TRUE(l.server->waitForOutput("Sum On - In:0012-->Out:0001"));
    c->received.clear();
    c->send(Start);
    ASSERT_TRUE(c->waitFor(Loaded));
    const Bytes& got = c->received;
    ASSERT_GT(got.size(), NameStreamBytes);
    EXPECT_EQ(got.substr(0, 19), Wire({1, 3, 0, 2, 0x0E, 0xF5, 1, 0, 1, 1, 0x22}) + "Inpt0001");
    EXPECT_EQ(got.substr(1280 * 19, 19), Wire({1, 3, 0, 2, 0x0E, 0xF5, 0x19, 0, 1, 0, 0x22}) + "Out0001 ");
    EXPECT_EQ(Count(got.substr(0, NameStreamBytes), Wire({1, 3, 0, 2, 0x0E, 0xF5})), 1792u);
    Bytes rest;
    for (int code = 0x0B; code <= 0x14; ++code)
        rest += Fader(code, 0xC3) + Msg(LogitekMode, {code, 0});
    rest += Msg(LogitekAssign, {0x0B, 0, 7}) + Msg(LogitekOn, {0x0B, 0});
    rest += Msg(LogitekAssign, {0x0C, 0, 12}) + Msg(LogitekOn, {0x0C, 0});
    rest += Msg(LogitekAssign, {0x23, 0, 1}) + Fader(0x23, 0xC3) + Msg(LogitekAssign, {0x24, 0, 2}) + Fader(0x24, 0xC3);
    // Then the faders of output 1 as the switcher has it.
    rest += Fader(0x23, 195) + Fader(0x0B, 195) + Fader(0x0C, 135) + Loaded;
    EXPECT_EQ(got.substr(NameStreamBytes), rest);

    c->socket.disconnectFromHost();
    EXPECT_TRUE(l.server->waitForOutput("127.0.0.1\tLogitek Disconnect"));
    EXPECT_FALSE(l.dir.exists("Errorlog.txt")) << l.dir.read("Errorlog.txt");
}

TEST(LogitekEndToEnd, ChannelMessagesBecomeTakesAndGainsAndComeBackAsFaders)
{
    LogitekServer l;
    auto pc = l.helmPc();
    auto c = l.loadedConsole();

    // Channel 1, stereo and off: source 5 summed onto outputs 1 and 2 at the floor.
    Seen seen = Send(*c, *pc, Msg(LogitekAssign, {0x0B, 0, 5}));
    EXPECT_EQ(Count(seen.helm, Wire({0xF6})), 2u);
    EXPECT_TRUE(l.server->waitForOutput("Sum On - In:0005-->Out:0001"));
    EXPECT_TRUE(l.server->waitForOutput("Sum On - In:0006-->Out:0002"));

    seen = Send(*c, *pc, Msg(LogitekOn, {0x0B, 0}) + Fader(0x0B, 135));
    EXPECT_EQ(seen.helm, Gain(10, 1024, 0, 4) + Gain(10, 1024, 1, 5) + Gain(10, 924, 0, 4) + Gain(10, 924, 1, 5));
    // Each gain the switcher reports moves the faders showing it.
    EXPECT_EQ(Count(seen.console, Fader(0x0B, 135)), 1u);
    EXPECT_EQ(Count(seen.console, Fader(0x24, 195)), 2u);

    seen = Send(*c, *pc, Msg(LogitekOff, {0x0B, 0}) + Msg(LogitekOn, {0x0B, 0}));
    EXPECT_EQ(seen.helm, Gain(10, 24, 0, 4) + Gain(10, 24, 1, 5) + Gain(10, 924, 0, 4) + Gain(10, 924, 1, 5));
    seen = Send(*c, *pc, Msg(LogitekTrim, {0x0B, 6, 251}) + Msg(LogitekTrim, {0x0B, 6, 100}));
    EXPECT_EQ(seen.helm, Gain(10, 974, 0, 4) + Gain(10, 974, 1, 5));
    EXPECT_EQ(Count(seen.console, Fader(0x0B, TranslateGain(974))), 1u);

    // Channel 3, mono and on: from 7 to 9 takes 7 out and sums 9 in at its level.
    seen = Send(*c, *pc,
                Msg(LogitekMode, {0x0D, 1}) + Msg(LogitekOn, {0x0D, 0}) + Msg(LogitekAssign, {0x0D, 0, 7}) +
                    Msg(LogitekAssign, {0x0D, 0, 9}));
    EXPECT_EQ(Count(seen.helm, Wire({0xF6})), 3u);
    EXPECT_TRUE(l.server->waitForOutput("Sum Off - In:0007-->Out:0001"));
    EXPECT_TRUE(l.server->waitForOutput("Sum On - In:0009-->Out:0001", 5000, 1));

    // No source, a switch, numbers beyond the switcher: nothing happens.
    seen = Send(*c, *pc,
                Msg(LogitekOn, {0x0E, 0}) + Fader(0x0E, 200) + Msg(LogitekOn, {0x0E, 2}) +
                    Msg(LogitekAssign, {0x0E, 0x7F, 0x7F}) + Msg(LogitekAssign, {0x23, 0x02, 0x00}));
    EXPECT_EQ(seen.helm, "");
    EXPECT_EQ(seen.console, "");

    // Buses: bus 2 to output 4, its fader sets that output's gain.
    seen = Send(*c, *pc, Msg(LogitekAssign, {0x24, 0, 4}) + Fader(0x24, 255));
    EXPECT_EQ(seen.helm, Gain(15, 1124, 3));
    EXPECT_EQ(seen.console, Fader(0x24, 255));
    EXPECT_TRUE(l.server->waitForOutput("127.0.0.1\tReceived Gain Message"));
}

TEST(LogitekEndToEnd, FadersGoToSetUpConsolesWhateverTheirSlot)
{
    LogitekServer l;
    auto pc = l.helmPc();
    auto first = l.loadedConsole();
    auto second = l.loadedConsole();
    auto idle = l.console();
    first->socket.disconnectFromHost();
    EXPECT_TRUE(l.server->waitForOutput("Logitek Disconnect"));

    // The second console, in slot 2 with slot 1 free, sees bus 1 move.
    const Seen seen = Send(*second, *pc, Fader(0x23, 45));
    EXPECT_EQ(seen.helm, Gain(15, 624, 0));
    EXPECT_EQ(seen.console, Fader(0x23, 45));
    EXPECT_EQ(idle->readFor(200), "");
}

TEST(LogitekEndToEnd, FramingCasesGarbageAndSplitsLeaveTheServerServing)
{
    LogitekServer l;
    auto pc = l.helmPc();
    auto c = l.loadedConsole();
    const Bytes assign = Msg(LogitekAssign, {0x0B, 0, 3});
    Seen seen = Send(*c, *pc, assign.substr(0, 4));
    EXPECT_EQ(seen.helm, "");
    seen = Send(*c, *pc, assign.substr(4) + Msg(LogitekOn, {0x0B, 0}) + Fader(0x0B, 135));
    EXPECT_EQ(seen.helm.substr(seen.helm.size() - 2 * Gain(10, 924, 0, 2).size()),
              Gain(10, 924, 0, 2) + Gain(10, 924, 1, 3));

    const Bytes junk = Wire({0x55, 0x01, 0x03, 0x01, 0x02, 0xFF, 0x01, 0xAA}) + Msg(0x99, {1, 2, 3}) +
                       Msg(LogitekAssign, {0x0B}) + Msg(LogitekFader, {0x0B, 135, 0}) +
                       Wire({0xBC, 0x03, 0x00, 0x02, 0x03, 0xEE, 0x00, 0x00}) + Wire({0xBC, 0x00, 0x00, 0x09}) +
                       Msg(LogitekStart, {0x01, 0x07});
    seen = Send(*c, *pc, junk + Fader(0x0B, 255));
    EXPECT_EQ(seen.helm, Gain(10, 1124, 0, 2) + Gain(10, 1124, 1, 3));
    EXPECT_TRUE(l.dir.read("Errorlog.txt").find("Error Decoding Logitek") != std::string::npos);

    c->received.clear();
    c->send(Bytes(3000, '\x42') + Identification);
    EXPECT_TRUE(c->waitFor(IdentAnswer));
    EXPECT_EQ(c->received, IdentAnswer);
}

TEST(LogitekEndToEnd, ASilentSwitcherLoadsNothingAndHearsNothing)
{
    Pty pty;  // a switcher that never answers
    ASSERT_TRUE(pty.ok());
    LogitekServer l("", {"--serial-device", QString::fromStdString(pty.path())});
    auto c = l.console();
    // Off line, what follows the identification is dropped with it.
    c->send(Identification + Start);
    EXPECT_TRUE(c->waitFor(IdentAnswer));
    EXPECT_EQ(c->readFor(300), IdentAnswer);
    c->received.clear();
    c->send(Start);
    EXPECT_TRUE(c->waitFor(LogitekMessage(Header, LogitekStartAnswer, Wire({0}))));
    c->send(Msg(LogitekAssign, {0x0B, 0, 3}) + Msg(LogitekOn, {0x0B, 0}) + Fader(0x0B, 135) + Fader(0x23, 135));
    EXPECT_EQ(c->readFor(500), LogitekMessage(Header, LogitekStartAnswer, Wire({0})));
    const Bytes line = pty.readFor(1000);
    EXPECT_EQ(line.find('\xFE'), Bytes::npos);
    EXPECT_EQ(line.find('\xE3'), Bytes::npos);
}

TEST(LogitekEndToEnd, ASwitcherOf100SourcesNamesOfEveryLengthAndItsGainReports)
{
    PlayedSwitcher<VelaSimulator> switcher(VelaSimulator(SimulatorOptions{100, "Src ", "Dst "}));
    LogitekServer l("", {"--serial-device", QString::fromStdString(switcher.path())});
    auto pc = l.helmPc();
    // Longer source names and shorter output names than a console shows.
    switcher.send(NameTable(10, 14, 100, [](int i) { return "Microphone " + Digits(i + 1, 3); }) +
                  NameTable(20, 3, 100, [](int i) { return Digits(i + 1, 3); }));
    ASSERT_TRUE(l.server->waitForOutput("100 Destination Alpha Lables, Starting with 1", 5000, 2));

    auto c = l.console();
    c->send(Start);
    ASSERT_TRUE(c->waitFor(Loaded));
    const Bytes& got = c->received;
    const auto name = [&](size_t i) { return got.substr(i * 19 + 11, 8); };
    EXPECT_EQ(name(0), "Micropho");
    EXPECT_EQ(name(99), "Micropho");
    EXPECT_EQ(name(100), "        ");
    EXPECT_EQ(name(1280 + 99), "100     ");
    EXPECT_EQ(name(1280 + 100), "        ");
    EXPECT_EQ(Count(got.substr(0, NameStreamBytes), Wire({1, 3, 0, 2, 0x0E, 0xF5})), 1792u);
    // Output 1 carries source 1: channel 1 holds it.
    EXPECT_NE(got.find(Msg(LogitekAssign, {0x0B, 0, 1})), Bytes::npos);

    c->received.clear();
    switcher.send(Gain(10, 3000, 0, 0));
    EXPECT_TRUE(c->waitFor(Fader(0x0B, 255)));
    c->received.clear();
    switcher.send(Gain(15, 924, 1) + BuildGainVela(16, 1124, 1, NoneValue, 5));
    EXPECT_TRUE(c->waitFor(Fader(0x24, 135) + Fader(0x24, 255)));
    EXPECT_EQ(c->received, Fader(0x24, 135) + Fader(0x24, 255));
}
