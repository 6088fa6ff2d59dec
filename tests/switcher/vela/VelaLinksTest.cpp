// Stereo links (FA).
#include "switcher/vela/VelaRig.h"

#include <gtest/gtest.h>

using namespace vela_test;

namespace {

Bytes LinksFrame(int table, int first, const Bytes& links)
{
    return Framed(B({0xFA, table}) + P(static_cast<int>(links.size())) + P(first) + links);
}

}  // namespace

TEST(VelaLinks, LinkTypesAreStoredAndTheirTableCleared)
{
    VelaRig rig;
    rig.server.model.UpdateFlags = 1024 | 2048;
    rig.feed(LinksFrame(10, 4, B({1, 0, 3})));
    EXPECT_EQ(rig.server.model.SourceLinks[4], 1);
    EXPECT_EQ(rig.server.model.SourceLinks[6], 3);
    EXPECT_EQ(rig.server.model.UpdateFlags, 2048);
    EXPECT_TRUE(rig.logged("3 Source Links, Starting with 5"));

    rig.feed(LinksFrame(20, 510, B({2, 2, 2, 2})));
    EXPECT_EQ(rig.server.model.DestinationLinks[511], 2);
    EXPECT_EQ(rig.server.model.DestinationLinks.size(), 512u);
    EXPECT_EQ(rig.server.model.UpdateFlags, 0);
    EXPECT_TRUE(rig.logged("4 Destination Links, Starting with 511"));
}

TEST(VelaLinks, BadFramesStoreNothing)
{
    VelaRig rig;
    rig.feed(Framed(B({0xFA, 10}) + P(16383) + P(0) + B({1})));
    EXPECT_TRUE(rig.errorLogged("Vela Message Length Error", "Source Links"));
    rig.feed(WithBadChecksum(LinksFrame(20, 0, B({1}))));
    EXPECT_TRUE(rig.errorLogged("Vela Check Sum Error", "Destination Links"));
    EXPECT_EQ(rig.server.model.SourceLinks[0], 0);
    EXPECT_EQ(rig.server.model.DestinationLinks[0], 0);
}

TEST(VelaLinks, ClientsWaitingForEitherLinkTableGetBoth)
{
    VelaRig rig;
    const int waiting = rig.connect(120);
    const int idle = rig.connect(120);
    const int polled = rig.connect(120);
    rig.client(waiting).PendingRequests = 1024 | 2048;
    rig.client(polled).PolledUpdates = true;
    const Bytes sources = LinksFrame(10, 0, B({1, 1}));
    const Bytes destinations = LinksFrame(20, 0, B({1, 1}));
    rig.feed(sources);
    EXPECT_EQ(rig.client(waiting).PendingRequests, 2048);
    rig.feed(destinations);
    EXPECT_EQ(rig.out(waiting), sources + destinations);
    EXPECT_EQ(rig.client(waiting).PendingRequests, 0);
    EXPECT_EQ(rig.out(idle), "");
    EXPECT_EQ(rig.client(polled).PendingRequests, 1024 | 2048);
}
