// Cutting Vela frames out of the serial buffer and dispatching them.
#include "switcher/SerialLink.h"
#include "switcher/vela/VelaRig.h"

#include <gtest/gtest.h>

using namespace vela_test;

TEST(VelaDecoder, LeadingDataBytesAreDroppedAndTheFrameDispatched)
{
    VelaRig rig;
    rig.server.SwitcherRequest.Countdown = 3;
    // The FE frame is too short for its take type: its handler says so.
    rig.feed(B({0x10, 0x20, 0xFE, 0x01, 0x02, 0x03, 0x06, 0xFF}));
    EXPECT_TRUE(rig.server.SerialBuffer.empty());
    EXPECT_TRUE(rig.errorLogged("Vela Message Length Error", "Take Command"));
    EXPECT_EQ(rig.server.SwitcherRequest.Countdown, 40);
}

TEST(VelaDecoder, AKeepAliveAnswerEndsTheCallAndAHalfFrameWaitsForItsEnd)
{
    VelaRig rig;
    rig.server.SwitcherLink = {0, 1, 9};
    rig.server.ModuleUpgradeActive = true;
    rig.feed(B({0xF4, 0xFE, 0x01}));
    EXPECT_EQ(rig.server.SerialBuffer, B({0xFE, 0x01}));
    EXPECT_EQ(rig.server.SwitcherLink.Misses, 0);
    EXPECT_EQ(rig.server.SwitcherLink.Connected, 1);
    EXPECT_FALSE(rig.server.ModuleUpgradeActive);

    DecodeVelaMessage(rig.server);
    EXPECT_EQ(rig.server.SerialBuffer, B({0xFE, 0x01}));
    rig.feed(B({0x02}));
    EXPECT_EQ(rig.server.SerialBuffer, B({0xFE, 0x01, 0x02}));
    EXPECT_EQ(rig.errors(), "");
}

TEST(VelaDecoder, AFrameThatLostItsEndIsLoggedAndTheNextOneDecoded)
{
    VelaRig rig;
    rig.feed(B({0xFE, 0x01, 0x02, 0xFE, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0xFF}));
    EXPECT_TRUE(rig.errorLogged("Incomplete Message FE", "Switcher"));
    EXPECT_TRUE(rig.server.SerialBuffer.empty());
    EXPECT_TRUE(rig.logged("Take - In:0001-->Out:0001"));
}

TEST(VelaDecoder, SingleBytesAndCommandsWithoutHandlers)
{
    VelaRig rig;
    const int a = rig.connect();
    const int b = rig.connect(131);

    rig.feed(B({0xC7, 0x05, 0x05, 0xFF}));
    EXPECT_TRUE(rig.server.SerialBuffer.empty());
    EXPECT_TRUE(rig.errorLogged("Unknown Command C7", "Switcher"));

    rig.feed(B({0xD3, 0x01, 0x01, 0xFF}));
    EXPECT_EQ(rig.out(a), B({0xD3, 0x01, 0x01, 0xFF}));
    EXPECT_EQ(rig.out(b), B({0xD3, 0x01, 0x01, 0xFF}));

    rig.out(a).clear();
    const size_t historyBefore = rig.display.history.size();
    for (const Bytes& ignored : {B({0xFB, 0x01, 0x01, 0xFF}), B({0xEA, 0x00, 0x00, 0x00, 0x00, 0xFF}), B({0xF5}), B({0xFF})}) {
        rig.feed(ignored);
        EXPECT_TRUE(rig.server.SerialBuffer.empty());
    }
    EXPECT_EQ(rig.out(a), "");
    EXPECT_EQ(rig.display.history.size(), historyBefore);
}

TEST(VelaDecoder, OneFramePerCallFromTheReceivePath)
{
    VelaRig rig;
    const Bytes take = Framed(B({0xFE, 0x04, 0x00, 0x02, 0x00, 0x01, 0x00}));
    // Noise, and two frames arriving in pieces.
    rig.server.onSerialData(Bytes(100000, '\x11') + take.substr(0, 4));
    rig.server.onSerialData(take.substr(4) + take);
    rig.server.onTimer(TimerId::SerialDecode);
    EXPECT_EQ(rig.server.SerialBuffer, take);
    EXPECT_EQ(rig.server.model.CrosspointMap[1].Sources[0], 2);
    rig.server.onTimer(TimerId::SerialDecode);
    EXPECT_TRUE(rig.server.SerialBuffer.empty());
}

TEST(VelaDecoder, AnOversizedBufferIsThrownAway)
{
    VelaRig rig;
    rig.server.SerialBuffer = Bytes(250002, '\x11');
    DecodeVelaMessage(rig.server);
    EXPECT_TRUE(rig.server.SerialBuffer.empty());
    EXPECT_NE(rig.errors().find("Buffer Overflow"), std::string::npos);
}
