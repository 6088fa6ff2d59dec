#include "model/Model.h"
#include "port/CrosspointWatch.h"

#include <gtest/gtest.h>

namespace {

Model MapOf(int destinations)
{
    Model m;
    m.NumDestinations = destinations;
    m.CrosspointMap.resize(static_cast<size_t>(destinations));
    return m;
}

}  // namespace

TEST(CrosspointWatch, ReportsEachChangeOnceWhateverResizedOrRewroteTheMap)
{
    Model m = MapOf(4);
    CrosspointWatch watch;
    watch.SeeAll(m);
    EXPECT_TRUE(watch.Changes(m).empty());

    // A whole map that arrives with two entries changed names just those two.
    m.CrosspointMap[1].Sources[0] = 7;
    m.CrosspointMap[3].Sources[0] = 16383;
    EXPECT_EQ(watch.Changes(m), (std::vector<int>{1, 3}));
    EXPECT_TRUE(watch.Changes(m).empty());

    // New destinations count as changed; a shrunk table, or a count past the
    // table, is never read beyond its end.
    m = MapOf(6);
    m.CrosspointMap[1].Sources[0] = 7;
    m.CrosspointMap[3].Sources[0] = 16383;
    EXPECT_EQ(watch.Changes(m), (std::vector<int>{4, 5}));
    m.NumDestinations = 9;
    EXPECT_TRUE(watch.Changes(m).empty());
    m = MapOf(2);
    EXPECT_EQ(watch.Changes(m), (std::vector<int>{1}));

    // Turning an output off leaves its source in place; it is a change all the same.
    m.CrosspointMap[0].SourceCount = 0;
    EXPECT_EQ(watch.Changes(m), (std::vector<int>{0}));
    m.CrosspointMap[0].SourceCount = 1;
    EXPECT_EQ(watch.Changes(m), (std::vector<int>{0}));
}

TEST(CrosspointWatch, TurningAnOutputOffAndRoutingItsSourceAgainAreBothChanges)
{
    Model m = MapOf(3);
    m.CrosspointMap[2].SourceCount = 0;
    CrosspointWatch watch;
    // Never seen, off or not, is a change.
    EXPECT_EQ(watch.Changes(m), (std::vector<int>{0, 1, 2}));
    m.CrosspointMap[1].Sources[0] = 5;
    watch.SeeAll(m);
    // A turn-off leaves the source in the record.
    m.CrosspointMap[1].SourceCount = 0;
    EXPECT_EQ(watch.Changes(m), (std::vector<int>{1}));
    m.CrosspointMap[1].SourceCount = 1;
    EXPECT_EQ(watch.Changes(m), (std::vector<int>{1}));
}
