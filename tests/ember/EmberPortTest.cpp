// The Ember+ port on the fakes: consumers connected through the real accept
// and data paths, an Orion model on line, and the clock in the test's hand.
#include "ConsumerMessages.h"
#include "EmberRig.h"
#include "ember/EmberPort.h"
#include "model/TakeTypes.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace consumer;

class EmberPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        s.cfg.AppPath = dir.app();
        s.cfg.MaxListSize = 1000;
        s.model.SwitcherType = SwitcherType::Orion;
        SizeTablesForType(s.model);
        s.Link.Answered();
        s.Link.AllTablesArrived();
        rig.serial.opened = true;
    }
    // Accepts a consumer; its slot.
    int Connect()
    {
        std::set<int> before;
        for (int i = 1; i <= 64; ++i)
            if (rig.sockets.isConnected(Port::Ember, i))
                before.insert(i);
        s.onConnectionRequest(Port::Ember);
        for (int i = 1; i <= 64; ++i)
            if (rig.sockets.isConnected(Port::Ember, i) && !before.count(i))
                return i;
        ADD_FAILURE() << "not accepted";
        return 0;
    }
    void Feed(int Slot, const Bytes& Data)
    {
        rig.sockets.conn(Port::Ember, Slot).inbound += Data;
        s.onDataArrival(Port::Ember, Slot, static_cast<long>(Data.size()));
    }
    void Ask(int Slot, const Bytes& Message) { Feed(Slot, EmberMessageFrames(Message)); }
    // Runs the decode timer until nothing is left to decode.
    void Decode()
    {
        for (int i = 0; i < 100 && rig.timers.isEnabled(TimerId::DecodeTcp); ++i)
            s.onTimer(TimerId::DecodeTcp);
    }
    // What the consumer was sent since the last call, as bytes and as Glow elements.
    Bytes Sent(int Slot)
    {
        Bytes all;
        all.swap(rig.sockets.conn(Port::Ember, Slot).outbound);
        return all;
    }
    std::vector<GlowElement> Elements(int Slot) { return ElementsIn(Sent(Slot)); }
    // The connections a consumer was told of, as "target:source" (source -1: none).
    std::vector<std::string> Tallies(int Slot)
    {
        std::vector<std::string> out;
        for (const GlowElement& e : Elements(Slot))
            for (const GlowConnection& c : e.Connections.value_or(std::vector<GlowConnection>{}))
                out.push_back(std::to_string(c.Target) + ":" +
                              (c.Sources && !c.Sources->empty() ? std::to_string(c.Sources->front()) : "-1"));
        return out;
    }
    // A consumer that asked for the router's connections.
    int Subscriber()
    {
        const int slot = Connect();
        Ask(slot, MatrixGetDirectory);
        Decode();
        EXPECT_EQ(Elements(slot).at(0).Connections->size(), 256u);
        return slot;
    }
    void Route(int Output, int Input) { s.model.CrosspointMap[static_cast<size_t>(Output)].Sources[0] = Input; }
    void Tick() { s.onTimer(TimerId::Poll); }

    TempDir dir;
    TestRig rig;
    Server& s = rig.server;
};

using Strings = std::vector<std::string>;

}  // namespace

TEST_F(EmberPortTest, KeepAlivesGoAheadOfWaitingMessagesAndASilentConsumerIsClosed)
{
    const int c = Connect();
    EXPECT_TRUE(rig.logged("Ember+ Connected"));
    // In the client list and the total like any client.
    std::vector<ClientRow> rows;
    ProtocolOn(s, Port::Ember)->ListClients(s, rows);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Kind, "Ember+ Consumer");
    EXPECT_EQ(rows[0].Address, "127.0.0.1");
    EXPECT_EQ(s.TotalConnections(), 1);
    // Other clients keep the decoder busy: the request waits, the keep-alive does not.
    rig.timers.enable(TimerId::DecodeTcp, 0);
    Feed(c, EmberMessageFrames(RootGetDirectory) + KeepAliveRequestFrame());
    EXPECT_EQ(Sent(c), KeepAliveResponseFrame());
    Decode();
    EXPECT_EQ(Elements(c).at(0).Contents->Identifier, "HVN");

    // Keep-alives alone keep it; 30 s without a byte close it.
    rig.timers.now += 20000;
    Feed(c, KeepAliveRequestFrame());
    rig.timers.now += 20000;
    Tick();
    EXPECT_TRUE(rig.sockets.isConnected(Port::Ember, c));
    rig.timers.now += 10001;
    Tick();
    EXPECT_FALSE(rig.sockets.isConnected(Port::Ember, c));
    EXPECT_TRUE(rig.logged("Ember+ Disconnected"));
    EXPECT_EQ(ProtocolOn(s, Port::Ember)->Connections(s), 0);
}

TEST_F(EmberPortTest, EveryCrosspointChangeReachesTheSubscribedWhateverMadeIt)
{
    const int watcher = Subscriber();
    const int browser = Connect();
    Ask(browser, RootGetDirectory);
    Decode();
    Sent(browser);

    // A take any client made, as the switcher reports it.
    Route(5, 9);
    s.reports().CrosspointChanged(s, 5, 9, TakeType::Take);
    EXPECT_EQ(Tallies(watcher), Strings{"5:9"});
    // A whole map, announced as a table.
    Route(1, 2);
    Route(3, 4);
    s.model.CrosspointMap[7].SourceCount = 0;
    s.reports().TableChanged(s, UpdateBit::Crosspoints, 0, 0);
    EXPECT_EQ(Tallies(watcher), (Strings{"1:2", "3:4", "7:-1"}));
    // A change nobody announced is found on the next poll tick.
    Route(200, 100);
    Tick();
    EXPECT_EQ(Tallies(watcher), Strings{"200:100"});
    EXPECT_TRUE(Sent(browser).empty());
}

TEST_F(EmberPortTest, OnlyAConnectionOperationReachesTheSwitcher)
{
    const int c = Subscriber();
    rig.serial.writes.clear();
    // The connections a subscription carries are what the consumer knows.
    Ask(c, MatrixSubscribe);
    Decode();
    EXPECT_TRUE(rig.serial.writes.empty() && s.SwitcherQueue.empty());
    EXPECT_TRUE(Sent(c).empty());

    Ask(c, MatrixConnect);  // target 0 from source 2
    Decode();
    const std::vector<GlowElement> answer = Elements(c);
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_EQ(answer[0].Connections->at(0).Disposition, Glow::DispositionPending);
    EXPECT_EQ(answer[0].Connections->at(0).Sources, (std::vector<uint32_t>{2}));
    EXPECT_TRUE(rig.logged("Ember+ Take - In:0003-->Out:0001"));
    EXPECT_FALSE(rig.serial.writes.empty() && s.SwitcherQueue.empty());

    // While the switcher is away nothing is taken; the answer is what is.
    s.Link.Lost();
    rig.display.history.clear();
    Ask(c, MatrixConnect);
    Decode();
    EXPECT_EQ(Elements(c).at(0).Connections->at(0).Sources, (std::vector<uint32_t>{0}));
    EXPECT_FALSE(rig.logged("Ember+ Take - In:0003-->Out:0001"));
}

TEST_F(EmberPortTest, NamesStatusAndSizeReachTheConsumersThatAskedForThem)
{
    const int names = Connect();
    Ask(names, EncodeGlow({CommandOn({1, 2, 1}, Glow::GetDirectory)}));
    Decode();
    EXPECT_EQ(Elements(names).at(0).Children->size(), 256u);
    const int status = Connect();
    Ask(status, ParameterGetDirectory);  // 1.2.1.0, a target name: the same scope
    Decode();
    Sent(status);

    s.model.DestinationAlphasRaw[3] = "Studio A";
    s.reports().NamesChanged(s, TableDestinations);
    std::vector<GlowElement> e = Elements(names);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].Path, (GlowPath{1, 2, 1, 3}));
    EXPECT_EQ(e[0].Contents->Value->Text, "Studio A");
    EXPECT_EQ(Elements(status).size(), 1u);

    // The switcher drops off line: the status node's subscribers hear it on the next tick.
    const int statusWatcher = Connect();
    Ask(statusWatcher, EncodeGlow({CommandOn({1, 3}, Glow::Subscribe)}));
    Decode();
    Tick();
    Sent(statusWatcher);  // the count of clients went up by this one
    s.Link.Lost();
    Tick();
    e = Elements(statusWatcher);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].Path, (GlowPath{1, 3, 2}));
    EXPECT_FALSE(e[0].Contents->Value->Boolean);
    EXPECT_TRUE(Elements(names).empty());
}

TEST_F(EmberPortTest, AStuckConsumerIsCutOffAndSoIsOneThatSendsTooMuch)
{
    const int stuck = Subscriber();
    const int other = Subscriber();
    rig.sockets.conn(Port::Ember, stuck).full = true;
    Route(9, 1);
    s.reports().CrosspointChanged(s, 9, 1, TakeType::Take);
    EXPECT_FALSE(rig.sockets.isConnected(Port::Ember, stuck));
    EXPECT_TRUE(rig.logged("Ember+ Disconnected"));
    EXPECT_EQ(Tallies(other), Strings{"9:1"});

    // A frame that never ends: the connection goes once 1 MiB waits.
    const int flood = Connect();
    Feed(flood, Bytes(1, '\xFE'));
    const Bytes piece(EmberReadBudget, 'x');
    for (size_t sent = 0; sent <= EmberInputCap && rig.sockets.isConnected(Port::Ember, flood); sent += piece.size())
        Feed(flood, piece);
    EXPECT_FALSE(rig.sockets.isConnected(Port::Ember, flood));
    EXPECT_NE(dir.read("Errorlog.txt").find("Ember+ Input Too Large"), std::string::npos);
    EXPECT_TRUE(rig.sockets.isConnected(Port::Ember, other));
}
