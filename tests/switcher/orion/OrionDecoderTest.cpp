// The Orion decoder and its handlers on fakes.
#include "OrionSimulator.h"
#include "switcher/orion/OrionRig.h"

#include <gtest/gtest.h>

namespace {

using orion_test::OrionRig;
using orion_test::WithBadChecksum;

Bytes Cut(Bytes f, size_t drop) { return f.erase(1, drop); }

}  // namespace

TEST(OrionDecoder, ATakeReportRoutesReachesEveryClientAndTheSoftPanelFiles)
{
    OrionRig rig;
    const int pc = rig.connect();
    rig.feed(Wire({0xFE, 0x01, 0x12, 0x03, 0x00, 0x03, 0xFF}));
    EXPECT_EQ(rig.server.model.CrosspointMap[18].Sources[0], 3);
    EXPECT_EQ(rig.out(pc), Framed(Wire({0xFE, 0x04, 0x00, 0x03, 0x00, 0x12, 0x00})));
    EXPECT_TRUE(rig.logged("Take - In:004-->Out:019"));
    const Bytes xpt = rig.dir.read("xptmap.ndf");
    ASSERT_EQ(xpt.size(), 20u);
    EXPECT_EQ(xpt[19], 3);

    // A wrong check byte is logged; the take is still applied.
    rig.feed(Wire({0xFE, 0x01, 0x12, 0x05, 0x00, 0x07, 0xFF}));
    EXPECT_TRUE(rig.errorLogged("Switcher Check Sum Error", "Take Command"));
    EXPECT_EQ(rig.server.model.CrosspointMap[18].Sources[0], 5);
}

TEST(OrionDecoder, RelayAndOptoReportsAreTalliedWithoutTouchingTheMap)
{
    OrionRig rig;
    const int pc = rig.connect();
    rig.feed(Wire({0xFE, 0x20, 0x10, 0x05, 0x00, 0x05, 0xFF}));
    EXPECT_EQ(rig.server.model.RelayStates[5], 1);
    EXPECT_EQ(rig.out(pc), Framed(Wire({0xF7, 40, 0x01, 0x00, 0x05, 0x00, 0x01})));
    EXPECT_TRUE(rig.logged("Relay:006 On"));
    EXPECT_EQ(rig.server.model.CrosspointMap[0].Sources[0], 0);

    rig.out(pc).clear();
    rig.feed(Wire({0xFE, 0x10, 0x00, 0x07, 0x00, 0x07, 0xFF}));
    EXPECT_EQ(rig.out(pc), Framed(Wire({0xF7, 30, 0x01, 0x00, 0x07, 0x00, 0x00})));
    EXPECT_TRUE(rig.logged("Opto:008 Off"));
}

TEST(OrionDecoder, NumbersOutsideTheSwitcherAreDroppedWithoutATrace)
{
    OrionRig rig;
    const int pc = rig.connect();
    // Source 300 to output 18; relay 300; an unknown kind.
    for (const Bytes& f :
         {Wire({0xFE, 0x01, 0x12, 0x2C, 0x02, 0x2C, 0xFF}), Wire({0xFE, 0x20, 0x10, 0x2C, 0x02, 0x2C, 0xFF}),
          Wire({0xFE, 0x50, 0x10, 0x01, 0x00, 0x01, 0xFF})})
        rig.feed(f);
    EXPECT_TRUE(rig.out(pc).empty());
    EXPECT_TRUE(rig.display.history.empty());
    EXPECT_EQ(rig.server.model.CrosspointMap[18].Sources[0], 0);

    // A map entry out of range is skipped; the rest of the map is used.
    std::vector<int> sources(256, 4);
    sources[2] = 999;
    rig.feed(BuildOrionCrosspointMap(sources));
    EXPECT_EQ(rig.server.model.CrosspointMap[2].Sources[0], 0);
    EXPECT_EQ(rig.server.model.CrosspointMap[3].Sources[0], 4);
    EXPECT_TRUE(rig.logged("256 Crosspoint Maps"));
}

TEST(OrionDecoder, FramingDropsNoiseAndNamesWhatItCannotUse)
{
    OrionRig rig;
    rig.feed(Wire({0x12, 0x34, 0x56}));
    EXPECT_TRUE(rig.server.SerialBuffer.empty());

    rig.feed(Wire({0xF4}));
    EXPECT_TRUE(rig.server.SerialBuffer.empty());
    EXPECT_TRUE(rig.server.Link.Answering());

    rig.feed(Wire({0xEF, 0x00, 0x00, 0xFF}));
    EXPECT_TRUE(rig.errorLogged("Unexpected CommandEF", "Switcher"));
    rig.feed(Wire({0xC7, 0x00, 0x00, 0xFF}));
    EXPECT_TRUE(rig.errorLogged("Unknown Command C7", "Switcher"));

    // A frame cut short by the next one: logged, and the next one used.
    rig.feed(Wire({0xFE, 0x01, 0xFE, 0x01, 0x12, 0x03, 0x00, 0x03, 0xFF}));
    EXPECT_TRUE(rig.errorLogged("Incomplete Message FE", "Switcher"));
    EXPECT_EQ(rig.server.model.CrosspointMap[18].Sources[0], 3);
    EXPECT_TRUE(rig.server.SerialBuffer.empty());

    // A lone end byte is cut as a frame of its own; what follows it waits whole.
    rig.feed(Wire({0xFF, 0xFE, 0x01, 0x13, 0x03, 0x00, 0x03, 0xFF}));
    EXPECT_TRUE(rig.errorLogged("Unknown Command FF", "Switcher"));
    EXPECT_EQ(rig.server.SerialBuffer, Wire({0xFE, 0x01, 0x13, 0x03, 0x00, 0x03, 0xFF}));
}

// Every handler checks its length first, then its check byte, and keeps
// nothing from a frame that fails either.
TEST(OrionDecoder, EveryTableFrameIsCheckedForLengthAndCheckByte)
{
    struct Case {
        Bytes Frame;
        const char* Location;
    };
    OrionSimulator sim;
    const Bytes dump = sim.Receive(Wire({0xF2}));
    auto first = [&](unsigned char command) {
        const size_t at = dump.find(static_cast<char>(command));
        return dump.substr(at, dump.find('\xFF', at) - at + 1);
    };
    const std::vector<Case> cases = {{first(0xF6), "Crosspoint Map"},
                                     {first(0xFC), "Source Alpha Labels"},
                                     {first(0xFB), "Destination Alpha Labels"},
                                     {first(0xFA), "Source Links"},
                                     {first(0xF9), "Destination Links"},
                                     {first(0xF8), "Inhibit Map"},
                                     {first(0xFD), "Buttons"},
                                     {first(0xF0), "Active Devices"},
                                     {first(0xE5), "Version Info"},
                                     {first(0xE0), "QRT Activity"},
                                     {first(0xE9), "Salvo Count"}};
    for (const Case& c : cases) {
        OrionRig rig;
        const int64_t before = rig.server.model.UpdateFlags;
        rig.feed(Cut(c.Frame, 2));
        EXPECT_TRUE(rig.errorLogged("Message Length Error", c.Location)) << c.Location;
        rig.feed(WithBadChecksum(c.Frame));
        EXPECT_TRUE(rig.errorLogged("Switcher Check Sum Error", c.Location)) << c.Location;
        if (c.Frame[0] != '\xE9') {  // the salvo count is used even so
            EXPECT_EQ(rig.server.model.UpdateFlags, before) << c.Location;
        }
    }
    OrionRig rig;
    rig.feed(BuildOrionRelayOptoState(Orion::RelayKind, {1, 1}).erase(3, 3));
    EXPECT_TRUE(rig.errorLogged("Relay/Opto State Length Error", "Relay/Opto State"));
    rig.feed(WithBadChecksum(BuildOrionRelayOptoState(Orion::RelayKind, {1, 1})));
    EXPECT_TRUE(rig.errorLogged("Check Sum Error", "Relay/Opto State"));
    EXPECT_EQ(rig.server.model.RelayStates[0], 0);
}

// A frame of the right length whose data are all 0 is sound: nothing present.
TEST(OrionDecoder, AllZeroConfigurationFramesAreValid)
{
    OrionRig rig;
    rig.feed(Wire({0xF0, 0, 0, 0, 0, 0, 0, 0, 0xFF}));
    EXPECT_EQ(rig.server.model.SwitcherConfig[0].Cards[20].Present, 0);
    rig.feed(Bytes(1, '\xE5') + Bytes(681, '\0') + Bytes(1, '\xFF'));
    EXPECT_EQ(rig.server.model.CardVersions[0][1], "");
    EXPECT_EQ(rig.server.model.UpdateFlags & (4 | 16), 0);
}

TEST(OrionDecoder, TheSimulatorsDumpFillsTheModelAndClearsEveryPendingBit)
{
    OrionRig rig;
    const int pc = rig.connect();
    rig.client(pc).PendingRequests = ReplyBit::SourceAlphas;
    rig.server.HelmClientsActive = true;
    OrionSimulator sim({0, "Cam ", "Out "});
    rig.feedAll(sim.Receive(BuildOrionInfoRequest(1)));
    const Model& m = rig.server.model;
    EXPECT_EQ(m.UpdateFlags, 0);
    EXPECT_EQ(m.CrosspointMap[7].Sources[0], 7);
    EXPECT_EQ(m.SourceAlphasRaw[1], "Cam 002 ");
    EXPECT_EQ(m.NumSalvos, 2);
    ASSERT_EQ(m.SalvoAlphas.size(), 2u);
    EXPECT_EQ(m.SalvoAlphas[0], "Evening ");
    EXPECT_EQ(m.SalvoSortTable[0], 1);
    EXPECT_EQ(m.SalvoEvents[2].Name, "Evening ");
    EXPECT_EQ(m.CardVersions[0][1], "QRT 2.10        ");
    EXPECT_EQ(m.ButtonData[1][2].Values[0], 66);
    EXPECT_FALSE(rig.dir.exists("Errorlog.txt")) << rig.dir.read("Errorlog.txt");
    // The waiting client got the names in name order, each with its own number.
    EXPECT_NE(
        rig.out(pc).find(Wire({0xFC, 10, 8, 0x00, 0x02, 0, 0}) + "Cam 001 " + Wire({0, 0}) + "Cam 002 " + Wire({1, 0})),
        Bytes::npos);
}

TEST(OrionDecoder, NamesKeepTheirOwnNumbers)
{
    OrionRig rig;
    std::vector<std::string> names(256, "Zulu");
    names[9] = "Alpha";
    rig.feed(BuildOrionAlphaTable(0xFC, names, 256));
    const Model& m = rig.server.model;
    EXPECT_EQ(m.SourceAlphasRaw[9], "Alpha   ");
    EXPECT_EQ(m.SourceAlphas[0], "Alpha   ");
    EXPECT_EQ(m.SourceSortTable[0], 9);
    EXPECT_EQ(m.SourceAlphasRaw[0], "Zulu    ");
}

TEST(OrionDecoder, InhibitsReachTheClientsOnceTheWholeMapHasCome)
{
    OrionRig rig;
    const int pc = rig.connect();
    rig.client(pc).PendingRequests = ReplyBit::Inhibits;
    rig.feed(BuildOrionInhibitMap(3, "01"));
    EXPECT_EQ(rig.server.model.InhibitMap.text(3).substr(0, 3), "010");
    EXPECT_TRUE(rig.out(pc).empty());
    EXPECT_NE(rig.server.model.UpdateFlags & UpdateBit::Inhibits, 0);
    rig.feed(BuildOrionInhibitMap(255, "1"));
    EXPECT_EQ(rig.server.model.UpdateFlags & UpdateBit::Inhibits, 0);
    EXPECT_EQ(rig.out(pc).substr(0, 2), Wire({0xF8, 0x01}));
    // Outside a dump, a single destination's change goes out at once.
    rig.out(pc).clear();
    rig.client(pc).PendingRequests = ReplyBit::Inhibits;
    rig.feed(BuildOrionInhibitMap(4, "1"));
    EXPECT_FALSE(rig.out(pc).empty());
}

TEST(OrionDecoder, ASalvoCountNeverSizesTheSalvoTablesByItself)
{
    OrionRig rig;
    const size_t names = rig.server.model.SalvoAlphas.size();
    rig.feed(BuildOrionSalvoCount(16383L * 256, 16383));
    EXPECT_EQ(rig.server.model.NumSalvos, 16383);
    rig.feed(BuildOrionAlphaTable(0xEC, {"One"}, 1));
    EXPECT_TRUE(rig.errorLogged("Message Length Error", "Salvo Alphas"));
    EXPECT_EQ(rig.server.model.SalvoAlphas.size(), names);
    rig.feed(BuildOrionSalvoEvents(0xEB, {SalvoEventRecord{}}));
    EXPECT_TRUE(rig.errorLogged("Message Length Error", "Salvo Events"));

    // The second form replaces only the events of the salvos it carries.
    rig.feed(BuildOrionSalvoCount(2, 2));
    rig.feed(BuildOrionAlphaTable(0xEC, {"B", ""}, 2));
    SalvoEventRecord a, b;
    a.Salvo = 0;
    b.Salvo = 1;
    rig.feed(BuildOrionSalvoEvents(0xEB, {a, b}));
    EXPECT_EQ(rig.server.model.SalvoEvents[1].Name, "Unused  ");
    b.Values[0] = 9;
    SalvoEventRecord stray;
    stray.Salvo = 5;
    rig.feed(BuildOrionSalvoEvents(0xEA, {b, stray}));
    const Model& m = rig.server.model;
    ASSERT_EQ(m.NumSalvoEvents, 3);
    EXPECT_EQ(m.SalvoEvents[0].Salvo, 0);
    EXPECT_EQ(m.SalvoEvents[1].Values[0], 9);
    EXPECT_EQ(m.SalvoEvents[2].Name, "Unknown ");
}
