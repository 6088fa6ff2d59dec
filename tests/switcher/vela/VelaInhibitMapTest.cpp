// Inhibit maps (F8): run-length texts of one character per source.
#include "switcher/vela/VelaRig.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vela_test;

namespace {

// One destination's entry: its runs as (first byte, second byte) pairs.
Bytes Entry(const std::vector<std::pair<int, int>>& runs)
{
    Bytes e = P(static_cast<int>(runs.size()));
    for (auto [first, second] : runs)
        e += B({first, second});
    return e;
}

Bytes InhibitFrame(int first, const std::vector<Bytes>& entries)
{
    Bytes f = B({0xF8, 0x00}) + P(static_cast<int>(entries.size())) + P(first);
    for (const Bytes& e : entries)
        f += e;
    return Framed(f);
}

}  // namespace

TEST(VelaInhibitMap, RunsSpellExactlyOneCharacterPerSource)
{
    VelaRig rig;
    rig.server.cfg.MaintainNdf = true;
    rig.server.model.UpdateFlags = 4096;
    // 257 inhibited (flag in bit 6 of the first byte), then 3 allowed.
    rig.feed(InhibitFrame(7, {Entry({{0x41, 0x02}, {0x03, 0x00}})}));
    const std::string& text = rig.server.model.InhibitMap[7];
    ASSERT_EQ(text.size(), 512u);
    EXPECT_EQ(text, std::string(257, '1') + std::string(255, '0'));
    EXPECT_EQ(rig.server.model.UpdateFlags, 0);
    EXPECT_TRUE(rig.logged("1 Inhibit Maps, Starting at Output 0008"));
    EXPECT_TRUE(rig.dir.exists("linhbt.ndf"));

    // A run can claim 16319 characters: the text still holds 512.
    rig.feed(InhibitFrame(8, {Entry({{0x7F, 0x7F}, {0x41, 0x00}})}));
    EXPECT_EQ(rig.server.model.InhibitMap[8], std::string(512, '1'));
}

TEST(VelaInhibitMap, HostileFramesChangeNothingAndAskForTheMapAgain)
{
    VelaRig rig;
    rig.server.model.UpdateFlags = 0;
    const std::vector<std::string> before = rig.server.model.InhibitMap;
    // Two destinations claimed, one carried.
    rig.feed(Framed(B({0xF8, 0x00}) + P(2) + P(0) + Entry({{0x41, 0x00}})));
    EXPECT_TRUE(rig.errorLogged("Vela Message Length Error", "Inhibit Map"));
    EXPECT_EQ(rig.server.model.UpdateFlags, 4096);
    // A destination claiming 16383 runs.
    rig.feed(Framed(B({0xF8, 0x00}) + P(1) + P(0) + P(16383) + B({0x41, 0x00})));
    rig.server.model.UpdateFlags = 0;
    rig.feed(WithBadChecksum(InhibitFrame(0, {Entry({{0x41, 0x00}})})));
    EXPECT_TRUE(rig.errorLogged("Vela Check Sum Error", "Inhibit Map"));
    EXPECT_EQ(rig.server.model.UpdateFlags, 4096);
    // Destinations past the last are read and skipped.
    rig.feed(InhibitFrame(511, {Entry({{0x41, 0x00}}), Entry({{0x41, 0x00}})}));
    EXPECT_EQ(rig.server.model.InhibitMap.size(), 512u);
    EXPECT_EQ(rig.server.model.InhibitMap[511], "1" + std::string(511, '0'));
    rig.server.model.InhibitMap[511] = before[511];
    EXPECT_EQ(rig.server.model.InhibitMap, before);
}

TEST(VelaInhibitMap, WaitingClientsGetTheReportUnchangedAndLoseTheirBitAtTheEnd)
{
    VelaRig rig;
    const int waiting = rig.connect(120);
    const int polled = rig.connect(120);
    rig.client(waiting).PendingRequests = 4096;
    rig.client(polled).PolledUpdates = true;
    const Bytes part = InhibitFrame(0, {Entry({{0x41, 0x00}})});
    rig.feed(part);
    EXPECT_EQ(rig.out(waiting), part);
    EXPECT_EQ(rig.client(waiting).PendingRequests, 4096);
    EXPECT_EQ(rig.client(polled).PendingRequests, 0);
    const Bytes last = InhibitFrame(511, {Entry({{0x41, 0x00}})});
    rig.feed(last);
    EXPECT_EQ(rig.out(waiting), part + last);
    EXPECT_EQ(rig.client(waiting).PendingRequests, 0);
    EXPECT_EQ(rig.client(polled).PendingRequests, 4096);
}

TEST(VelaInhibitMap, InDemoModeAClientUploadIsReadInTheHelmLayout)
{
    VelaRig rig;
    rig.server.cfg.DemoMode = true;
    const int a = rig.connect(120);
    const int b = rig.connect(120);
    // Helm runs: length low 7 bits, then flag x 64 + the high bits. 200 allowed, 300 inhibited, 12 allowed.
    const Bytes upload = InhibitFrame(3, {Entry({{200 & 127, 200 >> 7}, {300 & 127, 64 + (300 >> 7)}, {12, 0}})});
    rig.feed(upload);
    EXPECT_EQ(rig.server.model.InhibitMap[3], std::string(200, '0') + std::string(300, '1') + std::string(12, '0'));
    EXPECT_EQ(rig.out(a), upload);
    EXPECT_EQ(rig.out(b), upload);
}
