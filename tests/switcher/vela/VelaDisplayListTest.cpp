// Source and destination display lists (DF).
#include "helm/ToHelm.h"
#include "switcher/vela/VelaRig.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vela_test;

namespace {

Bytes ListFrame(int table, int first, const std::vector<std::pair<std::string, std::vector<int>>>& lists)
{
    Bytes f = B({0xDF, table}) + P(first) + P(static_cast<int>(lists.size()));
    for (const auto& [name, members] : lists) {
        std::string field = name;
        field.resize(8, ' ');
        f += field + P(static_cast<int>(members.size()));
        for (int member : members)
            f += P(member);
    }
    return Framed(f);
}

}  // namespace

TEST(VelaDisplayLists, ListsAreStoredAndTheWholeTableRebuilt)
{
    VelaRig rig;
    const int helm = rig.connect(120);
    rig.server.model.UpdateFlags = 1048576 | 2097152;
    std::vector<std::pair<std::string, std::vector<int>>> lists(256);
    for (int i = 0; i < 256; ++i)
        lists[static_cast<size_t>(i)] = {"List" + std::to_string(i), {i, 255, 300}};
    const Bytes frame = ListFrame(10, 0, lists);
    rig.feed(frame);
    const DisplayListRecord& list = rig.server.model.SourceDisplayLists[7];
    EXPECT_EQ(list.Name, "List7   ");
    EXPECT_EQ(list.Members, (std::vector<int>{7, 255, 300}));
    EXPECT_EQ(rig.server.model.UpdateFlags, 2097152);
    EXPECT_TRUE(rig.logged("256 Source Display Lists, Starting with 1"));

    rig.out(helm).clear();
    rig.client(helm).PendingRequests = 1048576;
    SendDisplayListToClient(rig.server, 10);
    EXPECT_EQ(rig.out(helm), frame);

    rig.feed(ListFrame(20, 255, {{"Last", {1}}, {"Beyond", {2}}}));
    EXPECT_EQ(rig.server.model.DestinationDisplayLists[255].Name, "Last    ");
    EXPECT_EQ(rig.server.model.DestinationDisplayLists.size(), 256u);
}

TEST(VelaDisplayLists, AMemberCountBeyondTheFrameStoresNothing)
{
    VelaRig rig;
    rig.feed(Framed(B({0xDF, 10}) + P(0) + P(1) + "Huge    " + P(16000) + P(1)));
    EXPECT_TRUE(rig.errorLogged("Length Error", "Source Display Lists"));
    rig.feed(Framed(B({0xDF, 10}) + P(0) + P(16383) + "One     " + P(0)));
    rig.feed(WithBadChecksum(ListFrame(20, 0, {{"X", {}}})));
    EXPECT_TRUE(rig.errorLogged("Vela Check Sum Error", "Destination Display Lists"));
    EXPECT_EQ(rig.server.model.SourceDisplayLists[0].Name, "");
    EXPECT_EQ(rig.server.model.DestinationDisplayLists[0].Name, "");
}
