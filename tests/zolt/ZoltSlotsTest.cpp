// Console slots: greeting and defaults, reuse, closing, and the send path.
#include "core/Lifecycle.h"
#include "helm/HelmPort.h"
#include "zolt/ZoltRig.h"

namespace {

using ZoltSlots = ZoltTest;

TEST_F(ZoltSlots, ANewConsoleIsGreetedWithTheDefaults)
{
    rig.sockets.pendingAddresses.push_back("10.0.0.7");
    s.onConnectionRequest(Port::Zolt);
    EXPECT_EQ(Sent(1), "Login Sucessful\r\n");
    const ZoltClient& c = Console(1);
    EXPECT_TRUE(c.Connected);
    EXPECT_EQ(c.Address, "10.0.0.7");
    EXPECT_EQ(c.ClientType, 150);
    EXPECT_TRUE(c.RepliesOn);
    EXPECT_EQ(c.TallyMode, 5);
    EXPECT_EQ(c.TallyProtocol, 0);
    EXPECT_EQ(s.ZoltClients.Count, 1);
    EXPECT_EQ(s.TotalConnections(), 1);
    EXPECT_EQ(rig.display.panels[0], "Client Connections: 0001");
    EXPECT_TRUE(Shown("Console Connected"));

    // Three digits cannot name port 1000 and up: four-digit tally by default.
    s.model.NumDestinations = 1000;
    EXPECT_EQ(Console(Connect("10.0.0.8")).TallyProtocol, 2);
}

TEST_F(ZoltSlots, FreedSlotsAreReusedAndKeepTheirCount)
{
    Connect("10.0.0.1");
    Connect("10.0.0.2");
    Connect("10.0.0.3");
    Feed(2, Ctrl('F') + "270");
    s.onPeerClosed(Port::Zolt, 2);
    EXPECT_TRUE(Shown("Console Disconnect"));
    EXPECT_EQ(s.ZoltClients.Count, 2);
    EXPECT_EQ(Connect("10.0.0.4"), 2);
    EXPECT_EQ(s.ZoltClients.SlotCount(), 3);
    EXPECT_EQ(Console(2).TallyMode, 5);  // a reused slot starts from the defaults
    // A second close event for a freed slot does not count twice.
    s.onPeerClosed(Port::Zolt, 1);
    s.onPeerClosed(Port::Zolt, 1);
    EXPECT_EQ(s.ZoltClients.Count, 2);
    // A slot whose peer left before its close event was seen is counted down when reused.
    rig.sockets.conn(Port::Zolt, 3).connected = false;
    EXPECT_EQ(Connect("10.0.0.5"), 1);
    EXPECT_EQ(Connect("10.0.0.6"), 3);
    EXPECT_EQ(s.ZoltClients.Count, 3);
}

TEST_F(ZoltSlots, DisconnectingEverybodyClosesTheConsolesToo)
{
    s.onConnectionRequest(Port::Helm);
    Connect("10.0.0.1");
    Connect("10.0.0.2");
    EXPECT_EQ(s.TotalConnections(), 3);
    DisconnectAllClients(s);
    EXPECT_EQ(s.ZoltClients.SlotCount(), 0);
    EXPECT_EQ(s.ZoltClients.Count, 0);
    EXPECT_EQ(rig.display.panels[0], "Client Connections: 0000");
    EXPECT_TRUE(Shown("Console Disconnected"));
    EXPECT_FALSE(rig.sockets.isConnected(Port::Zolt, 1));
    EXPECT_EQ(Connect("10.0.0.3"), 1);
}

TEST_F(ZoltSlots, AConsoleThatStoppedReadingIsDropped)
{
    const int c = Connect("10.0.0.9");
    const int other = Connect("10.0.0.10");
    rig.sockets.conn(Port::Zolt, c).full = true;
    Route(4, 11);
    SendConsoleTally(s, 4);
    EXPECT_FALSE(rig.sockets.isConnected(Port::Zolt, c));
    EXPECT_FALSE(Console(c).Connected);
    EXPECT_EQ(s.ZoltClients.Count, 1);
    EXPECT_TRUE(ErrorLogged("Socket Busy"));
    EXPECT_TRUE(Shown("Console Disconnected"));
    EXPECT_EQ(Sent(other), "T012:005\r\n");
}

TEST_F(ZoltSlots, NulsAreLeftOutExceptTheNumberByteOfANameReply)
{
    const int c = Connect();
    Feed(c, Ctrl('X') + "001");
    EXPECT_EQ(Sent(c), Bytes("\x18\x00        ", 10));
    SendToConsole(s, c, Bytes("O\x00K", 3));
    EXPECT_EQ(Sent(c), "OK");
}

}  // namespace
