// Helm clients against the real binary on loopback.
#include "support/Pty.h"
#include "support/ServerProcess.h"
#include "switcher/ByteManipulation.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

Bytes Frame(std::initializer_list<int> commandAndData)
{
    Bytes f = Wire(commandAndData);
    AppendChecksumAndEnd(f);
    return f;
}

Bytes PasswordAnswer(const std::string& password)
{
    Bytes f = Wire({0x80, 0x00, static_cast<int>(password.size())}) + password;
    AppendChecksumAndEnd(f);
    return f;
}

const Bytes Greeting = Wire({0x81, 0x64, 0x64, 0xFF});
const Bytes PasswordRequest = Wire({0xF2, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x02, 0xFF});
const Bytes HelmLogin = Wire({0x81, 0x78, 0x78, 0xFF});
const Bytes PanelLogin = Frame({0x81, 131 & 127, 131 >> 7});

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
    automation->send(Frame({0x81, 125}));
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
    Helm h;
    std::vector<std::unique_ptr<TestClient>> crowd;
    for (int i = 0; i < 200; ++i) {
        crowd.push_back(std::make_unique<TestClient>());
        ASSERT_TRUE(crowd.back()->connectTo(h.port)) << i;
    }
    auto garbage = h.client();
    auto huge = h.client();
    auto deaf = h.client();
    deaf->send(HelmLogin);
    deaf->socket.setReadBufferSize(1);  // it stops reading
    for (int i = 0; i < 50; ++i)
        garbage->send(Bytes(4096, '\x13') + Wire({0xFE, 0x01}) + Bytes(100, '\x7F'));
    huge->send(Wire({0xFE}) + Bytes(1 << 20, '\x01') + Wire({0xFF}));

    auto pc = h.client();
    pc->send(HelmLogin);
    pc->received.clear();
    pc->send(Wire({0xF5}));
    EXPECT_TRUE(pc->waitFor(Wire({0xF1}), 5000));
    EXPECT_EQ(h.server->terminate(), 0);
}
