// Cutting Vela frames out of the serial buffer and dispatching them.
#include "switcher/vela/VelaRig.h"

#include <gtest/gtest.h>

using namespace vela_test;

TEST(VelaDecoder, DropsWhatCannotStartAFrameAndDispatchesTheRest)
{
    VelaRig rig;
    const int a = rig.connect();
    rig.server.SwitcherRequest.Countdown = 3;
    // Leading data bytes go; this FE frame is too short for its take type.
    rig.feed(Wire({0x10, 0x20, 0xFE, 0x01, 0x02, 0x03, 0x06, 0xFF}));
    EXPECT_TRUE(rig.server.SerialBuffer.empty());
    EXPECT_TRUE(rig.errorLogged("Vela Message Length Error", "Take Command"));
    EXPECT_EQ(rig.server.SwitcherRequest.Countdown, 40);

    rig.feed(Wire({0xFE, 0x01, 0x02, 0xFE, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0xFF}));
    EXPECT_TRUE(rig.errorLogged("Incomplete Message FE", "Switcher"));
    EXPECT_TRUE(rig.logged("Take - In:0001-->Out:0001"));

    rig.feed(Wire({0xC7, 0x05, 0x05, 0xFF}));
    EXPECT_TRUE(rig.errorLogged("Unknown Command C7", "Switcher"));
    rig.out(a).clear();
    rig.feed(Wire({0xD3, 0x01, 0x01, 0xFF}));
    EXPECT_EQ(rig.out(a), Wire({0xD3, 0x01, 0x01, 0xFF}));
    // Not without its check byte, nor with a wrong one.
    rig.feed(Wire({0xD3, 0xFF}));
    rig.feed(Wire({0xD3, 0x01, 0x02, 0xFF}));
    EXPECT_EQ(rig.out(a), Wire({0xD3, 0x01, 0x01, 0xFF}));
    EXPECT_TRUE(rig.errorLogged("Vela Check Sum Error", "Switcher"));
    const size_t lines = rig.display.history.size();
    rig.feed(Wire({0xFB, 0x01, 0x01, 0xFF}));
    EXPECT_TRUE(rig.server.SerialBuffer.empty());
    EXPECT_EQ(rig.display.history.size(), lines);
    EXPECT_EQ(rig.out(a), Wire({0xD3, 0x01, 0x01, 0xFF}));
}

TEST(VelaDecoder, AKeepAliveAnswerEndsTheCallAndAHalfFrameWaitsForItsEnd)
{
    VelaRig rig;
    rig.server.Link.Reset();
    for (int i = 0; i < 9; ++i)
        rig.server.Link.CountMiss();
    rig.server.ModuleUpgradeActive = true;
    rig.feed(Wire({0xF4, 0xFE, 0x01}));
    EXPECT_EQ(rig.server.SerialBuffer, Wire({0xFE, 0x01}));
    EXPECT_EQ(rig.server.Link.Misses(), 0);
    EXPECT_FALSE(rig.server.ModuleUpgradeActive);
    DecodeVelaMessage(rig.server);
    EXPECT_EQ(rig.server.SerialBuffer, Wire({0xFE, 0x01}));
}

TEST(VelaDecoder, NoiseAndAFrameInPiecesFromTheReceivePath)
{
    VelaRig rig;
    const Bytes take = Framed(Wire({0xFE, 0x04, 0x00, 0x02, 0x00, 0x01, 0x00}));
    rig.server.onSerialData(Bytes(100000, '\x11') + take.substr(0, 4));
    rig.server.onSerialData(take.substr(4) + take);
    rig.server.onTimer(TimerId::SerialDecode);
    EXPECT_EQ(rig.server.SerialBuffer, take);
    EXPECT_EQ(rig.server.model.CrosspointMap[1].Sources[0], 2);
}
