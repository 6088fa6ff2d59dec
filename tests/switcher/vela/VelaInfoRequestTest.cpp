// The switcher's own information request (F2), which ends a table dump.
#include "switcher/vela/VelaRig.h"

#include <gtest/gtest.h>

using namespace vela_test;

namespace {

// Mask bit 27 is bit 6 of the fourth group.
Bytes InfoRequest(bool endOfDump) { return Framed(B({0xF2, 0x00, 0x00, 0x00, endOfDump ? 0x40 : 0x00, 0, 0, 0, 0})); }

}  // namespace

TEST(VelaInfoRequest, TheEndOfTheDumpPutsTheSwitcherOnLine)
{
    VelaRig rig;
    rig.server.SwitcherOnline = false;
    rig.server.SwitcherRequest.Active = 1;
    rig.server.model.UpdateFlags = 24576;  // only buttons and salvos: a switcher without them
    rig.feed(InfoRequest(true));
    EXPECT_EQ(rig.server.model.UpdateFlags, 0);
    EXPECT_TRUE(rig.server.SwitcherOnline);
    EXPECT_EQ(rig.server.SwitcherRequest.Active, 0);
    EXPECT_TRUE(rig.timers.isEnabled(TimerId::Poll));
    EXPECT_TRUE(rig.logged("Switcher Information Request"));
}

TEST(VelaInfoRequest, TablesStillMissingKeepTheSwitcherOffLine)
{
    VelaRig rig;
    rig.server.SwitcherOnline = false;
    rig.server.model.UpdateFlags = 24576 | 128;
    rig.feed(InfoRequest(true));
    EXPECT_EQ(rig.server.model.UpdateFlags, 24576 | 128);
    EXPECT_FALSE(rig.server.SwitcherOnline);

    rig.server.model.UpdateFlags = 24576;
    rig.feed(InfoRequest(false));
    EXPECT_EQ(rig.server.model.UpdateFlags, 24576);
    EXPECT_FALSE(rig.server.SwitcherOnline);

    rig.feed(Framed(B({0xF2, 0x00, 0x00, 0x00, 0x40})));
    EXPECT_TRUE(rig.errorLogged("Vela Message Length Error", "Info Request"));
    rig.feed(WithBadChecksum(InfoRequest(true)));
    EXPECT_TRUE(rig.errorLogged("Vela Check Sum Error", "Info Request"));
    EXPECT_FALSE(rig.server.SwitcherOnline);
}
