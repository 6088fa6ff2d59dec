// Messages the server mostly passes on: error reports (B0), module upgrade
// progress (A5) and intercom channels (DE).
#include "switcher/vela/VelaRig.h"

#include <gtest/gtest.h>

using namespace vela_test;

TEST(VelaErrorReport, TheSwitcherErrorLogNamesFrameSlotAndModule)
{
    VelaRig rig;
    rig.feed(Framed(B({0xB0, 0x00, 0x03}) + P(15100) + "AudioIn"));
    const std::string log = rig.dir.read("SwitcherErrorlog.txt");
    EXPECT_NE(log.find("F:1 S:03 AudioIn"), std::string::npos);
    EXPECT_NE(log.find("15100 Checksum Error"), std::string::npos);

    rig.feed(Framed(B({0xB0, 0x00})));
    EXPECT_TRUE(rig.errorLogged("Length Error", "Error Message"));
    rig.feed(WithBadChecksum(Framed(B({0xB0, 0x00, 0x03}) + P(15000))));
    EXPECT_TRUE(rig.errorLogged("Check Sum Error", "Error Message"));
    EXPECT_EQ(rig.dir.read("SwitcherErrorlog.txt"), log);

    rig.server.cfg.LogSwitcherErrors = false;
    rig.feed(Framed(B({0xB0, 0x00, 0x03}) + P(15000)));
    EXPECT_EQ(rig.dir.read("SwitcherErrorlog.txt"), log);
}

TEST(VelaPassedOn, UpgradeAndIntercomFramesReachHelmPCsOnlyWhileOnLine)
{
    VelaRig rig;
    const int helm = rig.connect(120);
    const int panel = rig.connect(131);
    const Bytes upgrade = Framed(B({0xA5, 0x01, 0x02}));
    const Bytes icom = Framed(B({0xDE, 0x05, 0x06}));
    rig.feed(upgrade);
    rig.feed(icom);
    EXPECT_EQ(rig.out(helm), upgrade + icom);
    EXPECT_EQ(rig.out(panel), "");
    EXPECT_TRUE(rig.logged("Received Icom Channel"));

    rig.server.SwitcherOnline = false;
    rig.feed(upgrade);
    EXPECT_EQ(rig.out(helm), upgrade + icom);
    rig.feed(WithBadChecksum(upgrade));
    EXPECT_TRUE(rig.errorLogged("Check Sum Error", "Relay Configuration"));
}
