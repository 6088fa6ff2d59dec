// Clock setting (ED) and clock mode (EF).
#include "helm/ToHelm.h"
#include "switcher/vela/VelaRig.h"

#include <gtest/gtest.h>

using namespace vela_test;

TEST(VelaClock, SettingAndModeAreStoredAndRebuilt)
{
    VelaRig rig;
    const int helm = rig.connect(120);
    rig.server.model.UpdateFlags = 262144;
    const Bytes setting = Framed(B({0xED, 0x01, 0x14}));
    const Bytes mode = Framed(B({0xEF, 0x02}));
    rig.feed(setting);
    rig.feed(mode);
    EXPECT_EQ(rig.server.model.ClockSetting, 20);
    EXPECT_EQ(rig.server.model.ClockMode, 2);
    EXPECT_EQ(rig.server.model.UpdateFlags, 0);
    EXPECT_TRUE(rig.logged("Received Clock Message"));
    EXPECT_TRUE(rig.logged("Received Clock Config"));
    EXPECT_EQ(rig.out(helm), setting + mode);

    rig.out(helm).clear();
    rig.client(helm).PendingRequests = 262144;
    SendClockToClient(rig.server);
    EXPECT_EQ(rig.out(helm), setting + mode);
}

TEST(VelaClock, BadFramesChangeNothing)
{
    VelaRig rig;
    rig.server.model.UpdateFlags = 262144;
    rig.feed(Framed(B({0xED, 0x01, 0x14, 0x00})));
    EXPECT_TRUE(rig.errorLogged("Length Error", "Clock Message"));
    rig.feed(Framed(B({0xEF})));
    EXPECT_TRUE(rig.errorLogged("Length Error", "Clock Configuration"));
    rig.feed(WithBadChecksum(Framed(B({0xEF, 0x02}))));
    EXPECT_TRUE(rig.errorLogged("Check Sum Error", "Clock Configuration"));
    EXPECT_EQ(rig.server.model.ClockSetting, 0);
    EXPECT_EQ(rig.server.model.ClockMode, 0);
    EXPECT_EQ(rig.server.model.UpdateFlags, 262144);
}
