#include "support/Fakes.h"
#include "support/WireBytes.h"
#include "switcher/ToSwitcher.h"
#include "switcher/vela/ToVela.h"
#include "switcher/vela/VelaRig.h"

#include <gtest/gtest.h>

namespace {

using VelaRig = vela_test::OfflineVelaRig;

}  // namespace

TEST(VelaEncoders, TakesOnTheWire)
{
    VelaRig rig;
    int type = 4;
    SendTakeToSwitcher(rig.server, 0, 9, type, NoneValue);
    EXPECT_EQ(rig.serial.written(), Wire({0xFE, 0x04, 0x00, 0x00, 0x00, 0x09, 0x00, 0x0D, 0xFF}));
    EXPECT_EQ(type, 4);

    rig.serial.writes.clear();
    SendTakeToSwitcher(rig.server, 0, 9, type, 300);
    EXPECT_EQ(rig.serial.written(), Wire({0xFE, 0x04, 0x04, 0x00, 0x00, 0x09, 0x00, 0x2C, 0x02, 0x3F, 0xFF}));
    EXPECT_EQ(type, 516);

    // A turn-off names no input whatever the caller passed.
    int off = 0;
    EXPECT_EQ(BuildTakeVela(12, 3, off, NoneValue), Wire({0xFE, 0x00, 0x00, 0x7F, 0x7F, 0x03, 0x00, 0x01, 0xFF}));
}

TEST(VelaEncoders, OutOfRangeNumbersNeverSetBitSevenInsideAFrame)
{
    int type = 4;
    const Bytes f = BuildTakeVela(70000, -3, type, 20000);
    for (size_t i = 1; i + 1 < f.size(); ++i)
        EXPECT_LT(static_cast<unsigned char>(f[i]), 0x80) << i;
    const Bytes g = BuildGainVela(300, 99999, 200, NoneValue, 999);
    for (size_t i = 1; i + 1 < g.size(); ++i)
        EXPECT_LT(static_cast<unsigned char>(g[i]), 0x80) << i;
}

TEST(VelaEncoders, InfoRequestAndItsBookkeeping)
{
    VelaRig rig;
    rig.server.model.UpdateFlags = 0;
    RequestSwitcherTables(rig.server, 128, NoneValue, 0);
    EXPECT_EQ(rig.serial.written(),
              Wire({0xF2, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x7F, 0x7F, 0x00, 0x00, 0x7F, 0xFF}));
    EXPECT_EQ(rig.server.model.UpdateFlags, 128);

    // The request for everything resets the pending set and the countdown.
    rig.server.SwitcherRequest.Countdown = 3;
    RequestSwitcherTables(rig.server, 1, NoneValue, 0);
    EXPECT_EQ(rig.server.model.UpdateFlags, VelaAllUpdateFlags);
    EXPECT_EQ(rig.server.SwitcherRequest.Countdown, 40);
}

TEST(VelaEncoders, DemoModeSendsNoRequestAndClearsThePendingSet)
{
    VelaRig rig;
    rig.server.cfg.DemoMode = true;
    RequestSwitcherTables(rig.server, 128, NoneValue, 0);
    EXPECT_TRUE(rig.serial.writes.empty());
    EXPECT_EQ(rig.server.model.UpdateFlags, 0);
}

TEST(VelaEncoders, GainSalvoLinksTransitionAndPoll)
{
    VelaRig rig;
    EXPECT_EQ(BuildGainVela(1, 5, 200, NoneValue, NoneValue),
              Wire({0xE3, 0x02, 0x01, 0x01, 0x00, 0x48, 0x01, 0x05, 0x00, 0x52, 0xFF}));

    SendSalvoExecuteToSwitcher(rig.server, 3);
    EXPECT_EQ(rig.serial.written(), Wire({0xEA, 0x00, 0x03, 0x00, 0x03, 0xFF}));

    rig.serial.writes.clear();
    rig.server.model.UpdateFlags = 0;
    SendLinkToSwitcher(rig.server, 4, 10, {1, 2});
    ASSERT_EQ(rig.serial.writes.size(), 2u);
    EXPECT_EQ(rig.serial.writes[0], Wire({0xFA, 0x0A, 0x02, 0x00, 0x04, 0x00, 0x01, 0x02, 0x13, 0xFF}));
    // Both link tables are asked back.
    EXPECT_EQ(rig.server.model.UpdateFlags, 3072);

    rig.serial.writes.clear();
    rig.server.model.TransitionControl[7][0] = 9;
    SendTransitionControlVela(rig.server, {1, 2, 3, 4}, 7);
    EXPECT_EQ(rig.serial.written(),
              Wire({0xD2, 0x0A, 0x01, 0x00, 0x07, 0x00, 0x04, 0x09, 0x04, 0x02, 0x03, 0x28, 0xFF}));

    rig.serial.writes.clear();
    PollSwitcher(rig.server);
    EXPECT_EQ(rig.serial.written(), Wire({0xF5}));
}

TEST(VelaEncoders, TransitionForADestinationOutsideTheTableIsTrapped)
{
    VelaRig rig;
    SendTransitionControlVela(rig.server, {1, 2, 3, 4}, 9999);
    EXPECT_TRUE(rig.serial.writes.empty());
    EXPECT_NE(rig.dir.read("Errorlog.txt").find("Error Sending Transition Control"), std::string::npos);
}

TEST(VelaEncoders, PassThroughCommandsNothing)
{
    VelaRig rig;
    rig.server.model.SwitcherType = SwitcherType::PassThru;
    int t = 4;
    SendTakeToSwitcher(rig.server, 1, 2, t, NoneValue);
    PollSwitcher(rig.server);
    RequestSwitcherTables(rig.server, 1, NoneValue, 0);
    EXPECT_TRUE(rig.serial.writes.empty());
}
