// The test console: typed commands, the reading of what arrives, and the
// binary against the real server.
#include "LogitekConsole.h"

#include "support/ServerProcess.h"

#include <gtest/gtest.h>

TEST(LogitekConsoleTool, CommandsBecomeTheConsolesMessages)
{
    std::string error;
    const std::pair<const char*, Bytes> lines[] = {
        {"start", Wire({1, 3, 0, 2, 3, 0xF0, 1, 6})},
        {"signoff", Wire({0xBC, 3, 0, 2, 1, 0xF7})},
        {"assign 25 300", Wire({1, 3, 0, 2, 4, 0xB4, 0x23, 1, 44})},
        {"on 3", Wire({1, 3, 0, 2, 3, 0xB2, 0x0D, 0})},
        {"off 10 5", Wire({1, 3, 0, 2, 3, 0xB3, 0x14, 5})},
        {"fader 33 195", Wire({1, 3, 0, 2, 3, 0xAD, 0x2B, 0xC3})},
        {"trim 1 251", Wire({1, 3, 0, 2, 4, 0xAC, 0x0B, 6, 251})},
        {"mode 2 1", Wire({1, 3, 0, 2, 3, 0xB5, 0x0C, 1})},
        {"raw bc 0 FF", Wire({0xBC, 0, 0xFF})},
    };
    for (const auto& [line, bytes] : lines)
        EXPECT_EQ(ConsoleCommand(line, error), bytes) << line;
    EXPECT_EQ(ConsoleCommand("ident", error)->size(), 38u);
    for (const char* bad : {"fader 11 3", "fader 1 256", "on 3 x", "assign 1", "raw 123", "jump 1"})
        EXPECT_FALSE(ConsoleCommand(bad, error)) << bad;
}

TEST(LogitekConsoleTool, TalksToTheServer)
{
    TempDir dir;
    const std::string port = FreePort();
    dir.write("tcpserve.ini", VelaIni() + "Demo Mode=Yes\r\nLogitek IP Port=" + port + "\r\n");
    ServerProcess server(dir);
    ASSERT_TRUE(server.waitForOutput("Demo Mode"));
    // The switcher is on line within a second of the start.
    SpinFor(1500);

    QProcess console;
    console.start(HVN_LOGITEK_CONSOLE_PATH, {"127.0.0.1", QString::fromStdString(port)});
    ASSERT_TRUE(console.waitForStarted(5000));
    console.write("ident\nstart\nfader 1 300\nfader 1 135\n");
    console.closeWriteChannel();
    ASSERT_TRUE(console.waitForFinished(10000));
    const std::string out = console.readAllStandardOutput().toStdString();
    EXPECT_EQ(out.rfind("BC 00 00 02 02 F9 01  greeting\n", 0), 0u) << out;
    for (const char* line :
         {"BC 03 F0 02 02 F0 00  identification answered\n",
          "01 03 00 02 0E F5 01 00 01 01 22 49 6E 70 74 30 30 30 31  name ch 1 source 1 'Inpt0001'\n",
          "01 03 00 02 03 AD 23 C3  fader ch 25 at 195\n", "01 03 00 02 02 F7 01  start answered: loaded\n"})
        EXPECT_NE(out.find(line), std::string::npos) << line;
    EXPECT_NE(console.readAllStandardError().toStdString().find("value: 0..255"), std::string::npos);
}
