// Status, version, configuration, gain, clock and relay messages. Where the
// server also builds the Helm reply of a table, what a switcher frame stored
// must rebuild the same frame: a Helm PC reads both the same way.
#include "helm/ToHelm.h"
#include "switcher/vela/ToVela.h"
#include "switcher/vela/VelaRig.h"

#include <gtest/gtest.h>

using namespace vela_test;

namespace {

Bytes Pairs(int first, int count, int step)
{
    Bytes b;
    for (int i = 0; i < count; ++i)
        b += P(first + i * step);
    return b;
}

// One frame of two cards: card 0 with one port of two channels, card 1 bare.
const Bytes Description = Framed(Wire({0xE4, 0x00, 0x01, 0x02, 0x01, 0x02, 0x00}));
const Bytes Configuration =
    Framed(Wire({0xE2, 0x00, 0x01, 0x00, 0x02, 0x00}) + P(2900) + Pairs(1, 3, 1) + Wire({0x01, 0x00}) + P(5999) +
           Wire({0x02, 0x00}) + Pairs(10, 16, 1) + P(4999) + Pairs(0, 3, 0) + Wire({0x00, 0x00}));
const Bytes Status = Framed(
    Wire({0xF0, 0x00, 0x01, 0x00, 0x05, 0x02, 0x00, 0x06, 0x01, 0x00, 0x07, 0x02, 0x00, 0x08, 0x09, 0x0A, 0x00, 0x00}));
const Bytes Version = Framed(Wire({0xE5, 0x00, 0x01, 0x00, 0x00, 0x00}) + P(2900) + Wire({5}) + "V1.20" +
                             Wire({0x00, 0x01}) + P(4999) + Wire({16}) + "Not Defined     ");

}  // namespace

TEST(VelaStatus, TheMakeUpOfTheSwitcherIsStoredAndRebuilt)
{
    VelaRig rig;
    const int helm = rig.connect(120);
    const int panel = rig.connect(131);
    rig.feed(Status);  // before any description: nothing to hold it
    EXPECT_EQ(rig.out(helm), "");
    for (const Bytes& f : {Description, Configuration, Status, Version})
        rig.feed(f);
    const Model& m = rig.server.model;
    const CardRecord& card = m.SwitcherConfig[0].Cards[0];
    EXPECT_EQ(m.NumFrames, 1);
    EXPECT_EQ(card.Settings[2], 3);
    EXPECT_EQ(card.Ports[0].Channels[1].Settings[7], 25);
    EXPECT_EQ(card.Ports[0].Channels[1].Status, 9);
    EXPECT_EQ(m.CardVersions[0][0], "V1.20");
    for (const char* text : {"Received System Description", "Received Config Message", "Received Status Message",
                             "Received Version Message"})
        EXPECT_TRUE(rig.logged(text)) << text;
    EXPECT_EQ(rig.out(helm), Description + Configuration + Status + Version);
    EXPECT_EQ(rig.out(panel), "");

    rig.out(helm).clear();
    SendDescriptionToClient(rig.server);
    SendSwitcherConfigToClient(rig.server);
    SendStatusToClient(rig.server);
    SendVersionInfoToClient(rig.server);
    EXPECT_EQ(rig.out(helm), Description + Configuration + Status + Version);
}

TEST(VelaStatus, BadMakeUpFramesLeaveTheConfigurationAlone)
{
    VelaRig rig;
    rig.feed(Description);
    rig.feed(Framed(Wire({0xE4, 0x00, 0x64})));  // a hundred frames claimed, none carried
    EXPECT_TRUE(rig.errorLogged("Length Error", "Switcher Description"));
    EXPECT_EQ(rig.server.model.SwitcherConfig[0].Cards[0].Count, 2);
    rig.feed(Framed(Configuration.substr(0, Configuration.size() - 20)));
    EXPECT_TRUE(rig.errorLogged("Config Length Error", "Switcher Config"));
    EXPECT_EQ(rig.server.model.SwitcherConfig[0].Cards[0].TypeCode, 0);
    rig.feed(Framed(Wire({0xE5, 0x00, 0x01, 0x00, 0x00, 0x00}) + P(1) + Wire({100}) + "short"));
    EXPECT_TRUE(rig.errorLogged("Length Error", "Version Message"));
    rig.feed(Framed(Wire({0xE5, 0x00, 0x01, 0x00, 0x09, 0x30}) + P(1) + Wire({1}) + "x"));  // frame 9, card 48
    EXPECT_EQ(rig.server.model.CardVersions.size(), 1u);
    rig.server.model.UpdateFlags = 8;
    rig.feed(WithBadChecksum(Status));
    EXPECT_TRUE(rig.errorLogged("Check Sum Error", "Switcher Status"));
    EXPECT_EQ(rig.serial.written(), BuildInfoRequestVela(8, NoneValue, 0));
}

TEST(VelaGain, AGainIsStoredAndReachesHelmPCsAndConsoles)
{
    VelaRig rig;
    const int helm = rig.connect(120);
    const int console = rig.connect(150);
    const int panel = rig.connect(131);
    rig.server.model.UpdateFlags = 32768;
    const Bytes frame = Wire({0xE3, 0x02, 0x00, 0x01, 0x00, 0x05, 0x00, 0x40, 0x03, 0x4B, 0xFF});
    rig.feed(frame);
    EXPECT_EQ(rig.server.model.SourceGains[5].Level1, 448);
    EXPECT_EQ(rig.server.model.UpdateFlags, 0);
    EXPECT_EQ(rig.out(helm), frame);
    EXPECT_EQ(rig.out(console), frame);
    EXPECT_EQ(rig.out(panel), "");
    EXPECT_TRUE(rig.logged("Received Gain Message"));

    rig.server.model.UpdateFlags = 32768;
    rig.feed(WithBadChecksum(frame));
    EXPECT_TRUE(rig.errorLogged("Check Sum Error", "Gain Message"));
    EXPECT_EQ(rig.serial.written(), BuildInfoRequestVela(32768, NoneValue, 0));
    rig.feed(Framed(Wire({0xE3, 0x02, 0x00}) + P(16383) + P(0) + P(5)));
    EXPECT_TRUE(rig.errorLogged("Length Error", "Gain Message"));
}

TEST(VelaGain, EveryKindSendGainVelaWritesIsReadWithinTheTables)
{
    VelaRig rig;
    Model& m = rig.server.model;
    m.CrosspointMap[4].SourceCount = 2;
    m.CrosspointMap[4].Sources[1] = 9;
    rig.feed(BuildGainVela(3, 800, 8, NoneValue, NoneValue));
    rig.feed(BuildGainVela(10, 700, 4, 9, NoneValue));
    EXPECT_EQ(m.CrosspointMap[4].Levels[1], 700);
    rig.feed(BuildGainVela(11, 650, 4, 9, 5));
    rig.feed(BuildGainVela(16, 500, 4, NoneValue, 5));
    rig.feed(BuildGainVela(10, 1, 3, 300, NoneValue));  // source 300 is not routed to 3
    rig.feed(BuildGainVela(15, 1, 512, NoneValue, NoneValue));
    rig.feed(Framed(Wire({0xE3, 0x02, 0x00}) + P(2) + P(511) + P(1) + P(2)));
    EXPECT_EQ(m.DestinationGains[8].Level2, 800);
    EXPECT_EQ(m.CrosspointMap[4].Levels[1], 650);
    EXPECT_EQ(m.CrosspointMap[4].TakeExtra, 500);
    EXPECT_EQ(m.CrosspointMap[3].Levels[0], 1024);
    EXPECT_EQ(m.SourceGains[511].Level1, 1);
    EXPECT_EQ(m.SourceGains.size(), 512u);
    EXPECT_EQ(rig.dir.read("Errorlog.txt"), "");
}

TEST(VelaStatus, SmallTablesAreStoredAndRebuilt)
{
    VelaRig rig;
    const int helm = rig.connect(120);
    const Bytes setting = Framed(Wire({0xED, 0x01, 0x14}));
    const Bytes mode = Framed(Wire({0xEF, 0x02}));
    const Bytes offsets = Framed(Wire({0xEE, 0x00, (8192 - 5) & 127, ((8192 - 5) >> 7) + 64}) + P(80));
    const Bytes relayConfig = Framed(Wire({0xF9, 0x00}) + P(512) + P(0) + Pairs(0, 512, 3));
    Bytes lists = Wire({0xDF, 10}) + P(0) + P(256);
    for (int i = 0; i < 256; ++i)
        lists += "List" + std::to_string(i % 10) + "   " + P(2) + P(i) + P(255);
    lists = Framed(lists);
    Bytes transitions = Wire({0xD2, 0x0A}) + P(512) + P(0) + Wire({0x04});
    for (int d = 0; d < 512; ++d)
        transitions += Wire({d & 127, 1, 2, 3});
    transitions = Framed(transitions);
    rig.server.model.UpdateFlags = 262144 | 4194304 | 8388608 | 1048576;
    for (const Bytes& f : {setting, mode, offsets, relayConfig, lists, transitions})
        rig.feed(f);
    const Model& m = rig.server.model;
    EXPECT_EQ(m.ClockSetting, 20);
    EXPECT_EQ(m.ClockMode, 2);
    EXPECT_EQ(m.GainOffsets, (std::array<int, 2>{-5, 80}));
    EXPECT_EQ(m.RelayConfig[511], 1533);
    EXPECT_EQ(m.SourceDisplayLists[7].Members, (std::vector<int>{7, 255}));
    EXPECT_EQ(m.TransitionControl[5], (std::array<uint8_t, 6>{5, 1, 2, 3, 0, 0}));
    EXPECT_EQ(m.UpdateFlags, 0);
    for (const char* text :
         {"Received Clock Message", "Received Clock Config", "Received Gain Offset Message",
          "Received Relay Configuration", "256 Source Display Lists, Starting with 1", "512 Transition Controls"})
        EXPECT_TRUE(rig.logged(text)) << text;

    rig.out(helm).clear();
    rig.client(helm).PendingRequests = 262144 | 4194304 | 8388608 | 1048576;
    SendClockToClient(rig.server);
    SendGainOffsetToClient(rig.server);
    SendRelayConfigToClient(rig.server);
    SendDisplayListToClient(rig.server, 10);
    SendTransitionControlToClient(rig.server, helm);
    EXPECT_EQ(rig.out(helm), setting + mode + offsets + relayConfig + lists + transitions);
}

TEST(VelaStatus, SmallTablesIgnoreWhatTheyCannotHold)
{
    VelaRig rig;
    const Model& m = rig.server.model;
    rig.feed(Framed(Wire({0xED, 0x01, 0x14, 0x00})));
    EXPECT_TRUE(rig.errorLogged("Length Error", "Clock Message"));
    rig.feed(Framed(Wire({0xF9, 0x00}) + P(2) + P(511) + P(7) + P(8)));
    rig.feed(Framed(Wire({0xDF, 20}) + P(255) + P(2) + "Last    " + P(0) + "Beyond  " + P(0)));
    rig.feed(Framed(Wire({0xDF, 10}) + P(0) + P(1) + "Huge    " + P(16000) + P(1)));
    EXPECT_TRUE(rig.errorLogged("Length Error", "Source Display Lists"));
    rig.feed(Framed(Wire({0xD2, 0x0A}) + P(1) + P(0) + Wire({0x08, 1, 2, 3, 4, 5, 6, 7, 8})));
    rig.feed(Framed(Wire({0xD2, 0x0A}) + P(16383) + P(0) + Wire({0x04, 1, 2, 3, 4})));
    EXPECT_TRUE(rig.errorLogged("Length Error", "Transition Control"));
    EXPECT_EQ(m.RelayConfig[511], 7);
    EXPECT_EQ(m.RelayConfig.size(), 512u);
    EXPECT_EQ(m.DestinationDisplayLists[255].Name, "Last    ");
    EXPECT_EQ(m.DestinationDisplayLists.size(), 256u);
    EXPECT_EQ(m.SourceDisplayLists[0].Name, "");
    EXPECT_EQ(m.TransitionControl[0], (std::array<uint8_t, 6>{1, 2, 3, 4, 5, 6}));
}

TEST(VelaRelayOptoState, StatesAreStoredForTheirTableAndPolledClientsWaitForTheLast)
{
    VelaRig rig;
    const int helm = rig.connect(120);
    const int polled = rig.connect(120);
    rig.client(polled).PolledUpdates = true;
    rig.server.model.UpdateFlags = 65536 | 131072;
    const Bytes relays = Framed(Wire({0xF7, 40}) + P(2) + P(3) + Wire({1}) + P(600) + Wire({1}));
    rig.feed(relays);
    EXPECT_EQ(rig.server.model.RelayStates[3], 1);
    EXPECT_EQ(rig.server.model.RelayStates.size(), 512u);
    EXPECT_EQ(rig.server.model.UpdateFlags, 131072);
    EXPECT_TRUE(rig.logged("Received Relay Tally"));
    EXPECT_EQ(rig.out(helm), relays);
    EXPECT_EQ(rig.client(polled).PendingRequests, 65536);

    rig.feed(Framed(Wire({0xF7, 30}) + P(1) + P(7) + Wire({1})));
    EXPECT_EQ(rig.server.model.OptoStates[7], 1);
    EXPECT_EQ(rig.server.model.DeferredRequestFlags, 65536);
    EXPECT_TRUE(rig.logged("Received Opto State"));

    rig.feed(Framed(Wire({0xF7, 50}) + P(1) + P(8) + Wire({1})));
    EXPECT_TRUE(rig.errorLogged("Error Reciving Relay/Opto State: Error # 0 - ", "Switcher Message Error"));
    rig.feed(Framed(Wire({0xF7, 40}) + P(16383) + P(8) + Wire({1})));
    EXPECT_TRUE(rig.errorLogged("Relay/Opto State Length Error", "Relay/Opto State"));
    EXPECT_EQ(rig.server.model.RelayStates[8], 0);
}

TEST(VelaPassedOn, ErrorReportsGoToTheSwitcherErrorLogAndIntercomFramesToHelmPCs)
{
    VelaRig rig;
    const int helm = rig.connect(120);
    rig.feed(Framed(Wire({0xB0, 0x00, 0x03}) + P(15100) + "AudioIn"));
    const std::string log = rig.dir.read("SwitcherErrorlog.txt");
    EXPECT_NE(log.find("F:1 S:03 AudioIn"), std::string::npos);
    EXPECT_NE(log.find("15100 Checksum Error"), std::string::npos);
    rig.feed(Framed(Wire({0xB0, 0x00})));
    EXPECT_TRUE(rig.errorLogged("Length Error", "Error Message"));
    rig.server.cfg.LogSwitcherErrors = false;
    rig.feed(Framed(Wire({0xB0, 0x00, 0x03}) + P(15000)));
    EXPECT_EQ(rig.dir.read("SwitcherErrorlog.txt"), log);

    rig.out(helm).clear();
    const Bytes icom = Framed(Wire({0xDE, 0x05, 0x06}));
    rig.feed(icom);
    EXPECT_EQ(rig.out(helm), icom);
    rig.server.Link.Reset();
    rig.server.Link.Answered();
    rig.feed(icom);
    EXPECT_EQ(rig.out(helm), icom);
}
