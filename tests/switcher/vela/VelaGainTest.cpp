// Gains (E3) and gain offsets (EE).
#include "helm/ToHelm.h"
#include "switcher/vela/ToVela.h"
#include "switcher/vela/VelaRig.h"

#include <gtest/gtest.h>

using namespace vela_test;

TEST(VelaGain, ASourceGainIsStoredAndReachesHelmPCsAndConsoles)
{
    VelaRig rig;
    const int helm = rig.connect(120);
    const int console = rig.connect(150);
    const int panel = rig.connect(131);
    rig.client(helm).PendingRequests = 32768;
    rig.server.model.UpdateFlags = 32768;
    const Bytes frame = B({0xE3, 0x02, 0x00, 0x01, 0x00, 0x05, 0x00, 0x40, 0x03, 0x4B, 0xFF});
    rig.feed(frame);
    EXPECT_EQ(rig.server.model.SourceGains[5].Level1, 448);
    EXPECT_EQ(rig.server.model.UpdateFlags, 0);
    EXPECT_EQ(rig.out(helm), frame);
    EXPECT_EQ(rig.out(console), frame);
    EXPECT_EQ(rig.out(panel), "");
    EXPECT_EQ(rig.client(helm).PendingRequests, 0);
    // Gains are shown, not logged, unless asked for.
    EXPECT_EQ(rig.display.history.back(), std::make_pair(std::string("Switcher COM1"), std::string("Received Gain Message")));
    EXPECT_EQ(rig.dir.read("Eventlog.txt").find("Received Gain Message"), std::string::npos);

    rig.server.model.UpdateFlags = 32768;
    rig.feed(WithBadChecksum(frame));
    EXPECT_TRUE(rig.errorLogged("Check Sum Error", "Gain Message"));
    EXPECT_EQ(rig.serial.written(), BuildInfoRequestVela(32768, NoneValue, 0));
}

TEST(VelaGain, EveryKindSendGainVelaWritesIsRead)
{
    VelaRig rig;
    Model& m = rig.server.model;
    m.CrosspointMap[4].SourceCount = 2;
    m.CrosspointMap[4].Sources[1] = 9;
    rig.feed(BuildGainVela(1, 900, 7, NoneValue, NoneValue));
    rig.feed(BuildGainVela(3, 800, 8, NoneValue, NoneValue));
    rig.feed(BuildGainVela(10, 700, 4, 9, NoneValue));
    EXPECT_EQ(m.CrosspointMap[4].Levels[1], 700);
    rig.feed(BuildGainVela(11, 650, 4, 9, 5));
    EXPECT_EQ(m.CrosspointMap[4].Levels[1], 650);
    rig.feed(BuildGainVela(15, 600, 4, NoneValue, NoneValue));
    EXPECT_EQ(m.CrosspointMap[4].TakeExtra, 600);
    rig.feed(BuildGainVela(16, 500, 4, NoneValue, 5));
    EXPECT_EQ(m.SourceGains[7].Level2, 900);
    EXPECT_EQ(m.DestinationGains[8].Level2, 800);
    EXPECT_EQ(m.CrosspointMap[4].TakeExtra, 500);
    EXPECT_EQ(rig.errors(), "");
}

TEST(VelaGain, HostileFramesChangeNothing)
{
    VelaRig rig;
    Model& m = rig.server.model;
    rig.feed(Framed(B({0xE3, 0x02, 0x00}) + P(16383) + P(0) + P(5)));
    EXPECT_TRUE(rig.errorLogged("Length Error", "Gain Message"));
    // Channels past the tables, and a level for a source not routed there.
    rig.feed(Framed(B({0xE3, 0x02, 0x00}) + P(2) + P(511) + P(1) + P(2)));
    rig.feed(Framed(B({0xE3, 0x02, 0x02}) + P(1) + P(9000) + P(1)));
    rig.feed(BuildGainVela(10, 1, 3, 300, NoneValue));
    rig.feed(BuildGainVela(15, 1, 512, NoneValue, NoneValue));
    EXPECT_EQ(m.SourceGains[511].Level1, 1);
    EXPECT_EQ(m.SourceGains.size(), 512u);
    EXPECT_EQ(m.DestinationGains.size(), 512u);
    EXPECT_EQ(m.CrosspointMap[3].Levels[0], 1024);
}

TEST(VelaGain, LoggedWhenAskedFor)
{
    VelaRig rig;
    rig.server.cfg.LogGains = true;
    rig.feed(BuildGainVela(1, 900, 7, NoneValue, NoneValue));
    EXPECT_NE(rig.dir.read("Eventlog.txt").find("Received Gain Message"), std::string::npos);
}

TEST(VelaGainOffset, SignedOffsetsAreStoredAndRebuilt)
{
    VelaRig rig;
    const int helm = rig.connect(120);
    // -5 as 13 bits with 64 added to the high group, then 80.
    const Bytes frame = Framed(B({0xEE, 0x00, (8192 - 5) & 127, ((8192 - 5) >> 7) + 64}) + P(80));
    rig.feed(frame);
    EXPECT_EQ(rig.server.model.GainOffsets, (std::array<int, 2>{-5, 80}));
    EXPECT_TRUE(rig.logged("Received Gain Offset Message"));

    rig.out(helm).clear();
    rig.client(helm).PendingRequests = 4194304;
    SendGainOffsetToClient(rig.server);
    EXPECT_EQ(rig.out(helm), frame);

    rig.feed(Framed(B({0xEE, 0x00}) + P(1)));
    EXPECT_TRUE(rig.errorLogged("Length Error", "Gain Offset"));
    EXPECT_EQ(rig.server.model.GainOffsets[0], -5);
}
