#include "core/Lifecycle.h"
#include "disk/Configuration.h"
#include "web/WebPort.h"
#include "web/WebRig.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

class WebPortTest : public WebRigTest {
protected:
    // Opens an event socket as the listener would; returns its number.
    int Open(const std::string& Peer = "192.168.1.9")
    {
        const int socket = ++lastSocket;
        s.onWebSocketOpen(socket, "/api/v1/events", Peer);
        return socket;
    }
    // What Socket was sent since the last call, each message as JSON.
    std::vector<QJsonObject> Sent(int Socket)
    {
        std::vector<QJsonObject> events;
        for (const std::string& text : rig.web.sockets[Socket].sent)
            events.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(text)).object());
        rig.web.sockets[Socket].sent.clear();
        return events;
    }

    int lastSocket = 0;
};

}  // namespace

TEST_F(WebPortTest, APanelGetsTheWholeStateThenEachChangeWhateverMadeIt)
{
    const int panel = Open();
    std::vector<QJsonObject> events = Sent(panel);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0]["type"].toString(), "state");
    EXPECT_EQ(events[0]["crosspoints"].toArray().size(), 320);
    EXPECT_TRUE(rig.logged("Web Panel Connected"));

    // A take report names its output; a whole map names nothing: both are told.
    Route(4, 11);
    s.reports().CrosspointChanged(s, 4, 11, 4);
    Route(7, 2);
    Route(8, 3);
    s.reports().TableChanged(s, UpdateBit::Crosspoints, 0, 0);
    events = Sent(panel);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0]["destination"].toInt(), 5);
    EXPECT_EQ(events[0]["source"].toInt(), 12);
    EXPECT_EQ(events[2]["destination"].toInt(), 9);
    // An output turned off is told as having no source; the panel itself
    // changed the client counts.
    Route(4, -1);
    OnPollTick(s);
    events = Sent(panel);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0]["type"].toString(), "crosspoint");
    EXPECT_TRUE(events[0]["source"].isNull());
    EXPECT_EQ(events[1]["type"].toString(), "clients");
    EXPECT_EQ(events[1]["connections"].toObject()["web"].toInt(), 1);

    // Names and the link go out on the next poll tick, once.
    s.model.SourceAlphasRaw[0] = "Studio A";
    s.reports().NamesChanged(s, TableSources);
    s.reports().TableChanged(s, UpdateBit::SourceAlphas, 0, 16);
    SetSwitcherConnected(s, false);
    OnPollTick(s);
    events = Sent(panel);
    std::map<std::string, int> types;
    for (const QJsonObject& e : events)
        ++types[e["type"].toString().toStdString()];
    EXPECT_EQ(types, (std::map<std::string, int>{{"names", 1}, {"link", 1}}));
    OnPollTick(s);
    EXPECT_TRUE(Sent(panel).empty());
}

TEST_F(WebPortTest, ChangesWhileNoPanelListensReachALaterPanelInItsStateOnly)
{
    s.model.SourceAlphasRaw[0] = "Studio A";
    s.reports().NamesChanged(s, TableSources);
    SetSwitcherConnected(s, false);
    Route(4, 11);
    OnPollTick(s);

    const int panel = Open();
    std::vector<QJsonObject> events = Sent(panel);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0]["type"].toString(), "state");
    EXPECT_EQ(events[0]["crosspoints"].toArray()[4].toObject()["source"].toInt(), 12);
    OnPollTick(s);
    for (const QJsonObject& e : Sent(panel))
        EXPECT_EQ(e["type"].toString(), "clients");  // its own arrival, nothing older
}

TEST_F(WebPortTest, APanelThatStopsReadingIsCutOffAndCounted)
{
    const int slow = Open("10.0.0.5");
    const int quick = Open("10.0.0.6");
    rig.web.sockets[slow].reading = false;
    for (int i = 0; i <= MaxQueuedEvents + 1; ++i) {
        Route(i % 300, i % 7);
        s.reports().CrosspointChanged(s, i % 300, i % 7, 4);
    }
    EXPECT_EQ(rig.web.closed, std::vector<int>{slow});
    EXPECT_EQ(s.counters.SlowClientsCut, 1u);
    EXPECT_TRUE(rig.logged("Web Panel Disconnected"));
    EXPECT_GT(rig.web.sockets[quick].sent.size(), static_cast<size_t>(MaxQueuedEvents));
    // Closed by the server, the panel is gone from the counts at once.
    std::vector<ClientRow> rows;
    s.Protocols.back()->ListClients(s, rows);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Address, "10.0.0.6");
    EXPECT_EQ(s.TotalConnections(), 1);
}

TEST_F(WebPortTest, ThePanelsAreClientsOfTheServer)
{
    const int a = Open("10.0.0.5");
    Open("10.0.0.6");
    EXPECT_EQ(s.TotalConnections(), 2);
    EXPECT_EQ(rig.display.panels[0], "Client Connections: 0002");
    s.onWebSocketClosed(a);
    EXPECT_TRUE(rig.logged("Web Panel Disconnect"));
    EXPECT_EQ(s.TotalConnections(), 1);
    DisconnectAllClients(s);
    EXPECT_EQ(s.TotalConnections(), 0);
    EXPECT_EQ(rig.web.closed.size(), 1u);
}

TEST_F(WebPortTest, AllowedClientsAndMaxClientsRuleTheDoor)
{
    EXPECT_FALSE(s.onWebConnection("10.1.1.1").has_value());
    s.cfg.AllowedClients = "192.168.0.0/16";
    const std::optional<HttpResponse> refused = s.onWebConnection("10.1.1.1");
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(refused->Status, 403);
    EXPECT_TRUE(rig.logged("Client Refused - Not Allowed"));
    EXPECT_EQ(rig.display.history.back().first, "10.1.1.1");

    s.cfg.MaxClients = 2;
    rig.web.connections = 2;
    const std::optional<HttpResponse> full = s.onWebConnection("192.168.4.4");
    ASSERT_TRUE(full.has_value());
    EXPECT_EQ(full->Status, 503);
    EXPECT_TRUE(rig.logged("Client Refused - Too Many Connections"));
    rig.web.connections = 1;
    EXPECT_FALSE(s.onWebConnection("192.168.4.4").has_value());
}

TEST_F(WebPortTest, TheWebPasswordIsKeptAsAHashInTheFile)
{
    StoreWebPassword(s, "pässword");
    const std::string ini = dir.read("tcpserve.ini");
    EXPECT_NE(ini.find("Web Password=pbkdf2-sha256$"), std::string::npos) << ini;
    EXPECT_EQ(ini.find("pässword"), std::string::npos);
    const std::string stored = s.cfg.WebPassword;
    s.cfg.WebPassword.clear();
    ReadConfiguration(s);
    EXPECT_EQ(s.cfg.WebPassword, stored);
    EXPECT_TRUE(WebPasswordMatches(s.cfg.WebPassword, "pässword"));
    StoreWebPassword(s, "");
    EXPECT_NE(dir.read("tcpserve.ini").find("Web Password=\r\n"), std::string::npos);
}
