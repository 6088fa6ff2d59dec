#include "core/Lifecycle.h"
#include "core/Routing.h"
#include "helm/HelmPort.h"
#include "support/Fakes.h"
#include "support/TempDir.h"
#include "support/WireBytes.h"

#include <gtest/gtest.h>

namespace {

const Bytes Greeting = Wire({0x81, 0x64, 0x64, 0xFF});

struct ClientRig : TestRig {
    TempDir dir;
    ClientRig()
    {
        server.cfg.AppPath = dir.app();
        server.model.SwitcherType = SwitcherType::Vela;
        SizeTablesForType(server.model);
    }
    int connect(const std::string& address = "127.0.0.1")
    {
        sockets.pendingAddresses.push_back(address);
        server.onConnectionRequest(Port::Helm);
        for (int i = server.HelmClients.SlotCount(); i >= 1; --i)
            if (server.HelmClients[i].Address == address && sockets.isConnected(Port::Helm, i))
                return i;
        return 0;
    }
    Bytes& out(int slot) { return sockets.conn(Port::Helm, slot).outbound; }
    void logIn(int slot, int type = 120)
    {
        server.HelmClients[slot].LoggedIn = true;
        server.HelmClients[slot].ClientType = type;
    }
    void second()
    {
        for (int i = 0; i < 4; ++i)
            server.onTimer(TimerId::Poll);
    }
};

}  // namespace

TEST(HelmSlots, ANewClientIsGreetedAndToldTheSwitcherType)
{
    ClientRig rig;
    const int slot = rig.connect("10.0.0.5");
    ASSERT_EQ(slot, 1);
    EXPECT_EQ(rig.out(1), Greeting + Wire({0xE5, 0x01, 0x01, 0x00, 0x15, 0x0A, 0x00, 0x00, 0x21, 0xFF}));
    EXPECT_EQ(rig.server.HelmClients.Count, 1);
    EXPECT_EQ(rig.display.panels[0], "Client Connections: 0001");
    const ClientRecord& c = rig.server.HelmClients[1];
    EXPECT_TRUE(c.Connected);
    EXPECT_FALSE(c.LoggedIn);
    EXPECT_EQ(c.ClientType, NoClientType);
    EXPECT_EQ(c.Address, "10.0.0.5");
}

TEST(HelmSlots, DemoModeAddsTheNoticeAndPassThroughSkipsTheType)
{
    ClientRig demo;
    demo.server.cfg.DemoMode = true;
    demo.connect();
    EXPECT_EQ(demo.out(1).substr(demo.out(1).size() - 7), Wire({0xA4, 0x16, 0x01, 0x00, 0x00, 0x17, 0xFF}));

    ClientRig pass;
    pass.server.model.SwitcherType = SwitcherType::PassThru;
    pass.connect();
    EXPECT_EQ(pass.out(1), Greeting);
}

TEST(HelmSlots, FreeSlotsAreReusedLowestFirst)
{
    ClientRig rig;
    rig.connect("a");
    rig.connect("b");
    rig.connect("c");
    rig.sockets.conn(Port::Helm, 2).connected = false;
    rig.server.onPeerClosed(Port::Helm, 2);
    EXPECT_EQ(rig.server.HelmClients.Count, 2);
    EXPECT_EQ(rig.connect("d"), 2);
    EXPECT_EQ(rig.connect("e"), 4);
    EXPECT_EQ(rig.server.HelmClients.SlotCount(), 4);

    // A peer that left before its close event was seen: the reused slot is
    // counted down and logged first, so the count stays true.
    rig.sockets.conn(Port::Helm, 3).connected = false;
    EXPECT_EQ(rig.connect("f"), 3);
    EXPECT_EQ(rig.display.history.back(), std::make_pair(std::string("c"), std::string("Client Disconnect")));
    EXPECT_EQ(rig.server.HelmClients.Count, 4);
    EXPECT_EQ(rig.display.panels[0], "Client Connections: 0004");
}

TEST(HelmSlots, PeerCloseLogsAndResetsTheRecord)
{
    ClientRig rig;
    const int slot = rig.connect("10.1.1.1");
    rig.logIn(slot);
    rig.server.HelmClients[1].PendingRequests = 128;
    rig.server.onPeerClosed(Port::Helm, slot);
    EXPECT_EQ(rig.display.history.back(), std::make_pair(std::string("10.1.1.1"), std::string("Client Disconnect")));
    const ClientRecord& c = rig.server.HelmClients[1];
    EXPECT_FALSE(c.Connected);
    EXPECT_FALSE(c.LoggedIn);
    EXPECT_EQ(c.PendingRequests, 0);
    EXPECT_EQ(c.ClientType, NoClientType);
    EXPECT_EQ(rig.server.HelmClients.Count, 0);
    // A second close of the same slot does not count twice.
    rig.server.onPeerClosed(Port::Helm, slot);
    EXPECT_EQ(rig.server.HelmClients.Count, 0);
}

TEST(HelmSlots, AnExtraDisconnectNeverShowsANegativeCount)
{
    ClientRig rig;
    DisconnectClient(rig.server, 1);
    EXPECT_EQ(rig.server.HelmClients.Count, 0);
    EXPECT_EQ(rig.display.panels[0], "Client Connections: 0000");
    EXPECT_NE(rig.dir.read("Errorlog.txt").find("Invalid Socket Count"), std::string::npos);
}

TEST(HelmSlots, ReceivedBytesAreDecodedAtOnceUnlessOthersWaitForTheirTurn)
{
    ClientRig rig;
    const int first = rig.connect("10.0.0.1");
    const int second = rig.connect("10.0.0.2");
    rig.logIn(first);
    rig.logIn(second);
    rig.out(first).clear();
    rig.out(second).clear();
    rig.server.HelmClients[first].SilentTicks = 9;
    // Nothing else waits: the first poll is answered in the same event, and
    // only one, as a round serves each client one message.
    rig.sockets.conn(Port::Helm, first).inbound = Wire({0xF5, 0xF5});
    rig.server.onDataArrival(Port::Helm, first, 2);
    EXPECT_EQ(rig.out(first), Wire({0xF1}));
    EXPECT_EQ(rig.server.HelmClients[first].SilentTicks, 0);
    EXPECT_TRUE(rig.timers.isEnabled(TimerId::DecodeTcp));
    EXPECT_TRUE(rig.display.lamps[static_cast<size_t>(Lamp::Network)]);
    // Bytes of another client now wait for the same round.
    rig.sockets.conn(Port::Helm, second).inbound = Wire({0xF5});
    rig.server.onDataArrival(Port::Helm, second, 1);
    EXPECT_EQ(rig.server.HelmClients[second].ReceiveBuffer, Wire({0xF5}));
    EXPECT_EQ(rig.out(second), "");
    rig.server.onTimer(TimerId::DecodeTcp);
    EXPECT_EQ(rig.out(first), Wire({0xF1, 0xF1}));
    EXPECT_EQ(rig.out(second), Wire({0xF1}));
}

TEST(HelmSlots, AHalfFrameIsDroppedAfterTheIdleTime)
{
    ClientRig rig;
    const int slot = rig.connect();
    rig.server.NoteTraffic();
    rig.server.HelmClients[1].ReceiveBuffer = Wire({0xFE, 0x01});
    rig.timers.now += 150;
    OnClientDecodeTick(rig.server);
    rig.timers.now += 60;
    OnClientDecodeTick(rig.server);
    EXPECT_TRUE(rig.server.HelmClients[slot].ReceiveBuffer.empty());
    EXPECT_FALSE(rig.timers.isEnabled(TimerId::DecodeTcp));
}

TEST(HelmSlots, PassThroughRelaysClientBytesToTheSwitcher)
{
    ClientRig rig;
    rig.server.cfg.PassThru = true;
    rig.serial.opened = true;
    const int slot = rig.connect();
    rig.sockets.conn(Port::Helm, slot).inbound = Wire({0xFE, 0x01, 0x7F});
    rig.server.onDataArrival(Port::Helm, slot, 3);
    EXPECT_EQ(rig.serial.written(), Wire({0xFE, 0x01, 0x7F}));
    EXPECT_TRUE(rig.server.HelmClients[1].ReceiveBuffer.empty());
}

TEST(HelmSlots, ABrowserOnPort80GetsThePageAndIsClosed)
{
    ClientRig rig;
    rig.server.cfg.HelmPort = 80;
    const int slot = rig.connect();
    EXPECT_TRUE(rig.out(slot).empty());
    EXPECT_EQ(rig.display.history.back(), std::make_pair(std::string("None"), std::string("Browser Login")));
    rig.sockets.conn(Port::Helm, slot).inbound = "GET / HTTP/1.0\r\n\r\n";
    rig.server.onDataArrival(Port::Helm, slot, 18);
    EXPECT_EQ(rig.out(slot), "<html><head><title>HVN</title></head><body>Halvorn</body></html>");
    EXPECT_FALSE(rig.sockets.isConnected(Port::Helm, slot));
    EXPECT_EQ(rig.server.HelmClients.Count, 0);
}

TEST(HelmSlots, BroadcastsSkipPolledClientsAndGoOutWhole)
{
    ClientRig rig;
    rig.connect("a");
    rig.connect("b");
    rig.out(1).clear();
    rig.out(2).clear();
    rig.server.HelmClients[2].PolledUpdates = true;
    const Bytes big(40000, 'x');
    SendToAllClients(rig.server, big);
    EXPECT_EQ(rig.out(1), big);
    EXPECT_TRUE(rig.out(2).empty());
}

TEST(HelmSlots, AClientThatStopsReadingIsDroppedWithoutHoldingUpTheOthers)
{
    ClientRig rig;
    rig.connect("stuck");
    rig.connect("fine");
    rig.out(2).clear();
    rig.sockets.conn(Port::Helm, 1).full = true;
    SendToAllClients(rig.server, "hello");
    EXPECT_EQ(rig.out(2), "hello");
    EXPECT_FALSE(rig.sockets.isConnected(Port::Helm, 1));
    EXPECT_EQ(rig.server.HelmClients.Count, 1);
    const std::string errors = rig.dir.read("Errorlog.txt");
    EXPECT_NE(errors.find("Socket Busy"), std::string::npos);
    EXPECT_NE(errors.find("IP Send Error"), std::string::npos);
    // Logged once: the slot is gone for the next send.
    SendToClient(rig.server, "again", 1);
    EXPECT_EQ(rig.dir.read("Errorlog.txt"), errors);
}

TEST(HelmSlots, LoggedInClientsGetKeepAlivesAndSilentOnesAreClosed)
{
    ClientRig rig;
    const int pc = rig.connect("pc");
    const int panel = rig.connect("panel");
    const int quiet = rig.connect("never logged in");
    rig.logIn(pc, 120);
    rig.logIn(panel, 131);
    for (int s : {pc, panel, quiet})
        rig.out(s).clear();
    for (int i = 0; i < 4; ++i)
        rig.second();
    EXPECT_EQ(rig.out(pc), Bytes(4, '\xF5'));
    EXPECT_EQ(rig.out(panel), Bytes(2, '\xF5'));
    EXPECT_TRUE(rig.out(quiet).empty());

    // A client that switched supervision off is never closed for silence.
    rig.server.HelmClients[panel].Supervised = false;
    for (int i = 0; i < 240; ++i)
        rig.second();
    EXPECT_FALSE(rig.sockets.isConnected(Port::Helm, pc));
    EXPECT_FALSE(rig.sockets.isConnected(Port::Helm, quiet));
    EXPECT_TRUE(rig.sockets.isConnected(Port::Helm, panel));
    EXPECT_EQ(rig.server.HelmClients.Count, 1);
    EXPECT_EQ(rig.display.history.back().second, "Client Disconnected");
}

TEST(HelmSlots, DisconnectingEverybodyRestartsTheNumbering)
{
    ClientRig rig;
    rig.connect("a");
    rig.connect("b");
    DisconnectAllClients(rig.server);
    EXPECT_EQ(rig.server.HelmClients.SlotCount(), 0);
    EXPECT_EQ(rig.server.HelmClients.Count, 0);
    EXPECT_EQ(rig.display.panels[0], "Client Connections: 0000");
    EXPECT_EQ(rig.connect("c"), 1);
}
