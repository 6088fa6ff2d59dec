// The SW-P-08 port on the fakes, through the real event path, with a demo
// Vela (320 inputs and outputs, nothing routed) that answers every take.
#include "core/DemoMode.h"
#include "model/TakeTypes.h"
#include "support/Fakes.h"
#include "support/TempDir.h"
#include "support/WireBytes.h"
#include "switcher/ToSwitcher.h"
#include "swp08/Swp08Link.h"
#include "swp08/Swp08Port.h"

#include <gtest/gtest.h>

namespace {

const Bytes Ack = Wire({0x10, 0x06});
const Bytes Nak = Wire({0x10, 0x15});

class Swp08PortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        s.cfg.AppPath = dir.app();
        s.cfg.MaxListSize = 1000;
        s.cfg.DemoMode = true;
        s.model.SwitcherType = SwitcherType::Vela;
        SizeTablesForType(s.model);
        LoadDemoData(s);
        s.Link.Answered();
        s.Link.AllTablesArrived();
    }
    int Connect(const std::string& Address, Port P = Port::SwP08)
    {
        rig.sockets.pendingAddresses.push_back(Address);
        s.onConnectionRequest(P);
        for (int i = 1;; ++i)
            if (rig.sockets.peerAddress(P, i) == Address && rig.sockets.isConnected(P, i))
                return i;
    }
    // Bytes from a client, taken in as the event loop would.
    void Arrive(int Slot, const Bytes& Data, Port P = Port::SwP08)
    {
        rig.sockets.conn(P, Slot).inbound += Data;
        s.onDataArrival(P, Slot, static_cast<long>(Data.size()));
        for (int i = 0; i < 1000 && rig.timers.isEnabled(TimerId::DecodeTcp); ++i)
            s.onTimer(TimerId::DecodeTcp);
    }
    Bytes Sent(int Slot)
    {
        Bytes all;
        all.swap(rig.sockets.conn(Port::SwP08, Slot).outbound);
        return all;
    }
    const Swp08Client& Client(int Slot)
    {
        return static_cast<Swp08Protocol*>(ProtocolOn(s, Port::SwP08))->Clients()[Slot];
    }
    bool ErrorLogged(const std::string& Text) const { return dir.read("Errorlog.txt").find(Text) != std::string::npos; }

    TempDir dir;
    TestRig rig;
    Server& s = rig.server;
};

TEST_F(Swp08PortTest, EveryFrameIsAcknowledgedAndServedAndABrokenOneRefused)
{
    const int c = Connect("10.8.0.1");
    EXPECT_TRUE(rig.logged("SW-P-08 Connected"));
    EXPECT_EQ(s.TotalConnections(), 1);
    EXPECT_EQ(Sent(c), "");
    s.model.CrosspointMap[300].Sources[0] = 200;
    s.model.CrosspointMap[300].SourceCount = 1;
    // Destination 300 asked in two pieces; the tally carries both numbers over 127.
    const Bytes ask = Swp08::Frame(Wire({0x01, 0x00, 0x20, 0x2C}));
    Arrive(c, ask.substr(0, 4));
    EXPECT_EQ(Sent(c), "");
    Arrive(c, ask.substr(4));
    EXPECT_EQ(Sent(c), Ack + Swp08::Frame(Wire({0x03, 0x00, 0x21, 0x2C, 0x48})));
    // A wrong checksum, the client's own acknowledgement, bytes outside any frame.
    Arrive(c, Wire({0x10, 0x02, 0x61, 0x01, 0x9F, 0x10, 0x03, 0x10, 0x06, 0x55, 0x10, 0x15}));
    EXPECT_EQ(Sent(c), Nak);
    EXPECT_TRUE(ErrorLogged("SW-P-08 Frame Error"));
    // Several frames in one arrival are answered in order.
    Arrive(c, Swp08::Frame(Wire({0x61})) + Swp08::Frame(Wire({0x08})) + Swp08::Frame(Wire({0x63, 0x08})));
    EXPECT_EQ(Sent(c),
              Ack + Swp08::Frame(Swp08::ImplementationStatusMessage()) + Ack + Swp08::Frame(Wire({0x63, 0x08})) + Ack);
    EXPECT_TRUE(ErrorLogged("SW-P-08 Invalid Message 8"));
    EXPECT_FALSE(Client(c).Extended);

    rig.sockets.close(Port::SwP08, c);
    s.onPeerClosed(Port::SwP08, c);
    EXPECT_TRUE(rig.logged("SW-P-08 Disconnect"));
    EXPECT_EQ(s.TotalConnections(), 0);
}

TEST_F(Swp08PortTest, EveryTakeReachesEveryClientInItsForm)
{
    const int standard = Connect("10.8.0.1");
    const int extended = Connect("10.8.0.2");
    Arrive(extended, Swp08::Frame(Wire({0x95, 0x00, 0x00})));
    EXPECT_TRUE(Client(extended).Extended);
    Sent(extended);
    // Destination 16 from source 16: every 10 hex in the frame doubled.
    Arrive(standard, Swp08::Frame(Wire({0x02, 0x00, 0x00, 0x10, 0x10})));
    EXPECT_EQ(rig.serial.written(), "");  // demo mode answers it itself
    EXPECT_TRUE(rig.logged("Take - In:0017-->Out:0017"));
    EXPECT_EQ(Sent(standard),
              Ack + Wire({0x10, 0x02, 0x04, 0x00, 0x00, 0x10, 0x10, 0x10, 0x10, 0x05, 0xD7, 0x10, 0x03}));
    EXPECT_EQ(Sent(extended), Swp08::Frame(Wire({0x84, 0x00, 0x00, 0x00, 0x10, 0x00, 0x10, 0x00})));

    // A Zolt console's take, and a turn-off made elsewhere.
    const int console = Connect("10.8.0.3", Port::Zolt);
    Arrive(console,
           "\x14"
           "200150",
           Port::Zolt);
    EXPECT_EQ(Sent(standard), Swp08::Frame(Wire({0x04, 0x00, 0x11, 0x15, 0x47})));
    EXPECT_EQ(Sent(extended), Swp08::Frame(Wire({0x84, 0x00, 0x00, 0x00, 0x95, 0x00, 0xC7, 0x00})));
    int type = TakeType::TurnOff;
    SendTakeToSwitcher(s, 0, 16, type, NoneValue);
    EXPECT_EQ(Sent(standard), Swp08::Frame(Wire({0x04, 0x00, 0x07, 0x10, 0x7F})));
    EXPECT_EQ(Sent(extended), Swp08::Frame(Wire({0x84, 0x00, 0x00, 0x00, 0x10, 0xFF, 0xFF, 0x00})));
    // Routed again to the source it had before the turn-off: still a change.
    Arrive(extended, Swp08::Frame(Wire({0x82, 0x00, 0x00, 0x00, 0x10, 0x00, 0x10})));
    EXPECT_EQ(Sent(standard).size(), 13U);
    EXPECT_EQ(Sent(extended), Ack + Swp08::Frame(Wire({0x84, 0x00, 0x00, 0x00, 0x10, 0x00, 0x10, 0x00})));
}

TEST_F(Swp08PortTest, OffLineInterrogationsAreAnsweredAndConnectsDropped)
{
    const int c = Connect("10.8.0.1");
    s.Link.Lost();
    Arrive(c, Swp08::Frame(Wire({0x02, 0x00, 0x00, 0x05, 0x07})));
    EXPECT_EQ(Sent(c), Ack);
    EXPECT_TRUE(rig.logged("SW-P-08 Take Dropped - Switcher Off Line"));
    EXPECT_EQ(s.model.CrosspointMap[5].SourceCount, 0);
    Arrive(c, Swp08::Frame(Wire({0x81, 0x00, 0x00, 0x00, 0x05})));
    EXPECT_EQ(Sent(c), Ack + Swp08::Frame(Wire({0x83, 0x00, 0x00, 0x00, 0x05, 0xFF, 0xFF, 0x00})));
    // Numbers the switcher does not have, and another level, change nothing either.
    s.Link.Answered();
    s.Link.AllTablesArrived();
    Arrive(c, Swp08::Frame(Wire({0x82, 0x00, 0x00, 0x01, 0x40, 0x00, 0x01})) +
                  Swp08::Frame(Wire({0x82, 0x00, 0x00, 0x00, 0x05, 0x01, 0x40})) +
                  Swp08::Frame(Wire({0x82, 0x00, 0x01, 0x00, 0x05, 0x00, 0x01})));
    EXPECT_EQ(Sent(c), Ack + Ack + Ack);
    EXPECT_TRUE(ErrorLogged("SW-P-08 Take Out Of Range"));
    EXPECT_EQ(s.model.CrosspointMap[5].SourceCount, 0);
}

TEST_F(Swp08PortTest, AStuckClientIsCutOffAndAFloodingOneClosed)
{
    const int stuck = Connect("10.8.0.1");
    const int other = Connect("10.8.0.2");
    rig.sockets.conn(Port::SwP08, stuck).full = true;
    Arrive(other, Swp08::Frame(Wire({0x02, 0x00, 0x00, 0x05, 0x07})));
    EXPECT_FALSE(rig.sockets.isConnected(Port::SwP08, stuck));
    EXPECT_TRUE(rig.logged("SW-P-08 Disconnected"));
    EXPECT_EQ(Sent(other), Ack + Swp08::Frame(Wire({0x04, 0x00, 0x00, 0x05, 0x07})));

    // Input arriving faster than the decode rounds take it, past the limit.
    const Bytes flood(Swp08BufferLimit + 4096, '\x55');
    rig.sockets.conn(Port::SwP08, other).inbound = flood;
    rig.timers.enable(TimerId::DecodeTcp, 0);  // busy: the arrivals only read
    for (int i = 0; i < 20 && rig.sockets.isConnected(Port::SwP08, other); ++i)
        s.onDataArrival(Port::SwP08, other, static_cast<long>(flood.size()));
    EXPECT_FALSE(rig.sockets.isConnected(Port::SwP08, other));
    EXPECT_TRUE(ErrorLogged("SW-P-08 Buffer Overflow - IP 10.8.0.2"));
    EXPECT_EQ(s.TotalConnections(), 0);
}

TEST_F(Swp08PortTest, NewNamesAreAnnouncedAndServedFresh)
{
    const int c = Connect("10.8.0.1");
    s.model.SourceAlphasRaw[0] = "Studio A";
    s.reports().NamesChanged(s, TableSources);
    EXPECT_EQ(Sent(c), Swp08::Frame(Wire({0x1E, 0, 0, 0, 1, 0, 0, 0x01, 0x03})));
    Arrive(c, Swp08::Frame(Wire({0xE4, 0x00, 0x00, 0x02})));
    const Bytes got = Sent(c);
    EXPECT_EQ(got.substr(0, 12), Ack + Wire({0x10, 0x02, 0xEA, 0x00, 0x00, 0x02, 0x00, 0x00, 0x0A, 'S'}));
    EXPECT_NE(got.find("Studio A    Inpt0002    "), Bytes::npos);
}

}  // namespace
