// Relay and opto states (F7) and the relay configuration (F9).
#include "helm/ToHelm.h"
#include "switcher/vela/VelaRig.h"

#include <gtest/gtest.h>

using namespace vela_test;

namespace {

Bytes StateFrame(int kind, const std::vector<std::pair<int, int>>& entries)
{
    Bytes f = B({0xF7, kind}) + P(static_cast<int>(entries.size()));
    for (auto [number, state] : entries)
        f += P(number) + B({state});
    return Framed(f);
}

}  // namespace

TEST(VelaRelayOptoState, StatesAreStoredForTheirTable)
{
    VelaRig rig;
    const int helm = rig.connect(120);
    rig.server.model.UpdateFlags = 65536 | 131072;
    const Bytes relays = StateFrame(40, {{3, 1}, {600, 1}});
    rig.feed(relays);
    EXPECT_EQ(rig.server.model.RelayStates[3], 1);
    EXPECT_EQ(rig.server.model.RelayStates.size(), 512u);
    EXPECT_EQ(rig.server.model.UpdateFlags, 131072);
    EXPECT_TRUE(rig.logged("Received Relay Tally"));
    EXPECT_EQ(rig.out(helm), relays);

    rig.feed(StateFrame(30, {{7, 1}}));
    EXPECT_EQ(rig.server.model.OptoStates[7], 1);
    EXPECT_EQ(rig.server.model.UpdateFlags, 0);
    EXPECT_TRUE(rig.logged("Received Opto State"));
}

TEST(VelaRelayOptoState, BadFramesChangeNothing)
{
    VelaRig rig;
    rig.feed(StateFrame(50, {{3, 1}}));
    EXPECT_TRUE(rig.errorLogged("Error Reciving Relay/Opto State: Error # 0 - ", "Switcher Message Error"));
    rig.feed(Framed(B({0xF7, 40}) + P(16383) + P(3) + B({1})));
    EXPECT_TRUE(rig.errorLogged("Relay/Opto State Length Error", "Relay/Opto State"));
    rig.server.model.UpdateFlags = 65536;
    rig.feed(WithBadChecksum(StateFrame(40, {{3, 1}})));
    EXPECT_TRUE(rig.errorLogged("Check Sum Error", "Relay/Opto State"));
    EXPECT_FALSE(rig.serial.written().empty());
    EXPECT_EQ(rig.server.model.RelayStates[3], 0);
}

TEST(VelaRelayOptoState, PolledClientsWaitForTheLastRelay)
{
    VelaRig rig;
    const int polled = rig.connect(120);
    rig.client(polled).PolledUpdates = true;
    rig.feed(StateFrame(40, {{3, 1}}));
    EXPECT_EQ(rig.server.model.DeferredRequestFlags, 65536);
    EXPECT_EQ(rig.client(polled).PendingRequests, 0);
    rig.feed(StateFrame(40, {{511, 1}}));
    EXPECT_EQ(rig.client(polled).PendingRequests, 65536);
}

TEST(VelaRelayConfig, ValuesAreStoredAndRebuilt)
{
    VelaRig rig;
    const int helm = rig.connect(120);
    rig.server.model.UpdateFlags = 8388608;
    Bytes f = B({0xF9, 0x00}) + P(512) + P(0);
    for (int r = 0; r < 512; ++r)
        f += P(r * 3);
    const Bytes frame = Framed(f);
    rig.feed(frame);
    EXPECT_EQ(rig.server.model.RelayConfig[511], 1533);
    EXPECT_EQ(rig.server.model.UpdateFlags, 0);
    EXPECT_TRUE(rig.logged("Received Relay Configuration"));

    rig.out(helm).clear();
    rig.client(helm).PendingRequests = 8388608;
    SendRelayConfigToClient(rig.server);
    EXPECT_EQ(rig.out(helm), frame);

    rig.feed(Framed(B({0xF9, 0x00}) + P(2) + P(511) + P(7) + P(8)));
    EXPECT_EQ(rig.server.model.RelayConfig[511], 7);
    EXPECT_EQ(rig.server.model.RelayConfig.size(), 512u);
    rig.feed(Framed(B({0xF9, 0x00}) + P(3) + P(0) + P(7)));
    EXPECT_TRUE(rig.errorLogged("Relay Config Length Error", "Relay Configuration"));
    EXPECT_EQ(rig.server.model.RelayConfig[0], 0);
}
