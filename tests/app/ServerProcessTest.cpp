// The real binary, headless, as an operator or a supervisor starts it.
#include "support/Pty.h"
#include "support/ServerProcess.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

TEST(ServerProcess, CommandLine)
{
    QtApp();
    const RunResult version = RunToEnd({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "Version 4.09 - 05/23/2005\n");

    EXPECT_EQ(RunToEnd({"--help"}).status, 0);

    const RunResult unknown = RunToEnd({"--bogus"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("usage: hvnserver"), std::string::npos);

    EXPECT_EQ(RunToEnd({"--headless", "--app-dir"}).status, 2);
    for (const char* option : {"--swp08-port", "--ember-port"})
        for (const char* port : {"65536", "-1", "12ab", "0x10"})
            EXPECT_EQ(RunToEnd({"--headless", option, port}).status, 2) << option << " " << port;

    const RunResult unwritable = RunToEnd({"--headless", "--app-dir", "/dev/null/hvn"});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("/dev/null/hvn"), std::string::npos);
}

TEST(ServerProcess, AnEmptyFolderServesOn1250AndSavesEveryDefaultOnExit)
{
    TempDir dir;
    ServerProcess server(dir);
    QTcpSocket client;
    ASSERT_TRUE(SpinUntil(
        [&] {
            if (client.state() == QAbstractSocket::UnconnectedState)
                client.connectToHost("127.0.0.1", 1250);
            client.waitForConnected(100);
            return client.state() == QAbstractSocket::ConnectedState;
        },
        5000));
    // The greeting, then the switcher type: an Orion (1201) by default.
    EXPECT_EQ(ReadFromServer(client, 14),
              Wire({0x81, 0x64, 0x64, 0xFF, 0xE5, 0x01, 0x01, 0x00, 0x31, 0x09, 0x00, 0x00, 0x3C, 0xFF}));
    client.close();

    EXPECT_EQ(server.terminate(), 0);
    const std::string ini = dir.read("tcpserve.ini");
    EXPECT_EQ(IniKeys(ini), (std::vector<std::string>{"Serial Port",
                                                      "Baud Rate",
                                                      "TCP/IP Port",
                                                      "Enable Zolt IP Port",
                                                      "Console IP Port",
                                                      "Enable HVN IP Port",
                                                      "HVN IP Port",
                                                      "Enable Logitek IP Port",
                                                      "Logitek IP Port",
                                                      "Switcher Type",
                                                      "Stay On Top",
                                                      "Max List Size",
                                                      "Maintain Log File",
                                                      "Maintain Error Log",
                                                      "Record Zolt",
                                                      "Log Zolt",
                                                      "Log Switcher Errors",
                                                      "Log Gains",
                                                      "Display Gains",
                                                      "Archive Log Files",
                                                      "Maximum Log File Size",
                                                      "Archive Error Files",
                                                      "Maximum Error Log",
                                                      "Archive Switcher Error",
                                                      "Maximum Switcher Error Log",
                                                      "Maintain ndf",
                                                      "Helm Password",
                                                      "Panel Password",
                                                      "Pass Thru",
                                                      "Start in Task Bar",
                                                      "Demo Mode",
                                                      "Serial Device",
                                                      "Listen Address",
                                                      "Allowed Clients",
                                                      "Max Clients",
                                                      "SW-P-08 IP Port",
                                                      "Ember IP Port",
                                                      "Web IP Port",
                                                      "Web Password"}));
    for (const char* line :
         {"Serial Port=1", "Baud Rate=57600", "TCP/IP Port=1250", "Console IP Port=0", "Switcher Type=Orion",
          "Stay On Top=Yes", "Max List Size=25", "Maintain Log File=Yes", "Record Zolt=No", "Maintain ndf=No",
          "Demo Mode=No", "Listen Address=\r\n", "Max Clients=0", "SW-P-08 IP Port=0", "Ember IP Port=0"})
        EXPECT_NE(ini.find(line), std::string::npos) << line;

    const std::string log = dir.read("Eventlog.txt");
    EXPECT_NE(log.find("HVN Server Module Event Logfile"), std::string::npos);
    EXPECT_NE(log.find("Server Module Exit"), std::string::npos);
    EXPECT_NE(server.out().find("Server Module Exit"), std::string::npos);
}

TEST(ServerProcess, LoggedLinesAreWholeInTheLogWhenTheServerIsKilled)
{
    TempDir dir;
    const std::string port = FreePort();
    dir.write("tcpserve.ini", "[CONFIGURATION]\r\nTCP/IP Port=" + port + "\r\n");
    ServerProcess server(dir);
    // The second line is shown only once the first has been written.
    for (int i = 1; i <= 2; ++i) {
        TestClient client;
        ASSERT_TRUE(client.connectTo(port));
        ASSERT_TRUE(client.waitFor(Wire({0x81, 0x64, 0x64, 0xFF})));
        client.socket.close();
        ASSERT_TRUE(server.waitForOutput("Client Disconnect", 5000, i));
    }
    server.kill();
    const std::string log = dir.read("Eventlog.txt");
    EXPECT_NE(log.find("127.0.0.1"), std::string::npos);
    EXPECT_GE(CrLfLines(log).size(), 12u);
    EXPECT_EQ(log.substr(log.size() - 2), "\r\n");
}

namespace {

// Connects Count clients at once and returns them once each has its greeting.
std::vector<int> Burst(const std::string& port, int count)
{
    std::vector<int> clients;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(std::stoi(port)));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int i = 0; i < count; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to);
        clients.push_back(fd);
    }
    for (int fd : clients) {
        pollfd p{fd, POLLIN, 0};
        char greeting[4];
        EXPECT_TRUE(::poll(&p, 1, 10000) == 1 && ::recv(fd, greeting, sizeof greeting, MSG_WAITALL) == 4);
    }
    return clients;
}

}  // namespace

TEST(ServerProcess, RepeatedBurstsOfConnectionsDoNotGrowTheServer)
{
#ifdef HVN_ADDRESS_SANITIZER
    GTEST_SKIP() << "the sanitizer's allocator holds freed memory in quarantine";
#endif
    TempDir dir;
    const std::string port = FreePort();
    dir.write("tcpserve.ini", "[CONFIGURATION]\r\nTCP/IP Port=" + port + "\r\n");
    ServerProcess server(dir);
    TestClient first;
    ASSERT_TRUE(first.connectTo(port));
    // What one burst took, once it is gone, serves the next: a server that
    // runs for months comes back to the same size.
    long settled = 0;
    for (int round = 0; round < 4; ++round) {
        for (int fd : Burst(port, 1000))
            ::close(fd);
        // Past the server's own pause before it hands memory back.
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        if (round == 0)
            settled = ResidentKb(server.pid());
        EXPECT_LT(ResidentKb(server.pid()), settled + 1024) << round;
    }
}

TEST(ServerProcess, AVelaSwitcherOnAPseudoTerminalIsAskedForItsBasicsUntilItAnswers)
{
    TempDir dir;
    Pty pty;
    ASSERT_TRUE(pty.ok());
    dir.write("tcpserve.ini", VelaIni() + "Baud Rate=9600\r\n");
    ServerProcess server(dir, {"--serial-device", QString::fromStdString(pty.path())});
    // Once a second while nothing answers.
    const Bytes first = pty.readUntil(BasicInfoRequest + BasicInfoRequest, 4000);
    EXPECT_NE(first.find(BasicInfoRequest + BasicInfoRequest), Bytes::npos);
    pty.send(Wire({0xF4}));
    EXPECT_TRUE(server.waitForOutput("Switcher COM1\tSwitcher Connection"));
}

TEST(ServerProcess, TheSerialDeviceKeyIsOpenedUnlessTheCommandLineNamesAnother)
{
    TempDir dir;
    Pty inFile, onCommandLine;
    ASSERT_TRUE(inFile.ok() && onCommandLine.ok());
    const std::string key = "\r\nSerial Device=" + inFile.path() + "\r\n";
    dir.write("tcpserve.ini", VelaIni() + key.substr(2));
    {
        ServerProcess server(dir, {"--serial-device", QString::fromStdString(onCommandLine.path())});
        EXPECT_NE(onCommandLine.readUntil(BasicInfoRequest, 4000).find(BasicInfoRequest), Bytes::npos);
        EXPECT_EQ(server.terminate(), 0);
    }
    EXPECT_EQ(inFile.readFor(100), Bytes());
    EXPECT_NE(dir.read("tcpserve.ini").find(key), std::string::npos);

    // The service passes an empty device when /etc/default names none.
    ServerProcess server(dir, {"--serial-device", ""});
    EXPECT_NE(inFile.readUntil(BasicInfoRequest, 4000).find(BasicInfoRequest), Bytes::npos);
    EXPECT_EQ(server.terminate(), 0);
    EXPECT_NE(dir.read("tcpserve.ini").find(key), std::string::npos);
}

TEST(ServerProcess, ASerialDeviceThatDisappearsIsReopenedWhenItComesBack)
{
    TempDir dir;
    auto first = std::make_unique<Pty>();
    ASSERT_TRUE(first->ok());
    const std::string link = dir.app() + "switcher-port";
    std::filesystem::create_symlink(first->path(), link);
    dir.write("tcpserve.ini", VelaIni());
    ServerProcess server(dir, {"--serial-device", QString::fromStdString(link)});
    ASSERT_NE(first->readUntil(BasicInfoRequest, 4000).find(BasicInfoRequest), Bytes::npos);

    // The adapter is pulled, then plugged in again under the same name.
    first->close();
    std::filesystem::remove(link);
    Pty second;
    ASSERT_TRUE(second.ok());
    std::filesystem::create_symlink(second.path(), link);
    EXPECT_NE(second.readUntil(BasicInfoRequest, 10000).find(BasicInfoRequest), Bytes::npos);
    EXPECT_EQ(server.terminate(), 0);
}
