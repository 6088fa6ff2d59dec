// Helm clients against the real binary on loopback.
#include "model/ByteManipulation.h"
#include "support/Pty.h"
#include "support/ServerProcess.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

Bytes PasswordAnswer(const std::string& password)
{
    return Framed(Wire({0x80, 0x00, static_cast<int>(password.size())}) + password);
}

const Bytes Greeting = Wire({0x81, 0x64, 0x64, 0xFF});
const Bytes PasswordRequest = Wire({0xF2, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x02, 0xFF});
const Bytes HelmLogin = Wire({0x81, 0x78, 0x78, 0xFF});
const Bytes PanelLogin = Framed(Wire({0x81, 131 & 127, 131 >> 7}));

struct Helm {
    TempDir dir;
    std::string port = FreePort();
    std::unique_ptr<ServerProcess> server;

    explicit Helm(const std::string& ini = "", QStringList extra = {})
    {
        dir.write("tcpserve.ini", "[CONFIGURATION]\r\nTCP/IP Port=" + port + "\r\n" + ini);
        server = std::make_unique<ServerProcess>(dir, extra);
    }
    std::unique_ptr<TestClient> client()
    {
        auto c = std::make_unique<TestClient>();
        EXPECT_TRUE(c->connectTo(port));
        EXPECT_TRUE(c->waitFor(Greeting));
        return c;
    }
};

}  // namespace

TEST(HelmEndToEnd, PasswordsStoredShiftedGuardHelmAndPanelLogins)
{
    // "abc" for both: the Helm form is shifted up, the panel form down.
    Helm h("Helm Password=bdf\r\nPanel Password=```\r\n");
    auto pc = h.client();
    pc->send(HelmLogin);
    EXPECT_TRUE(pc->waitFor(PasswordRequest));
    pc->send(PasswordAnswer("abc"));
    EXPECT_TRUE(h.server->waitForOutput("127.0.0.1\tCorrect Password"));
    // Logged in: the keep-alive is answered, not ready while no switcher answers.
    pc->received.clear();
    pc->send(Wire({0xF5}));
    EXPECT_TRUE(pc->waitFor(Wire({0xF1})));

    auto panel = h.client();
    panel->send(PanelLogin);
    EXPECT_TRUE(panel->waitFor(PasswordRequest));
    panel->send(PasswordAnswer("abc"));
    EXPECT_TRUE(h.server->waitForOutput("127.0.0.1\tCorrect Password", 5000, 2));

    // Automation and consoles never need one.
    auto automation = h.client();
    automation->send(Framed(Wire({0x81, 125})));
    EXPECT_TRUE(h.server->waitForOutput("127.0.0.1\tAutomation Connection"));
    automation->received.clear();
    automation->send(Wire({0xF5}));
    EXPECT_TRUE(automation->waitFor(Wire({0xF1})));
}

TEST(HelmEndToEnd, ThreeWrongPasswordsOrACancelCloseTheConnection)
{
    Helm h("Helm Password=bdf\r\n");
    auto guesser = h.client();
    guesser->send(HelmLogin);
    for (const char* guess : {"x", "y", "z"})
        guesser->send(PasswordAnswer(guess));
    EXPECT_TRUE(guesser->closedByServer());
    EXPECT_TRUE(h.server->waitForOutput("127.0.0.1\tClient Disconnected"));

    auto quitter = h.client();
    quitter->send(HelmLogin);
    EXPECT_TRUE(quitter->waitFor(PasswordRequest));
    quitter->send(PasswordAnswer(""));
    EXPECT_TRUE(quitter->closedByServer());
    EXPECT_TRUE(h.server->waitForOutput("127.0.0.1\tConnection Cancelled"));
}

TEST(HelmEndToEnd, ALoggedInSilentClientIsPolledOnceASecond)
{
    Helm h;
    auto pc = h.client();
    pc->send(HelmLogin);
    pc->received.clear();
    const Bytes& got = pc->readFor(2600);
    EXPECT_GE(std::count(got.begin(), got.end(), '\xF5'), 2);
    EXPECT_LE(std::count(got.begin(), got.end(), '\xF5'), 3);
}

TEST(HelmEndToEnd, ATakeReachesTheVelaSwitcherAsItsOwnFrame)
{
    Pty pty;
    ASSERT_TRUE(pty.ok());
    Helm h("Switcher Type=Vela\r\n", {"--serial-device", QString::fromStdString(pty.path())});
    auto pc = h.client();
    pc->send(HelmLogin);
    const Bytes take = Wire({0xFE, 0x04, 0x00, 0x00, 0x00, 0x09, 0x00, 0x0D, 0xFF});
    pc->send(take);
    EXPECT_NE(pty.readUntil(take, 4000).find(take), Bytes::npos);
    EXPECT_TRUE(h.server->waitForOutput("127.0.0.1\tTake - In:0001-->Out:0010"));
}

TEST(HelmEndToEnd, HostileClientsLeaveTheServerAnsweringTheOthers)
{
    // A demo switcher: once on line, table requests are answered at once.
    Helm h("Switcher Type=Vela\r\nDemo Mode=Yes\r\n");
    auto pc = h.client();
    pc->send(HelmLogin);
    const auto answersReady = [&] { return AnswersReady(*pc); };
    ASSERT_TRUE(SpinUntil(answersReady, 5000));

    std::vector<std::unique_ptr<TestClient>> crowd;
    for (int i = 0; i < 200; ++i) {
        crowd.push_back(std::make_unique<TestClient>());
        ASSERT_TRUE(crowd.back()->connectTo(h.port)) << i;
    }
    auto garbage = h.client();
    auto huge = h.client();
    for (int i = 0; i < 50; ++i)
        garbage->send(Bytes(4096, '\x13') + Wire({0xFE, 0x01}) + Bytes(100, '\x7F'));
    huge->send(Wire({0xFE}) + Bytes(1 << 20, '\x01') + Wire({0xFF}));

    // One that asks for the crosspoint map over and over and never reads.
    const int deaf = socket(AF_INET, SOCK_STREAM, 0);
    const int small = 4096;
    setsockopt(deaf, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(std::stoi(h.port)));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(deaf, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
    Bytes requests = HelmLogin;
    const Bytes mapRequest = Framed(Wire({0xF2, 0x00, 0x01, 0, 0, 0, 0, 0x7F, 0x7F, 0, 0}));
    for (int i = 0; i < 20000; ++i)
        requests += mapRequest;
    for (size_t sent = 0; sent < requests.size();) {
        const ssize_t n = ::send(deaf, requests.data() + sent, requests.size() - sent, 0);
        ASSERT_GT(n, 0);
        sent += static_cast<size_t>(n);
    }
    // Dropped as a client that stopped reading, while the others are still served.
    EXPECT_TRUE(SpinUntil([&] { return h.dir.read("Errorlog.txt").find("Socket Busy") != std::string::npos; }, 20000));
    EXPECT_TRUE(SpinUntil(answersReady, 5000));
    EXPECT_EQ(h.server->terminate(), 0);
    ::close(deaf);
}

TEST(HelmEndToEnd, AStandardOutputNobodyReadsNeverStopsTheServer)
{
    TempDir dir;
    const std::string port = FreePort();
    dir.write("tcpserve.ini", "[CONFIGURATION]\r\nTCP/IP Port=" + port + "\r\nSwitcher Type=Vela\r\nDemo Mode=Yes\r\n");
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        execl(HVNSERVER_PATH, "hvnserver", "--headless", "--app-dir", dir.app().c_str(), nullptr);
        _exit(127);
    }
    ::close(out[1]);  // the read end stays open and is never read

    TestClient pc;
    ASSERT_TRUE(pc.connectTo(port));
    pc.send(HelmLogin);
    const auto answersReady = [&] { return AnswersReady(pc); };
    EXPECT_TRUE(SpinUntil(answersReady, 5000));
    // Each request adds a history line: far more than the pipe holds.
    const Bytes mapRequest = Framed(Wire({0xF2, 0x00, 0x01, 0, 0, 0, 0, 0x7F, 0x7F, 0, 0}));
    for (int round = 0; round < 10; ++round) {
        Bytes requests;
        for (int i = 0; i < 500; ++i)
            requests += mapRequest;
        pc.send(requests);
        pc.readFor(100);
    }
    EXPECT_TRUE(SpinUntil(answersReady, 5000));
    ::kill(pid, SIGTERM);
    int status = 0;
    bool reaped = false;
    const bool ended = SpinUntil([&] { return reaped = reaped || waitpid(pid, &status, WNOHANG) == pid; }, 10000);
    if (!ended) {
        ::kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    EXPECT_TRUE(ended && WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ::close(out[0]);
}
