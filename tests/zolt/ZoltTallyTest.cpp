// Tally lines of crosspoint changes and the name-change notice.
#include "model/ByteManipulation.h"
#include "switcher/SerialLink.h"
#include "switcher/ToSwitcher.h"
#include "switcher/vela/ToVela.h"
#include "zolt/ZoltRig.h"

namespace {

class ZoltTally : public ZoltTest {
protected:
    void SetUp() override
    {
        ZoltTest::SetUp();
        s.model.SourceAlphasRaw[11] = "Input012";
        s.model.DestinationAlphasRaw[4] = "Out 005";
    }
    // The tally line a console with these settings gets for Destination.
    Bytes TallyFor(int Mode, int Protocol, int Destination)
    {
        const int c = Connect();
        Console(c).TallyMode = Mode;
        Console(c).TallyProtocol = Protocol;
        SendConsoleTally(s, Destination);
        return Sent(c);
    }
};

TEST_F(ZoltTally, EachModeAndProtocolGetsItsText)
{
    Route(4, 11);
    const std::string names = "(Input012 - Out 005 )\r\n";
    const struct {
        int mode, protocol;
        Bytes line;
    } cases[] = {
        {1, 0, "T012:005\r\n"},
        {5, 1, "O04 0B\r\n"},
        {1, 2, "C0012:0005\r\n"},
        {2, 0, "Input012 - Out 005 \r\n"},
        {6, 1, "Input012 - Out 005 \r\n"},
        {3, 0, "T012:005" + names},
        {7, 1, "O04 0B" + names},
        {3, 2, "C0012:0005" + names},
        {0, 0, ""},
        {4, 2, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TallyFor(c.mode, c.protocol, 4), c.line) << c.mode << " " << c.protocol;
}

TEST_F(ZoltTally, AnOutputTurnedOff)
{
    Route(4, -1);
    EXPECT_EQ(TallyFor(1, 1, 4), "");
    EXPECT_EQ(TallyFor(1, 0, 4), "T000:005\r\n");
    EXPECT_EQ(TallyFor(2, 0, 4), "  -Off-  - Out 005 \r\n");
}

TEST_F(ZoltTally, NumbersBeyond255OnlyInFourDigits)
{
    Route(300, 2);
    EXPECT_EQ(TallyFor(1, 0, 300), "");
    EXPECT_EQ(TallyFor(2, 1, 300), "");
    EXPECT_EQ(TallyFor(1, 2, 300), "C0003:0301\r\n");
}

TEST_F(ZoltTally, NamesAreAlwaysEightBytes)
{
    // A name longer than 8 characters is cut rather than stopping the tally.
    s.model.SourceAlphasRaw[11] = "A much longer name";
    s.model.DestinationAlphasRaw[4] = std::string("Out\0\0\0\0\0", 8);
    Route(4, 11);
    EXPECT_EQ(TallyFor(3, 0, 4), "T012:005(A much l - Out     )\r\n");
}

TEST_F(ZoltTally, EveryConnectedSlotIsServedAndOthersAreSkipped)
{
    Connect("10.0.0.1");
    Connect("10.0.0.2");
    const int third = Connect("10.0.0.3");
    s.onPeerClosed(Port::Zolt, 1);
    s.onPeerClosed(Port::Zolt, 2);
    Route(4, 11);
    SendConsoleTally(s, 4);
    EXPECT_EQ(Sent(third), "T012:005\r\n");
    // Destinations the server does not hold are ignored.
    SendConsoleTally(s, -1);
    SendConsoleTally(s, s.model.NumDestinations);
    EXPECT_EQ(Sent(third), "");
}

TEST_F(ZoltTally, NameChangeNoticesGoToConsolesThatAskedForThem)
{
    const int notified = Connect("10.0.0.1");
    const int numeric = Connect("10.0.0.2");
    Console(numeric).TallyMode = 1;
    SendAlphaChangeNotice(s, TableSources);
    SendAlphaChangeNotice(s, TableDestinations);
    SendAlphaChangeNotice(s, TableSalvos);
    EXPECT_EQ(Sent(notified), "\aIAC\aOAC");
    EXPECT_EQ(Sent(numeric), "");
}

Bytes Frame(Bytes Body)
{
    AppendChecksumAndEnd(Body);
    return Body;
}

TEST_F(ZoltTally, TheVelaDecoderTalliesTakesAndSingleOutputMaps)
{
    const int c = Connect();
    LoopBackToDecoder(s, TakeFrame(11, 4, 4));
    EXPECT_EQ(Sent(c), "T012:005\r\n");

    Bytes one("\xF6\x00", 2);
    for (int v : {1, 6, 1})  // count, first output, sources
        AppendPair(one, v);
    one += '\0';
    AppendPair(one, 2);
    AppendPair(one, 1024);
    LoopBackToDecoder(s, Frame(one));
    EXPECT_EQ(Sent(c), "T003:007\r\n");

    Bytes two("\xF6\x00", 2);
    for (int v : {2, 6})
        AppendPair(two, v);
    for (int output = 0; output < 2; ++output) {
        AppendPair(two, 0);
        two += '\0';
    }
    LoopBackToDecoder(s, Frame(two));
    EXPECT_EQ(Sent(c), "");
}

TEST_F(ZoltTally, TheVelaDecoderAnnouncesNewNamesOnceNothingElseIsPending)
{
    const int c = Connect();
    Bytes names("\xFC\x14\x08", 3);
    AppendPair(names, s.model.NumDestinations);
    AppendPair(names, 0);
    for (int i = 0; i < s.model.NumDestinations; ++i) {
        names += "Out " + Digits(i, 4);
        AppendPair(names, i);
    }
    s.model.UpdateFlags = UpdateBit::DestinationAlphas | UpdateBit::Buttons;
    LoopBackToDecoder(s, Frame(names));
    EXPECT_EQ(Sent(c), "");
    s.model.UpdateFlags = UpdateBit::DestinationAlphas;
    LoopBackToDecoder(s, Frame(names));
    EXPECT_EQ(Sent(c), "\aOAC");
}

}  // namespace
