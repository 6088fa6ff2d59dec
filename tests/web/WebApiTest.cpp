#include "support/WireBytes.h"
#include "switcher/ToSwitcher.h"
#include "web/WebApi.h"
#include "web/WebRig.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

class WebApiTest : public WebRigTest {
protected:
    HttpResponse Ask(const std::string& Method, const std::string& Path, const Bytes& Body = "",
                     const std::string& Peer = "127.0.0.1",
                     std::vector<std::pair<std::string, std::string>> Headers = {})
    {
        HttpRequest r;
        r.Method = Method;
        r.Path = Path;
        r.Body = Body;
        r.Peer = Peer;
        r.Headers = std::move(Headers);
        r.Headers.emplace_back("host", "panel:8080");
        return AnswerWebRequest(s, auth, facts, r);
    }
    HttpResponse Take(int Destination, int Source, const std::string& Peer = "127.0.0.1",
                      std::vector<std::pair<std::string, std::string>> Headers = {})
    {
        const std::string body =
            "{\"destination\":" + std::to_string(Destination) + ",\"source\":" + std::to_string(Source) + "}";
        return Ask("POST", "/api/v1/take", body, Peer, std::move(Headers));
    }
    static QJsonObject Json(const HttpResponse& r)
    {
        return QJsonDocument::fromJson(QByteArray::fromStdString(r.Body)).object();
    }
    static std::string Header(const HttpResponse& r, const std::string& Name)
    {
        for (const auto& [name, value] : r.Headers)
            if (name == Name)
                return value;
        return "";
    }
    Bytes SerialSent()
    {
        Bytes all = rig.serial.written();
        rig.serial.writes.clear();
        return all;
    }
    // What the family sends for a take of Input to Output, as a console's take does.
    Bytes ConsoleTake(int Input, int Output)
    {
        SerialSent();
        int type = 4;
        SendTakeToSwitcher(s, Input, Output, type, NoneValue);
        return SerialSent();
    }

    WebAuthState auth;
    WebFacts facts{{{"helm", 1}, {"zolt", 0}, {"web", 2}}, 42, 100000};
};

}  // namespace

TEST_F(WebApiTest, ReadsStateAsJsonNumberedFromOne)
{
    Route(4, 11);
    s.model.NumSalvos = 2;
    s.model.SalvoAlphas = {"Evening", "Morning"};
    s.model.SalvoSortTable = {1, 0};  // sorted names, each with its salvo's number

    const HttpResponse status = Ask("GET", "/api/v1/status");
    EXPECT_EQ(status.Status, 200);
    EXPECT_EQ(status.ContentType, "application/json");
    const QJsonObject st = Json(status);
    EXPECT_EQ(st["switcher"].toString(), "Vela");
    EXPECT_TRUE(st["online"].toBool());
    EXPECT_EQ(st["destinations"].toInt(), 320);
    EXPECT_EQ(st["salvos"].toInt(), 2);
    EXPECT_EQ(st["connections"].toObject()["web"].toInt(), 2);
    EXPECT_EQ(st["uptimeSeconds"].toInt(), 42);
    EXPECT_EQ(st["version"].toString(), "Version 4.09 - 05/23/2005");

    const QJsonArray xp = Json(Ask("GET", "/api/v1/crosspoints"))["crosspoints"].toArray();
    ASSERT_EQ(xp.size(), 320);
    EXPECT_EQ(xp[4].toObject()["destination"].toInt(), 5);
    EXPECT_EQ(xp[4].toObject()["source"].toInt(), 12);
    EXPECT_TRUE(xp[0].toObject()["source"].isNull());  // a Vela starts with nothing routed

    s.model.SourceAlphasRaw[0] = "Mic 1   ";
    const QJsonObject names = Json(Ask("GET", "/api/v1/names"));
    EXPECT_EQ(names["sources"].toArray()[0].toString(), "Mic 1");
    EXPECT_EQ(names["destinations"].toArray()[319].toString(), "Out0320");
    EXPECT_EQ(names["salvos"].toArray(), (QJsonArray{"Morning", "Evening"}));

    // Pass-through keeps no model: no salvos to name, nothing on line.
    s.cfg.PassThru = true;
    s.model.SwitcherType = SwitcherType::PassThru;
    EXPECT_FALSE(Json(Ask("GET", "/api/v1/names")).contains("salvos"));
    EXPECT_EQ(Json(Ask("GET", "/api/v1/status"))["switcher"].toString(), "PassThru");
}

TEST_F(WebApiTest, ATakeGoesToTheSwitcherAsAConsoleTakeDoes)
{
    const Bytes expected = ConsoleTake(2, 6);
    ASSERT_FALSE(expected.empty());
    const HttpResponse r = Take(7, 3);
    EXPECT_EQ(r.Status, 202);
    EXPECT_EQ(Json(r)["destination"].toInt(), 7);
    EXPECT_EQ(SerialSent(), expected);
    EXPECT_EQ(s.counters.TakesByPort[static_cast<size_t>(Port::Web)], 1u);
    EXPECT_TRUE(rig.logged("Take - In:003-->Out:007"));

    // The last source and destination are in range; one past is not.
    EXPECT_EQ(Take(320, 320).Status, 202);
    EXPECT_EQ(Take(321, 1).Status, 400);
    EXPECT_EQ(Take(1, 321).Status, 400);
}

TEST_F(WebApiTest, BadTakeBodiesAreRefusedWithTheReason)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", "bad JSON"},
        {"{\"destination\":1,", "bad JSON"},
        {"[1,2]", "must be a JSON object"},
        {"{\"destination\":1}", "missing field \"source\""},
        {"{\"destination\":1,\"source\":2,\"level\":3}", "unknown field \"level\""},
        {"{\"destination\":0,\"source\":2}", "destination must be a whole number from 1 to 320"},
        {"{\"destination\":1.5,\"source\":2}", "destination must be a whole number"},
        {"{\"destination\":\"1\",\"source\":2}", "destination must be a whole number"},
        {"{\"destination\":1,\"source\":-1}", "source must be a whole number"},
        {"{\"destination\":1,\"source\":1e300}", "source must be a whole number"},
        {"{\"destination\":1,\"source\":null}", "source must be a whole number"},
        {std::string(5000, ' '), "body too large"},
    };
    for (const auto& [body, reason] : cases) {
        const HttpResponse r = Ask("POST", "/api/v1/take", body);
        EXPECT_EQ(r.Status, 400) << body;
        EXPECT_NE(Json(r)["error"].toString().toStdString().find(reason), std::string::npos)
            << body << " -> " << r.Body;
    }
    EXPECT_TRUE(SerialSent().empty());
}

TEST_F(WebApiTest, WithoutAPasswordOnlyThisMachineMayChangeAnything)
{
    EXPECT_EQ(Take(1, 2, "127.0.0.1").Status, 202);
    EXPECT_EQ(Take(1, 2, "127.3.4.5").Status, 202);
    EXPECT_EQ(Take(1, 2, "::1").Status, 202);
    EXPECT_EQ(Take(1, 2, "::ffff:127.0.0.1").Status, 202);
    SerialSent();
    const HttpResponse far = Take(1, 2, "192.168.1.20");
    EXPECT_EQ(far.Status, 403);
    EXPECT_EQ(Ask("POST", "/api/v1/salvo", "{\"salvo\":1}", "10.0.0.1").Status, 403);
    EXPECT_TRUE(SerialSent().empty());
    // Reading needs nothing.
    EXPECT_EQ(Ask("GET", "/api/v1/status", "", "192.168.1.20").Status, 200);
}

TEST_F(WebApiTest, WithAPasswordEveryChangeNeedsIt)
{
    s.cfg.WebPassword = HashWebPassword("s3cret", "0123456789abcdef", 1000);
    auto basic = [](const std::string& credentials) {
        return std::vector<std::pair<std::string, std::string>>{
            {"authorization", "Basic " + QByteArray::fromStdString(credentials).toBase64().toStdString()}};
    };
    const HttpResponse none = Take(1, 2, "127.0.0.1");
    EXPECT_EQ(none.Status, 401);  // loopback is no way round it
    EXPECT_EQ(Header(none, "WWW-Authenticate").rfind("Basic realm=", 0), 0u);
    EXPECT_EQ(Take(1, 2, "192.168.1.20", basic("anyone:s3cret")).Status, 202);
    EXPECT_EQ(Take(1, 2, "192.168.1.20", basic(":s3cret")).Status, 202);

    const HttpResponse wrong = Take(1, 2, "192.168.1.20", basic(":guess"));
    EXPECT_EQ(wrong.Status, 401);
    // Right after a wrong one, checks pause: even the right one waits.
    facts.NowMs += 10;
    const HttpResponse paused = Take(1, 2, "192.168.1.20", basic(":guess2"));
    EXPECT_EQ(paused.Status, 429);
    EXPECT_EQ(Header(paused, "Retry-After"), "1");
    // ... except a credential that already matched once.
    EXPECT_EQ(Take(1, 2, "192.168.1.20", basic(":s3cret")).Status, 202);
    facts.NowMs += WebPasswordPauseMs;
    EXPECT_EQ(Take(1, 2, "192.168.1.20", basic("x:guess2")).Status, 401);
    EXPECT_EQ(Take(1, 2, "192.168.1.20", basic("bad base64!")).Status, 401);
}

TEST_F(WebApiTest, PagesElsewhereCannotMakeTheBrowserTakeHere)
{
    EXPECT_EQ(Take(1, 2, "127.0.0.1", {{"origin", "http://evil.example"}}).Status, 403);
    EXPECT_EQ(Take(1, 2, "127.0.0.1", {{"origin", "null"}}).Status, 403);
    EXPECT_EQ(Take(1, 2, "127.0.0.1", {{"origin", "http://panel:8080"}}).Status, 202);
    HttpRequest upgrade;
    upgrade.Method = "GET";
    upgrade.Path = EventsPath;
    upgrade.WebSocket = true;
    upgrade.Headers = {{"host", "panel:8080"}, {"origin", "http://evil.example"}};
    EXPECT_EQ(AnswerWebRequest(s, auth, facts, upgrade).Status, 403);
    upgrade.Headers[1].second = "http://panel:8080";
    EXPECT_EQ(AnswerWebRequest(s, auth, facts, upgrade).Status, HttpSwitchingProtocols);
    EXPECT_EQ(Ask("GET", EventsPath).Status, 426);  // not an upgrade
}

TEST_F(WebApiTest, ChangesWaitForTheSwitcher)
{
    s.Link.Lost();
    const HttpResponse r = Take(1, 2);
    EXPECT_EQ(r.Status, 409);
    EXPECT_EQ(Json(r)["error"].toString(), "switcher off line");
    s.Link.Answered();
    s.Link.AllTablesArrived();
    s.cfg.PassThru = true;
    s.model.SwitcherType = SwitcherType::PassThru;
    EXPECT_EQ(Take(1, 2).Status, 409);
    EXPECT_TRUE(SerialSent().empty());
}

TEST_F(WebApiTest, ASalvoGoesToTheSwitcher)
{
    s.model.NumSalvos = 3;
    SerialSent();
    SendSalvoExecuteToSwitcher(s, 2);
    const Bytes expected = SerialSent();
    EXPECT_EQ(Ask("POST", "/api/v1/salvo", "{\"salvo\":3}").Status, 202);
    EXPECT_EQ(SerialSent(), expected);
    EXPECT_EQ(Ask("POST", "/api/v1/salvo", "{\"salvo\":4}").Status, 400);
    EXPECT_EQ(Ask("POST", "/api/v1/salvo", "{\"salvo\":1,\"x\":1}").Status, 400);
    s.cfg.PassThru = true;
    EXPECT_EQ(Ask("POST", "/api/v1/salvo", "{\"salvo\":1}").Status, 404);
}

TEST_F(WebApiTest, UnknownPagesAndMethods)
{
    EXPECT_EQ(Ask("GET", "/nothing").Status, 404);
    const HttpResponse r = Ask("GET", "/api/v1/take");
    EXPECT_EQ(r.Status, 405);
    EXPECT_EQ(Header(r, "Allow"), "POST");
    EXPECT_EQ(Ask("DELETE", "/api/v1/status").Status, 405);
    const HttpResponse page = Ask("GET", "/");
    EXPECT_EQ(page.Status, 200);
    EXPECT_NE(page.Body.find("panel.js"), std::string::npos);
    EXPECT_NE(Ask("GET", "/panel.js").Body.find("WebSocket"), std::string::npos);
}

TEST_F(WebApiTest, HealthFollowsTheLink)
{
    EXPECT_EQ(Ask("GET", "/healthz").Status, 200);
    s.Link.Lost();
    const HttpResponse down = Ask("GET", "/healthz");
    EXPECT_EQ(down.Status, 503);
    EXPECT_EQ(Json(down)["reason"].toString(), "waiting for the switcher to answer");
    s.cfg.DemoMode = true;
    EXPECT_EQ(Ask("GET", "/healthz").Status, 200);
}

TEST_F(WebApiTest, MetricsPassPromtool)
{
    s.counters.SerialBytesIn = 1234;
    s.counters.TakesByPort[static_cast<size_t>(Port::Zolt)] = 5;
    s.counters.StartedUnixSeconds = 1700000000;
    const HttpResponse r = Ask("GET", "/metrics");
    EXPECT_EQ(r.Status, 200);
    EXPECT_EQ(r.ContentType.rfind("text/plain; version=0.0.4", 0), 0u);
    EXPECT_NE(r.Body.find("hvn_serial_bytes_total{direction=\"in\"} 1234\n"), std::string::npos);
    EXPECT_NE(r.Body.find("hvn_takes_total{origin=\"zolt\"} 5\n"), std::string::npos);
    EXPECT_NE(r.Body.find("hvn_connections{port=\"web\"} 2\n"), std::string::npos);
    EXPECT_NE(r.Body.find("hvn_switcher_online 1\n"), std::string::npos);
    EXPECT_NE(r.Body.find("process_start_time_seconds 1700000000\n"), std::string::npos);

    const QString promtool = QStandardPaths::findExecutable("promtool");
    if (promtool.isEmpty())
        GTEST_SKIP() << "promtool is not installed (tools/install-deps.sh test)";
    QProcess check;
    check.start(promtool, {"check", "metrics"});
    check.write(r.Body.data(), static_cast<qint64>(r.Body.size()));
    check.closeWriteChannel();
    ASSERT_TRUE(check.waitForFinished(10000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardOutput().toStdString()
                                   << check.readAllStandardError().toStdString();
}

TEST_F(WebApiTest, MetricsCountWhatCrossedTheSerialLineAndWhereTakesCameFrom)
{
    // A one-output crosspoint map from the switcher, whole and then with a wrong check byte.
    const Bytes map = Framed(Wire({0xF6, 0x00, 0x01, 0x00, 0x04, 0x00, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x08}));
    Bytes broken = map;
    broken[broken.size() - 2] = static_cast<char>(broken[broken.size() - 2] ^ 1);
    s.onSerialData(map + broken);
    for (int i = 0; i < 4; ++i)
        s.onTimer(TimerId::SerialDecode);
    EXPECT_EQ(s.counters.SerialBytesIn, 2 * map.size());
    EXPECT_EQ(s.counters.SerialFramesIn, 2u);
    EXPECT_EQ(s.counters.BadChecks, 1u);

    SerialSent();
    EXPECT_EQ(Take(2, 3).Status, 202);
    const Bytes sent = SerialSent();
    EXPECT_EQ(s.counters.SerialFramesOut, 1u);
    EXPECT_EQ(s.counters.SerialBytesOut, sent.size());
    EXPECT_EQ(s.counters.TakesByPort[static_cast<size_t>(Port::Web)], 1u);

    const std::string metrics = Ask("GET", "/metrics").Body;
    EXPECT_NE(metrics.find("hvn_serial_frames_total{direction=\"in\"} 2\n"), std::string::npos) << metrics;
    EXPECT_NE(metrics.find("hvn_serial_bad_checks_total 1\n"), std::string::npos);
    EXPECT_NE(metrics.find("hvn_takes_total{origin=\"web\"} 1\n"), std::string::npos);
}
