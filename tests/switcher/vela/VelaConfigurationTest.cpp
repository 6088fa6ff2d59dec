// The physical make-up: description (E4), configuration (E2), status (F0)
// and versions (E5). A Helm PC reads the switcher's frame and the server's
// own reply the same way, so what was stored must rebuild the same frame.
#include "helm/ToHelm.h"
#include "switcher/vela/ToVela.h"
#include "switcher/vela/VelaRig.h"

#include <gtest/gtest.h>

using namespace vela_test;

namespace {

// One frame of two cards: card 0 with one port of two channels, card 1 bare.
const Bytes Description = Framed(B({0xE4, 0x00, 0x01, 0x02, 0x01, 0x02, 0x00}));

Bytes Channel(int base)
{
    Bytes c;
    for (int k = 0; k < 8; ++k)
        c += P(base + k);
    return c;
}

const Bytes ConfigFrame = Framed(B({0xE2, 0x00, 0x01, 0x00, 0x02, 0x00}) +                  //
                            P(2900) + P(1) + P(2) + P(300) + B({0x01, 0x00}) +               // card 0
                            P(5999) + B({0x02, 0x00}) + Channel(10) + Channel(200) +         // its port
                            P(4999) + P(0) + P(0) + P(0) + B({0x00, 0x00}));                 // card 1

const Bytes Status = Framed(B({0xF0, 0x00, 0x01, 0x00, 0x05, 0x02, 0x00,  // frame 0
                               0x06, 0x01, 0x00, 0x07, 0x02, 0x00, 0x08, 0x09,  // card 0, port, channels
                               0x0A, 0x00, 0x00}));                             // card 1

const Bytes Version = Framed(B({0xE5, 0x00, 0x01, 0x00, 0x00, 0x00}) + P(2900) + B({5}) + "V1.20" +  //
                             B({0x00, 0x01}) + P(4999) + B({16}) + "Not Defined     ");

}  // namespace

TEST(VelaConfiguration, TheDescriptionSizesTheConfiguration)
{
    VelaRig rig;
    const int helm = rig.connect(120);
    rig.server.model.UpdateFlags = 32;
    rig.feed(Description);
    const Model& m = rig.server.model;
    EXPECT_EQ(m.NumFrames, 1);
    EXPECT_EQ(m.SwitcherConfig[0].Cards[0].Count, 2);
    EXPECT_EQ(m.SwitcherConfig[0].Cards[0].PortCount, 1);
    EXPECT_EQ(m.SwitcherConfig[0].Cards[0].Ports[0].Channels.size(), 2u);
    EXPECT_EQ(m.UpdateFlags, 0);
    EXPECT_TRUE(rig.logged("Received System Description"));
    EXPECT_EQ(rig.out(helm), Description);

    rig.out(helm).clear();
    SendDescriptionToClient(rig.server);
    EXPECT_EQ(rig.out(helm), Description);
}

TEST(VelaConfiguration, ConfigurationStatusAndVersionsRebuildTheSameFrames)
{
    VelaRig rig;
    const int helm = rig.connect(120);
    rig.feed(Description);
    rig.feed(ConfigFrame);
    rig.feed(Status);
    rig.feed(Version);
    const CardRecord& card = rig.server.model.SwitcherConfig[0].Cards[0];
    EXPECT_EQ(card.TypeCode, 2900);
    EXPECT_EQ(card.Settings[2], 300);
    EXPECT_EQ(card.Ports[0].TypeCode, 5999);
    EXPECT_EQ(card.Ports[0].Channels[1].Settings[7], 207);
    EXPECT_EQ(card.Ports[0].Channels[1].Status, 9);
    EXPECT_EQ(rig.server.model.CardVersions[0][0], "V1.20");
    for (const char* text : {"Received Config Message", "Received Status Message", "Received Version Message"})
        EXPECT_TRUE(rig.logged(text)) << text;
    EXPECT_EQ(rig.out(helm), Description + ConfigFrame + Status + Version);

    rig.out(helm).clear();
    SendSwitcherConfigToClient(rig.server);
    SendStatusToClient(rig.server);
    SendVersionInfoToClient(rig.server);
    EXPECT_EQ(rig.out(helm), ConfigFrame + Status + Version);
}

TEST(VelaConfiguration, BadFramesLeaveTheConfigurationAlone)
{
    VelaRig rig;
    rig.feed(Description);
    // A hundred frames claimed, none carried.
    rig.feed(Framed(B({0xE4, 0x00, 0x64})));
    EXPECT_TRUE(rig.errorLogged("Length Error", "Switcher Description"));
    EXPECT_EQ(rig.server.model.NumFrames, 1);
    EXPECT_EQ(rig.server.model.SwitcherConfig[0].Cards[0].Count, 2);
    // A configuration cut short inside its channel settings.
    rig.feed(Framed(ConfigFrame.substr(0, ConfigFrame.size() - 20)));
    EXPECT_TRUE(rig.errorLogged("Config Length Error", "Switcher Config"));
    EXPECT_EQ(rig.server.model.SwitcherConfig[0].Cards[0].TypeCode, 0);
    // A version text longer than the frame, and one for a card past the table.
    rig.feed(Framed(B({0xE5, 0x00, 0x01, 0x00, 0x00, 0x00}) + P(1) + B({100}) + "short"));
    EXPECT_TRUE(rig.errorLogged("Length Error", "Version Message"));
    rig.feed(Framed(B({0xE5, 0x00, 0x01, 0x00, 0x00, 0x30}) + P(1) + B({1}) + "x"));
    rig.feed(Framed(B({0xE5, 0x00, 0x01, 0x00, 0x09, 0x00}) + P(1) + B({1}) + "x"));
    EXPECT_EQ(rig.server.model.CardVersions.size(), 1u);
    EXPECT_EQ(rig.server.model.CardVersions[0][0], "");

    rig.server.model.UpdateFlags = 8;
    rig.feed(WithBadChecksum(Status));
    EXPECT_TRUE(rig.errorLogged("Check Sum Error", "Switcher Status"));
    EXPECT_EQ(rig.serial.written(), BuildInfoRequestVela(8, NoneValue, 0));
    EXPECT_EQ(rig.server.model.SwitcherConfig[0].Cards[0].FrameStatus, 0);
}

TEST(VelaConfiguration, StatusWaitsForTheConfiguration)
{
    VelaRig rig;
    rig.server.model.UpdateFlags = 8;
    rig.feed(Status);
    EXPECT_EQ(rig.server.model.SwitcherConfig[0].Cards[0].FrameStatus, 0);
    EXPECT_EQ(rig.server.model.UpdateFlags, 8);
}
