#include "disk/Logs.h"

#include "disk/Trap.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <regex>

namespace fs = std::filesystem;

namespace {

std::string Pad(const std::string& text, size_t width) { return text + std::string(width - text.size(), ' '); }

const std::string FileAccess = ": Error # 75 - Path/File access error";

class LogsTest : public ::testing::Test {
protected:
    void SetUp() override { c.AppPath = dir.app(); }
    // The lines after the 11 header lines, each checked for its time stamp.
    std::vector<std::string> body(const std::string& name) const
    {
        auto all = CrLfLines(dir.read(name));
        all.erase(all.begin(), all.begin() + std::min<long>(11, static_cast<long>(all.size())));
        for (const auto& line : all)
            EXPECT_TRUE(std::regex_match(line.substr(0, 19), std::regex(R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d)"))) << line;
        return all;
    }

    TempDir dir;
    TestRig rig;
    Config& c = rig.server.cfg;
};

TEST_F(LogsTest, EachLogStartsWithItsHeader)
{
    ASSERT_TRUE(CreateEventLog(rig.server) && CreateErrorLog(rig.server) && CreateSwitcherErrorLog(rig.server));
    const struct {
        const char *file, *title, *columns;
    } logs[] = {
        {"Eventlog.txt", "HVN Server Module Event Logfile",
         " DATE     TIME           CLIENT ADDRESS      MESSAGE DESCRIPTION"},
        {"Errorlog.txt", "HVN Server Module Software Error Logfile",
         " DATE     TIME           LOCATION                           MESSAGE DESCRIPTION"},
        {"SwitcherErrorlog.txt", "HVN Switcher Error Logfile",
         " DATE     TIME           LOCATION                       MESSAGE DESCRIPTION"},
    };
    for (const auto& log : logs) {
        SCOPED_TRACE(log.file);
        const auto l = CrLfLines(dir.read(log.file));
        ASSERT_EQ(l.size(), 11u);
        EXPECT_EQ(l[0].find_first_not_of(' '), 13u);
        for (size_t i = 2; i <= 4; ++i)
            EXPECT_EQ(l[i].find_first_not_of(' '), 19u);
        EXPECT_EQ(l[1] + l[5] + l[6] + l[8], "");
        EXPECT_EQ(l[7], log.title);
        EXPECT_EQ(l[9], log.columns);
        EXPECT_EQ(l[10], std::string(80, '-'));
    }
}

TEST_F(LogsTest, LineColumns)
{
    c.CommPort = 2;
    rig.server.HelmClients.Records.resize(3);
    rig.server.HelmClients[2].Address = "192.168.1.9";
    const std::string longText(40, 'L');
    LogIPMessage(rig.server, "Take - In: 1 Out: 2", "10.0.0.5");
    LogSerialMessage(rig.server,
                     Bytes("\x02"
                           "A\r",
                           3),
                     2);
    LogIPMessage(rig.server, "M", longText);
    LogSoftwareError(rig.server, "Checksum Error", 2, "");
    LogSoftwareError(rig.server, "No slot", 99, "");
    LogTrappedError(rig.server, "Error Processing Take", "Helm Command Error", 9, "Subscript out of range");
    LogSoftwareError(rig.server, "Whole", 0, longText);
    LogSwitcherError(rig.server, 42, "Vela");
    LogSwitcherError(rig.server, 15100, "Vela");
    LogSwitcherError(rig.server, 16384, longText);

    const auto events = body("Eventlog.txt");
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].substr(19), Pad("", 6) + Pad("10.0.0.5", 19) + "Take - In: 1 Out: 2");
    EXPECT_EQ(events[1].substr(25), Pad("Switcher COM2", 19) + "^BA");
    EXPECT_EQ(events[2].substr(25), longText + "M");  // padding never cuts

    const auto errors = body("Errorlog.txt");
    ASSERT_EQ(errors.size(), 4u);
    EXPECT_EQ(errors[0].substr(19), Pad("", 5) + Pad("192.168.1.9", 36) + "Checksum Error");
    EXPECT_EQ(errors[1].substr(24), Pad("", 36) + "No slot");
    EXPECT_EQ(errors[2].substr(24),
              Pad("Helm Command Error", 36) + "Error Processing Take: Error # 9 - Subscript out of range");
    EXPECT_EQ(errors[3].substr(24), longText + "Whole");

    const auto switcher = body("SwitcherErrorlog.txt");
    ASSERT_EQ(switcher.size(), 3u);
    EXPECT_EQ(switcher[0].substr(19), Pad("", 5) + Pad("Vela", 32) + "00042 ");
    EXPECT_EQ(switcher[1].substr(56), "15100 Checksum Error");
    EXPECT_EQ(switcher[2].substr(24), longText + " 16384 NO RESPONSE");

    using Line = std::pair<std::string, std::string>;
    ASSERT_EQ(rig.display.history.size(), 3u);
    EXPECT_EQ(rig.display.history[1], Line("Switcher COM2", "^BA"));
}

TEST_F(LogsTest, SwitcherMessagesRenderForTheOperator)
{
    const struct {
        Bytes message;
        int commPort;
        const char* shown;
    } cases[] = {
        {Bytes("\x02"
               "A\r",
               3),
         1, "^BA"},
        {Bytes("\x02"
               "A\n",
               3),
         0, "^B"},  // no port: printable text is not shown
        {Bytes("A\x18"
               "B\x01"
               "C",
               5),
         1, "A^X24BC"},  // ^X: its code, then no more carets
        {Bytes("\x18"
               "A\x01"
               "B",
               4),
         1, "^X65B"},                       // a leading ^X numbers the next character
        {Bytes("\x19\x01", 2), 0, "^Y^A"},  // ^Y stops carets only with a port
        {Bytes("Z\x19\x01", 3), 3, "Z^Y25"},
        {Bytes("A\xC8~}\0", 5), 1, "A}"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.shown);
        EXPECT_EQ(RenderSwitcherMessage(k.message, k.commPort), k.shown);
    }
    EXPECT_EQ(SwitcherErrorText(15115), "Received Partial Msg, But No EOM Before Timeout");

    // Rendered to nothing: neither shown nor logged.
    LogSerialMessage(rig.server, Bytes("\r\n\xF0", 3), 1);
    EXPECT_TRUE(rig.display.history.empty());
    EXPECT_FALSE(dir.exists("Eventlog.txt"));
}

TEST_F(LogsTest, FullLogIsArchivedOrDeletedThenRestarted)
{
    const std::string old(1024, 'o');
    dir.write("Eventlog.txt", old);
    c.MaxLogFileSize = 1;
    c.ArchiveLogFiles = true;
    LogIPMessage(rig.server, "first", "1.2.3.4");
    const auto archives = dir.named("EventLog ");
    ASSERT_EQ(archives.size(), 1u);
    EXPECT_TRUE(std::regex_match(archives[0], std::regex(R"(EventLog \d{6} \d{4}\.txt)"))) << archives[0];
    EXPECT_EQ(dir.read(archives[0]), old);
    ASSERT_EQ(body("Eventlog.txt").size(), 1u);
    EXPECT_EQ(body("Eventlog.txt")[0].substr(44), "first");

    dir.write("SwitcherErrorlog.txt", std::string(3000, 's'));
    c.MaxSwitcherErrorLogSize = 2;
    LogSwitcherError(rig.server, 15000, "Vela");
    EXPECT_EQ(body("SwitcherErrorlog.txt").size(), 1u);
    EXPECT_TRUE(dir.named("SwitcherErrorlog ").empty());
    LogSwitcherError(rig.server, 15010, "Vela");  // under the limit
    EXPECT_EQ(body("SwitcherErrorlog.txt").size(), 2u);

    dir.write("Eventlog.txt", std::string(5000, 'o'));
    c.MaxLogFileSize = 0;  // no limit
    LogIPMessage(rig.server, "kept", "1.2.3.4");
    const std::string grown = dir.read("Eventlog.txt");
    EXPECT_EQ(grown.substr(0, 5000), std::string(5000, 'o'));
    EXPECT_EQ(grown.substr(5000 + 44), "kept\r\n");
    EXPECT_EQ(dir.named("EventLog ").size(), 1u);
}

TEST_F(LogsTest, ALogMovedAwayOrDeletedWhileInUseStartsAgainUnderItsName)
{
    LogIPMessage(rig.server, "first", "1.2.3.4");
    fs::rename(dir.file("Eventlog.txt"), dir.file("Eventlog.old"));
    LogIPMessage(rig.server, "second", "1.2.3.4");
    fs::remove(dir.file("Eventlog.txt"));
    LogIPMessage(rig.server, "third", "1.2.3.4");
    ASSERT_EQ(body("Eventlog.old").size(), 1u);
    EXPECT_EQ(body("Eventlog.old")[0].substr(44), "first");
    ASSERT_EQ(body("Eventlog.txt").size(), 1u);
    EXPECT_EQ(body("Eventlog.txt")[0].substr(44), "third");
    // Cut short by another program: the next line goes at its new end.
    dir.write("Eventlog.txt", "");
    LogIPMessage(rig.server, "fourth", "1.2.3.4");
    EXPECT_EQ(dir.read("Eventlog.txt").substr(44), "fourth\r\n");
}

TEST_F(LogsTest, ArchiveOfTheSameMinuteKeepsTheEarlierOne)
{
    c.MaxErrorLogSize = 1;
    c.ArchiveErrorFiles = true;
    // A minute that turns between the two archives is tried again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        for (const auto& name : dir.named("Errorlog"))
            fs::remove(dir.file(name));
        const std::string minute = LogTimeStamp().substr(0, 16);
        dir.write("Errorlog.txt", std::string(2000, 'a'));
        LogSoftwareError(rig.server, "one", 0, "X");
        dir.write("Errorlog.txt", std::string(2000, 'b'));
        LogSoftwareError(rig.server, "two", 0, "X");
        if (LogTimeStamp().substr(0, 16) != minute)
            continue;
        const auto archives = dir.named("Errorlog ");
        ASSERT_EQ(archives.size(), 2u);
        EXPECT_EQ(archives[0].substr(archives[0].size() - 8), " (2).txt");
        EXPECT_EQ(dir.read(archives[0]), std::string(2000, 'b'));
        EXPECT_EQ(dir.read(archives[1]), std::string(2000, 'a'));
        return;
    }
    FAIL() << "the minute kept turning";
}

TEST_F(LogsTest, LogsOffStillShowTheHistory)
{
    c.MaintainLogFile = c.MaintainErrorLog = false;
    LogIPMessage(rig.server, "hello", "1.2.3.4");
    LogSerialMessage(rig.server, Bytes("\x02", 1), 1);
    LogSoftwareError(rig.server, "lost", 0, "X");
    EXPECT_EQ(rig.display.history.size(), 2u);
    EXPECT_TRUE(dir.named("").empty());
}

TEST_F(LogsTest, WriteFailuresAreReported)
{
    fs::create_directory(dir.file("Eventlog.txt"));
    LogIPMessage(rig.server, "hello", "1.2.3.4");
    LogSerialMessage(rig.server, Bytes("A", 1), 1);
    EXPECT_EQ(rig.display.history.size(), 2u);
    fs::create_directory(dir.file("SwitcherErrorlog.txt"));
    LogSwitcherError(rig.server, 15000, "Vela");

    const auto errors = body("Errorlog.txt");
    ASSERT_EQ(errors.size(), 15u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(errors[i].substr(24), Pad("Message Log Error", 36) + "Retry" + FileAccess);
        EXPECT_EQ(errors[i + 7].substr(24), errors[i].substr(24));
    }
    EXPECT_EQ(errors[6].substr(60), "Error Logging IP Message" + FileAccess);
    EXPECT_EQ(errors[13].substr(60), "Error Logging Serial Message" + FileAccess);
    EXPECT_EQ(errors[14].substr(24), Pad("File Error", 36) + "Error writing to Switcher Error Log" + FileAccess);
}

TEST_F(LogsTest, CreateFailuresAreReportedButNeverIntoTheirOwnLog)
{
    // Links to nowhere: the logs do not exist and cannot be created.
    for (const char* name : {"Eventlog.txt", "SwitcherErrorlog.txt"})
        fs::create_symlink(dir.file(std::string("missing/") + name), dir.file(name));
    LogIPMessage(rig.server, "hello", "1.2.3.4");
    LogSwitcherError(rig.server, 15000, "Vela");
    const auto errors = body("Errorlog.txt");
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].substr(24), Pad("Log File Error", 36) + "Error creating logfile" + FileAccess);
    EXPECT_EQ(errors[1].substr(24), Pad("File Error", 36) + "Error creating Switcher Error file" + FileAccess);

    // The software error log itself broken: lines are dropped, nothing loops.
    fs::remove(dir.file("Errorlog.txt"));
    fs::create_symlink(dir.file("missing/Errorlog.txt"), dir.file("Errorlog.txt"));
    EXPECT_FALSE(CreateErrorLog(rig.server));
    LogIPMessage(rig.server, "again", "1.2.3.4");
    fs::remove(dir.file("Errorlog.txt"));
    fs::create_directory(dir.file("Errorlog.txt"));
    LogSwitcherError(rig.server, 15000, "Vela");
    EXPECT_EQ(rig.display.history.size(), 2u);
    EXPECT_FALSE(fs::exists(dir.file("missing")));
}

}  // namespace
