// Commands to an Orion on fakes, and the client uploads that lead to them.
#include "helm/FromHelm.h"
#include "switcher/ToSwitcher.h"
#include "switcher/orion/OrionRig.h"
#include "switcher/orion/ToOrion.h"

#include <gtest/gtest.h>

namespace {

using orion_test::OrionRig;
using orion_test::P;

// The frames written since the last call, one per FF.
std::vector<Bytes> Frames(OrionRig& rig)
{
    const Bytes all = rig.serial.written();
    rig.serial.writes.clear();
    std::vector<Bytes> frames;
    for (size_t at = 0; at < all.size();) {
        const size_t end = all.find('\xFF', at);
        if (end == Bytes::npos)
            break;
        frames.push_back(all.substr(at, end - at + 1));
        at = end + 1;
    }
    return frames;
}

}  // namespace

TEST(OrionEncoders, TakesAndRelaysOnTheWireAndNothingOutsideTheSwitcher)
{
    OrionRig rig;
    rig.server.Link.Reset();
    rig.server.Link.AllTablesArrived();
    int type = 4;
    SendTakeToSwitcher(rig.server, 3, 18, type, NoneValue);
    EXPECT_EQ(rig.serial.written(), Wire({0xFE, 0x01, 0x12, 0x03, 0x00, 0x03, 0xFF}));
    // Writing proves nothing about the line.
    EXPECT_FALSE(rig.server.Link.Answering());

    rig.serial.writes.clear();
    type = 68;
    SendTakeToSwitcher(rig.server, 0, 5, type, NoneValue);
    EXPECT_EQ(rig.serial.written(), Wire({0xFE, 0x30, 0x10, 0x05, 0x00, 0x05, 0xFF}));
    type = 72;
    int input = 0, output = 7;
    EXPECT_EQ(BuildTakeOrion(rig.server, input, output, type), Wire({0xFE, 0x30, 0x20, 0x07, 0x00, 0x07, 0xFF}));
    EXPECT_EQ(input, 7);
    EXPECT_EQ(output, 0);

    rig.serial.writes.clear();
    for (auto [in, out, t] : {std::tuple{1, 2, 36}, {0, 256, 4}, {256, 0, 4}, {-1, 3, 4}, {0, 256, 68}}) {
        int takeType = t;
        SendTakeToSwitcher(rig.server, in, out, takeType, NoneValue);
    }
    EXPECT_TRUE(rig.serial.written().empty());
}

TEST(OrionEncoders, RequestsAndTheirPendingBits)
{
    OrionRig rig;
    rig.server.model.UpdateFlags = 0;
    RequestSwitcherTables(rig.server, 1, NoneValue, 0);
    EXPECT_EQ(rig.serial.written(), Wire({0xDF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0xFF}));
    EXPECT_EQ(rig.server.model.UpdateFlags, 229276);
    EXPECT_EQ(rig.server.SwitcherRequest.Countdown, 1500);

    rig.serial.writes.clear();
    rig.server.model.UpdateFlags = 0;
    RequestSwitcherTables(rig.server, 256 | 65536, NoneValue, 0);
    EXPECT_EQ(rig.serial.written(), Wire({0xDF, 0x00, 0x00, 0x02, 0x00, 0x04, 0x00, 0x00, 0x00, 0x06, 0xFF}));
    EXPECT_EQ(rig.server.model.UpdateFlags, 256 | 65536);

    rig.serial.writes.clear();
    RequestSwitcherConfiguration(rig.server);
    PollSwitcher(rig.server);
    SendSalvoExecuteToSwitcher(rig.server, 130);
    EXPECT_EQ(rig.serial.written(), Wire({0xF2, 0xF5, 0xE7, 0x02, 0x01, 0x02, 0xFF}));
}

TEST(OrionEncoders, TablesGoOutWholeAndAreAskedBack)
{
    OrionRig rig;
    rig.server.model.UpdateFlags = 0;
    std::vector<std::string> ten;
    for (int i = 0; i < 10; ++i)
        ten.push_back("Name" + std::to_string(i));
    SendAlphaTableToSwitcher(rig.server, ten, TableSources);
    std::vector<Bytes> f = Frames(rig);
    ASSERT_EQ(f.size(), 2u);
    ASSERT_EQ(f[0].size(), 2051u);
    EXPECT_EQ(f[0].substr(1, 8), "Name0   ");
    EXPECT_EQ(f[0].substr(1 + 8 * 10, 8), "010     ");
    EXPECT_EQ(f[0].substr(1 + 8 * 255, 8), "255     ");
    EXPECT_EQ(f[1], BuildOrionInfoRequest(256));

    SendInhibitMapToSwitcher(rig.server, {"10000000"
                                          "1",
                                          "0"});
    f = Frames(rig);
    ASSERT_EQ(f.size(), 3u);
    ASSERT_EQ(f[0].size(), 69u);
    EXPECT_EQ(f[0].substr(0, 7), Wire({0xF8, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00}));
    EXPECT_EQ(f[2], BuildOrionInfoRequest(4096));

    std::vector<int> links(256, 0);
    links[2] = 1;
    links[3] = 0;  // the odd partner is not looked at
    SendLinksToSwitcher(rig.server, links, TableSources);
    f = Frames(rig);
    ASSERT_EQ(f[0].size(), 35u);
    EXPECT_EQ(f[0].substr(0, 3), Wire({0xFA, 0x02, 0x00}));
    EXPECT_EQ(f[1], BuildOrionInfoRequest(1024));

    SendAlphaEntryToSwitcher(rig.server, {5, 4}, TableSources);
    f = Frames(rig);
    ASSERT_EQ(f[0].size(), 515u);
    EXPECT_EQ(f[0].substr(0, 7), Wire({0xEF, 5, 0, 4, 0, 0x7F, 0x01}));  // then 255 for the rest
}

TEST(OrionEncoders, DemoModeWritesNothingAndKeepsThePendingBits)
{
    OrionRig rig;
    rig.server.cfg.DemoMode = true;
    rig.server.model.UpdateFlags = 0;
    int type = 4;
    SendTakeToSwitcher(rig.server, 1, 1, type, NoneValue);
    SendAlphaTableToSwitcher(rig.server, {"A"}, TableSources);
    SendButtonsToSwitcher(rig.server);
    SendSalvoEventsToSwitcher(rig.server);
    PollSwitcher(rig.server);
    EXPECT_TRUE(rig.serial.writes.empty());
    EXPECT_EQ(rig.server.model.UpdateFlags, 0);
}

// A client that renames one source renames nothing else: the switcher gets
// its whole table back, in its own order, with that one name changed.
TEST(OrionUploads, AOneNameUploadChangesOnlyThatName)
{
    OrionRig rig;
    std::vector<std::string> names(256);
    for (int i = 0; i < 256; ++i)
        names[static_cast<size_t>(i)] = "Src " + Digits(255 - i, 3);
    rig.feed(BuildOrionAlphaTable(0xFC, names, 256));
    // Switcher source 7 ("Src 248") stands at place 248 of the name order.
    const int slot = rig.connect();
    ProcessHelmAlphaTable(rig.server, Framed(Wire({0xFC, 10, 8, 1, 0, 0x78, 0x01}) + "Studio 7" + P(7)), slot);
    const std::vector<Bytes> f = Frames(rig);
    ASSERT_EQ(f.size(), 3u);
    ASSERT_EQ(f[0].size(), 515u);
    EXPECT_EQ(f[0].substr(1, 2), P(255));  // the sort table as the server holds it
    ASSERT_EQ(f[1].size(), 2051u);
    EXPECT_EQ(f[1].substr(1 + 8 * 7, 8), "Studio 7");
    EXPECT_EQ(f[1].substr(1 + 8 * 6, 8), "Src 249 ");
    EXPECT_EQ(f[1].substr(1 + 8 * 8, 8), "Src 247 ");
    EXPECT_EQ(f[2], BuildOrionInfoRequest(256));
}

// The buttons command starts from the switcher's own report; an uploaded
// template assignment waits for it instead of being taken as reported.
TEST(OrionUploads, AButtonsUploadChangesOnlyWhatTheClientSent)
{
    OrionRig rig;
    OrionButtons report;
    report.Assignment.assign(256, 2);
    for (int i = 0; i < 64 * 64; ++i)
        report.Values.push_back(i % 200);
    rig.feed(BuildOrionButtons(report));
    const int slot = rig.connect();

    ProcessHelmTemplateTable(rig.server, Framed(Wire({0xFB, 0x00}) + P(1) + P(5) + P(9)), slot);
    EXPECT_TRUE(rig.serial.writes.empty());
    EXPECT_EQ(rig.server.model.TemplateAssignment[5], 2);

    // Template 3, one button: value 0, one value, source 77; then template 4
    // before the switcher has answered: both uploads go out.
    auto upload = [&](int t, int source) {
        ProcessHelmButtonData(rig.server, Framed(Wire({0xFD, 0x00}) + P(t) + P(1) + P(0) + P(1) + P(source)), slot);
    };
    upload(3, 77);
    upload(4, 88);
    std::vector<Bytes> f = Frames(rig);
    ASSERT_EQ(f.size(), 4u);
    OrionButtons sent;
    ASSERT_EQ(ReadOrionButtons(f[2], sent), OrionCheck::Ok);
    EXPECT_EQ(sent.Assignment[5], 9);
    EXPECT_EQ(sent.Assignment[4], 2);
    EXPECT_EQ(sent.Values[3 * 64], 77);
    EXPECT_EQ(sent.Values[4 * 64], 88);
    EXPECT_EQ(sent.Values[3 * 64 + 1], (3 * 64 + 1) % 200);
    EXPECT_EQ(sent.Values[64], 64);
    EXPECT_EQ(f[3], BuildOrionInfoRequest(8192));
    EXPECT_EQ(rig.server.model.TemplateAssignment[5], 2);

    // The switcher took them: its own report is what the next command starts from.
    rig.feed(f[2]);
    EXPECT_EQ(rig.server.model.TemplateAssignment[5], 9);
    rig.feed(BuildOrionButtons(report));
    upload(5, 1);
    ASSERT_EQ(ReadOrionButtons(Frames(rig)[0], sent), OrionCheck::Ok);
    EXPECT_EQ(sent.Assignment[5], 2);
    EXPECT_EQ(sent.Values[3 * 64], (3 * 64) % 200);
}
