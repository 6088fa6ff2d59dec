#include "HelmRig.h"

namespace {

class HelmEncoders : public HelmTest {
protected:
    void SetUp() override
    {
        HelmTest::SetUp();
        Use(SwitcherType::Orion);
    }
};

TEST_F(HelmEncoders, FramesOfTheWireExamples)
{
    const int c = Connect();
    SendTakeToClients(s, 1, 0, 4);
    EXPECT_EQ(Sent(c), Raw({0xFE, 0x04, 0x00, 0x00, 0x00, 0x01, 0x00, 0x05, 0xFF}));

    CrosspointRecord& x = s.model.CrosspointMap[5];
    x.Sources[0] = 3;
    x.Levels[0] = 1024;
    EXPECT_EQ(BuildCrosspointMapMessage(s, 5, 1),
              Raw({0xF6, 0x00, 0x01, 0x00, 0x05, 0x00, 0x01, 0x00, 0x00, 0x03, 0x00, 0x00, 0x08, 0x12, 0xFF}));
    // The count is cut to the table, so it always matches the entries.
    EXPECT_EQ(BuildCrosspointMapMessage(s, 255, 5).substr(2, 4), Raw({0x01, 0x00, 0x7F, 0x01}));

    SendSwitcherTypeToClient(s, c);
    EXPECT_EQ(Sent(c), Raw({0xE5, 0x01, 0x01, 0x00, 0x31, 0x09, 0x00, 0x00, 0x3C, 0xFF}));
    SendNotificationToClient(s, c, 150);
    EXPECT_EQ(Sent(c), Raw({0xA4, 0x16, 0x01, 0x00, 0x00, 0x17, 0xFF}));

    Bytes names("\xFC", 1);
    AppendNameField(names, "DESK");
    AppendNameField(names, "LONGNAME12");
    AppendNameField(names, "\xC1\xE2");
    EXPECT_EQ(names,
              "\xFC"
              "DESK    "
              "LONGNAME"
              "Ab      ");
}

TEST_F(HelmEncoders, InhibitRunsAndTheLinkRule)
{
    s.model.NumSources = 4;
    s.model.NumDestinations = 2;
    s.model.InhibitMap.assign(2, 4);
    s.model.InhibitMap.setText(0, "0011");
    const int asked = Connect();
    const int idle = Connect();
    Client(asked).PendingRequests = ReplyBit::Inhibits;

    SendInhibitMapToClient(s);
    EXPECT_TRUE(Sent(asked).empty());
    EXPECT_EQ(Client(asked).PendingRequests, ReplyBit::Inhibits);

    Online();
    SendInhibitMapToClient(s);
    EXPECT_EQ(Sent(asked), HelmFrame({0xF8, 0x01, 0x02, 0x00, 0x00, 0x00,  //
                                      0x02, 0x00, 0x02, 0x00, 0x02, 0x40,  // "0011": two runs
                                      0x01, 0x00, 0x04, 0x00}));           // "0000": one run
    EXPECT_EQ(Client(asked).PendingRequests, 0);
    EXPECT_TRUE(Sent(idle).empty());

    // Soft panels get a changed map without asking, once.
    const int panel = Connect(131);
    s.InhibitMapChanged = true;
    SendInhibitMapToClient(s);
    EXPECT_FALSE(Sent(panel).empty());
    EXPECT_FALSE(s.InhibitMapChanged);
    SendInhibitMapToClient(s);
    EXPECT_TRUE(Sent(panel).empty());

    // Runs of more than 13 bits are split.
    s.model.NumSources = 9000;
    s.model.NumDestinations = 1;
    s.model.InhibitMap.assign(1, 9000);
    s.model.InhibitMap.setText(0, std::string(9000, '1'));
    Client(asked).PendingRequests = ReplyBit::Inhibits;
    SendInhibitMapToClient(s);
    EXPECT_EQ(Sent(asked).substr(6, 6), Raw({0x02, 0x00, 0x7F, 0x7F, 0x29, 0x46}));
}

TEST_F(HelmEncoders, AlphaTablesCarryNamesAndSortNumbers)
{
    Online();
    const int c = Connect();
    s.model.SourceAlphas[0] = "DESK";
    s.model.SourceSortTable[0] = 7;
    Client(c).PendingRequests = ReplyBit::SourceAlphas | ReplyBit::Salvos;
    SendAlphaTableToClient(s, s.model.SourceAlphas, 10, 0);
    const Bytes out = Sent(c);
    ASSERT_EQ(out.size(), 256u * 10 + 9);
    EXPECT_EQ(out.substr(0, 17),
              Raw({0xFC, 10, 8, 0x00, 0x02, 0x00, 0x00, 0x44, 0x45, 0x53, 0x4B, 0x20, 0x20, 0x20, 0x20, 0x07, 0x00}));
    EXPECT_EQ(Client(c).PendingRequests, ReplyBit::Salvos);

    // Salvo names come with the salvo events; the pair completes the request.
    s.model.NumSalvos = 1;
    s.model.SalvoAlphas = {"Morning"};
    s.model.SalvoSortTable = {0};
    SendAlphaTableToClient(s, s.model.SalvoAlphas, 50, 0);
    EXPECT_EQ(Client(c).PendingRequests, ReplyBit::Salvos);
    Sent(c);
    SendSalvoEventsToClient(s);
    const Bytes salvos = Sent(c);
    EXPECT_EQ(salvos.substr(0, 7), Raw({0xFC, 50, 8, 1, 0, 0, 0}));
    EXPECT_EQ(salvos.substr(19, 8), Raw({0xEB, 0x32, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Client(c).PendingRequests, 0);
}

TEST_F(HelmEncoders, HelmPcRepliesAndTheDescriptionThatFollowsTheStateOnce)
{
    Online();
    const int pc = Connect();
    const int automation = Connect(125);
    SendStateToClient(s);
    const Bytes first = Sent(pc);
    EXPECT_TRUE(Sent(automation).empty());
    // Orion frame 0: 21 cards; card 1 has 8 ports of 2 channels.
    ASSERT_GE(first.size(), 16u);
    EXPECT_EQ(first.substr(0, 11), Raw({0xE1, 0x00, 0x01, 0x00, 0x01, 21, 0x00, 0x00, 0x00, 0x00, 0x00}));
    const size_t descriptionAt = first.find('\xE4');
    ASSERT_NE(descriptionAt, Bytes::npos);
    EXPECT_EQ(first.substr(descriptionAt, 6), Raw({0xE4, 0x00, 0x01, 21, 0x00, 8}));
    EXPECT_TRUE(Client(pc).DescriptionSent);

    SendStateToClient(s);
    EXPECT_EQ(Sent(pc).find('\xE4'), Bytes::npos);

    s.model.SwitcherType = SwitcherType::PassThru;
    SendDescriptionToClient(s);
    EXPECT_TRUE(Sent(pc).empty());

    // A card that has not reported a version says so in 16 characters.
    s.model.SwitcherType = SwitcherType::Orion;
    s.model.CardVersions[0][1] = "v2.1";
    SendVersionInfoToClient(s);
    const Bytes version = Sent(pc);
    EXPECT_EQ(version.substr(0, 4), Raw({0xE5, 0x00, 0x01, 0x00}));
    EXPECT_EQ(version.substr(4, 5 + 16), Raw({0, 0, 0, 0, 16}) + "Not Defined     ");
    EXPECT_EQ(version.substr(25, 5 + 4), Raw({0, 1, 0, 0, 4}) + "v2.1");
}

TEST_F(HelmEncoders, TalliesGainsAndOffsets)
{
    const int pc = Connect();
    const int automation = Connect(125);
    const int panel = Connect(131);
    s.model.RelayStates[5] = 1;
    SendRelayOptoTallyToClients(s, 40, 5);
    const Bytes tally = HelmFrame({0xF7, 40, 0x01, 0x00, 0x05, 0x00, 0x01});
    EXPECT_EQ(Sent(pc), tally);
    EXPECT_EQ(Sent(automation), tally);
    EXPECT_TRUE(Sent(panel).empty());
    SendRelayOptoTallyToClients(s, 40, 9999);
    EXPECT_TRUE(Sent(pc).empty());

    Online();
    Client(pc).PendingRequests = ReplyBit::Gains | ReplyBit::GainOffsets;
    SendGainToClient(s);
    EXPECT_TRUE(Sent(pc).empty());  // gains exist on a Vela only

    s.model.GainOffsets = {80, -3};
    SendGainOffsetToClient(s);
    EXPECT_EQ(Sent(pc), HelmFrame({0xEE, 0x00, 0x50, 0x00, 0x7D, 0x7F}));
    EXPECT_EQ(Client(pc).PendingRequests, ReplyBit::Gains);
}

TEST_F(HelmEncoders, AStuckClientIsDroppedAndTheOthersStillServed)
{
    Online();
    const int stuck = Connect();
    const int fine = Connect();
    Client(stuck).PendingRequests = Client(fine).PendingRequests = ReplyBit::RelayStates;
    rig.sockets.conn(Port::Helm, stuck).full = true;
    SendRelayOptoStateToClient(s, 40);
    EXPECT_FALSE(rig.sockets.isConnected(Port::Helm, stuck));
    EXPECT_FALSE(Client(stuck).Connected);
    const Bytes out = Sent(fine);
    ASSERT_EQ(out.size(), 256u + 6);
    EXPECT_EQ(out.substr(0, 4), Raw({0xF7, 40, 0x00, 0x02}));
    EXPECT_EQ(Client(fine).PendingRequests, 0);
}

}  // namespace
