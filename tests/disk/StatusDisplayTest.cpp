#include "disk/StatusDisplay.h"

#include "support/Fakes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

using Line = std::pair<std::string, std::string>;

TEST(CommandHistory, KeepsTheNewestMaxListSizeLines)
{
    TestRig rig;
    for (int i = 1; i <= 26; ++i)
        AddHistoryLine(rig.server, "src", "message " + std::to_string(i));
    ASSERT_EQ(rig.display.history.size(), 25u);
    EXPECT_EQ(rig.display.history.front(), Line("src", "message 2"));
    EXPECT_EQ(rig.display.history.back(), Line("src", "message 26"));

    rig.server.cfg.MaxListSize = 3;  // lowered at run time
    AddHistoryLine(rig.server, "src", "message 27");
    ASSERT_EQ(rig.display.history.size(), 3u);
    EXPECT_EQ(rig.display.history.front(), Line("src", "message 25"));

    AddHistoryLine(rig.server, "src", "");
    EXPECT_EQ(rig.display.history.back(), Line("src", "message 27"));
}

TEST(CommandHistory, ConsoleMessagesAreRecordedOnlyWithRecordZolt)
{
    TempDir dir;
    TestRig rig;
    rig.server.cfg.AppPath = dir.app();
    DisplayMessage(rig.server, "^H", "");
    DisplayMessage(rig.server, "^I001", "Console 1");
    EXPECT_FALSE(dir.exists("Eventlog.txt"));

    rig.server.cfg.RecordZolt = true;
    DisplayMessage(rig.server, "^I002", "Console 1");
    EXPECT_EQ(CrLfLines(dir.read("Eventlog.txt")).back().substr(44), "^I002");
    const std::deque<Line> shown{{"", ""}, {"Console 1", "^I001"}, {"Console 1", "^I002"}};
    EXPECT_EQ(rig.display.history, shown);
}

}  // namespace
