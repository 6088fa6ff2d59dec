// Commands to a Draco: the bytes of each encoder, the queue that holds them
// while the switcher sends tables, and the pauses run by the queue timer.
#include "DracoRig.h"

#include "core/Lifecycle.h"
#include "helm/FromHelm.h"
#include "switcher/ToSwitcher.h"

#include <gtest/gtest.h>

using namespace draco_test;

namespace {

const Bytes InfoRequest = Wire({0xF2, 0xF2});

}  // namespace

TEST(ToDraco, TakesAndSalvoExecutes)
{
    DracoRig rig;
    rig.server.Link.Reset();
    rig.server.Link.AllTablesArrived();
    int type = 4;
    SendTakeToSwitcher(rig.server, 5, 3, type, NoneValue);
    EXPECT_EQ(rig.sent(), Wire({0xFE, 0x00, 0x03, 0x05, 0x00, 0x05, 0xFF}));
    // Sending proves nothing about the link.
    EXPECT_FALSE(rig.server.Link.Answering());

    rig.clearSent();
    type = 36;
    SendTakeToSwitcher(rig.server, 5, 3, type, NoneValue);
    type = 4;
    SendTakeToSwitcher(rig.server, 32, 3, type, NoneValue);
    SendTakeToSwitcher(rig.server, 5, -1, type, NoneValue);
    EXPECT_TRUE(rig.sent().empty());

    // Destination 20 as nibbles 1, 4; salvo 200's check byte keeps bit 7 clear.
    EXPECT_EQ(BuildTakeDraco(31, 20), Wire({0xFE, 0x01, 0x04, 0x1F, 0x00, 0x1F, 0xFF}));
    SendSalvoExecuteToSwitcher(rig.server, 200);
    EXPECT_EQ(rig.sent(), Wire({0xE7, 0x48, 0x01, 0x48, 0xFF}));
}

TEST(ToDraco, RequestsAndPolls)
{
    DracoRig rig;
    RequestSwitcherTables(rig.server, 128, NoneValue, 0);
    EXPECT_EQ(rig.sent(), InfoRequest);
    EXPECT_EQ(rig.server.model.UpdateFlags, 32704);
    EXPECT_EQ(rig.server.SwitcherRequest.Countdown, 15);
    rig.clearSent();
    PollSwitcher(rig.server);
    EXPECT_EQ(rig.sent(), Wire({0xF5}));

    // The system information request waits a second on the timer, not in a loop.
    rig.clearSent();
    RequestSwitcherConfiguration(rig.server);
    EXPECT_TRUE(rig.sent().empty());
    rig.after(999);
    EXPECT_TRUE(rig.sent().empty());
    rig.after(1);
    EXPECT_EQ(rig.sent(), InfoRequest);
}

TEST(ToDraco, NamesAndSortTablesAreWholeTablesInTheSwitchersOrder)
{
    DracoRig rig;
    Model& m = rig.server.model;
    // The names come in switcher order; the name order does not move them again.
    const std::vector<std::string> names = {"C", "A", "B"};
    m.SourceSortTable = {1, 2, 0};
    SendAlphaTableToSwitcher(rig.server, names, 10);
    const Bytes fc = rig.sent();
    ASSERT_EQ(fc.size(), 259u);
    EXPECT_EQ(fc.substr(0, 25), Bytes("\xFC"
                                      "C       A       B       ",
                                      25));
    EXPECT_EQ(fc.substr(25, 8), "{nput003");
    EXPECT_EQ(ByteAt(fc, 258), 0xFF);

    // The names are asked back half a second later.
    rig.clearSent();
    rig.after(499);
    EXPECT_TRUE(rig.sent().empty());
    rig.after(1);
    EXPECT_EQ(rig.sent(), InfoRequest);

    // Destination fillers are 8 bytes too.
    EXPECT_EQ(BuildAlphaTableDraco({}, 20).substr(1 + 8 * 5, 8), "{ut 005 ");

    const Bytes ef = BuildSortTableDraco({3, 200}, 10);
    ASSERT_EQ(ef.size(), 67u);
    EXPECT_EQ(ef.substr(0, 7), Wire({0xEF, 3, 0, 0x48, 0x01, 31, 0}));
    EXPECT_EQ(ByteAt(ef, 65), CheckSum7(ef.substr(0, 65), 0));
}

TEST(ToDraco, InhibitsLinksAndButtons)
{
    DracoRig rig;
    std::vector<std::string> map(32, std::string(32, '0'));
    map[1][9] = '1';
    const Bytes f7 = BuildInhibitMapDraco(map);
    ASSERT_EQ(f7.size(), 259u);
    EXPECT_EQ(f7.substr(1 + 2 * 5, 2), Wire({0x02, 0x00}));  // value 4 x 1 + 1, bit 1

    std::vector<int> sources(32, 0);
    sources[5] = 1;  // either member marks the pair 4/5
    EXPECT_EQ(BuildLinksDraco(sources, std::vector<int>(32, 0)), Values(0xFA, {0, 0, 0x04, 0}));

    // A client's button upload changes only its own entries of the last report.
    Model& m = rig.server.model;
    m.TemplateAssignment.assign(32, 7);
    m.ClientTemplateAssignment = m.TemplateAssignment;
    m.ClientTemplateAssignment[2] = 9;
    m.ButtonTemplates[4][1].Values[0] = 30;
    SendButtonsToSwitcher(rig.server);
    const Bytes fd = rig.sent();
    ASSERT_EQ(fd.size(), 2115u);
    EXPECT_EQ(fd.substr(1, 6), Wire({7, 0, 7, 0, 9, 0}));
    EXPECT_EQ(fd.substr(1 + 2 * (32 + 32 * 4 + 1), 2), Wire({30, 0}));
    EXPECT_EQ(m.TemplateAssignment[2], 7);
}

TEST(ToDraco, SalvoEventsGoInOrderWithPausesThenAreAskedBack)
{
    DracoRig rig;
    Model& m = rig.server.model;
    m.ClientSalvoCount = 1;
    m.ClientSalvoEventCount = 1;
    m.ClientSalvoEvents.assign(1, SalvoEventRecord{});
    m.ClientSalvoEvents[0].Flags = {6, 1, 1};
    m.SalvoAlphas = {"Only    "};
    m.SalvoSortTable = {0};
    SendSalvoEventsToSwitcher(rig.server);
    EXPECT_EQ(rig.sent(), Values(0xE8, {6}));
    rig.after(100);
    EXPECT_EQ(rig.sent(), Values(0xE8, {6}) + Wire({0xED, 0, 0, 0, 0xFF}));
    rig.after(100);
    rig.after(100);
    rig.after(100);
    EXPECT_EQ(rig.sent(), Values(0xE8, {6}) + Wire({0xED, 0, 0, 0, 0xFF}) + Values(0xEB, {0, 6, 0, 0, 0, 129}) +
                              BuildAlphaTableDraco({"Only    "}, 50) + InfoRequest);
}

TEST(ToDraco, CommandsWaitForTheTablesInOrderAndTheQueueIsBounded)
{
    DracoRig rig;
    rig.server.model.UpdateFlags = UpdateBit::Salvos;
    int type = 4;
    SendTakeToSwitcher(rig.server, 1, 2, type, NoneValue);
    SendTakeToSwitcher(rig.server, 3, 4, type, NoneValue);
    SendSalvoExecuteToSwitcher(rig.server, 0);
    EXPECT_TRUE(rig.sent().empty());
    // Other reports leave them waiting; the last table lets them go, in order.
    rig.feed(Values(0xFA, {0, 0, 0, 0}));
    EXPECT_TRUE(rig.sent().empty());
    rig.feed(Values(0xE9, {0, 0, 0}));
    EXPECT_EQ(rig.sent(), BuildTakeDraco(1, 2) + BuildTakeDraco(3, 4) + BuildSalvoExecuteDraco(0));

    rig.server.model.UpdateFlags = UpdateBit::Salvos;
    for (int i = 0; i < 1001; ++i)
        SendTakeToSwitcher(rig.server, 1, 2, type, NoneValue);
    EXPECT_EQ(rig.server.SwitcherQueue.size(), 1000u);
    EXPECT_TRUE(rig.errorLogged("Command Queue Full - Dropped FE", "Switcher Command Error"));
    ToggleServerEnabled(rig.server);
    EXPECT_TRUE(rig.server.SwitcherQueue.empty());
}

TEST(ToDraco, DemoModeSendsQueuesAndMarksNothing)
{
    DracoRig rig;
    rig.server.cfg.DemoMode = true;
    rig.server.model.UpdateFlags = 0;
    int type = 4;
    SendTakeToSwitcher(rig.server, 1, 2, type, NoneValue);
    SendSalvoExecuteToSwitcher(rig.server, 0);
    SendButtonsToSwitcher(rig.server);
    SendAlphaTableToSwitcher(rig.server, {"A"}, 10);
    RequestSwitcherConfiguration(rig.server);
    PollSwitcher(rig.server);
    rig.after(2000);
    EXPECT_TRUE(rig.sent().empty());
    EXPECT_TRUE(rig.server.SwitcherQueue.empty());
    EXPECT_EQ(rig.server.model.UpdateFlags, 0);
}

TEST(ToDraco, AClientsTemplateTableWaitsForTheButtonUpload)
{
    DracoRig rig;
    const int pc = rig.connect();
    Bytes fb = Wire({0xFB, 0, 1, 0, 3, 0, 12, 0});  // one template number, 12, for destination 3
    AppendChecksumAndEnd(fb);
    ProcessHelmTemplateTable(rig.server, fb, pc);
    EXPECT_EQ(rig.server.model.TemplateAssignment[3], 64);
    EXPECT_EQ(rig.server.model.ClientTemplateAssignment[3], 12);
    EXPECT_TRUE(rig.sent().empty());
}
