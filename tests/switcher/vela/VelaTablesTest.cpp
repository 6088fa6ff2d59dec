// Table frames: names (FC), inhibit maps (F8), the end of a dump (F2),
// buttons (FD) and salvo events (EB); links (FA) are in the demo mode tests.
#include "switcher/vela/ToVela.h"
#include "switcher/vela/VelaRig.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vela_test;

namespace {

Bytes Names(int table, int first, int count, const std::string& prefix)
{
    Bytes f = Wire({0xFC, table, 8}) + P(count) + P(first);
    for (int i = 0; i < count; ++i) {
        std::string name = prefix + std::to_string(i);
        name.resize(8, ' ');
        f += name + P(first + i);
    }
    return Framed(f);
}

// One destination's runs as (first byte, second byte) pairs.
Bytes Runs(const std::vector<std::pair<int, int>>& runs)
{
    Bytes e = P(static_cast<int>(runs.size()));
    for (auto [first, second] : runs)
        e += Wire({first, second});
    return e;
}
Bytes Inhibits(int first, const std::vector<Bytes>& entries)
{
    Bytes f = Wire({0xF8, 0x00}) + P(static_cast<int>(entries.size())) + P(first);
    for (const Bytes& e : entries)
        f += e;
    return Framed(f);
}

Bytes Event(int tag) { return Wire({tag, 1, 2}) + P(tag) + P(11) + P(12) + P(13) + P(16383); }

}  // namespace

TEST(VelaAlphaTable, NamesOfTheKnownSizeAreStoredAndForwardedWithoutRequests)
{
    VelaRig rig;
    const int waiting = rig.connect(120);
    const int idle = rig.connect(120);
    rig.server.onConnectionRequest(Port::Helm);  // not logged in: no type yet
    const int stranger = rig.server.HelmClients.SlotCount();
    rig.out(stranger).clear();
    rig.client(waiting).PendingRequests = 256 | 512;
    rig.server.model.UpdateFlags = 256 | 512;
    const Bytes frame = Names(10, 0, 512, "S");
    rig.feed(frame);
    EXPECT_EQ(rig.server.model.SourceAlphasRaw[3], "S3      ");
    EXPECT_EQ(rig.server.model.UpdateFlags, 512);
    EXPECT_EQ(rig.serial.written(), "");
    EXPECT_TRUE(rig.logged("512 Source Alpha Lables, Starting with 1"));
    EXPECT_EQ(rig.out(waiting), frame);
    EXPECT_EQ(rig.client(waiting).PendingRequests, 512);
    EXPECT_EQ(rig.out(idle), "");
    EXPECT_EQ(rig.out(stranger), "");
}

TEST(VelaAlphaTable, MoreSourcesGrowTheTablesAndAskForWhatDependsOnThem)
{
    VelaRig rig;
    rig.server.model.UpdateFlags = 0;
    rig.feed(Names(10, 0, 600, "S"));
    const Model& m = rig.server.model;
    EXPECT_EQ(rig.serial.written(), BuildInfoRequestVela(17962112, NoneValue, 0));
    EXPECT_EQ(m.NumOptos, 600);
    EXPECT_EQ(m.SourceAlphasRaw[599], "S599    ");
    EXPECT_EQ(m.InhibitMap.sources(), 600u);
}

TEST(VelaAlphaTable, OnlyWholeTablesSizeTheSwitcherAndNeverPastTheMaximum)
{
    VelaRig rig;
    rig.server.model.UpdateFlags = 0;
    const Model& m = rig.server.model;
    // One entry numbered 16382 is a name past the table, not a table that long.
    rig.feed(Names(20, 16382, 1, "D"));
    rig.feed(Names(10, 16382, 1, "S"));
    EXPECT_EQ(m.NumDestinations, 512);
    EXPECT_EQ(m.NumSources, 512);
    EXPECT_TRUE(rig.logged("1 Destination Alpha Lables, Starting with 16383"));
    // A frame starting later renames what it holds.
    rig.feed(Names(20, 500, 2, "D"));
    EXPECT_EQ(m.NumRelays, 512);
    EXPECT_EQ(m.DestinationAlphasRaw[501], "D1      ");

    rig.feed(Names(10, 0, 5000, "S"));
    EXPECT_EQ(m.NumSources, MaxVelaTableSize);
    EXPECT_EQ(m.NumOptos, MaxVelaTableSize);
    EXPECT_EQ(m.SourceAlphasRaw.back(), "S4095   ");
    EXPECT_EQ(m.InhibitMap.sources(), static_cast<size_t>(MaxVelaTableSize));
    EXPECT_TRUE(rig.logged("5000 Source Alpha Lables, Starting with 1"));
    rig.feed(Names(20, 0, 3, "D"));
    EXPECT_EQ(m.CrosspointMap.size(), 3u);
    EXPECT_EQ(m.InhibitMap.size(), 3u);
}

TEST(VelaAlphaTable, BadFramesStoreNothingAndSalvoNamesAreSorted)
{
    VelaRig rig;
    rig.server.model.UpdateFlags = 256;
    rig.feed(Framed(Wire({0xFC, 10, 8}) + P(16383) + P(0) + "ABCDEFGH" + P(0)));
    EXPECT_TRUE(rig.errorLogged("Helm Message Length Error", "Source Alpha Lables"));
    EXPECT_EQ(rig.server.model.NumSources, 512);
    EXPECT_EQ(rig.server.model.SourceAlphasRaw[0], "");
    rig.feed(WithBadChecksum(Names(10, 0, 4, "S")));
    EXPECT_TRUE(rig.errorLogged("Vela Check Sum Error", "Source Alpha Lables"));
    EXPECT_EQ(rig.serial.written(), BuildInfoRequestVela(256, NoneValue, 0));

    rig.feed(Framed(Wire({0xFC, 50, 5}) + P(3) + P(0) + "beta " + P(0) + "Alpha" + P(1) + "gamma" + P(2)));
    EXPECT_EQ(rig.server.model.SalvoAlphas, (std::vector<std::string>{"Alpha", "beta ", "gamma"}));
    EXPECT_EQ(rig.server.model.SalvoSortTable, (std::vector<int>{1, 0, 2}));
}

TEST(VelaInhibitMap, RunsSpellExactlyOneCharacterPerSource)
{
    VelaRig rig;
    rig.server.cfg.MaintainNdf = true;
    rig.server.model.UpdateFlags = 4096;
    // 257 inhibited (flag in bit 6 of the first byte), then 3 allowed.
    rig.feed(Inhibits(7, {Runs({{0x41, 0x02}, {0x03, 0x00}})}));
    EXPECT_EQ(rig.server.model.InhibitMap.text(7), std::string(257, '1') + std::string(255, '0'));
    EXPECT_EQ(rig.server.model.UpdateFlags, 0);
    EXPECT_TRUE(rig.logged("1 Inhibit Maps, Starting at Output 0008"));
    EXPECT_TRUE(rig.dir.exists("linhbt.ndf"));
    // A run can claim 16319 characters.
    rig.feed(Inhibits(8, {Runs({{0x7F, 0x7F}, {0x41, 0x00}})}));
    EXPECT_EQ(rig.server.model.InhibitMap.text(8), std::string(512, '1'));
}

TEST(VelaInhibitMap, HostileFramesChangeNothingAndWaitingClientsLoseTheirBitAtTheEnd)
{
    VelaRig rig;
    const int waiting = rig.connect(120);
    rig.client(waiting).PendingRequests = 4096;
    const InhibitTable before = rig.server.model.InhibitMap;
    rig.server.model.UpdateFlags = 0;
    rig.feed(Framed(Wire({0xF8, 0x00}) + P(2) + P(0) + Runs({{0x41, 0x00}})));
    rig.feed(Framed(Wire({0xF8, 0x00}) + P(1) + P(0) + P(16383) + Wire({0x41, 0x00})));
    EXPECT_TRUE(rig.errorLogged("Vela Message Length Error", "Inhibit Map"));
    EXPECT_EQ(rig.server.model.UpdateFlags, 4096);
    EXPECT_EQ(rig.server.model.InhibitMap, before);
    EXPECT_EQ(rig.client(waiting).PendingRequests, 4096);

    const Bytes last = Inhibits(511, {Runs({{0x41, 0x00}}), Runs({{0x41, 0x00}})});
    rig.out(waiting).clear();
    rig.feed(last);
    EXPECT_EQ(rig.server.model.InhibitMap.text(511), "1" + std::string(511, '0'));
    EXPECT_EQ(rig.server.model.InhibitMap.size(), 512u);
    EXPECT_EQ(rig.out(waiting), last);
    EXPECT_EQ(rig.client(waiting).PendingRequests, 0);
}

TEST(VelaInfoRequest, TheEndOfTheDumpPutsTheSwitcherOnLineOnceNothingIsMissing)
{
    VelaRig rig;
    rig.server.Link.Reset();
    rig.server.Link.Answered();
    const Bytes endOfDump = Framed(Wire({0xF2, 0x00, 0x00, 0x00, 0x40, 0, 0, 0, 0}));
    rig.server.model.UpdateFlags = 24576 | 128;
    rig.feed(endOfDump);
    EXPECT_FALSE(rig.server.Link.OnLine());
    rig.server.model.UpdateFlags = 24576;  // only buttons and salvos: a switcher without them
    rig.feed(endOfDump);
    EXPECT_EQ(rig.server.model.UpdateFlags, 0);
    EXPECT_TRUE(rig.server.Link.OnLine());
    EXPECT_TRUE(rig.timers.isEnabled(TimerId::Poll));
    EXPECT_TRUE(rig.logged("Switcher Information Request"));
}

TEST(VelaButtons, ButtonsAreStoredAndWhatTheTablesCannotHoldIsSkipped)
{
    VelaRig rig;
    rig.server.model.UpdateFlags = 8192;
    // 70 templates of one button with 40 values: 64 templates and 33 values are kept.
    Bytes f = Wire({0xFD, 0x00}) + P(70) + P(250) + P(1);
    for (int t = 0; t < 70; ++t) {
        f += P(100 + t) + P(40);
        for (int k = 0; k < 40; ++k)
            f += P(k);
    }
    rig.feed(Framed(f));
    const ButtonRecord& b = rig.server.model.ButtonData[255][0];
    EXPECT_EQ(b.Value, 105);
    EXPECT_EQ(b.Count, 33);
    EXPECT_EQ(b.Values[32], 32);
    EXPECT_EQ(rig.server.model.ButtonData.size(), 256u);
    EXPECT_EQ(rig.server.model.UpdateFlags, 0);
    EXPECT_TRUE(rig.logged("64 Button Templates, Starting with 251"));

    rig.feed(Framed(Wire({0xFD, 0x00}) + P(2) + P(0) + P(1) + P(7) + P(0)));  // two claimed, one carried
    EXPECT_TRUE(rig.errorLogged("Vela Message Length Error", "Button Info"));
    EXPECT_EQ(rig.server.model.ButtonData[0][0].Value, 0);
}

TEST(VelaSalvoEvents, EventsAreStoredAndAFrameOfTheWrongLengthKeepsTheOldOnes)
{
    VelaRig rig;
    rig.server.model.SalvoAlphas = {"Evening ", "Morning "};
    rig.server.model.SalvoSortTable = {1, 0};
    rig.feed(Framed(Wire({0xEB, 0x00}) + P(2) + P(3) + P(0) + P(2) + Event(5) + Event(6) + P(1) + P(1) + Event(7)));
    const Model& m = rig.server.model;
    ASSERT_EQ(m.SalvoEvents.size(), 3u);
    EXPECT_EQ(m.SalvoEvents[1].Name, "Morning ");
    EXPECT_EQ(m.SalvoEvents[1].Values, (std::array<int, 5>{6, 11, 12, 13, 16383}));
    EXPECT_EQ(m.SalvoEvents[2].Salvo, 1);
    EXPECT_TRUE(rig.logged("3 Salvo Events"));

    // Two events claimed, one carried; then the right length with salvo 0
    // claiming two events and carrying one.
    rig.feed(Framed(Wire({0xEB, 0x00}) + P(1) + P(2) + P(0) + P(1) + Event(9)));
    rig.feed(Framed(Wire({0xEB, 0x00}) + P(2) + P(1) + P(0) + P(2) + Event(9) + P(1) + P(0)));
    rig.feed(Framed(Wire({0xEB, 0x00}) + P(16383) + P(16383)));
    EXPECT_TRUE(rig.errorLogged("Vela Message Length Error", "Salvo Events"));
    EXPECT_EQ(m.NumSalvos, 2);
    EXPECT_EQ(m.NumSalvoEvents, 3);
    EXPECT_EQ(m.SalvoEvents.size(), 3u);
}
