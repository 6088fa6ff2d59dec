// Frame, card, port and channel states (E1).
#include "switcher/vela/ToVela.h"
#include "switcher/vela/VelaRig.h"

#include <gtest/gtest.h>

using namespace vela_test;

namespace {

// Frame 0 with cards 0 and 1; card 1 has port 0 with two channels; all present.
void Configure(Model& m)
{
    CardRecord& header = m.SwitcherConfig[0].Cards[0];
    header.Flag = 1;
    header.Count = 2;
    CardRecord& card = m.SwitcherConfig[0].Cards[1];
    card.Present = 1;
    card.PortCount = 1;
    card.Ports[0].State = 1;
    card.Ports[0].ChannelCount = 2;
    card.Ports[0].Channels.assign(2, ChannelRecord{1, {}, 0});
}

// Frame 0 reporting State for itself, card 1, its port 0 and channels 0 and 1.
Bytes StateFrame(int state)
{
    return Framed(B({0xE1, 0x00, 0x01, 0x00, state, 0x01, 0x01, state, 0x01, 0x00, state, 0x02, 0x00, state, state}));
}

}  // namespace

TEST(VelaState, NothingIsStoredBeforeTheConfigurationArrived)
{
    VelaRig rig;
    rig.feed(StateFrame(5));
    EXPECT_EQ(rig.server.model.SwitcherConfig[0].Cards[0].Flag, 0);
    EXPECT_FALSE(rig.logged("Received State Message"));
}

TEST(VelaState, StatesAreStoredAndForwardedToHelmPCs)
{
    VelaRig rig;
    Configure(rig.server.model);
    const int helm = rig.connect(120);
    const int panel = rig.connect(131);
    rig.client(helm).PendingRequests = 16;
    rig.feed(StateFrame(3));
    const CardRecord& card = rig.server.model.SwitcherConfig[0].Cards[1];
    EXPECT_EQ(rig.server.model.SwitcherConfig[0].Cards[0].Flag, 3);
    EXPECT_EQ(card.Present, 3);
    EXPECT_EQ(card.Ports[0].State, 3);
    EXPECT_EQ(card.Ports[0].Channels[1].State, 3);
    EXPECT_EQ(rig.server.model.UpdateFlags & 16, 0);
    EXPECT_TRUE(rig.logged("Received State Message"));
    EXPECT_EQ(rig.out(helm), StateFrame(3));
    EXPECT_EQ(rig.client(helm).PendingRequests, 0);
    EXPECT_EQ(rig.out(panel), "");
}

TEST(VelaState, AFrameThatGoesAwayMarksEverythingInItLost)
{
    VelaRig rig;
    Configure(rig.server.model);
    rig.feed(Framed(B({0xE1, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00})));
    const FrameRecord& frame = rig.server.model.SwitcherConfig[0];
    EXPECT_EQ(frame.Cards[0].Flag, 0);
    EXPECT_EQ(frame.Cards[0].FrameStatus, 20);
    EXPECT_EQ(frame.Cards[1].Status, 20);
    EXPECT_EQ(frame.Cards[1].Ports[0].Status, 20);
    EXPECT_EQ(frame.Cards[1].Ports[0].Channels[1].Status, 20);
    // The card itself still shows its last state; only its status is lost.
    EXPECT_EQ(frame.Cards[1].Present, 1);
}

TEST(VelaState, BadFramesAndNumbersBeyondTheRecordsChangeNothing)
{
    VelaRig rig;
    Configure(rig.server.model);
    rig.server.model.UpdateFlags = 16;
    rig.feed(WithBadChecksum(StateFrame(3)));
    EXPECT_TRUE(rig.errorLogged("Check Sum Error", "Switcher State"));
    EXPECT_EQ(rig.serial.written(), BuildInfoRequestVela(16, NoneValue, 0));

    rig.feed(Framed(B({0xE1, 0x00, 0x02, 0x00, 0x03, 0x00, 0x00, 0x03, 0x00, 0x00})));
    EXPECT_TRUE(rig.errorLogged("Frame Size", "State Message"));
    // Five cards claimed, one carried.
    rig.feed(Framed(B({0xE1, 0x00, 0x01, 0x00, 0x03, 0x05, 0x00, 0x03, 0x00, 0x00})));
    EXPECT_TRUE(rig.errorLogged("Vela Message Length Error", "Switcher State"));
    EXPECT_EQ(rig.server.model.SwitcherConfig[0].Cards[0].Flag, 1);

    // Card 40, port 40 of card 1 and channel 9 of port 0 are read and skipped.
    rig.feed(Framed(B({0xE1, 0x00, 0x01, 0x00, 0x01, 0x01, 0x28, 0x07, 0x00, 0x00})));
    rig.feed(Framed(B({0xE1, 0x00, 0x01, 0x00, 0x01, 0x01, 0x01, 0x07, 0x01, 0x28, 0x07, 0x00, 0x00})));
    rig.feed(Framed(B({0xE1, 0x00, 0x01, 0x00, 0x01, 0x01, 0x01, 0x07, 0x01, 0x00, 0x07, 0x01, 0x09, 0x07})));
    const CardRecord& card = rig.server.model.SwitcherConfig[0].Cards[1];
    EXPECT_EQ(card.Present, 7);
    EXPECT_EQ(card.Ports[0].State, 7);
    EXPECT_EQ(card.Ports[0].Channels.size(), 2u);
    EXPECT_EQ(card.Ports[0].Channels[0].State, 1);
}
