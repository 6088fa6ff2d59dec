// The pool must hand every input the model exactly as it was made, whatever
// the last input changed, with its big tables watched or compared.
#include "FuzzRig.h"

#include <gtest/gtest.h>

namespace {

// Changes of the kinds decoders make: entries of the big tables, names (held
// inside their strings or not), lists filled, tables resized.
void ChangeEverything(Model& m, int Round)
{
    m.ButtonData[200][63].Values[32] = Round + 1;
    m.ButtonTemplates.front().front().Value = 7;
    m.CrosspointMap[100].Sources[0] = 3;
    m.SourceAlphas[5] = "CHANGED";
    m.DestinationAlphas[6] = std::string(40, 'L');  // too long to live inside the string
    m.SwitcherConfig[0].Cards[3].Ports[2].Channels.assign(2, ChannelRecord{});
    m.SourceDisplayLists[9].Members.assign(4, 1);
    m.InhibitMap.setText(3, "0101");
    if (Round % 2 == 1) {
        m.NumSources = 700;
        ResizeVelaTables(m);  // the tables move
    }
}

}  // namespace

TEST(ModelPool, EveryInputGetsTheModelAsMadeWhetherItsTablesAreWatchedOrCompared)
{
    for (const bool demo : {false, true}) {
        const Model made = MadeModel(SwitcherType::Vela, demo);
        ModelPool pool(MadeModel(SwitcherType::Vela, demo));
        for (int round = 0; round < 6; ++round) {
            const bool watched = round != 4;
            Model m = pool.Take(watched);
            ASSERT_TRUE(m == made) << "round " << round << (demo ? " in demo mode" : "");
            ChangeEverything(m, round);
            pool.Give(std::move(m));
        }
    }
}

TEST(WriteWatch, APageWrittenWhileArmedIsUnsureAndTheRestIsNot)
{
    std::vector<ButtonRecord> table(512);
    const size_t bytes = table.size() * sizeof(ButtonRecord);
    WriteWatch watch;
    watch.Watch(table.data(), bytes);
    watch.Arm();
    table[300].Value = 1;  // faults once, is let through and noted
    std::vector<std::pair<size_t, size_t>> unsure;
    watch.Unsure(table.data(), bytes, [&](size_t At, size_t Length) { unsure.emplace_back(At, Length); });
    const size_t written = 300 * sizeof(ButtonRecord);
    size_t covered = 0;
    bool holdsWrite = false;
    for (const auto& [at, length] : unsure) {
        covered += length;
        holdsWrite = holdsWrite || (at <= written && written < at + length);
    }
    EXPECT_TRUE(holdsWrite);
    EXPECT_LT(covered, bytes / 4);  // the unwritten pages are not compared
    EXPECT_EQ(table[300].Value, 1);
    watch.Release();
}

TEST(WriteWatch, TablesOneAfterAnotherAreProtectedAsOneRunOfPages)
{
    // A Vela's button tables: hundreds of small tables, each a few pages with
    // partial pages at both ends. Only their joint run's ends and the page
    // written may be compared, not every table's ends.
    std::vector<std::vector<ButtonRecord>> tables(128, std::vector<ButtonRecord>(64));
    WriteWatch watch;
    for (auto& t : tables)
        watch.Watch(t.data(), t.size() * sizeof(ButtonRecord));
    watch.Arm();
    tables[70][10].Value = 1;
    size_t covered = 0, total = 0;
    for (auto& t : tables) {
        const size_t bytes = t.size() * sizeof(ButtonRecord);
        total += bytes;
        watch.Unsure(t.data(), bytes, [&](size_t, size_t Length) { covered += Length; });
    }
    EXPECT_LT(covered, total / 8);
    watch.Release();
}
