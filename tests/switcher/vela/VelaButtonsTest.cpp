// Button templates (FD).
#include "switcher/vela/VelaRig.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vela_test;

namespace {

// Count templates from First, each with the same buttons (value, values).
Bytes ButtonFrame(int first, int count, const std::vector<std::pair<int, std::vector<int>>>& buttons)
{
    Bytes f = B({0xFD, 0x00}) + P(count) + P(first) + P(static_cast<int>(buttons.size()));
    for (int t = 0; t < count; ++t)
        for (const auto& [value, values] : buttons) {
            f += P(value) + P(static_cast<int>(values.size()));
            for (int v : values)
                f += P(v);
        }
    return Framed(f);
}

}  // namespace

TEST(VelaButtons, ButtonsAreStoredAsValueCountAndValues)
{
    VelaRig rig;
    rig.server.model.UpdateFlags = 8192;
    rig.feed(ButtonFrame(3, 2, {{100, {1, 2, 3}}, {200, {}}}));
    const ButtonRecord& b = rig.server.model.ButtonData[4][0];
    EXPECT_EQ(b.Value, 100);
    EXPECT_EQ(b.Count, 3);
    EXPECT_EQ(b.Values[2], 3);
    EXPECT_EQ(rig.server.model.ButtonData[3][1].Value, 200);
    EXPECT_EQ(rig.server.model.ButtonData[3][1].Count, 0);
    EXPECT_EQ(rig.server.model.UpdateFlags, 0);
    EXPECT_TRUE(rig.logged("2 Button Templates, Starting with 4"));
}

TEST(VelaButtons, WhatTheTablesCannotHoldIsReadAndSkipped)
{
    VelaRig rig;
    std::vector<int> forty(40, 7);
    forty[32] = 9;
    forty[39] = 8;
    // 70 templates: only 64 are kept; 40 values: only 33 are kept.
    rig.feed(ButtonFrame(250, 70, {{1, forty}}));
    const Model& m = rig.server.model;
    EXPECT_EQ(m.ButtonData.size(), 256u);
    EXPECT_EQ(m.ButtonData[255][0].Count, 33);
    EXPECT_EQ(m.ButtonData[255][0].Values[32], 9);
    // 65 buttons per template: the 65th is not stored.
    std::vector<std::pair<int, std::vector<int>>> many(65, {5, {}});
    rig.feed(ButtonFrame(0, 1, many));
    EXPECT_EQ(m.ButtonData[0].size(), 64u);
    EXPECT_EQ(m.ButtonData[0][63].Value, 5);
}

TEST(VelaButtons, AFrameShorterThanItsCountsStoresNothing)
{
    VelaRig rig;
    Bytes frame = ButtonFrame(0, 1, {{100, {1, 2}}});
    // Claim 2 templates for the bytes of 1.
    frame[2] = 2;
    rig.feed(Framed(frame.substr(0, frame.size() - 2)));
    EXPECT_TRUE(rig.errorLogged("Vela Message Length Error", "Button Info"));
    EXPECT_EQ(rig.server.model.ButtonData[0][0].Value, 0);
    rig.feed(WithBadChecksum(ButtonFrame(0, 1, {{100, {}}})));
    EXPECT_TRUE(rig.errorLogged("Vela Check Sum Error", "Button Data"));
    EXPECT_EQ(rig.server.model.ButtonData[0][0].Value, 0);
}
