// Name tables (FC): sources, destinations, optos, relays and salvos.
#include "switcher/vela/ToVela.h"
#include "switcher/vela/VelaRig.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vela_test;

namespace {

Bytes AlphaFrame(int table, int first, const std::vector<std::string>& names, int length = 8)
{
    Bytes f = B({0xFC, table, length}) + P(static_cast<int>(names.size())) + P(first);
    for (size_t i = 0; i < names.size(); ++i) {
        std::string name = names[i];
        name.resize(static_cast<size_t>(length), ' ');
        f += name + P(static_cast<int>(i) + first);
    }
    return Framed(f);
}

std::vector<std::string> Numbered(const std::string& prefix, int count)
{
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        names.push_back(prefix + std::to_string(i));
    return names;
}

}  // namespace

TEST(VelaAlphaTable, SourceNamesOfTheKnownSizeAreStoredWithoutRequests)
{
    VelaRig rig;
    rig.server.SwitcherLink = {0, 0, 5};
    rig.server.model.UpdateFlags = 256 | 512;
    rig.feed(AlphaFrame(10, 0, Numbered("S", 512)));
    EXPECT_EQ(rig.server.model.SourceAlphasRaw[3], "S3      ");
    EXPECT_EQ(rig.server.model.SourceSortTable[511], 511);
    EXPECT_EQ(rig.server.model.UpdateFlags, 512);
    EXPECT_EQ(rig.serial.written(), "");
    EXPECT_TRUE(rig.logged("512 Source Alpha Lables, Starting with 1"));
    EXPECT_EQ(rig.server.SwitcherLink.Connected, 1);
}

TEST(VelaAlphaTable, MoreSourcesGrowTheTablesAndAskForWhatDependsOnThem)
{
    VelaRig rig;
    rig.server.model.UpdateFlags = 0;
    rig.feed(AlphaFrame(10, 0, Numbered("S", 600)));
    const Model& m = rig.server.model;
    EXPECT_EQ(rig.serial.written(), BuildInfoRequestVela(17962112, NoneValue, 0));
    EXPECT_EQ(m.NumSources, 600);
    EXPECT_EQ(m.NumOptos, 600);
    EXPECT_EQ(m.SourceAlphasRaw[599], "S599    ");
    EXPECT_EQ(m.OptoAlphas.size(), 600u);
    EXPECT_EQ(m.InhibitMap[0].size(), 600u);

    rig.feed(AlphaFrame(20, 0, Numbered("D", 100)));
    EXPECT_EQ(m.NumDestinations, 100);
    EXPECT_EQ(m.NumRelays, 100);
    EXPECT_EQ(m.CrosspointMap.size(), 100u);
    EXPECT_EQ(m.DestinationAlphasRaw[99], "D99     ");
}

TEST(VelaAlphaTable, AFrameStartingLaterStillEndsTheTable)
{
    VelaRig rig;
    rig.feed(AlphaFrame(20, 500, Numbered("D", 12)));
    EXPECT_EQ(rig.server.model.NumDestinations, 512);
    EXPECT_EQ(rig.server.model.DestinationAlphasRaw[511], "D11     ");
    rig.feed(AlphaFrame(20, 500, Numbered("D", 2)));
    EXPECT_EQ(rig.server.model.NumDestinations, 502);
    EXPECT_EQ(rig.server.model.CrosspointMap.size(), 502u);
}

TEST(VelaAlphaTable, BadFramesStoreNothing)
{
    VelaRig rig;
    rig.server.model.UpdateFlags = 256;
    Bytes shortFrame = AlphaFrame(10, 0, Numbered("S", 4));
    shortFrame.erase(5, 3);
    rig.feed(Framed(shortFrame.substr(0, shortFrame.size() - 2)));
    EXPECT_TRUE(rig.errorLogged("Helm Message Length Error", "Source Alpha Lables"));
    // A count of 16383 names in a frame that carries one.
    rig.feed(Framed(B({0xFC, 10, 8}) + P(16383) + P(0) + "ABCDEFGH" + P(0)));
    EXPECT_EQ(rig.server.model.NumSources, 512);
    EXPECT_EQ(rig.server.model.SourceAlphasRaw[0], "");
    EXPECT_EQ(rig.serial.written(), "");

    rig.feed(WithBadChecksum(AlphaFrame(10, 0, Numbered("S", 4))));
    EXPECT_TRUE(rig.errorLogged("Vela Check Sum Error", "Source Alpha Lables"));
    EXPECT_EQ(rig.serial.written(), BuildInfoRequestVela(256, NoneValue, 0));
    EXPECT_EQ(rig.server.model.UpdateFlags, 256);
}

TEST(VelaAlphaTable, SalvoNamesAreSortedWithTheirNumbers)
{
    VelaRig rig;
    rig.feed(AlphaFrame(50, 0, {"beta", "Alpha", "gamma"}));
    const Model& m = rig.server.model;
    ASSERT_EQ(m.SalvoAlphas.size(), 3u);
    EXPECT_EQ(m.SalvoAlphas[0], "Alpha   ");
    EXPECT_EQ(m.SalvoAlphas[1], "beta    ");
    EXPECT_EQ(m.SalvoAlphas[2], "gamma   ");
    EXPECT_EQ(m.SalvoSortTable, (std::vector<int>{1, 0, 2}));
    EXPECT_TRUE(rig.logged("3 Salvo Alpha Table, Starting with 1"));
}

TEST(VelaAlphaTable, OptoAndRelayNamesStayWithinTheirTables)
{
    VelaRig rig;
    rig.feed(AlphaFrame(30, 510, {"O510", "O511", "O512"}));
    rig.feed(AlphaFrame(40, 0, {"R0"}));
    EXPECT_EQ(rig.server.model.OptoAlphas[511], "O511    ");
    EXPECT_EQ(rig.server.model.OptoAlphas.size(), 512u);
    EXPECT_EQ(rig.server.model.RelayAlphas[0], "R0      ");
    EXPECT_TRUE(rig.logged("3 Opto Alpha Table, Starting with 511"));
    rig.feed(AlphaFrame(70, 0, {"X"}));
    EXPECT_TRUE(rig.logged("1 Unknown Alpha Table, Starting with 1"));
}

TEST(VelaAlphaTable, TheFrameGoesToTheClientsThatWaitForIt)
{
    VelaRig rig;
    const int waiting = rig.connect(120);
    const int idle = rig.connect(120);
    const int panel = rig.connect(131);
    rig.client(waiting).PendingRequests = 512 | 256;
    const Bytes frame = AlphaFrame(20, 0, Numbered("D", 512));
    rig.feed(frame);
    EXPECT_EQ(rig.out(waiting), frame);
    EXPECT_EQ(rig.client(waiting).PendingRequests, 256);
    EXPECT_EQ(rig.out(idle), "");
    EXPECT_EQ(rig.out(panel), frame);
}
