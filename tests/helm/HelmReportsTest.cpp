// What the Helm clients are told when a switcher decoder announces a change:
// the frame shape of the family decides between forwarded frames, replies
// built from the model, crosspoint maps and take frames.
#include "helm/HelmRig.h"

TEST_F(HelmTest, AnnouncementsReachTheClientsInTheShapeTheFamilyNeeds)
{
    Use(SwitcherType::Orion);
    Online();
    const int c = Connect();
    s.model.SourceAlphas[0] = "Mic 1";

    // An Orion's report is told as a reply built from the model...
    Client(c).PendingRequests = UpdateBit::SourceAlphas;
    s.reports().TableChanged(s, UpdateBit::SourceAlphas, 0, 0);
    const Bytes announced = Sent(c);
    Client(c).PendingRequests = UpdateBit::SourceAlphas;
    SendAlphaTableToClient(s, s.model.SourceAlphas, TableSources, 0);
    EXPECT_EQ(announced, Sent(c));
    EXPECT_FALSE(announced.empty());
    // ... and its takes as take frames.
    s.reports().CrosspointChanged(s, 18, 3, 4);
    EXPECT_EQ(Sent(c), HelmFrame({0xFE, 4, 0, 3, 0, 18, 0}));

    // A Vela's own frames are the replies: nothing is built again for a
    // table, and a take is told as the output's crosspoint map.
    Use(SwitcherType::Vela);
    Client(c).PendingRequests = UpdateBit::SourceAlphas;
    s.reports().TableChanged(s, UpdateBit::SourceAlphas, 0, 0);
    EXPECT_EQ(Sent(c), "");
    s.model.CrosspointMap[18].Sources[0] = 3;
    s.reports().CrosspointChanged(s, 18, 3, 4);
    EXPECT_EQ(Sent(c), BuildCrosspointMapMessage(s, 18, 1));
    const Bytes frame = HelmFrame({0xE5, 0, 1});
    s.reports().ForwardFrame(s, frame, FrameAudience::HelmPCs, 0, UpdateBit::Version);
    EXPECT_EQ(Sent(c), frame);
}
