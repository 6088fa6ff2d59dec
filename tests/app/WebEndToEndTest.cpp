// The web port against the real binary on loopback: curl for the JSON
// interface, promtool for /metrics, a WebSocket for the events, and the panel
// in Debian's Chromium (tests/node/web/panel-test.js).
#include "support/ServerProcess.h"
#include "support/SimulatedSwitcher.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QWebSocket>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace {

struct Ran {
    int status = -1;
    std::string out;
};

Ran RunWith(const QString& Program, const QStringList& Args, const std::string& Input = "", int Ms = 20000)
{
    QProcess p;
    DieWithTheTest(p);
    p.start(Program, Args);
    p.write(Input.data(), static_cast<qint64>(Input.size()));
    p.closeWriteChannel();
    p.waitForFinished(Ms);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            p.readAllStandardOutput().toStdString() + p.readAllStandardError().toStdString()};
}

// curl as an operator types it; the last line of the output is the status code.
Ran Curl(const std::string& Port, const std::string& Path, QStringList Extra = {})
{
    return RunWith("curl",
                   QStringList{"-s", "-w", "\n%{http_code}",
                               "http://127.0.0.1:" + QString::fromStdString(Port) + QString::fromStdString(Path)} +
                       Extra);
}

std::string Code(const Ran& r) { return r.out.substr(r.out.rfind('\n') + 1); }

QJsonObject Json(const Ran& r)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(r.out.substr(0, r.out.rfind('\n')))).object();
}

Ran Take(const std::string& Port, int Destination, int Source, QStringList Extra = {})
{
    const std::string body =
        "{\"destination\":" + std::to_string(Destination) + ",\"source\":" + std::to_string(Source) + "}";
    return Curl(Port, "/api/v1/take", QStringList{"--json", QString::fromStdString(body)} + Extra);
}

// The demo Vela (320 x 320, nothing routed) with a Zolt port and the web port.
struct DemoWithWeb {
    TempDir dir;
    std::string helmPort = FreePort(), zoltPort = FreePort(), webPort = FreePort();
    std::unique_ptr<ServerProcess> process;

    explicit DemoWithWeb(const std::string& Ini = "")
    {
        while (zoltPort == helmPort || webPort == helmPort || webPort == zoltPort) {
            zoltPort = FreePort();
            webPort = FreePort();
        }
        dir.write("tcpserve.ini", "[CONFIGURATION]\r\nSwitcher Type=Vela\r\nDemo Mode=Yes\r\nTCP/IP Port=" + helmPort +
                                      "\r\nConsole IP Port=" + zoltPort + "\r\n" + Ini);
    }
    void start(QStringList Extra = {})
    {
        process =
            std::make_unique<ServerProcess>(dir, QStringList{"--web-port", QString::fromStdString(webPort)} + Extra);
        // Demo mode is healthy at once; takes wait until it is on line.
        EXPECT_TRUE(SpinUntil([&] { return Json(Curl(webPort, "/api/v1/status"))["online"].toBool(); }, 10000));
    }
    std::unique_ptr<TestClient> console()
    {
        auto c = std::make_unique<TestClient>();
        EXPECT_TRUE(c->connectTo(zoltPort));
        EXPECT_TRUE(c->waitFor("Login Sucessful\r\n"));
        return c;
    }
};

// Where the browser test can run: the npm packages installed and the browser there.
std::string PanelTestSkipReason()
{
    if (!std::filesystem::exists(std::string(HVN_NODE_DIR) + "/web/node_modules/playwright-core"))
        return "playwright-core is not installed (tools/install-deps.sh test)";
    if (!std::filesystem::exists("/usr/bin/chromium") || QStandardPaths::findExecutable("node").isEmpty())
        return "chromium or node is not installed (tools/install-deps.sh test)";
    return "";
}

Ran PanelTest(const std::string& WebPort, const std::string& ZoltPort, QStringList Extra = {})
{
    QProcess p;
    DieWithTheTest(p);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("NODE_PATH", QString(HVN_NODE_DIR) + "/web/node_modules");
    p.setProcessEnvironment(env);
    p.start("node",
            QStringList{QString(HVN_SOURCE_DIR) + "/tests/node/web/panel-test.js",
                        "http://127.0.0.1:" + QString::fromStdString(WebPort) + "/", QString::fromStdString(ZoltPort)} +
                Extra);
    p.waitForFinished(90000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            p.readAllStandardOutput().toStdString() + p.readAllStandardError().toStdString()};
}

}  // namespace

TEST(WebEndToEnd, CurlReadsTheStateAndTakesWithThePasswordOnly)
{
    DemoWithWeb web;
    const Ran set = RunWith(HVNSERVER_PATH, {"--app-dir", QString::fromStdString(web.dir.app()), "--set-web-password"},
                            "s3cret pass\n");
    EXPECT_EQ(set.status, 0) << set.out;
    const std::string ini = web.dir.read("tcpserve.ini");
    EXPECT_NE(ini.find("Web Password=pbkdf2-sha256$"), std::string::npos) << ini;
    EXPECT_EQ(ini.find("s3cret"), std::string::npos);
    EXPECT_NE(ini.find("Console IP Port=" + web.zoltPort), std::string::npos);  // the rest kept
    web.start();

    const QJsonObject status = Json(Curl(web.webPort, "/api/v1/status"));
    EXPECT_EQ(status["switcher"].toString(), "Vela");
    EXPECT_TRUE(status["online"].toBool());
    EXPECT_EQ(status["destinations"].toInt(), 320);
    EXPECT_EQ(Json(Curl(web.webPort, "/api/v1/names"))["sources"].toArray()[6].toString(), "Inpt0007");
    EXPECT_EQ(Json(Curl(web.webPort, "/api/v1/crosspoints"))["crosspoints"].toArray().size(), 320);

    // The password is asked for from this machine too; a wrong one pauses the checks.
    const Ran none = Take(web.webPort, 3, 7, {"-i"});
    EXPECT_EQ(Code(none), "401");
    EXPECT_NE(none.out.find("WWW-Authenticate: Basic realm="), std::string::npos) << none.out;
    EXPECT_EQ(Code(Take(web.webPort, 3, 7, {"-u", ":wrong"})), "401");
    SpinFor(1100);
    EXPECT_EQ(Code(Take(web.webPort, 3, 7, {"-u", ":s3cret pass"})), "202");
    EXPECT_TRUE(SpinUntil(
        [&] {
            const QJsonArray map = Json(Curl(web.webPort, "/api/v1/crosspoints"))["crosspoints"].toArray();
            return map[2].toObject()["source"].toInt() == 7;
        },
        1000));
    EXPECT_TRUE(web.process->waitForOutput("Switcher COM1\tTake - In:0007-->Out:0003"));
    EXPECT_EQ(Code(Take(web.webPort, 321, 7, {"-u", "any:s3cret pass"})), "400");

    const Ran metrics = Curl(web.webPort, "/metrics", {"-o", QString::fromStdString(web.dir.file("metrics.txt"))});
    EXPECT_EQ(Code(metrics), "200");
    EXPECT_NE(web.dir.read("metrics.txt").find("hvn_takes_total{origin=\"web\"} 1\n"), std::string::npos);
    if (QStandardPaths::findExecutable("promtool").isEmpty())
        GTEST_SKIP() << "promtool is not installed (tools/install-deps.sh test)";
    const Ran check = RunWith("promtool", {"check", "metrics"}, web.dir.read("metrics.txt"));
    EXPECT_EQ(check.status, 0) << check.out;
}

TEST(WebEndToEnd, WithoutAPasswordThisMachineTakesAndAllowedClientsStillRule)
{
    EXPECT_EQ(RunToEnd({"--web-port", "80a"}).status, 2);
    DemoWithWeb local;
    local.start();
    EXPECT_EQ(Code(Take(local.webPort, 1, 2)), "202");

    DemoWithWeb guarded("Allowed Clients=10.0.0.0/8\r\n");
    guarded.process = std::make_unique<ServerProcess>(
        guarded.dir, QStringList{"--web-port", QString::fromStdString(guarded.webPort)});
    ASSERT_TRUE(SpinUntil([&] { return Code(Curl(guarded.webPort, "/api/v1/status")) == "403"; }, 10000));
    EXPECT_TRUE(guarded.process->waitForOutput("127.0.0.1\tClient Refused - Not Allowed"));
}

TEST(WebEndToEnd, TheEventsSocketTellsEveryChange)
{
    DemoWithWeb web;
    web.start();
    QWebSocket events;
    std::vector<QJsonObject> got;
    QObject::connect(&events, &QWebSocket::textMessageReceived,
                     [&](const QString& m) { got.push_back(QJsonDocument::fromJson(m.toUtf8()).object()); });
    events.open(QUrl("ws://127.0.0.1:" + QString::fromStdString(web.webPort) + "/api/v1/events"));
    ASSERT_TRUE(SpinUntil([&] { return !got.empty(); }, 5000));
    EXPECT_EQ(got[0]["type"].toString(), "state");
    EXPECT_EQ(got[0]["crosspoints"].toArray().size(), 320);
    EXPECT_EQ(got[0]["names"].toObject()["destinations"].toArray()[0].toString(), "Out0001");

    const auto seen = [&](const char* Type, const std::function<bool(const QJsonObject&)>& Match) {
        return SpinUntil(
            [&] {
                return std::any_of(got.begin(), got.end(),
                                   [&](const QJsonObject& e) { return e["type"].toString() == Type && Match(e); });
            },
            1000);
    };
    // A console's take, and the console itself as a client.
    auto console = web.console();
    console->send(Bytes(1, '\x14') + "012005");
    EXPECT_TRUE(seen("crosspoint",
                     [](const QJsonObject& e) { return e["destination"].toInt() == 5 && e["source"].toInt() == 12; }));
    EXPECT_TRUE(seen("clients", [](const QJsonObject& e) { return e["connections"].toObject()["zolt"].toInt() == 1; }));
    // A take from the web itself reaches the socket the same way.
    EXPECT_EQ(Code(Take(web.webPort, 6, 9)), "202");
    EXPECT_TRUE(seen("crosspoint",
                     [](const QJsonObject& e) { return e["destination"].toInt() == 6 && e["source"].toInt() == 9; }));
    EXPECT_TRUE(web.process->waitForOutput("127.0.0.1\tWeb Panel Connected"));
}

TEST(WebEndToEnd, HealthFollowsTheSwitcherLink)
{
    // A switcher that does not answer yet, then does.
    SimProcess sim({"--size", "16"});
    sim.pause();
    const std::string webPort = FreePort();
    SwitcherServer server("Vela", sim.path(), "Web IP Port=" + webPort + "\r\n");
    Ran health;
    ASSERT_TRUE(SpinUntil([&] { return Code(health = Curl(webPort, "/healthz")) == "503"; }, 10000));
    EXPECT_EQ(Json(health)["reason"].toString(), "waiting for the switcher to answer");
    EXPECT_FALSE(Json(Curl(webPort, "/api/v1/status"))["online"].toBool());
    EXPECT_EQ(Code(Take(webPort, 1, 2)), "409");
    sim.resume();
    EXPECT_TRUE(SpinUntil([&] { return Code(Curl(webPort, "/healthz")) == "200"; }, 15000));
    EXPECT_TRUE(Json(Curl(webPort, "/api/v1/status"))["online"].toBool());
}

TEST(WebEndToEnd, ThePanelInABrowserWithAPassword)
{
    if (const std::string why = PanelTestSkipReason(); !why.empty())
        GTEST_SKIP() << why;
    DemoWithWeb web;
    ASSERT_EQ(RunWith(HVNSERVER_PATH, {"--app-dir", QString::fromStdString(web.dir.app()), "--set-web-password"},
                      "panel pw\n")
                  .status,
              0);
    web.start();
    const Ran r = PanelTest(web.webPort, web.zoltPort, {"--password", "panel pw"});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find(" passed, 0 failed"), std::string::npos) << r.out;
}

TEST(WebEndToEnd, ThePanelStaysQuickWith512By512)
{
    if (const std::string why = PanelTestSkipReason(); !why.empty())
        GTEST_SKIP() << why;
    SimProcess sim({"--size", "512"});
    const std::string webPort = FreePort();
    SwitcherServer server("Vela", sim.path(), "Web IP Port=" + webPort + "\r\n");
    ASSERT_TRUE(SpinUntil([&] { return Code(Curl(webPort, "/healthz")) == "200"; }, 20000));
    const Ran r = PanelTest(webPort, server.zoltPort);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("ok - 512 destinations shown"), std::string::npos) << r.out;
}
