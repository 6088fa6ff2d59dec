// Routing reports: takes (FE), crosspoint maps (F6) and frame states (E1).
#include "helm/ToHelm.h"
#include "switcher/vela/ToVela.h"
#include "switcher/vela/VelaRig.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vela_test;

namespace {

Bytes Take(int type, int input, int output) { return Framed(Wire({0xFE}) + P(type) + P(input) + P(output)); }
Bytes LevelTake(int type, int input, int output, int level)
{
    return Framed(Wire({0xFE}) + P(type | 512) + P(input) + P(output) + P(level));
}
// Destinations from First, each with its (source, level) list.
Bytes MapFrame(int first, const std::vector<std::vector<std::pair<int, int>>>& entries)
{
    Bytes f = Wire({0xF6, 0x00}) + P(static_cast<int>(entries.size())) + P(first);
    for (const auto& sources : entries) {
        f += P(static_cast<int>(sources.size())) + Wire({0x00});
        for (auto [source, level] : sources)
            f += P(source) + P(level);
    }
    return Framed(f);
}

}  // namespace

TEST(VelaTake, ATakeRoutesTheSourceAndReachesEveryClientAndTheHistory)
{
    VelaRig rig;
    const int a = rig.connect(120);
    const int b = rig.connect(131);
    rig.server.model.CrosspointMap[9].SourceCount = 0;
    rig.feed(Wire({0xFE, 0x04, 0x00, 0x00, 0x00, 0x09, 0x00, 0x0D, 0xFF}));
    const CrosspointRecord& x = rig.server.model.CrosspointMap[9];
    EXPECT_EQ(x.Sources[0], 0);
    EXPECT_EQ(x.Levels[0], 1024);
    EXPECT_EQ(x.SourceCount, 1);
    EXPECT_TRUE(rig.logged("Take - In:0001-->Out:0010"));
    const Bytes map = Framed(Wire({0xF6, 0x00}) + P(1) + P(9) + P(1) + Wire({0x00}) + P(0) + P(1024));
    EXPECT_EQ(rig.out(a), map);
    EXPECT_EQ(rig.out(b), map);
}

TEST(VelaTake, BadFramesAndNumbersOutOfRangeChangeNothing)
{
    VelaRig rig;
    const int a = rig.connect();
    rig.feed(Framed(Wire({0xFE}) + P(4 | 512) + P(1) + P(2)));  // no room for the level
    EXPECT_TRUE(rig.errorLogged("Vela Message Length Error", "Take Command"));
    rig.feed(WithBadChecksum(Take(4, 1, 2)));
    EXPECT_TRUE(rig.errorLogged("Vela Check Sum Error", "Take Command"));
    for (const Bytes& f : {Take(4, 1, 512), Take(4, 512, 1), Take(36, 16383, 1), Take(68, 0, 16383)})
        rig.feed(f);
    EXPECT_EQ(rig.server.model.CrosspointMap[1].Sources[0], 0);
    EXPECT_EQ(rig.server.model.CrosspointMap[1].SourceCount, 1);
    EXPECT_EQ(rig.out(a), "");

    rig.feed(Take(0, 16383, 3));  // a turn-off names no input
    EXPECT_EQ(rig.server.model.CrosspointMap[3].SourceCount, 0);
    EXPECT_TRUE(rig.logged("Turn Off:-->Out:0004"));
}

TEST(VelaTake, SumsAddOnceRemoveInOrderAndStopAtSixtyFour)
{
    VelaRig rig;
    const int a = rig.connect();
    CrosspointRecord& x = rig.server.model.CrosspointMap[2];
    rig.feed(LevelTake(4, 10, 2, 100));
    rig.feed(LevelTake(36, 11, 2, 110));
    rig.feed(LevelTake(36, 12, 2, 120));
    rig.out(a).clear();
    rig.feed(LevelTake(36, 11, 2, 999));  // already summed: no change, still reported
    EXPECT_EQ(x.SourceCount, 3);
    EXPECT_EQ(x.Levels[1], 110);
    EXPECT_FALSE(rig.out(a).empty());

    rig.feed(Take(32, 11, 2));
    EXPECT_EQ(x.SourceCount, 2);
    EXPECT_EQ(std::vector<int>(x.Sources.begin(), x.Sources.begin() + 2), (std::vector<int>{10, 12}));
    EXPECT_EQ(x.Levels[1], 120);

    for (int s = 100; x.SourceCount < 64; ++s)
        rig.feed(Take(36, s, 2));
    rig.out(a).clear();
    rig.feed(Take(36, 400, 2));
    EXPECT_EQ(x.SourceCount, 64);
    EXPECT_EQ(rig.out(a), "");

    rig.feed(Take(37, 7, 2));
    EXPECT_EQ(x.SumSources[0], 7);
    EXPECT_EQ(x.SumFlag, 1);
    rig.feed(Take(33, 7, 2));
    EXPECT_EQ(x.SumFlag, 0);
}

TEST(VelaTake, ARelaySendsATallyAndPolledClientsWaitForTheLastOutput)
{
    VelaRig rig;
    const int helm = rig.connect(120);
    const int panel = rig.connect(131);
    const int polled = rig.connect(120);
    rig.client(polled).PolledUpdates = true;
    rig.feed(Take(68, 0, 5));
    EXPECT_EQ(rig.server.model.RelayStates[5], 1);
    EXPECT_TRUE(rig.logged("Latch Relay:0006"));
    EXPECT_EQ(rig.out(helm), Framed(Wire({0xF7, 0x28, 0x01, 0x00}) + P(5) + Wire({0x01})));
    EXPECT_EQ(rig.out(panel), "");
    EXPECT_EQ(rig.client(polled).PendingRequests, 0);

    rig.feed(Take(4, 1, 511));
    EXPECT_EQ(rig.client(polled).PendingRequests, 128);
    rig.feed(Take(64, 0, 511));
    EXPECT_EQ(rig.client(polled).PendingRequests, 128 | 65536);
}

TEST(VelaCrosspointMap, AFullMapReplacesEveryDestinationAndReachesTheClients)
{
    VelaRig rig;
    rig.server.cfg.MaintainNdf = true;
    const int helm = rig.connect(120);
    rig.client(helm).PendingRequests = 128 | 256;
    rig.server.model.CrosspointMap[4].SumCount = 2;
    std::vector<std::vector<std::pair<int, int>>> entries(512);
    for (int d = 0; d < 512; ++d)
        entries[static_cast<size_t>(d)] = {{511 - d, 1024}};
    entries[4] = {{7, 100}, {8, 200}};
    const Bytes frame = MapFrame(0, entries);
    rig.feed(frame);
    const Model& m = rig.server.model;
    EXPECT_EQ(m.CrosspointMap[0].Sources[0], 511);
    EXPECT_EQ(m.CrosspointMap[4].Levels[1], 200);
    EXPECT_EQ(m.CrosspointMap[4].SumCount, 0);  // replaced whole
    EXPECT_EQ(m.UpdateFlags & 128, 0);
    EXPECT_TRUE(rig.logged("512 Crosspoint Maps, Starting at Output 0001"));
    EXPECT_EQ(rig.out(helm), frame);
    EXPECT_EQ(rig.client(helm).PendingRequests, 256);
    EXPECT_TRUE(rig.dir.exists("lxptmap.ndf"));
}

TEST(VelaCrosspointMap, PartsPastTheEndAndHostileCountsAreSkipped)
{
    VelaRig rig;
    rig.feed(MapFrame(511, {{{5, 1024}}, {{6, 1024}}}));
    EXPECT_EQ(rig.server.model.CrosspointMap[511].Sources[0], 5);
    EXPECT_EQ(rig.server.model.CrosspointMap.size(), 512u);
    EXPECT_TRUE(rig.logged("1 Crosspoint Maps, Starting at Output 0512 (0006)"));
    rig.feed(MapFrame(2, {{}}));
    EXPECT_TRUE(rig.logged("1 Crosspoint Maps, Starting at Output 0003 (Off)"));

    rig.feed(Framed(Wire({0xF6, 0x00}) + P(16383) + P(0) + P(1) + Wire({0}) + P(9) + P(1024)));
    rig.feed(Framed(Wire({0xF6, 0x00}) + P(1) + P(0) + P(16000) + Wire({0}) + P(9) + P(1024)));
    EXPECT_TRUE(rig.errorLogged("Message Length Error", "Crosspoint Map"));
    std::vector<std::pair<int, int>> seventy;
    for (int k = 0; k < 70; ++k)
        seventy.push_back({k + 1, 1024});
    rig.feed(MapFrame(0, {seventy}));  // more sources than a record holds
    EXPECT_EQ(rig.server.model.CrosspointMap[0].SourceCount, 1);
    EXPECT_EQ(rig.server.model.CrosspointMap[0].Sources[0], 0);
}

namespace {

// Frame 0 with cards 0 and 1; card 1 has port 0 with two channels; all present.
void Configure(Model& m)
{
    m.SwitcherConfig[0].Cards[0].Flag = 1;
    m.SwitcherConfig[0].Cards[0].Count = 2;
    CardRecord& card = m.SwitcherConfig[0].Cards[1];
    card.Present = 1;
    card.Ports[0].State = 1;
    card.Ports[0].Channels.assign(2, ChannelRecord{1, {}, 0});
}

}  // namespace

TEST(VelaState, StatesAreStoredAndALostFrameMarksEverythingInItLost)
{
    VelaRig rig;
    const Bytes state = Framed(Wire({0xE1, 0x00, 0x01, 0x00, 3, 0x01, 0x01, 3, 0x01, 0x00, 3, 0x02, 0x00, 3, 3}));
    rig.feed(state);  // no configuration yet: nothing to store into
    EXPECT_EQ(rig.server.model.SwitcherConfig[0].Cards[0].Flag, 0);

    Configure(rig.server.model);
    const int helm = rig.connect(120);
    rig.feed(state);
    const FrameRecord& frame = rig.server.model.SwitcherConfig[0];
    EXPECT_EQ(frame.Cards[1].Ports[0].Channels[1].State, 3);
    EXPECT_TRUE(rig.logged("Received State Message"));
    EXPECT_EQ(rig.out(helm), state);

    rig.feed(Framed(Wire({0xE1, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00})));
    EXPECT_EQ(frame.Cards[0].Flag, 0);
    EXPECT_EQ(frame.Cards[0].FrameStatus, 20);
    EXPECT_EQ(frame.Cards[1].Status, 20);
    EXPECT_EQ(frame.Cards[1].Ports[0].Channels[1].Status, 20);
}

TEST(VelaState, BadFramesAndNumbersBeyondTheRecordsChangeNothing)
{
    VelaRig rig;
    Configure(rig.server.model);
    rig.server.model.UpdateFlags = 16;
    rig.feed(WithBadChecksum(Framed(Wire({0xE1, 0x00, 0x01, 0x00, 0x03, 0x00, 0x00}))));
    EXPECT_TRUE(rig.errorLogged("Check Sum Error", "Switcher State"));
    EXPECT_EQ(rig.serial.written(), BuildInfoRequestVela(16, NoneValue, 0));
    rig.feed(Framed(Wire({0xE1, 0x00, 0x02, 0x00, 0x03, 0x00, 0x00, 0x03, 0x00, 0x00})));
    EXPECT_TRUE(rig.errorLogged("Frame Size", "State Message"));
    rig.feed(Framed(Wire({0xE1, 0x00, 0x01, 0x00, 0x03, 0x05, 0x00, 0x03, 0x00, 0x00})));  // 5 cards, 1 carried
    EXPECT_TRUE(rig.errorLogged("Vela Message Length Error", "Switcher State"));
    EXPECT_EQ(rig.server.model.SwitcherConfig[0].Cards[0].Flag, 1);
    // Card 40, port 40 and channel 9 are read and skipped.
    rig.feed(Framed(Wire({0xE1, 0x00, 0x01, 0x00, 0x01, 0x01, 0x28, 0x07, 0x00, 0x00})));
    rig.feed(Framed(Wire({0xE1, 0x00, 0x01, 0x00, 0x01, 0x01, 0x01, 0x07, 0x01, 0x28, 0x07, 0x00, 0x00})));
    rig.feed(Framed(Wire({0xE1, 0x00, 0x01, 0x00, 0x01, 0x01, 0x01, 0x07, 0x01, 0x00, 0x07, 0x01, 0x09, 0x07})));
    const PortRecord& port = rig.server.model.SwitcherConfig[0].Cards[1].Ports[0];
    EXPECT_EQ(port.State, 7);
    EXPECT_EQ(port.Channels.size(), 2u);
}
