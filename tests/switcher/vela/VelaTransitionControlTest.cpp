// Transition controls (D2).
#include "helm/ToHelm.h"
#include "switcher/vela/VelaRig.h"

#include <gtest/gtest.h>

using namespace vela_test;

TEST(VelaTransitionControl, SettingsReplaceTheFirstBytesOfEachRecord)
{
    VelaRig rig;
    const int helm = rig.connect(120);
    rig.server.model.TransitionControl[6][5] = 42;
    const Bytes frame = Framed(B({0xD2, 0x0A}) + P(2) + P(5) + B({0x04, 1, 2, 3, 4, 5, 6, 7, 8}));
    rig.feed(frame);
    const auto& t = rig.server.model.TransitionControl;
    EXPECT_EQ(t[5], (std::array<uint8_t, 6>{1, 2, 3, 4, 0, 0}));
    EXPECT_EQ(t[6], (std::array<uint8_t, 6>{5, 6, 7, 8, 0, 42}));
    EXPECT_TRUE(rig.logged("2 Transition Controls"));
    EXPECT_EQ(rig.out(helm), frame);
}

TEST(VelaTransitionControl, TheWholeTableRebuildsTheSameFrame)
{
    VelaRig rig;
    const int helm = rig.connect(120);
    Bytes f = B({0xD2, 0x0A}) + P(512) + P(0) + B({0x04});
    for (int d = 0; d < 512; ++d)
        f += B({d & 127, 1, 2, 3});
    const Bytes frame = Framed(f);
    rig.feed(frame);
    rig.out(helm).clear();
    SendTransitionControlToClient(rig.server, helm);
    EXPECT_EQ(rig.out(helm), frame);
}

TEST(VelaTransitionControl, BadFramesChangeNothing)
{
    VelaRig rig;
    rig.feed(Framed(B({0xD2, 0x0A}) + P(16383) + P(0) + B({0x04, 1, 2, 3, 4})));
    EXPECT_TRUE(rig.errorLogged("Length Error", "Transition Control"));
    // Past the last destination, and more bytes per destination than a record holds.
    rig.feed(Framed(B({0xD2, 0x0A}) + P(1) + P(512) + B({0x04, 1, 2, 3, 4})));
    rig.feed(Framed(B({0xD2, 0x0A}) + P(1) + P(0) + B({0x08, 1, 2, 3, 4, 5, 6, 7, 8})));
    EXPECT_EQ(rig.server.model.TransitionControl.size(), 512u);
    EXPECT_EQ(rig.server.model.TransitionControl[0], (std::array<uint8_t, 6>{1, 2, 3, 4, 5, 6}));
}
