// The real binary, headless, as an operator or a supervisor starts it.
#include "platform/QtLoop.h"
#include "support/Pty.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <filesystem>
#include <signal.h>
#include <sstream>

namespace {

Bytes B(std::initializer_list<int> bytes)
{
    Bytes b;
    for (int v : bytes)
        b += static_cast<char>(v);
    return b;
}

const Bytes BasicInfoRequest = B({0xF2, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x7F, 0x7F, 0x00, 0x00, 0x7F, 0xFF});

struct RunResult {
    int status = -1;
    std::string out, err;
};

RunResult RunToEnd(const QStringList& args)
{
    QProcess p;
    p.start(HVNSERVER_PATH, args);
    p.waitForFinished(10000);
    return {p.exitCode(), p.readAllStandardOutput().toStdString(), p.readAllStandardError().toStdString()};
}

class ServerProcess {
public:
    ServerProcess(const TempDir& dir, QStringList extra = {})
    {
        QtApp();
        process_.start(HVNSERVER_PATH, QStringList{"--headless", "--app-dir", QString::fromStdString(dir.app())} + extra);
        process_.waitForStarted(5000);
    }
    ~ServerProcess()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    bool waitForOutput(const std::string& text, int ms = 5000)
    {
        return SpinUntil(
            [&] {
                process_.waitForReadyRead(20);
                out_ += process_.readAllStandardOutput().toStdString();
                return out_.find(text) != std::string::npos;
            },
            ms);
    }

    // The orderly exit a supervisor asks for.
    int terminate()
    {
        ::kill(static_cast<pid_t>(process_.processId()), SIGTERM);
        process_.waitForFinished(10000);
        out_ += process_.readAllStandardOutput().toStdString();
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }

    const std::string& out() const { return out_; }

private:
    QProcess process_;
    std::string out_;
};

Bytes ReadFromServer(QTcpSocket& s, size_t count)
{
    Bytes got;
    SpinUntil(
        [&] {
            s.waitForReadyRead(20);
            const QByteArray a = s.readAll();
            got.append(a.constData(), static_cast<size_t>(a.size()));
            return got.size() >= count;
        },
        5000);
    return got;
}

// A port nobody listens on right now, so that tests may run side by side.
std::string FreePort()
{
    QtApp();
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return std::to_string(probe.serverPort());
}

std::string VelaIni()
{
    return "[CONFIGURATION]\r\nSwitcher Type=Vela\r\nTCP/IP Port=" + FreePort() + "\r\n";
}

std::vector<std::string> IniKeys(const std::string& text)
{
    std::vector<std::string> keys;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (const size_t eq = line.find('='); eq != std::string::npos)
            keys.push_back(line.substr(0, eq));
    return keys;
}

}  // namespace

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
              B({0x81, 0x64, 0x64, 0xFF, 0xE5, 0x01, 0x01, 0x00, 0x31, 0x09, 0x00, 0x00, 0x3C, 0xFF}));
    client.close();

    EXPECT_EQ(server.terminate(), 0);
    const std::string ini = dir.read("tcpserve.ini");
    EXPECT_EQ(IniKeys(ini),
              (std::vector<std::string>{"Serial Port", "Baud Rate", "TCP/IP Port", "Enable Zolt IP Port",
                                        "Console IP Port", "Enable HVN IP Port", "HVN IP Port",
                                        "Enable Logitek IP Port", "Logitek IP Port", "Switcher Type", "Stay On Top",
                                        "Max List Size", "Maintain Log File", "Maintain Error Log", "Record Zolt",
                                        "Log Zolt", "Log Switcher Errors", "Log Gains", "Display Gains",
                                        "Archive Log Files", "Maximum Log File Size", "Archive Error Files",
                                        "Maximum Error Log", "Archive Switcher Error", "Maximum Switcher Error Log",
                                        "Maintain ndf", "Helm Password", "Panel Password", "Pass Thru",
                                        "Start in Task Bar", "Demo Mode"}));
    for (const char* line : {"Serial Port=1", "Baud Rate=57600", "TCP/IP Port=1250", "Console IP Port=0",
                             "Switcher Type=Orion", "Stay On Top=Yes", "Max List Size=25", "Maintain Log File=Yes",
                             "Record Zolt=No", "Maintain ndf=No", "Demo Mode=No"})
        EXPECT_NE(ini.find(line), std::string::npos) << line;

    const std::string log = dir.read("Eventlog.txt");
    EXPECT_NE(log.find("HVN Server Module Event Logfile"), std::string::npos);
    EXPECT_NE(log.find("Server Module Exit"), std::string::npos);
    EXPECT_NE(server.out().find("Server Module Exit"), std::string::npos);
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
    pty.send(B({0xF4}));
    EXPECT_TRUE(server.waitForOutput("Switcher COM1\tSwitcher Connection"));
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
