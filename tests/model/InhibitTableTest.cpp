#include "model/InhibitTable.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// A text of the given runs: '1' for inhibited places.
std::string Spell(const std::vector<std::pair<bool, size_t>>& Runs)
{
    std::string text;
    for (const auto& [flag, length] : Runs)
        text.append(length, flag ? '1' : '0');
    return text;
}

}  // namespace

TEST(InhibitTable, TextsRunsAndResizingAgreeAcrossWordBoundaries)
{
    InhibitTable t;
    t.assign(3, 130);
    std::string row(130, '0');
    for (size_t i : {0u, 63u, 64u, 65u, 127u, 128u, 129u})
        row[i] = '1';
    row.replace(70, 40, std::string(40, '1'));
    t.setText(1, row);
    EXPECT_EQ(t.text(1), row);
    EXPECT_EQ(Spell(t.runs(1)), row);
    EXPECT_EQ(t.runs(0), (std::vector<std::pair<bool, size_t>>{{false, 130}}));
    EXPECT_TRUE(t.inhibited(1, 129));
    EXPECT_FALSE(t.inhibited(1, 130));
    EXPECT_FALSE(t.inhibited(3, 0));

    // Shrinking drops the places past the new size for good: growing back
    // brings them back clear, so the table equals one set afresh.
    t.resize(4, 100);
    EXPECT_EQ(t.text(1), row.substr(0, 100));
    t.resize(4, 130);
    InhibitTable fresh;
    fresh.assign(4, 130);
    fresh.setText(1, row.substr(0, 100));
    EXPECT_EQ(t, fresh);
    EXPECT_EQ(t.text(3), std::string(130, '0'));

    EXPECT_THROW(t.text(4), std::out_of_range);
    EXPECT_THROW(t.runs(4), std::out_of_range);
    EXPECT_THROW(t.setText(4, "1"), std::out_of_range);
}
