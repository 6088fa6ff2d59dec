#include "HelmRig.h"

#include "disk/SoftPanelFiles.h"
#include "switcher/orion/OrionFrames.h"
#include "switcher/vela/ToVela.h"

#include <functional>
#include <random>

namespace {

// Encodes from a filled model, then uploads what the client was sent into a
// fresh model of the same family: what comes out must be what went in.
class HelmUploads : public HelmTest {
protected:
    void SetUp() override
    {
        HelmTest::SetUp();
        Use(SwitcherType::Orion);
        Online();
        client = Connect();
    }
    // The frames a reply sends for Bit, split at their FF bytes.
    std::vector<Bytes> Reply(int64_t Bit, const std::function<void()>& Send)
    {
        Client(client).PendingRequests = Bit;
        Send();
        std::vector<Bytes> frames;
        Bytes out = Sent(client);
        for (size_t end; (end = out.find('\xFF')) != Bytes::npos;) {
            frames.push_back(out.substr(0, end + 1));
            out.erase(0, end + 1);
        }
        return frames;
    }
    void FreshModel()
    {
        const SwitcherType type = s.model.SwitcherType;
        s.model = Model{};
        Use(type);
    }
    void Upload(const std::vector<Bytes>& Frames)
    {
        for (const Bytes& f : Frames)
            Feed(client, f);
    }

    int client = 0;
};

TEST_F(HelmUploads, NamesInhibitsAndLinksRoundTrip)
{
    Model& m = s.model;
    for (int i = 0; i < 256; ++i) {
        m.SourceAlphas[static_cast<size_t>(i)] = "In " + Digits(i, 5);
        m.SourceSortTable[static_cast<size_t>(i)] = 255 - i;
        m.InhibitMap.setText(static_cast<size_t>(i), std::string(static_cast<size_t>(i), '1'));
        m.DestinationLinks[static_cast<size_t>(i)] = i % 4;
    }
    const Model sent = m;
    const auto names = Reply(ReplyBit::SourceAlphas, [&] { SendAlphaTableToClient(s, m.SourceAlphas, 10, 0); });
    const auto inhibits = Reply(ReplyBit::Inhibits, [&] { SendInhibitMapToClient(s); });
    const auto links = Reply(ReplyBit::DestinationLinks, [&] { SendLinksToClient(s, m.DestinationLinks, 20, 0); });

    FreshModel();
    Upload(names);
    Upload(inhibits);
    Upload(links);
    EXPECT_EQ(m.SourceAlphas, sent.SourceAlphas);
    // Each name reaches the switcher's order at its own number.
    for (size_t i = 0; i < 256; ++i)
        EXPECT_EQ(m.SourceAlphasRaw[static_cast<size_t>(sent.SourceSortTable[i])], sent.SourceAlphas[i]);
    EXPECT_EQ(m.SourceSortTable, sent.SourceSortTable);
    EXPECT_EQ(m.InhibitMap, sent.InhibitMap);
    EXPECT_EQ(m.DestinationLinks, sent.DestinationLinks);
    EXPECT_TRUE(Shown("256 Source Alpha Table, Starting at 1"));
    EXPECT_TRUE(Shown("256 Inhibit Maps, Starting at Output 1"));
    EXPECT_TRUE(Shown("256 Destination Links, Starting at 1"));
}

TEST_F(HelmUploads, ANameReachesAnOrionAtItsOwnNumberWithTheOthersUnmoved)
{
    rig.serial.opened = true;
    // Switcher order IN000, IN005, IN010, ...: the name order is another one.
    for (int table : {TableSources, TableDestinations}) {
        std::vector<std::string> raw;
        for (int i = 0; i < 256; ++i)
            raw.push_back("IN" + Digits((5 * i) % 256, 3) + "   ");
        SaveAlphaNdf(s, raw, table);
        // Number 1 (IN005) stands sixth in name order.
        Bytes upload = Raw({0xFC, table, 8, 1, 0, 5, 0}) + "NEWNAME1" + Raw({1, 0});
        AppendChecksumAndEnd(upload);
        Feed(client, upload);
        raw[1] = "NEWNAME1";
        const unsigned char command = table == TableSources ? 0xFC : 0xFB;
        EXPECT_NE(SerialSent().find(BuildOrionAlphaTable(command, raw, 256)), Bytes::npos) << table;
    }
}

TEST_F(HelmUploads, ButtonsAndSalvosRoundTrip)
{
    Model& m = s.model;
    for (int d = 0; d < 256; ++d)
        m.TemplateAssignment[static_cast<size_t>(d)] = d % 70;
    ButtonRecord& b = m.ButtonData[3][9];
    b.Value = 300;
    b.Count = 3;
    b.Values = {};
    b.Values[0] = 1;
    b.Values[1] = 16000;
    b.Values[2] = 5;
    m.NumSalvos = 3;
    m.SalvoAlphas = {"Morning ", "Noon    ", "Night   "};
    m.SalvoSortTable = {0, 1, 2};
    m.NumSalvoEvents = 3;
    m.SalvoEvents.assign(3, SalvoEventRecord{});
    m.SalvoEvents[0].Salvo = 0;
    m.SalvoEvents[1].Salvo = 2;
    m.SalvoEvents[2].Salvo = 2;
    m.SalvoEvents[2].Flags = {1, 2, 3};
    m.SalvoEvents[2].Values = {10, 20, 300, 4000, 16383};
    const Model sent = m;
    const auto buttons = Reply(ReplyBit::Buttons, [&] { SendButtonTablesToClient(s); });
    ASSERT_EQ(buttons.size(), 1u + 64);
    const auto salvos = Reply(ReplyBit::Salvos, [&] { SendSalvoEventsToClient(s); });

    FreshModel();
    Upload(buttons);
    Upload(salvos);
    // The upload is kept for the switcher; what clients see waits for its report.
    EXPECT_EQ(m.ClientTemplateAssignment, sent.TemplateAssignment);
    EXPECT_EQ(m.TemplateAssignment, std::vector<int>(256, 64));
    for (size_t t = 0; t < sent.ButtonData.size(); ++t)
        for (size_t k = 0; k < sent.ButtonData[t].size(); ++k) {
            const ButtonRecord& want = sent.ButtonData[t][k];
            const ButtonRecord& got = m.ButtonTemplates[t][k];
            EXPECT_EQ(got.Value, want.Value);
            EXPECT_EQ(got.Count, want.Count);
            EXPECT_TRUE(std::equal(got.Values.begin(), got.Values.begin() + got.Count, want.Values.begin()));
        }
    EXPECT_EQ(m.SalvoAlphas, sent.SalvoAlphas);
    EXPECT_EQ(m.ClientSalvoCount, 3);
    ASSERT_EQ(m.ClientSalvoEventCount, 3);
    for (size_t e = 0; e < 3; ++e) {
        EXPECT_EQ(m.ClientSalvoEvents[e].Salvo, sent.SalvoEvents[e].Salvo);
        EXPECT_EQ(m.ClientSalvoEvents[e].Flags, sent.SalvoEvents[e].Flags);
        EXPECT_EQ(m.ClientSalvoEvents[e].Values, sent.SalvoEvents[e].Values);
    }
    EXPECT_EQ(m.ClientSalvoEvents[1].Name, "Night   ");
    EXPECT_TRUE(Shown("3 Salvo Events"));
}

TEST_F(HelmUploads, StateConfigurationGainsAndTheRestRoundTrip)
{
    Model& m = s.model;
    CardRecord& card = m.SwitcherConfig[0].Cards[2];
    card.Present = 1;
    card.TypeCode = 2900;
    card.Settings = {1, 2, 3};
    card.Ports[4].State = 9;
    card.Ports[4].TypeCode = 2910;
    card.Ports[4].Channels[1].State = 5;
    card.Ports[4].Channels[1].Settings = {8, 7, 6, 5, 4, 3, 2, 16383};
    m.SourceGains[7] = GainRecord{448, 1500, 0, 0};
    m.DestinationGains[255] = GainRecord{0, 16383, 0, 0};
    m.ClockMode = 2;
    m.ClockSetting = 20;
    m.GainOffsets = {80, -4000};
    m.RelayConfig[10] = 1234;
    m.SourceDisplayLists[4] = DisplayListRecord{"Studio A", {1, 2, EmptyDisplayMember}};
    m.DestinationDisplayLists[255] = DisplayListRecord{"Last    ", {}};
    m.CrosspointMap[9].SourceCount = 2;
    m.CrosspointMap[9].Sources[1] = 44;
    m.CrosspointMap[9].Levels[1] = 900;
    m.CrosspointMap[9].SumFlag = 1;
    const Model sent = m;
    Client(client).DescriptionSent = true;  // no upload takes a description

    std::vector<Bytes> frames;
    for (const auto& [bit, send] : std::vector<std::pair<int64_t, std::function<void()>>>{
             {ReplyBit::State, [&] { SendStateToClient(s); }},
             {ReplyBit::Config, [&] { SendSwitcherConfigToClient(s); }},
             {ReplyBit::Clock, [&] { SendClockToClient(s); }},
             {ReplyBit::GainOffsets, [&] { SendGainOffsetToClient(s); }},
             {ReplyBit::RelayConfig, [&] { SendRelayConfigToClient(s); }},
             {ReplyBit::SourceDisplayList, [&] { SendDisplayListToClient(s, 10); }},
             {ReplyBit::DestinationDisplayList, [&] { SendDisplayListToClient(s, 20); }},
             {ReplyBit::Crosspoints, [&] { SendCrosspointMap(s, client); }},
         }) {
        const auto reply = Reply(bit, send);
        frames.insert(frames.end(), reply.begin(), reply.end());
    }
    // Gains are a Vela's; the upload stores them for any family.
    s.model.SwitcherType = SwitcherType::Vela;
    const auto gains = Reply(ReplyBit::Gains, [&] { SendGainToClient(s); });
    ASSERT_EQ(gains.size(), 5u);
    s.model.SwitcherType = SwitcherType::Orion;
    frames.insert(frames.end(), gains.begin(), gains.end());

    FreshModel();
    Upload(frames);
    const CardRecord& want = sent.SwitcherConfig[0].Cards[2];
    const CardRecord& got = m.SwitcherConfig[0].Cards[2];
    EXPECT_EQ(got.Present, 1);
    EXPECT_EQ(got.TypeCode, 2900);
    EXPECT_EQ(got.Settings, want.Settings);
    EXPECT_EQ(got.Ports[4].State, 9);
    EXPECT_EQ(got.Ports[4].TypeCode, 2910);
    ASSERT_EQ(got.Ports[4].Channels.size(), 2u);
    EXPECT_EQ(got.Ports[4].Channels[1].State, 5);
    EXPECT_EQ(got.Ports[4].Channels[1].Settings, want.Ports[4].Channels[1].Settings);
    EXPECT_EQ(m.SourceGains[7].Level1, 448);
    EXPECT_EQ(m.SourceGains[7].Level2, 1500);
    EXPECT_EQ(m.DestinationGains[255].Level1, 0);
    EXPECT_EQ(m.DestinationGains[255].Level2, 16383);
    EXPECT_EQ(m.ClockMode, 2);
    EXPECT_EQ(m.ClockSetting, 20);
    EXPECT_EQ(m.GainOffsets, sent.GainOffsets);
    EXPECT_EQ(m.RelayConfig, sent.RelayConfig);
    EXPECT_EQ(m.SourceDisplayLists[4].Name, "Studio A");
    EXPECT_EQ(m.SourceDisplayLists[4].Members, sent.SourceDisplayLists[4].Members);
    EXPECT_EQ(m.DestinationDisplayLists[255].Name, "Last    ");
    EXPECT_EQ(m.CrosspointMap[9].SourceCount, 2);
    EXPECT_EQ(m.CrosspointMap[9].Sources[1], 44);
    EXPECT_EQ(m.CrosspointMap[9].Levels[1], 900);
    EXPECT_EQ(m.CrosspointMap[9].SumFlag, 1);
    EXPECT_TRUE(Shown("Received State Message"));
    EXPECT_TRUE(Shown("Configuration Message"));
    EXPECT_TRUE(Shown("256 Starting with 0"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("Errorlog.txt")));
}

TEST_F(HelmUploads, TransitionSettingsReplaceTheFirstBytesOfEachRecord)
{
    s.model.TransitionControl.assign(256, {9, 9, 9, 9, 9, 9});
    s.model.TransitionControl[3] = {1, 2, 3, 4, 5, 6};
    const auto frames = Reply(ReplyBit::TransitionControl, [&] { SendTransitionControlToClient(s, client); });
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].size(), 256u * 4 + 9);
    s.model.TransitionControl.assign(256, {});
    Upload(frames);
    EXPECT_EQ(s.model.TransitionControl[3], (std::array<uint8_t, 6>{1, 2, 3, 4, 0, 0}));
    EXPECT_TRUE(Shown("256 Transition Controls"));
}

TEST_F(HelmUploads, AVelaGetsTheFrameAndIsAskedForTheTableBack)
{
    Use(SwitcherType::Vela);
    rig.serial.opened = true;
    const std::vector<std::pair<Bytes, int64_t>> uploads = {
        {HelmFrame({0xFC, 20, 2, 1, 0, 3, 0, 'A', 'B', 4, 0}), 512},
        {HelmFrame({0xF8, 1, 1, 0, 0, 0, 1, 0, 4, 0}), 4096},
        {HelmFrame({0xFA, 10, 2, 0, 0, 0, 1, 1}), 1024},
        {HelmFrame({0xEE, 0, 80, 0, 80, 0}), 4194304},
        {HelmFrame({0xE3, 1, 0, 1, 0, 5, 0, 64, 3}), 32768},
    };
    for (const auto& [frame, bit] : uploads) {
        SCOPED_TRACE(HexText(ByteAt(frame, 0)));
        Feed(client, frame);
        EXPECT_EQ(SerialSent(), frame + BuildInfoRequestVela(bit, NoneValue, 0));
    }
    EXPECT_EQ(s.model.DestinationAlphas[3], "");
    EXPECT_EQ(s.model.SourceLinks[0], 0);
    EXPECT_EQ(s.model.GainOffsets[0], 0);
    EXPECT_TRUE(Shown("1 Destination Alpha Table"));
}

TEST_F(HelmUploads, CountsAreCutToTheTablesAndNeverReadPastTheFrame)
{
    Model& m = s.model;
    // Names land at start .. start + count - 1; those past the table are dropped.
    Bytes names = Raw({0xFC, 10, 2, 10, 0, 0x7A, 0x01});
    for (int i = 0; i < 10; ++i)
        names += Raw({'N', '0' + i, i, 0});
    AppendChecksumAndEnd(names);
    Feed(client, names);
    EXPECT_EQ(m.SourceAlphas[250], "N0");
    EXPECT_EQ(m.SourceAlphas[255], "N5");
    EXPECT_EQ(m.SourceSortTable[255], 5);
    EXPECT_EQ(m.SourceAlphas.size(), 256u);
    EXPECT_TRUE(Shown("10 Source Alpha Table, Starting at 251"));

    // 100 sources for one destination: 65 are kept.
    Bytes map = Raw({0xF6, 0, 1, 0, 2, 0, 100, 0, 0});
    for (int k = 0; k < 100; ++k)
        map += Raw({k, 0, 0, 8});
    AppendChecksumAndEnd(map);
    Feed(client, map);
    EXPECT_EQ(m.CrosspointMap[2].SourceCount, MaxSourceEntries);
    EXPECT_EQ(m.CrosspointMap[2].Sources[64], 64);

    // A run far longer than the sources, for an output past the table.
    Feed(client, HelmFrame({0xF8, 1, 2, 0, 0x7F, 0x01, 1, 0, 0x7F, 0x7F, 1, 0, 0x7F, 0x7F}));
    EXPECT_EQ(m.InhibitMap.text(255), std::string(256, '1'));
    EXPECT_EQ(m.InhibitMap.size(), 256u);

    // Template 200 does not exist on an Orion (64 templates).
    const auto before = m.ButtonTemplates;
    Feed(client, HelmFrame({0xFD, 0, 0x48, 0x01, 1, 0, 5, 0, 0, 0}));
    EXPECT_TRUE(Shown("1 Button Templates, Starting with 200"));
    EXPECT_EQ(m.ButtonTemplates.size(), before.size());

    struct Lie {
        Bytes Frame;
        const char* Text;
        const char* Location;
    };
    const char* length = "Helm Message Length Error";
    const Lie lies[] = {
        {HelmFrame({0xFC, 10, 8, 0x7F, 0x7F, 0, 0, 'A'}), length, "Source Alpha Table"},
        {HelmFrame({0xF8, 1, 0x7F, 0x7F, 0, 0, 0x7F, 0x7F}), length, "Inhibit Map"},
        {HelmFrame({0xFA, 20, 0x7F, 0x7F, 0, 0, 1}), length, "Destination Links"},
        {HelmFrame({0xFB, 0, 3, 0, 0, 0, 1, 0}), length, "Template Table"},
        {HelmFrame({0xFD, 0, 1, 0, 2, 0, 1, 0, 0x7F, 0x7F}), length, "Button Info"},
        {HelmFrame({0xEB, 0x32, 1, 0, 0x7F, 0x7F, 0, 0, 1, 0}), length, "Salvo Events"},
        {HelmFrame({0xE1, 0, 1, 0, 1, 0x7F, 0}), length, "State Message"},
        {HelmFrame({0xE2, 0, 1, 0, 1, 0, 0, 0}), length, "Config Message"},
        {HelmFrame({0xDF, 10, 0, 0, 1, 0, 'L', 'I', 'S', 'T', ' ', ' ', ' ', ' ', 0x7F, 0x7F, 1, 0}),
         "Vela Message Length Error", "Source Display List"},
        {HelmFrame({0xF9, 0, 0x7F, 0x7F, 0, 0}), "Relay Config Length Error", "Relay Configuration"},
        {HelmFrame({0xF6, 0, 1, 0, 0, 0, 0x7F, 0x7F, 0}), "Message Length Error", "Crosspoint Map"},
        {HelmFrame({0xD2, 0x0A, 0x7F, 0x7F, 0, 0, 0x7F}), "Length Error", "Helm Transition Control"},
        {HelmFrame({0xE3, 1, 0, 0x7F, 0x7F, 0, 0}), "Length Error", "Gain Message"},
        {HelmFrame({0xEC, 0x7F, 0x7F, 1}), "Length Error", "Serial Message"},
    };
    const Model kept = m;
    for (const Lie& lie : lies) {
        SCOPED_TRACE(lie.Location);
        Feed(client, lie.Frame);
        EXPECT_TRUE(ErrorLogged(lie.Text, lie.Location));
    }
    EXPECT_EQ(m.SourceAlphas, kept.SourceAlphas);
    EXPECT_EQ(m.InhibitMap, kept.InhibitMap);
    EXPECT_EQ(m.DestinationLinks, kept.DestinationLinks);
    EXPECT_EQ(m.TemplateAssignment, kept.TemplateAssignment);
    EXPECT_EQ(m.ClientSalvoEventCount, kept.ClientSalvoEventCount);
    EXPECT_EQ(m.RelayConfig, kept.RelayConfig);
    EXPECT_EQ(m.CrosspointMap[0].Sources, kept.CrosspointMap[0].Sources);
    EXPECT_EQ(m.SourceDisplayLists[0].Members, kept.SourceDisplayLists[0].Members);
}

// Frames with right checksums but arbitrary contents, for every command and
// family: nothing may crash, and no table may change its shape.
TEST_F(HelmUploads, ArbitraryFramesKeepEveryTableInShape)
{
    s.cfg.MaintainErrorLog = false;
    s.cfg.MaintainLogFile = false;
    rig.serial.opened = true;
    const int commands[] = {0xFE, 0xF6, 0xFC, 0xEF, 0xF8, 0xF2, 0xFA, 0xFB, 0xFD, 0xEB, 0xEA, 0xE1,
                            0xE2, 0xDF, 0xE3, 0xEE, 0xED, 0xEC, 0xF9, 0xDE, 0xA5, 0xA4, 0xD2};
    std::mt19937 random(1234);
    for (SwitcherType type : {SwitcherType::Orion, SwitcherType::Draco, SwitcherType::Vela}) {
        Use(type);
        const Model& m = s.model;
        const size_t outputs = m.CrosspointMap.size();
        for (int round = 0; round < 300; ++round)
            for (int command : commands) {
                Bytes f(1, static_cast<char>(command));
                const size_t length = random() % 40;
                for (size_t i = 0; i < length; ++i)
                    f += static_cast<char>(random() % 3 == 0 ? 0x7F : random() % 128);
                AppendChecksumAndEnd(f);
                Feed(client, f);
                Sent(client);
                SerialSent();
            }
        SCOPED_TRACE(TypeCode(type));
        EXPECT_EQ(m.CrosspointMap.size(), outputs);
        EXPECT_EQ(m.InhibitMap.size(), outputs);
        EXPECT_EQ(m.InhibitMap.sources(), static_cast<size_t>(m.NumSources));
        EXPECT_EQ(m.SourceAlphas.size(), static_cast<size_t>(m.NumSources));
        EXPECT_EQ(m.SourceDisplayLists.size(), static_cast<size_t>(DisplayListCount));
        EXPECT_EQ(m.ButtonTemplates.size(), static_cast<size_t>(m.NumTemplates));
        EXPECT_EQ(m.RelayConfig.size(), static_cast<size_t>(m.NumRelays));
        EXPECT_LE(m.SalvoAlphas.size(), 2u * NoneValue);
        for (const CrosspointRecord& x : m.CrosspointMap)
            EXPECT_LE(x.SourceCount, MaxSourceEntries);
    }
}

}  // namespace
