// How the parser cuts commands out of a console's buffer: one per call,
// waiting for the rest of a command, and what it throws away.
#include "core/Routing.h"
#include "zolt/ZoltRig.h"

namespace {

using ZoltParser = ZoltTest;

TEST_F(ZoltParser, ACommandInTwoSegmentsWaitsForItsRest)
{
    const int c = Connect();
    Feed(c, Ctrl('T') + "12");
    EXPECT_EQ(Console(c).ReceiveBuffer, Ctrl('T') + "12");
    EXPECT_EQ(SerialSent(), "");
    Feed(c, "3045");
    EXPECT_EQ(Console(c).ReceiveBuffer, "");
    EXPECT_EQ(SerialSent(), TakeFrame(122, 44, 4));
    EXPECT_EQ(Sent(c), "OK\r\n");
}

TEST_F(ZoltParser, AControlByteCutsAnIncompleteCommand)
{
    const int c = Connect();
    // The three bytes before the CR go in one call, then the CR gets the prompt.
    Console(c).ReceiveBuffer = Ctrl('T') + "12\r";
    DecodeConsoleMessage(s, c);
    EXPECT_EQ(Console(c).ReceiveBuffer, "\r");
    DecodeConsoleMessage(s, c);
    EXPECT_EQ(Sent(c), s.ZoltPrompt);
    EXPECT_EQ(SerialSent(), "");
}

TEST_F(ZoltParser, OneCommandPerCallAndUnknownBytesOneByOne)
{
    const int c = Connect();
    Console(c).ReceiveBuffer = "\nA" + Ctrl('F') + "100" + Ctrl('F') + "110";
    DecodeConsoleMessage(s, c);
    DecodeConsoleMessage(s, c);
    EXPECT_EQ(Sent(c), "");
    EXPECT_EQ(Console(c).ReceiveBuffer, Ctrl('F') + "100" + Ctrl('F') + "110");
    DecodeConsoleMessage(s, c);
    EXPECT_EQ(Sent(c), "OK\r\n");
    EXPECT_EQ(Console(c).ReceiveBuffer, Ctrl('F') + "110");
}

TEST_F(ZoltParser, UnknownSecondBytesOfCtrlDAndCtrlEAndUnknownCtrlZNumbers)
{
    const int c = Connect();
    Console(c).ReceiveBuffer = Ctrl('D') + "QX";
    DecodeConsoleMessage(s, c);
    EXPECT_EQ(Console(c).ReceiveBuffer, "X");

    // ^E gives the next byte its own chance as a first byte.
    Console(c).ReceiveBuffer = Ctrl('E') + "\r";
    DecodeConsoleMessage(s, c);
    EXPECT_EQ(Console(c).ReceiveBuffer, "\r");
    Console(c).ReceiveBuffer.clear();

    for (const char* number : {"99", "0:", "/:", " 0"}) {
        Console(c).ReceiveBuffer = Ctrl('Z') + number + "0001000100000000000";
        DecodeConsoleMessage(s, c);
        EXPECT_EQ(Console(c).ReceiveBuffer, "0001000100000000000") << number;
    }
    EXPECT_EQ(SerialSent(), "");
    EXPECT_EQ(Sent(c), "");
}

TEST_F(ZoltParser, TheLongestCommandWaitsForItsLastByte)
{
    const int c = Connect();
    const Bytes gainTake = Ctrl('Z') + "00" + "0003" + "0004" + "1024" + "00004";
    Feed(c, gainTake.substr(0, 19));
    EXPECT_EQ(Console(c).ReceiveBuffer.size(), 19u);
    Feed(c, gainTake.substr(19));
    EXPECT_EQ(SerialSent(), TakeFrame(2, 3, 4, 1024));
}

TEST_F(ZoltParser, InputWhileTheSwitcherIsAwayIsDropped)
{
    const int c = Connect();
    s.Link.Reset();  // answering, its tables not all in
    s.Link.Answered();
    Console(c).ReceiveBuffer = "\r" + Ctrl('T') + "001001";
    DecodeConsoleMessage(s, c);
    EXPECT_EQ(Console(c).ReceiveBuffer, "");
    s.Link.Reset();  // its tables in, but no longer answering
    s.Link.AllTablesArrived();
    Console(c).ReceiveBuffer = "\r";
    DecodeConsoleMessage(s, c);
    EXPECT_EQ(Console(c).ReceiveBuffer, "");
    EXPECT_EQ(Sent(c), "");
    EXPECT_EQ(SerialSent(), "");
}

TEST_F(ZoltParser, AFloodedBufferIsEmptiedWhateverItHolds)
{
    const int c = Connect("10.9.9.9");
    // Bytes that are discarded one by one never reach a handler: the cap holds anyway.
    Console(c).ReceiveBuffer = Bytes(ZoltBufferLimit + 1, 'A');
    DecodeConsoleMessage(s, c);
    EXPECT_EQ(Console(c).ReceiveBuffer, "");
    EXPECT_TRUE(ErrorLogged("Zolt Buffer cleared - IP 10.9.9.9"));

    Console(c).ReceiveBuffer = Bytes(ZoltBufferLimit, 'A');
    DecodeConsoleMessage(s, c);
    EXPECT_EQ(Console(c).ReceiveBuffer.size(), ZoltBufferLimit - 1);
}

TEST_F(ZoltParser, DataArrivalReadsOneBoundedChunkAndStartsTheDecodeRound)
{
    const int c = Connect();
    rig.sockets.conn(Port::Zolt, c).inbound = Bytes(3000, 'A');
    ProtocolOn(s, Port::Zolt)->DataArrival(s, c, 3000);
    EXPECT_EQ(Console(c).ReceiveBuffer.size(), static_cast<size_t>(ZoltReadChunk));
    EXPECT_TRUE(rig.timers.isEnabled(TimerId::DecodeTcp));
}

TEST_F(ZoltParser, TheDecodeRoundWaitsForAnIncompleteCommandWithoutSpinning)
{
    const int c = Connect();
    Console(c).ReceiveBuffer = Ctrl('T') + "1";
    rig.timers.enable(TimerId::DecodeTcp, 0);
    s.onTimer(TimerId::DecodeTcp);
    EXPECT_FALSE(rig.timers.isEnabled(TimerId::DecodeTcp));
    // The Helm port's idle discard leaves console commands alone.
    rig.timers.now += 10000;
    s.onTimer(TimerId::DecodeTcp);
    EXPECT_EQ(Console(c).ReceiveBuffer, Ctrl('T') + "1");

    rig.sockets.conn(Port::Zolt, c).inbound = "01001";
    s.onDataArrival(Port::Zolt, c, 5);
    s.onTimer(TimerId::DecodeTcp);
    EXPECT_EQ(SerialSent(), TakeFrame(100, 0, 4));
}

}  // namespace
