// The SW-P-08 port of the real binary driven by a real control-system
// client, the npm package probel-swp-08 (tests/node/swp08/walk.js), on a demo
// Vela and on the simulated Orion and Draco; takes from a Zolt console reach it.
#include "support/ServerProcess.h"
#include "support/SimulatedSwitcher.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <filesystem>
#include <memory>

namespace {

const std::string ClientModules = HVN_NODE_DIR "/swp08/node_modules";

// The walk as a process; numbers 0-based. With Await "D:S" it prints READY and
// waits for that take to be made elsewhere.
class Walk {
public:
    struct Switcher {
        int sources, destinations;
        std::string firstSource, lastDestination;
    };
    Walk(const std::string& port, const Switcher& sw, const std::string& await = "")
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("NODE_PATH", QString::fromStdString(ClientModules));
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::MergedChannels);
        DieWithTheTest(process_);
        QStringList args{
            HVN_SOURCE_DIR "/tests/node/swp08/walk.js", Arg("port", port),
            Arg("sources", std::to_string(sw.sources)), Arg("destinations", std::to_string(sw.destinations)),
            Arg("first-source", sw.firstSource),        Arg("last-destination", sw.lastDestination)};
        if (!await.empty())
            args << Arg("await", await);
        process_.start("node", args);
    }
    bool printed(const std::string& text, int ms)
    {
        return SpinUntil(
                   [&] {
                       process_.waitForReadyRead(20);
                       out += process_.readAll().toStdString();
                       return out.find(text) != std::string::npos || process_.state() == QProcess::NotRunning;
                   },
                   ms) &&
               out.find(text) != std::string::npos;
    }
    // The exit status once it has ended, -1 when it did not end in time.
    int finished(int ms = 60000)
    {
        SpinUntil([&] { return process_.waitForFinished(20); }, ms);
        out += process_.readAll().toStdString();
        return process_.state() == QProcess::NotRunning ? process_.exitCode() : -1;
    }

    std::string out;

private:
    static QString Arg(const char* key, const std::string& value)
    {
        return QString("--%1=%2").arg(key, QString::fromStdString(value));
    }
    QProcess process_;
};

bool ClientInstalled() { return std::filesystem::is_directory(ClientModules + "/probel-swp-08"); }

// The walk against a server whose switcher is on line, with a Zolt take of
// input 5 to output 10 (0-based 4 and 9) made while the walk waits for it.
void WalkWithZoltTake(SwitcherServer& server, const std::string& port, const Walk::Switcher& sw)
{
    auto pc = server.helmPc();
    ASSERT_TRUE(OnLine(*pc));
    auto console = server.console();
    Walk walk(port, sw, "9:4");
    ASSERT_TRUE(walk.printed("READY", 60000)) << walk.out;
    console->send(
        "\x14"
        "005010");
    EXPECT_EQ(walk.finished(), 0) << walk.out;
    EXPECT_TRUE(server.process->waitForOutput("127.0.0.1\tSW-P-08 Connected", 5000, 3));
    EXPECT_TRUE(server.process->waitForOutput("127.0.0.1\tSW-P-08 Disconnect", 5000, 3));
}

}  // namespace

TEST(Swp08EndToEnd, TheNpmClientOnADemoVelaAndTheOptionWinsOverTheKey)
{
    ASSERT_TRUE(ClientInstalled()) << "no " << ClientModules << ": run tools/install-deps.sh test";
    const std::string keyPort = FreePort();
    std::string port = FreePort();
    while (port == keyPort)
        port = FreePort();
    SwitcherServer server("Vela", "", "Demo Mode=Yes\r\nSW-P-08 IP Port=" + keyPort + "\r\n",
                          {"--swp08-port", QString::fromStdString(port)});
    WalkWithZoltTake(server, port, {320, 320, "Inpt0001", "Out0320"});
    TestClient other;
    EXPECT_FALSE(other.connectTo(keyPort, 300));
    EXPECT_EQ(server.process->terminate(), 0);
    EXPECT_NE(server.dir.read("tcpserve.ini").find("\r\nSW-P-08 IP Port=" + keyPort + "\r\n"), std::string::npos);
}

TEST(Swp08EndToEnd, TheNpmClientOnASimulatedOrion)
{
    ASSERT_TRUE(ClientInstalled()) << "no " << ClientModules << ": run tools/install-deps.sh test";
    SimProcess sim({"--type", "orion"});
    const std::string port = FreePort();
    SwitcherServer server("Orion", sim.path(), "SW-P-08 IP Port=" + port + "\r\n");
    WalkWithZoltTake(server, port, {256, 256, "Src 001", "Dst 256"});
}

TEST(Swp08EndToEnd, TheNpmClientOnASimulatedDraco)
{
    ASSERT_TRUE(ClientInstalled()) << "no " << ClientModules << ": run tools/install-deps.sh test";
    SimProcess sim({"--type", "draco"});
    const std::string port = FreePort();
    SwitcherServer server("Draco", sim.path(), "Baud Rate=19200\r\nSW-P-08 IP Port=" + port + "\r\n");
    WalkWithZoltTake(server, port, {32, 32, "Src 001", "Dst 032"});
}
