// Crosspoint map reports (F6).
#include "switcher/vela/VelaRig.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vela_test;

namespace {

struct Entry {
    std::vector<std::pair<int, int>> sources;  // source, level
};

Bytes MapFrame(int first, const std::vector<Entry>& entries)
{
    Bytes f = B({0xF6, 0x00}) + P(static_cast<int>(entries.size())) + P(first);
    for (const Entry& e : entries) {
        f += P(static_cast<int>(e.sources.size())) + B({0x00});
        for (auto [source, level] : e.sources)
            f += P(source) + P(level);
    }
    return Framed(f);
}

}  // namespace

TEST(VelaCrosspointMap, AFullMapReplacesEveryDestinationAndReachesTheClients)
{
    VelaRig rig;
    rig.server.cfg.MaintainNdf = true;
    const int helm = rig.connect(120);
    rig.client(helm).PendingRequests = 128 | 256;
    CrosspointRecord& x = rig.server.model.CrosspointMap[4];
    x.SumCount = 2;
    std::vector<Entry> entries(512);
    for (int d = 0; d < 512; ++d)
        entries[static_cast<size_t>(d)].sources = {{511 - d, 1024}};
    entries[4].sources = {{7, 100}, {8, 200}};
    const Bytes frame = MapFrame(0, entries);
    rig.feed(frame);

    EXPECT_EQ(rig.server.model.CrosspointMap[0].Sources[0], 511);
    EXPECT_EQ(rig.server.model.CrosspointMap[511].Sources[0], 0);
    EXPECT_EQ(x.SourceCount, 2);
    EXPECT_EQ(x.Sources[1], 8);
    EXPECT_EQ(x.Levels[1], 200);
    EXPECT_EQ(x.SumCount, 0);  // replaced whole
    EXPECT_EQ(rig.server.model.UpdateFlags & 128, 0);
    EXPECT_TRUE(rig.logged("512 Crosspoint Maps, Starting at Output 0001"));
    EXPECT_EQ(rig.out(helm), frame);
    EXPECT_EQ(rig.client(helm).PendingRequests, 256);
    EXPECT_TRUE(rig.dir.exists("lxptmap.ndf"));
}

TEST(VelaCrosspointMap, DestinationsBeyondTheMapAreSkipped)
{
    VelaRig rig;
    rig.feed(MapFrame(510, {{{{3, 1024}}}, {{{4, 1024}}}}));
    EXPECT_EQ(rig.server.model.CrosspointMap[510].Sources[0], 3);
    EXPECT_EQ(rig.server.model.CrosspointMap[511].Sources[0], 4);

    rig.feed(MapFrame(511, {{{{5, 1024}}}, {{{6, 1024}}}}));
    EXPECT_EQ(rig.server.model.CrosspointMap[511].Sources[0], 5);
    EXPECT_EQ(rig.server.model.CrosspointMap.size(), 512u);
    EXPECT_TRUE(rig.logged("1 Crosspoint Maps, Starting at Output 0512 (0006)"));
}

TEST(VelaCrosspointMap, OneDestinationIsLoggedWithItsSource)
{
    VelaRig rig;
    rig.feed(MapFrame(2, {{{{16, 1024}}}}));
    EXPECT_TRUE(rig.logged("1 Crosspoint Maps, Starting at Output 0003 (0017)"));
    rig.feed(MapFrame(2, {Entry{}}));
    EXPECT_EQ(rig.server.model.CrosspointMap[2].SourceCount, 0);
    EXPECT_TRUE(rig.logged("1 Crosspoint Maps, Starting at Output 0003 (Off)"));
}

TEST(VelaCrosspointMap, HostileFramesChangeNothing)
{
    VelaRig rig;
    const std::vector<CrosspointRecord> before = rig.server.model.CrosspointMap;
    auto unchanged = [&] {
        for (size_t d = 0; d < before.size(); ++d)
            if (rig.server.model.CrosspointMap[d].SourceCount != before[d].SourceCount ||
                rig.server.model.CrosspointMap[d].Sources[0] != before[d].Sources[0])
                return false;
        return true;
    };
    // A count of 16383 destinations in a frame that holds one.
    rig.feed(Framed(B({0xF6, 0x00}) + P(16383) + P(0) + P(1) + B({0}) + P(9) + P(1024)));
    // One destination claiming 16000 sources.
    rig.feed(Framed(B({0xF6, 0x00}) + P(1) + P(0) + P(16000) + B({0}) + P(9) + P(1024)));
    EXPECT_TRUE(rig.errorLogged("Message Length Error", "Crosspoint Map"));
    rig.feed(WithBadChecksum(MapFrame(0, {{{{9, 1024}}}})));
    EXPECT_TRUE(rig.errorLogged("Check Sum Error", "Crosspoint Map"));
    // A whole frame, but more sources than a record holds: that entry is skipped.
    Entry tooMany;
    for (int k = 0; k < 70; ++k)
        tooMany.sources.push_back({k, 1024});
    rig.feed(MapFrame(0, {tooMany}));
    // Starting past the last destination.
    rig.feed(MapFrame(600, {{{{9, 1024}}}}));
    EXPECT_TRUE(unchanged());
}

TEST(VelaCrosspointMap, PolledClientsWaitForTheEndOfTheMap)
{
    VelaRig rig;
    const int polled = rig.connect();
    rig.client(polled).PolledUpdates = true;
    rig.feed(MapFrame(0, {{{{1, 1024}}}}));
    EXPECT_EQ(rig.server.model.DeferredRequestFlags, 65536);
    EXPECT_TRUE(rig.timers.isEnabled(TimerId::Led2));
    EXPECT_EQ(rig.client(polled).PendingRequests, 0);
    rig.feed(MapFrame(511, {{{{1, 1024}}}}));
    EXPECT_EQ(rig.client(polled).PendingRequests, 128);
}
