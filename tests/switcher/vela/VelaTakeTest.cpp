// Take reports (FE): routing, sums, relays, and what reaches the clients.
#include "switcher/vela/VelaRig.h"

#include <gtest/gtest.h>

using namespace vela_test;

namespace {

Bytes Take(int type, int input, int output) { return Framed(B({0xFE}) + P(type) + P(input) + P(output)); }
Bytes TakeWithLevel(int type, int input, int output, int level)
{
    return Framed(B({0xFE}) + P(type | 512) + P(input) + P(output) + P(level));
}
// The one-destination map the clients receive, for a destination with one source.
Bytes OneSourceMap(int output, int source, int level)
{
    return Framed(B({0xF6, 0x00}) + P(1) + P(output) + P(1) + B({0x00}) + P(source) + P(level));
}

}  // namespace

TEST(VelaTake, ATakeRoutesTheSourceAndReachesEveryClientAndTheHistory)
{
    VelaRig rig;
    const int a = rig.connect(120);
    const int b = rig.connect(131);
    rig.server.model.CrosspointMap[9].SourceCount = 0;
    rig.feed(B({0xFE, 0x04, 0x00, 0x00, 0x00, 0x09, 0x00, 0x0D, 0xFF}));
    const CrosspointRecord& x = rig.server.model.CrosspointMap[9];
    EXPECT_EQ(x.Sources[0], 0);
    EXPECT_EQ(x.Levels[0], 1024);
    EXPECT_EQ(x.SourceCount, 1);
    EXPECT_TRUE(rig.logged("Take - In:0001-->Out:0010"));
    EXPECT_EQ(rig.out(a), OneSourceMap(9, 0, 1024));
    EXPECT_EQ(rig.out(b), OneSourceMap(9, 0, 1024));

    rig.feed(TakeWithLevel(4 | 1024, 300, 9, 700));
    EXPECT_EQ(x.Sources[0], 300);
    EXPECT_EQ(x.Levels[0], 700);
}

TEST(VelaTake, BadFramesAndNumbersOutOfRangeChangeNothing)
{
    VelaRig rig;
    const int a = rig.connect();
    const std::vector<CrosspointRecord> before = rig.server.model.CrosspointMap;
    // The level flag promises two more bytes than the frame has.
    rig.feed(Framed(B({0xFE}) + P(4 | 512) + P(1) + P(2)));
    EXPECT_TRUE(rig.errorLogged("Vela Message Length Error", "Take Command"));
    rig.feed(WithBadChecksum(Take(4, 1, 2)));
    EXPECT_TRUE(rig.errorLogged("Vela Check Sum Error", "Take Command"));
    rig.feed(Take(4, 1, 512));
    rig.feed(Take(4, 512, 1));
    rig.feed(Take(36, 16383, 1));
    rig.feed(Take(68, 0, 16383));
    for (size_t d = 0; d < before.size(); ++d)
        ASSERT_EQ(rig.server.model.CrosspointMap[d].SourceCount, before[d].SourceCount) << d;
    EXPECT_EQ(rig.out(a), "");
    EXPECT_EQ(rig.server.model.RelayStates, std::vector<int>(512, 0));
}

TEST(VelaTake, TurnOffNeedsNoInput)
{
    VelaRig rig;
    rig.feed(Take(0, 16383, 3));
    EXPECT_EQ(rig.server.model.CrosspointMap[3].SourceCount, 0);
    EXPECT_TRUE(rig.logged("Turn Off:-->Out:0004"));
}

TEST(VelaTake, SumsAddOnceRemoveInOrderAndStopAtSixtyFour)
{
    VelaRig rig;
    const int a = rig.connect();
    CrosspointRecord& x = rig.server.model.CrosspointMap[2];
    rig.feed(TakeWithLevel(4, 10, 2, 100));
    rig.feed(TakeWithLevel(36, 11, 2, 110));
    rig.feed(TakeWithLevel(36, 12, 2, 120));
    rig.out(a).clear();
    rig.feed(TakeWithLevel(36, 11, 2, 999));  // already summed
    EXPECT_EQ(x.SourceCount, 3);
    EXPECT_EQ(x.Levels[1], 110);
    EXPECT_FALSE(rig.out(a).empty());
    EXPECT_TRUE(rig.logged("Sum On - In:0012-->Out:0003"));

    rig.feed(Take(32, 11, 2));
    EXPECT_EQ(x.SourceCount, 2);
    EXPECT_EQ(x.Sources[0], 10);
    EXPECT_EQ(x.Sources[1], 12);
    EXPECT_EQ(x.Levels[0], 100);
    EXPECT_EQ(x.Levels[1], 120);

    for (int s = 100; x.SourceCount < 64; ++s)
        rig.feed(Take(36, s, 2));
    rig.out(a).clear();
    rig.feed(Take(36, 400, 2));
    EXPECT_EQ(x.SourceCount, 64);
    EXPECT_EQ(rig.out(a), "");

    rig.feed(Take(37, 7, 2));
    EXPECT_EQ(x.SumCount, 1);
    EXPECT_EQ(x.SumSources[0], 7);
    EXPECT_EQ(x.SumFlag, 1);
    rig.feed(Take(33, 7, 2));
    EXPECT_EQ(x.SumCount, 0);
    EXPECT_EQ(x.SumFlag, 0);
    EXPECT_TRUE(rig.logged("Priority Sum Off - In:0008-->Out:0003"));
}

TEST(VelaTake, RelaysChangeTheirStateAndSendATallyInsteadOfAMap)
{
    VelaRig rig;
    const int helm = rig.connect(120);
    const int automation = rig.connect(125);
    const int panel = rig.connect(131);
    rig.feed(Take(68, 0, 5));
    EXPECT_EQ(rig.server.model.RelayStates[5], 1);
    EXPECT_TRUE(rig.logged("Latch Relay:0006"));
    const Bytes tally = Framed(B({0xF7, 0x28, 0x01, 0x00}) + P(5) + B({0x01}));
    EXPECT_EQ(rig.out(helm), tally);
    EXPECT_EQ(rig.out(automation), tally);
    EXPECT_EQ(rig.out(panel), "");

    rig.feed(Take(64, 0, 5));
    EXPECT_EQ(rig.server.model.RelayStates[5], 0);
    EXPECT_TRUE(rig.logged("Release Relay:0006"));
}

TEST(VelaTake, PolledClientsAreToldWhenTheLastDestinationChanged)
{
    VelaRig rig;
    const int polled = rig.connect();
    rig.client(polled).PolledUpdates = true;
    rig.feed(Take(4, 1, 510));
    EXPECT_EQ(rig.client(polled).PendingRequests, 0);
    rig.feed(Take(4, 1, 511));
    EXPECT_EQ(rig.client(polled).PendingRequests, 128);
    // Polled clients are refreshed, not broadcast to.
    EXPECT_EQ(rig.out(polled), "");
    rig.feed(Take(72, 0, 511));
    EXPECT_EQ(rig.client(polled).PendingRequests, 128 | 65536);
}
