// The Draco decoder and its handlers: framing, checks, the model, the
// forwards to Helm clients, consoles and soft panel files.
#include "DracoRig.h"

#include "core/Lifecycle.h"
#include "helm/ToHelm.h"

#include <gtest/gtest.h>

using namespace draco_test;

namespace {

const Bytes TakeIn6Out4 = Wire({0xFE, 0x00, 0x03, 0x05, 0x00, 0x05, 0xFF});

std::vector<int> Repeat(size_t n, int value) { return std::vector<int>(n, value); }

Bytes Names(unsigned char command, const std::vector<std::string>& names)
{
    return BuildAlphaTableDraco(names, command == 0xFC ? 10 : 20);
}

}  // namespace

TEST(DracoDecoder, JunkGoesOneBytePerCallThenATakeReachesEveryone)
{
    DracoRig rig;
    const int pc = rig.connect();
    rig.feed(Wire({0x05, 0x41}) + TakeIn6Out4);
    EXPECT_EQ(rig.server.SerialBuffer, Wire({0x41}) + TakeIn6Out4);
    rig.feed(Bytes());
    EXPECT_EQ(rig.server.SerialBuffer, TakeIn6Out4);
    rig.feed(Bytes());
    EXPECT_TRUE(rig.server.SerialBuffer.empty());
    EXPECT_EQ(rig.server.model.CrosspointMap[3].Sources[0], 5);
    EXPECT_TRUE(rig.logged("Take - In:006-->Out:004"));
    // The take report: type 4, input 5, output 3.
    EXPECT_EQ(rig.out(pc), Wire({0xFE, 0x04, 0x00, 0x05, 0x00, 0x03, 0x00, 0x0C, 0xFF}));
    // Written even without soft panel support.
    const Bytes lxpt = rig.dir.read("lxptmap.ndf");
    ASSERT_GE(lxpt.size(), 19u);
    EXPECT_EQ(lxpt.substr(17, 2), Wire({0x05, 0x00}));
    EXPECT_FALSE(rig.dir.exists("xptmap.ndf"));
}

TEST(DracoDecoder, ATakeWithABadCheckByteIsLoggedAndKeptButOneOutsideTheSwitcherIsDropped)
{
    DracoRig rig;
    const int pc = rig.connect();
    rig.feed(Wire({0xFE, 0x00, 0x03, 0x05, 0x00, 0x06, 0xFF}));
    EXPECT_EQ(rig.server.model.CrosspointMap[3].Sources[0], 5);
    EXPECT_TRUE(rig.errorLogged("Switcher Check Sum Error", "Take Command"));

    rig.out(pc).clear();
    rig.display.history.clear();
    // Destination 15 x 16 + 15 = 255, source 2 x 128 + 1 = 257.
    rig.feed(Wire({0xFE, 0x0F, 0x0F, 0x01, 0x00, 0x01, 0xFF}));
    rig.feed(Wire({0xFE, 0x00, 0x01, 0x01, 0x02, 0x01, 0xFF}));
    EXPECT_TRUE(rig.out(pc).empty());
    EXPECT_TRUE(rig.display.history.empty());
    EXPECT_EQ(rig.server.model.CrosspointMap[1].Sources[0], 0);
}

TEST(DracoDecoder, FramingEdges)
{
    DracoRig rig;
    // A frame without its end waits untouched.
    rig.feed(Wire({0xFE, 0x00, 0x03}));
    EXPECT_EQ(rig.server.SerialBuffer, Wire({0xFE, 0x00, 0x03}));
    // A command byte inside it: the broken front goes, the map is decoded in the same call.
    std::vector<int> map(32);
    for (size_t d = 0; d < 32; ++d)
        map[d] = static_cast<int>(31 - d);
    rig.feed(Values(0xF6, map));
    EXPECT_TRUE(rig.server.SerialBuffer.empty());
    EXPECT_TRUE(rig.errorLogged("Incomplete Message FE", "Switcher"));
    EXPECT_EQ(rig.server.model.CrosspointMap[0].Sources[0], 31);
    EXPECT_TRUE(rig.logged("32 Crosspoint Maps"));

    // F3 is one byte, logged, never a box.
    rig.feed(Wire({0xF3}) + TakeIn6Out4);
    EXPECT_EQ(rig.server.SerialBuffer, TakeIn6Out4);
    EXPECT_TRUE(rig.errorLogged("NACK received from Switcher", "Message Error"));
    EXPECT_TRUE(rig.display.boxes.empty());
    rig.drain();

    // Unexpected and unknown commands name their byte, with no space before it; ED and E5 pass silently.
    for (int command : {0xEF, 0xE7, 0x90, 0xC7, 0xED, 0xE5})
        rig.feed(Wire({command, 0x01, 0x01, 0xFF}));
    EXPECT_TRUE(rig.errorLogged("Unexpected CommandEF", "Switcher"));
    EXPECT_TRUE(rig.errorLogged("Unexpected CommandE7", "Switcher"));
    EXPECT_TRUE(rig.errorLogged("Unknown Command90", "Switcher"));
    EXPECT_TRUE(rig.errorLogged("Unknown CommandC7", "Switcher"));
    EXPECT_FALSE(rig.errorLogged("ED", "Switcher"));
    EXPECT_FALSE(rig.errorLogged("E5", "Switcher"));
}

TEST(DracoDecoder, ACrosspointMapWithABadCheckByteChangesNothingAndEntriesOutsideTheSwitcherAreSkipped)
{
    DracoRig rig;
    rig.server.model.UpdateFlags = UpdateBit::Crosspoints;
    std::vector<int> map = Repeat(32, 7);
    rig.feed(WithBadChecksum(Values(0xF6, map)));
    EXPECT_EQ(rig.server.model.CrosspointMap[0].Sources[0], 0);
    EXPECT_TRUE(rig.errorLogged("Switcher Check Sum Error", "DracoCrosspointMap"));
    EXPECT_EQ(rig.server.model.UpdateFlags, UpdateBit::Crosspoints);

    // Every client gets the new map, asked for or not.
    const int pc = rig.connect();
    const int panel = rig.connect(FirstPanelClientType);
    map[1] = 300;  // once stored as a byte: 44
    map[2] = 32;
    rig.feed(Values(0xF6, map));
    EXPECT_EQ(rig.server.model.CrosspointMap[0].Sources[0], 7);
    EXPECT_EQ(rig.server.model.CrosspointMap[1].Sources[0], 0);
    EXPECT_EQ(rig.server.model.CrosspointMap[2].Sources[0], 0);
    EXPECT_EQ(rig.server.model.UpdateFlags, 0);
    EXPECT_EQ(rig.out(pc), BuildCrosspointMapMessage(rig.server, 0, 32));
    EXPECT_EQ(rig.out(panel), BuildCrosspointMapMessage(rig.server, 0, 32));
}

TEST(DracoHandlers, NamesKeepSwitcherOrderRawAndNameOrderWithEachNamesOwnNumber)
{
    DracoRig rig;
    rig.server.model.UpdateFlags = UpdateBit::SourceAlphas | UpdateBit::Buttons;
    const int pc = rig.connect();
    rig.server.HelmClients[pc].PendingRequests = ReplyBit::SourceAlphas;
    rig.server.HelmClientsActive = true;
    std::vector<std::string> names;
    for (int i = 0; i < 32; ++i)
        names.push_back("Z" + Digits(31 - i, 2) + "     ");
    rig.feed(Names(0xFC, names));
    const Model& m = rig.server.model;
    EXPECT_EQ(m.SourceAlphasRaw, names);
    EXPECT_EQ(m.SourceAlphas[0], "Z00     ");
    EXPECT_EQ(m.SourceSortTable[0], 31);
    EXPECT_EQ(m.UpdateFlags, UpdateBit::Buttons);
    EXPECT_TRUE(rig.logged("32 Source Alpha Labels"));
    // The Helm frame: the first entry is Z00 with its own number 31.
    const Bytes& out = rig.out(pc);
    ASSERT_GT(out.size(), 17u);
    EXPECT_EQ(out.substr(7, 10), Bytes("Z00     ") + Wire({31, 0}));

    rig.feed(WithBadChecksum(Names(0xFB, names)));
    EXPECT_TRUE(rig.errorLogged("Switcher Check Sum Error", "DracoAlphas"));
    EXPECT_EQ(m.DestinationAlphasRaw[0], "");
}

TEST(DracoHandlers, LinksInhibitsAndThePortMap)
{
    DracoRig rig;
    Model& m = rig.server.model;
    m.UpdateFlags = DracoAllUpdateFlags;
    // Destinations 0/1 and 30/31 linked, sources 2/3.
    rig.feed(Values(0xFA, {0x01, 0x80, 0x02, 0x00}));
    EXPECT_EQ(m.DestinationLinks[0] + m.DestinationLinks[1] + m.DestinationLinks[30] + m.DestinationLinks[31], 4);
    EXPECT_EQ(m.DestinationLinks[2], 0);
    EXPECT_EQ(m.SourceLinks[2] + m.SourceLinks[3], 2);
    EXPECT_TRUE(rig.logged("32 Stereo Links"));

    std::vector<int> inhibits(128, 0);
    inhibits[4 * 2 + 1] = 0x81;  // destination 2: sources 8 and 15
    rig.feed(Values(0xF7, inhibits));
    EXPECT_EQ(m.InhibitMap.text(2), "00000000100000010000000000000000");
    EXPECT_TRUE(rig.logged("32 Inhibits Maps"));
    rig.feed(Values(0xF7, std::vector<int>(127, 0)));
    EXPECT_TRUE(rig.errorLogged("Message Length Error", "DracoInhibits"));
    EXPECT_NE(m.UpdateFlags & UpdateBit::Inhibits, 0);

    std::vector<int> ports(36, 0);
    ports[3] = 9;        // port 3, first channel
    ports[16 + 3] = 10;  // port 3, second channel
    ports[32] = 0x08;    // port 3 is a controller port
    ports[34] = 0x08;    // and on
    rig.feed(Values(0xF0, ports));
    const PortRecord& port = m.SwitcherConfig[0].Cards[0].Ports[3];
    EXPECT_EQ(port.Channels[0].Settings[2], 9);
    EXPECT_EQ(port.Channels[1].Settings[2], 10);
    EXPECT_EQ(port.TypeCode, 2910);
    EXPECT_EQ(port.State, 1);
    EXPECT_EQ(m.SwitcherConfig[0].Cards[0].Ports[4].TypeCode, 2900);
    EXPECT_TRUE(rig.logged("Port Map"));
    EXPECT_EQ(m.UpdateFlags, UpdateBit::Crosspoints | UpdateBit::SourceAlphas | UpdateBit::DestinationAlphas |
                                 UpdateBit::Inhibits | UpdateBit::Buttons | UpdateBit::Salvos);
}

TEST(DracoHandlers, ButtonsAreStoredBeforeTheyAreForwarded)
{
    DracoRig rig;
    rig.server.cfg.MaintainNdf = true;
    const int pc = rig.connect();
    rig.server.HelmClients[pc].PendingRequests = ReplyBit::Buttons;
    rig.server.HelmClientsActive = true;
    std::vector<int> values(32 + 32 * 32, 0);
    values[0] = 5;
    values[1] = 40;  // no such template: the entry is skipped
    values[32 + 32 * 5 + 2] = 17;
    rig.feed(Values(0xFD, values));
    const Model& m = rig.server.model;
    EXPECT_EQ(m.TemplateAssignment[0], 5);
    EXPECT_EQ(m.TemplateAssignment[1], 64);
    EXPECT_EQ(m.ButtonData[5][2].Values[0], 17);
    EXPECT_EQ(m.ButtonTemplates[5][2].Values[0], 17);
    EXPECT_EQ(m.ClientTemplateAssignment, m.TemplateAssignment);
    EXPECT_TRUE(rig.logged("Button Templates"));
    // The clients get the report itself: FB 00, 32, 0, then template 5 first.
    EXPECT_EQ(rig.out(pc).substr(0, 8), Wire({0xFB, 0x00, 0x20, 0x00, 0x00, 0x00, 0x05, 0x00}));
    const Bytes butns = rig.dir.read("butns.ndf");
    ASSERT_EQ(butns.size(), 2u * (32 * 32 + 32));
    EXPECT_EQ(butns.substr(2 * (32 * 5 + 2), 2), Wire({17, 0}));
    EXPECT_EQ(butns.substr(2 * 32 * 32, 2), Wire({5, 0}));
}

TEST(DracoHandlers, SalvoCountNamesAndEventsWithPlaceholders)
{
    DracoRig rig;
    Model& m = rig.server.model;
    m.UpdateFlags = UpdateBit::Salvos;
    rig.feed(Values(0xE9, {0, 3, 2}));
    EXPECT_EQ(m.NumSalvoEvents, 3);
    EXPECT_EQ(m.NumSalvos, 2);
    EXPECT_TRUE(rig.logged("Salvo Count"));
    rig.feed(BuildAlphaTableDraco({"Night   ", "Day     "}, 50));
    EXPECT_EQ(m.SalvoAlphas, (std::vector<std::string>{"Day     ", "Night   "}));
    EXPECT_EQ(m.SalvoSortTable, (std::vector<int>{1, 0}));
    EXPECT_TRUE(rig.logged("2 Salvo Alphas"));

    // Salvo 0, then salvo 3 twice: salvos 1 and 2 get a placeholder each.
    rig.feed(Values(0xEB, {0, 1, 2, 3, 4, 130, 3, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0}));
    ASSERT_EQ(m.SalvoEvents.size(), 5u);
    EXPECT_EQ(m.NumSalvoEvents, 5);
    EXPECT_EQ(m.NumSalvos, 4);
    EXPECT_EQ(m.SalvoEvents[0].Name, "Night   ");
    EXPECT_EQ(m.SalvoEvents[0].Flags, (std::array<uint8_t, 3>{1, 2, 1}));
    EXPECT_EQ(m.SalvoEvents[0].Values[2], 4);
    EXPECT_EQ(m.SalvoEvents[1].Name, "Unused  ");
    EXPECT_EQ(m.SalvoEvents[2].Salvo, 2);
    EXPECT_EQ(m.SalvoEvents[3].Name, "Unknown");
    EXPECT_EQ(m.UpdateFlags, 0);
    EXPECT_TRUE(rig.logged("5 Salvo Events"));
}

TEST(DracoHandlers, SalvoEventFramesThatWouldOverflowOrReachPastTheTableKeepWhatWasStored)
{
    DracoRig rig;
    Model& m = rig.server.model;
    rig.feed(Values(0xE9, {0, 2, 1}));
    rig.feed(Values(0xEB, {0, 9, 0, 0, 0, 0, 0, 8, 0, 0, 0, 0}));
    ASSERT_EQ(m.SalvoEvents.size(), 2u);

    // Alternating salvo numbers: every jump would add 16000 placeholders.
    std::vector<int> alternating;
    for (int e = 0; e < 4; ++e)
        alternating.insert(alternating.end(), {e % 2 == 0 ? 16000 : 0, 0, 0, 0, 0, 0});
    rig.feed(Values(0xE9, {0, 4, 1}));
    rig.feed(Values(0xEB, alternating));
    EXPECT_TRUE(rig.errorLogged("Salvo Events Beyond 16383", "DracoSalvoEvents"));
    EXPECT_EQ(m.SalvoEvents.size(), 2u);
    EXPECT_EQ(m.NumSalvos, 1);
    EXPECT_EQ(m.SalvoEvents[0].Flags[0], 9);

    // EA events go from index 500: none fits a table of two.
    rig.feed(Values(0xE9, {0, 2, 1}));
    rig.feed(Values(0xEA, {0, 5, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0}));
    EXPECT_TRUE(rig.errorLogged("2 Salvo Events Beyond Table", "DracoSalvoEvents"));
    EXPECT_EQ(m.SalvoEvents.size(), 2u);
    EXPECT_EQ(m.SalvoEvents[1].Flags[0], 8);
}
