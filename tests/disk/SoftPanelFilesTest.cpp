#include "disk/SoftPanelFiles.h"

#include "core/MainForm.h"
#include "support/Fakes.h"
#include "support/TempDir.h"
#include "switcher/ByteManipulation.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

Bytes B(std::initializer_list<int> bytes)
{
    Bytes b;
    for (int v : bytes)
        b += static_cast<char>(v);
    return b;
}

int Word(const Bytes& file, size_t at) { return ByteAt(file, at) | ByteAt(file, at + 1) << 8; }

struct PanelRig : TestRig {
    TempDir dir;
    Server& s = server;
    Model& m = server.model;

    explicit PanelRig(int type, bool maintainNdf = true)
    {
        s.cfg.AppPath = dir.app();
        s.cfg.MaintainNdf = maintainNdf;
        m.SwitcherType = type;
        SizeTablesForType(m);
    }
    // A Vela that reported a small size.
    void velaOf(int sources, int destinations)
    {
        m.NumSources = m.NumOptos = sources;
        m.NumDestinations = m.NumRelays = destinations;
        ResizeVelaTables(m);
    }
    void tick() { s.onTimer(TimerId::Poll); }
    std::string errors() const { return dir.read("Errorlog.txt"); }
};

}  // namespace

TEST(SoftPanelCrosspoints, FullMapListsEverySourceOfEveryDestination)
{
    PanelRig rig(TypeVela);
    rig.velaOf(4, 4);
    auto& map = rig.m.CrosspointMap;
    map[0].Sources[0] = 5;
    map[1].SourceCount = 2;
    map[1].Sources[0] = 3;
    map[1].Sources[1] = 263;
    map[2].SourceCount = 0;
    map[3].Sources[0] = 0;

    SaveCrosspointMapNdf(rig.s);

    EXPECT_EQ(rig.dir.read("lxptmap.ndf"), B({1, 4, 0,                   // sequence, destinations
                                              1, 0, 5, 0,                // one source each ...
                                              2, 0, 3, 0, 7, 1,          // ... or a sum of two
                                              0, 0,                      // ... or none
                                              1, 0, 0, 0}));
    EXPECT_FALSE(rig.dir.exists("xptmap.ndf"));  // Orion only
}

TEST(SoftPanelCrosspoints, DracoTakeChangesOnlyTheSequenceAndItsDestination)
{
    PanelRig rig(TypeDraco);
    SaveCrosspointMapNdf(rig.s);
    const Bytes before = rig.dir.read("lxptmap.ndf");
    ASSERT_EQ(before.size(), 3u + 32 * 4);
    rig.dir.write("xptmap.ndf", "left alone");

    SaveTakeToNdf(rig.s, 3, 5);

    Bytes expected = before;
    expected[0] = 2;
    expected[17] = 5;
    expected[18] = 0;
    EXPECT_EQ(rig.dir.read("lxptmap.ndf"), expected);
    EXPECT_EQ(rig.dir.read("xptmap.ndf"), "left alone");
}

TEST(SoftPanelCrosspoints, OrionWritesByteMapAndStampsButtonFileInPlace)
{
    PanelRig rig(TypeOrion);
    rig.m.CrosspointMap[0].Sources[0] = 9;
    rig.m.CrosspointMap[255].Sources[0] = 200;
    rig.dir.write("butns.ndf", Bytes(10, 'b'));

    SaveCrosspointMapNdf(rig.s);
    Bytes xpt = rig.dir.read("xptmap.ndf");
    ASSERT_EQ(xpt.size(), 257u);
    EXPECT_EQ(ByteAt(xpt, 0), 1);
    EXPECT_EQ(ByteAt(xpt, 1), 9);
    EXPECT_EQ(ByteAt(xpt, 256), 200);
    EXPECT_EQ(rig.dir.read("butns.ndf"), "\x01" + Bytes(9, 'b'));

    SaveTakeToNdf(rig.s, 255, 17);
    xpt = rig.dir.read("xptmap.ndf");
    EXPECT_EQ(xpt.size(), 257u);
    EXPECT_EQ(ByteAt(xpt, 0), 2);
    EXPECT_EQ(ByteAt(xpt, 256), 17);
    const Bytes lxpt = rig.dir.read("lxptmap.ndf");
    EXPECT_EQ(ByteAt(lxpt, 0), 2);
    EXPECT_EQ(Word(lxpt, 4 * 255 + 5), 17);
    // Only the sequence byte of the button file belongs to the map.
    EXPECT_EQ(rig.dir.read("butns.ndf"), "\x01" + Bytes(9, 'b'));
}

TEST(SoftPanelCrosspoints, SequenceWrapsAfter255)
{
    PanelRig rig(TypeDraco);
    rig.s.NdfSequence = 254;
    SaveTakeToNdf(rig.s, 0, 1);
    EXPECT_EQ(ByteAt(rig.dir.read("lxptmap.ndf"), 0), 255);
    SaveTakeToNdf(rig.s, 0, 1);
    EXPECT_EQ(ByteAt(rig.dir.read("lxptmap.ndf"), 0), 0);
    SaveCrosspointMapNdf(rig.s);
    EXPECT_EQ(ByteAt(rig.dir.read("lxptmap.ndf"), 0), 1);
}

TEST(SoftPanelCrosspoints, TakeOutsideTheMapWritesNothing)
{
    PanelRig rig(TypeDraco);
    for (auto [destination, source] : {std::pair{32, 1}, {-1, 1}, {0, -1}, {0, 16384}})
        SaveTakeToNdf(rig.s, destination, source);
    EXPECT_FALSE(rig.dir.exists("lxptmap.ndf"));
    EXPECT_EQ(rig.s.NdfSequence, 0);
}

TEST(SoftPanelAlphas, LongFileHoldsSortedNamesThenDestinationsAtTenNPlusFour)
{
    PanelRig rig(TypeDraco);
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
    EXPECT_EQ(Word(f, 0), 1001);
    EXPECT_EQ(Word(f, 2), 32);
    EXPECT_EQ(f.substr(4, 8), "Mic     ");
    EXPECT_EQ(Word(f, 4 + 8 * 32), 31);  // the number of the first name in order
    EXPECT_EQ(f.substr(4 + 8 * 1, 8), "S100    ");
    EXPECT_EQ(Word(f, 4 + 8 * 32 + 2 * 1), 0);
    EXPECT_EQ(f.substr(4 + 8 * 2, 8), "S70     ");
    EXPECT_EQ(Word(f, 4 + 8 * 32 + 2 * 2), 30);
    EXPECT_EQ(f.substr(4 + 8 * 31, 8), "S99     ");
    EXPECT_EQ(Word(f, 4 + 8 * 32 + 2 * 31), 1);
    EXPECT_EQ(Word(f, 10 * 32 + 4), 32);
    EXPECT_EQ(f.substr(10 * 32 + 6, 8), "D11     ");
    EXPECT_EQ(f.substr(10 * 32 + 6 + 8 * 31, 8), "LongerNa");
    EXPECT_EQ(Word(f, 10 * 32 + 6 + 8 * 32 + 2 * 31), 0);
    EXPECT_FALSE(rig.dir.exists("alpha.ndf"));  // Orion only
}

TEST(SoftPanelAlphas, VelaKeepsTheSwitchersOwnOrder)
{
    PanelRig rig(TypeVela);
    rig.velaOf(4, 4);
    // Deliberately not alphabetical, and one entry the switcher got wrong.
    rig.m.SourceSortTable = {1, 2, 0, 77};

    SaveAlphaNdf(rig.s, {"Alpha", "Bravo", "Charlie", "Delta"}, 10);

    EXPECT_EQ(rig.m.SourceAlphas, (std::vector<std::string>{"Bravo", "Charlie", "Alpha", ""}));
    EXPECT_EQ(rig.m.SourceSortTable, (std::vector<int>{1, 2, 0, 77}));
    EXPECT_EQ(rig.m.SourceAlphasRaw, (std::vector<std::string>{"Alpha", "Bravo", "Charlie", "Delta"}));
    const Bytes f = rig.dir.read("lalpha.ndf");
    ASSERT_EQ(f.size(), 4u + 10 * 4);
    EXPECT_EQ(Word(f, 0), 1301);
    EXPECT_EQ(f.substr(4, 32), "Bravo   Charlie Alpha           ");
    EXPECT_EQ(Word(f, 36), 1);
    EXPECT_EQ(Word(f, 42), 77);
}

TEST(SoftPanelAlphas, OrionFileHoldsBothTablesAndTheirSortBytes)
{
    PanelRig rig(TypeOrion);
    std::vector<std::string> names(256);
    for (int i = 0; i < 256; ++i)
        names[static_cast<size_t>(i)] = "n" + Digits(255 - i, 3);
    SaveAlphaNdf(rig.s, names, 20);
    SaveAlphaNdf(rig.s, names, 10);
    SaveAlphaNdf(rig.s, names, 50);  // salvos are not panel data

    const Bytes f = rig.dir.read("alpha.ndf");
    ASSERT_EQ(f.size(), 4608u);
    EXPECT_EQ(f.substr(0, 16), "n000    n001    ");
    EXPECT_EQ(ByteAt(f, 2048), 255);
    EXPECT_EQ(ByteAt(f, 2048 + 255), 0);
    EXPECT_EQ(f.substr(2304 + 8 * 255, 8), "n255    ");
    EXPECT_EQ(ByteAt(f, 4352), 255);
    EXPECT_EQ(rig.dir.read("lalpha.ndf").size(), 4u + 10 * 256 + 2 + 10 * 256);
}

TEST(SoftPanelInhibits, LongFileHasOneFixedWidthTextPerDestination)
{
    PanelRig rig(TypeVela);
    rig.velaOf(3, 4);
    rig.m.InhibitMap = {"111", "010", "1", "10110"};  // the last two of the wrong width

    SaveInhibitNdf(rig.s, 1, 3);

    const Bytes f = rig.dir.read("linhbt.ndf");
    EXPECT_EQ(f.size(), 4u + 3 * 4);
    EXPECT_EQ(Word(f, 0), 4);
    EXPECT_EQ(Word(f, 2), 3);
    EXPECT_EQ(f.substr(4 + 3 * 1), "010100101");
    EXPECT_EQ(rig.dir.read("Status.ndf"), "\x01");

    // A range beyond the switcher writes what exists and no further.
    SaveInhibitNdf(rig.s, -5, 100);
    EXPECT_EQ(rig.dir.read("linhbt.ndf").substr(4), "111010100101");
}

TEST(SoftPanelInhibits, OrionByteMapHasOneByteForEverySourceOfADestination)
{
    PanelRig rig(TypeOrion);
    rig.m.InhibitMap[1][5] = '1';
    rig.m.InhibitMap[2][255] = '1';

    SaveInhibitNdf(rig.s, 1, 2);

    const Bytes f = rig.dir.read("inhbt.ndf");
    ASSERT_EQ(f.size(), 256u * 3);
    EXPECT_EQ(f.substr(0, 256), Bytes(256, '\0'));  // destination 0 was not part of the change
    EXPECT_EQ(ByteAt(f, 256 + 5), 1);
    EXPECT_EQ(ByteAt(f, 512 + 255), 1);
    EXPECT_EQ(std::count(f.begin(), f.end(), '\x01'), 2);
    EXPECT_EQ(rig.dir.read("linhbt.ndf").size(), 4u + 256 * 3);
}

TEST(SoftPanelSupportOff, OnlyTheSingleTakeIsWrittenButNamesAreStillStored)
{
    PanelRig rig(TypeOrion, false);
    SaveCrosspointMapNdf(rig.s);
    SaveAlphaNdf(rig.s, {"zeta", "Alpha"}, 10);
    SaveInhibitNdf(rig.s, 0, 256);
    EXPECT_TRUE(rig.dir.named("").empty());

    EXPECT_EQ(rig.m.SourceAlphas[254], "Alpha");
    EXPECT_EQ(rig.m.SourceAlphas[255], "zeta");
    EXPECT_EQ(rig.m.SourceSortTable[254], 1);
    EXPECT_EQ(rig.m.SourceSortTable[255], 0);

    SaveTakeToNdf(rig.s, 2, 3);
    EXPECT_EQ(rig.dir.named(""), (std::vector<std::string>{"lxptmap.ndf", "xptmap.ndf"}));
}

TEST(SoftPanelPollFiles, ByteFileBecomesATakeAndIsDeleted)
{
    PanelRig rig(TypeVela);
    rig.serial.opened = true;
    rig.dir.write("xpt00001.wcf", B({1, 2}));

    rig.tick();

    EXPECT_EQ(rig.serial.written(), B({0xFE, 0x04, 0x00, 0x01, 0x00, 0x02, 0x00, 0x07, 0xFF}));
    ASSERT_FALSE(rig.display.history.empty());
    EXPECT_EQ(rig.display.history.back(), (std::pair<std::string, std::string>{"Soft Panel", "Take - In:002-->Out:003"}));
    EXPECT_FALSE(rig.dir.exists("xpt00001.wcf"));
}

TEST(SoftPanelPollFiles, VelaSourceOnePastTheLastTurnsTheDestinationOff)
{
    PanelRig rig(TypeVela);
    rig.serial.opened = true;
    rig.dir.write("xpt00002.wcf", B({0x00, 0x02, 0x03, 0x00}));  // source 512, destination 3

    rig.tick();

    EXPECT_EQ(rig.serial.written(), B({0xFE, 0x00, 0x00, 0x7F, 0x7F, 0x03, 0x00, 0x01, 0xFF}));
    EXPECT_EQ(rig.display.history.back().second, "Turn Off -->Out:004");
    EXPECT_FALSE(rig.dir.exists("xpt00002.wcf"));
}

TEST(SoftPanelPollFiles, BothFilesAreTakenInOneTickFirstOneFirst)
{
    PanelRig rig(TypeVela);
    rig.serial.opened = true;
    rig.dir.write("xpt00001.wcf", B({1, 2}));
    rig.dir.write("xpt00002.wcf", B({0x2C, 0x01, 0x90, 0x01}));  // 300 to 400

    rig.tick();

    ASSERT_EQ(rig.serial.writes.size(), 2u);
    EXPECT_EQ(rig.serial.writes[0], B({0xFE, 0x04, 0x00, 0x01, 0x00, 0x02, 0x00, 0x07, 0xFF}));
    EXPECT_EQ(rig.serial.writes[1], B({0xFE, 0x04, 0x00, 0x2C, 0x02, 0x10, 0x03, 0x45, 0xFF}));
    EXPECT_EQ(rig.display.history.back().second, "Take - In:301-->Out:401");
    EXPECT_TRUE(rig.dir.named("xpt").empty());
}

TEST(SoftPanelPollFiles, HostileFilesAreLoggedAndDeletedWithoutATake)
{
    const struct {
        int type;
        const char* file;
        Bytes content;
    } cases[] = {
        {TypeVela, "xpt00001.wcf", ""},
        {TypeVela, "xpt00001.wcf", B({1})},
        {TypeVela, "xpt00002.wcf", B({1, 0, 2})},
        {TypeDraco, "xpt00001.wcf", B({1, 32})},              // destination past the switcher
        {TypeDraco, "xpt00001.wcf", B({33, 1})},              // source past the switcher
        {TypeOrion, "xpt00002.wcf", B({0x00, 0x01, 0, 0})},  // 256 turns off only on a Vela
        {TypeVela, "xpt00002.wcf", B({0xFF, 0xFF, 0xFF, 0xFF})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.content));
        PanelRig rig(c.type);
        rig.serial.opened = true;
        rig.dir.write(c.file, c.content);

        rig.tick();

        EXPECT_FALSE(rig.dir.exists(c.file));
        EXPECT_TRUE(rig.serial.writes.empty());
        const std::string log = rig.errors();
        EXPECT_NE(log.find("Switcher Command Error"), std::string::npos);
        EXPECT_NE(log.find("Error Sending SoftPanel Take: Error # "), std::string::npos);
    }
}

TEST(SoftPanelPollFiles, ABadFirstFileDoesNotHoldUpTheSecond)
{
    PanelRig rig(TypeVela);
    rig.serial.opened = true;
    rig.dir.write("xpt00001.wcf", B({7}));
    rig.dir.write("xpt00002.wcf", B({0, 0, 1, 0}));

    rig.tick();

    EXPECT_EQ(rig.serial.written(), B({0xFE, 0x04, 0x00, 0x00, 0x00, 0x01, 0x00, 0x05, 0xFF}));
    EXPECT_TRUE(rig.dir.named("xpt").empty());
}

TEST(SoftPanelPollFiles, IgnoredWithoutSoftPanelSupport)
{
    PanelRig rig(TypeVela, false);
    rig.serial.opened = true;
    rig.dir.write("xpt00001.wcf", B({1, 2}));
    rig.tick();
    EXPECT_TRUE(rig.dir.exists("xpt00001.wcf"));
    EXPECT_TRUE(rig.serial.writes.empty());
}
