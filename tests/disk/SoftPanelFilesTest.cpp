#include "disk/SoftPanelFiles.h"

#include "model/ByteManipulation.h"
#include "support/Fakes.h"
#include "support/TempDir.h"
#include "support/WireBytes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

int Word(const Bytes& file, size_t at) { return ByteAt(file, at) | ByteAt(file, at + 1) << 8; }

struct PanelRig : TestRig {
    TempDir dir;
    Server& s = server;
    Model& m = server.model;

    explicit PanelRig(SwitcherType type, bool maintainNdf = true)
    {
        s.cfg.AppPath = dir.app();
        s.cfg.MaintainNdf = maintainNdf;
        m.SwitcherType = type;
        SizeTablesForType(m);
        serial.opened = true;
    }
    void velaOf(int sources, int destinations)
    {
        m.NumSources = m.NumOptos = sources;
        m.NumDestinations = m.NumRelays = destinations;
        ResizeVelaTables(m);
    }
    void tick() { s.onTimer(TimerId::Poll); }
    std::pair<std::string, std::string> lastLine() const
    {
        return display.history.empty() ? std::pair<std::string, std::string>{} : display.history.back();
    }
};

const Bytes TakeOneToTwo = Wire({0xFE, 0x04, 0x00, 0x01, 0x00, 0x02, 0x00, 0x07, 0xFF});

}  // namespace

TEST(SoftPanelCrosspoints, FullMapListsEverySourceOfEveryDestination)
{
    PanelRig rig(SwitcherType::Vela);
    rig.velaOf(4, 4);
    auto& map = rig.m.CrosspointMap;
    map[0].Sources[0] = 5;
    map[1].SourceCount = 2;
    map[1].Sources[0] = 3;
    map[1].Sources[1] = 263;
    map[2].SourceCount = 0;
    map[3].Sources[0] = 0;
    SaveCrosspointMapNdf(rig.s);
    // Sequence, destinations, then each destination's count and sources.
    EXPECT_EQ(rig.dir.read("lxptmap.ndf"), Wire({1, 4, 0, 1, 0, 5, 0, 2, 0, 3, 0, 7, 1, 0, 0, 1, 0, 0, 0}));
    EXPECT_FALSE(rig.dir.exists("xptmap.ndf"));  // Orion only
}

TEST(SoftPanelCrosspoints, DracoTakeChangesOnlyTheSequenceAndItsDestination)
{
    PanelRig rig(SwitcherType::Draco);
    rig.s.NdfSequence = 254;
    SaveCrosspointMapNdf(rig.s);
    Bytes expected = rig.dir.read("lxptmap.ndf");
    ASSERT_EQ(expected.size(), 3u + 32 * 4);
    EXPECT_EQ(ByteAt(expected, 0), 255);
    rig.dir.write("xptmap.ndf", "left alone");
    SaveTakeToNdf(rig.s, 3, 5);
    expected.replace(17, 2, Wire({5, 0}));
    expected[0] = 0;  // the sequence wraps after 255
    EXPECT_EQ(rig.dir.read("lxptmap.ndf"), expected);
    EXPECT_EQ(rig.dir.read("xptmap.ndf"), "left alone");

    // Numbers outside the map write nothing.
    for (auto [destination, source] : {std::pair{32, 1}, {-1, 1}, {0, -1}, {0, 16384}})
        SaveTakeToNdf(rig.s, destination, source);
    EXPECT_EQ(rig.dir.read("lxptmap.ndf"), expected);
}

TEST(SoftPanelCrosspoints, OrionWritesByteMapAndStampsButtonFileInPlace)
{
    PanelRig rig(SwitcherType::Orion);
    rig.m.CrosspointMap[255].Sources[0] = 200;
    rig.dir.write("butns.ndf", Bytes(10, 'b'));
    SaveCrosspointMapNdf(rig.s);
    EXPECT_EQ(rig.dir.read("xptmap.ndf").substr(255), Wire({0, 200}));
    EXPECT_EQ(rig.dir.read("butns.ndf"), "\x01" + Bytes(9, 'b'));

    SaveTakeToNdf(rig.s, 255, 17);
    const Bytes xpt = rig.dir.read("xptmap.ndf");
    EXPECT_EQ(xpt.size(), 257u);
    EXPECT_EQ(Wire({xpt[0], xpt[256]}), Wire({2, 17}));
    EXPECT_EQ(Word(rig.dir.read("lxptmap.ndf"), 4 * 255 + 5), 17);
}

TEST(SoftPanelAlphas, LongFileHoldsSortedNamesThenDestinationsAtTenNPlusFour)
{
    PanelRig rig(SwitcherType::Draco);
    std::vector<std::string> sources(32), destinations(32);
    for (int i = 0; i < 32; ++i) {
        sources[static_cast<size_t>(i)] = "S" + std::to_string(100 - i);  // arrives in descending order
        destinations[static_cast<size_t>(i)] = "D" + std::to_string(10 + i);
    }
    sources[31] = "Mic";             // short: padded
    destinations[0] = "LongerName";  // long: cut
    SaveAlphaNdf(rig.s, sources, 10);
    SaveAlphaNdf(rig.s, destinations, 20);

    const Bytes f = rig.dir.read("lalpha.ndf");
    ASSERT_EQ(f.size(), 4u + 10 * 32 + 2 + 10 * 32);
    EXPECT_EQ(f.substr(0, 4), Wire({0xE9, 0x03, 32, 0}));  // Draco, 32 sources
    EXPECT_EQ(f.substr(4, 24), "Mic     S100    S70     ");
    EXPECT_EQ(f.substr(4 + 8 * 32, 6), Wire({31, 0, 0, 0, 30, 0}));
    EXPECT_EQ(Word(f, 10 * 32 + 4), 32);
    EXPECT_EQ(f.substr(10 * 32 + 6, 8), "D11     ");
    EXPECT_EQ(f.substr(10 * 32 + 6 + 8 * 31, 8), "LongerNa");
    EXPECT_EQ(Word(f, 10 * 32 + 6 + 8 * 32 + 2 * 31), 0);
    EXPECT_FALSE(rig.dir.exists("alpha.ndf"));  // Orion only
}

TEST(SoftPanelAlphas, VelaKeepsTheSwitchersOwnOrder)
{
    PanelRig rig(SwitcherType::Vela);
    rig.velaOf(4, 4);
    rig.m.SourceSortTable = {1, 2, 0, 77};  // not alphabetical, and one entry out of range
    SaveAlphaNdf(rig.s, {"Alpha", "Bravo", "Charlie", "Delta"}, 10);
    EXPECT_EQ(rig.m.SourceAlphas, (std::vector<std::string>{"Bravo", "Charlie", "Alpha", ""}));
    EXPECT_EQ(rig.m.SourceSortTable, (std::vector<int>{1, 2, 0, 77}));
    EXPECT_EQ(rig.dir.read("lalpha.ndf").substr(2),
              Wire({4, 0}) + "Bravo   Charlie Alpha   " + Bytes(8, ' ') + Wire({1, 0, 2, 0, 0, 0, 77, 0}));
}

TEST(SoftPanelAlphas, OrionFileHoldsBothTablesAndTheirSortBytes)
{
    PanelRig rig(SwitcherType::Orion);
    std::vector<std::string> names(256);
    for (int i = 0; i < 256; ++i)
        names[static_cast<size_t>(i)] = "n" + Digits(255 - i, 3);
    SaveAlphaNdf(rig.s, names, 20);
    SaveAlphaNdf(rig.s, names, 10);
    SaveAlphaNdf(rig.s, {"salvo"}, 50);  // salvos are not panel data

    const Bytes f = rig.dir.read("alpha.ndf");
    ASSERT_EQ(f.size(), 4608u);
    EXPECT_EQ(f.substr(0, 16), "n000    n001    ");
    EXPECT_EQ(Wire({f[2048], f[2048 + 255]}), Wire({255, 0}));
    EXPECT_EQ(f.substr(2304 + 8 * 255, 8), "n255    ");
    EXPECT_EQ(ByteAt(f, 4352), 255);
    EXPECT_EQ(rig.m.SourceAlphas[0], "n000");
}

TEST(SoftPanelInhibits, LongFileHasOneFixedWidthTextPerDestination)
{
    PanelRig rig(SwitcherType::Vela);
    rig.velaOf(3, 4);
    for (size_t d = 0; d < 4; ++d)
        rig.m.InhibitMap.setText(d, std::vector<std::string>{"111", "010", "1", "10110"}[d]);
    SaveInhibitNdf(rig.s, 1, 3);
    const Bytes f = rig.dir.read("linhbt.ndf");
    EXPECT_EQ(f.substr(0, 4), Wire({4, 0, 3, 0}));
    EXPECT_EQ(f.substr(4 + 3 * 1), "010100101");
    EXPECT_EQ(rig.dir.read("Status.ndf"), "\x01");

    // A range beyond the switcher writes what exists and no further.
    SaveInhibitNdf(rig.s, -5, 100);
    EXPECT_EQ(rig.dir.read("linhbt.ndf").substr(4), "111010100101");
}

TEST(SoftPanelInhibits, OrionByteMapHasOneByteForEverySourceOfADestination)
{
    PanelRig rig(SwitcherType::Orion);
    rig.m.InhibitMap.setText(1, "000001");
    rig.m.InhibitMap.setText(2, std::string(255, '0') + "1");
    SaveInhibitNdf(rig.s, 1, 2);
    const Bytes f = rig.dir.read("inhbt.ndf");
    ASSERT_EQ(f.size(), 256u * 3);  // destination 0 was not part of the change
    EXPECT_EQ(Wire({f[256 + 5], f[512 + 255]}), Wire({1, 1}));
    EXPECT_EQ(std::count(f.begin(), f.end(), '\x01'), 2);
}

TEST(SoftPanelSupportOff, OnlyTheSingleTakeIsWrittenButNamesAreStillStored)
{
    PanelRig rig(SwitcherType::Orion, false);
    SaveCrosspointMapNdf(rig.s);
    SaveAlphaNdf(rig.s, {"zeta", "Alpha"}, 10);
    SaveInhibitNdf(rig.s, 0, 256);
    EXPECT_TRUE(rig.dir.named("").empty());
    EXPECT_EQ(std::vector<std::string>(rig.m.SourceAlphas.end() - 2, rig.m.SourceAlphas.end()),
              (std::vector<std::string>{"Alpha", "zeta"}));
    EXPECT_EQ(std::vector<int>(rig.m.SourceSortTable.end() - 2, rig.m.SourceSortTable.end()), (std::vector<int>{1, 0}));

    SaveTakeToNdf(rig.s, 2, 3);
    EXPECT_EQ(rig.dir.named(""), (std::vector<std::string>{"lxptmap.ndf", "xptmap.ndf"}));

    rig.dir.write("xpt00001.wcf", Wire({1, 2}));  // and poll files wait
    rig.tick();
    EXPECT_TRUE(rig.dir.exists("xpt00001.wcf"));
}

TEST(SoftPanelPollFiles, ByteFileBecomesATakeAndOnePastTheLastVelaSourceTurnsOff)
{
    PanelRig rig(SwitcherType::Vela);
    rig.dir.write("xpt00001.wcf", Wire({1, 2}));
    rig.tick();
    EXPECT_EQ(rig.serial.written(), TakeOneToTwo);
    EXPECT_EQ(rig.lastLine(), (std::pair<std::string, std::string>{"Soft Panel", "Take - In:002-->Out:003"}));
    EXPECT_FALSE(rig.dir.exists("xpt00001.wcf"));

    rig.serial.writes.clear();
    rig.dir.write("xpt00002.wcf", Wire({0x00, 0x02, 0x03, 0x00}));  // source 512, destination 3
    rig.tick();
    EXPECT_EQ(rig.serial.written(), Wire({0xFE, 0x00, 0x00, 0x7F, 0x7F, 0x03, 0x00, 0x01, 0xFF}));
    EXPECT_EQ(rig.lastLine().second, "Turn Off -->Out:004");
    EXPECT_FALSE(rig.dir.exists("xpt00002.wcf"));
}

TEST(SoftPanelPollFiles, BothFilesAreTakenInOneTickFirstOneFirst)
{
    PanelRig rig(SwitcherType::Vela);
    rig.dir.write("xpt00001.wcf", Wire({1, 2}));
    rig.dir.write("xpt00002.wcf", Wire({0x2C, 0x01, 0x90, 0x01}));  // 300 to 400
    rig.tick();
    EXPECT_EQ(rig.serial.writes,
              (std::vector<Bytes>{TakeOneToTwo, Wire({0xFE, 0x04, 0x00, 0x2C, 0x02, 0x10, 0x03, 0x45, 0xFF})}));
    EXPECT_EQ(rig.lastLine().second, "Take - In:301-->Out:401");
    EXPECT_TRUE(rig.dir.named("xpt").empty());
}

TEST(SoftPanelPollFiles, HostileFilesAreLoggedAndDeletedWithoutHoldingUpTheNext)
{
    const struct {
        SwitcherType type;
        Bytes first, second;
    } cases[] = {
        {SwitcherType::Vela, "", Wire({0xFF, 0xFF, 0xFF, 0xFF})},
        {SwitcherType::Vela, Wire({1}), Wire({1, 0, 2})},
        {SwitcherType::Draco, Wire({1, 32}), Wire({33, 0, 1, 0})},   // destination, then source past the switcher
        {SwitcherType::Orion, Wire({0}), Wire({0x00, 0x01, 0, 0})},  // 256 turns off only on a Vela
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.first + "|" + c.second));
        PanelRig rig(c.type);
        rig.dir.write("xpt00001.wcf", c.first);
        rig.dir.write("xpt00002.wcf", c.second);
        rig.tick();
        EXPECT_TRUE(rig.dir.named("xpt").empty());
        EXPECT_TRUE(rig.serial.writes.empty());
        int logged = 0;
        for (const std::string& line : CrLfLines(rig.dir.read("Errorlog.txt")))
            logged += line.find("Switcher Command Error") != std::string::npos &&
                      line.find("Error Sending SoftPanel Take: Error # ") != std::string::npos;
        EXPECT_EQ(logged, 2);
    }
    // A bad first file does not stop the good second one.
    PanelRig rig(SwitcherType::Vela);
    rig.dir.write("xpt00001.wcf", Wire({7}));
    rig.dir.write("xpt00002.wcf", Wire({1, 0, 2, 0}));
    rig.tick();
    EXPECT_EQ(rig.serial.written(), TakeOneToTwo);
}
