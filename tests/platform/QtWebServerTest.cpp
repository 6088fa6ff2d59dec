#include "platform/QtLoop.h"
#include "platform/QtWebServer.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QWebSocket>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include <functional>
#include <memory>

namespace {

struct WebLog : WebEvents {
    std::optional<HttpResponse> onWebConnection(const std::string& peer) override
    {
        peers.push_back(peer);
        return refuseWith;
    }
    HttpResponse onHttpRequest(const HttpRequest& request) override
    {
        requests.push_back(request);
        return answer ? answer(request) : HttpResponse{200, "text/plain", {{"X-Test", "yes"}}, "hello " + request.Path};
    }
    void onWebSocketOpen(int socket, const std::string& path, const std::string& peer) override
    {
        opened.push_back({socket, path + " " + peer});
    }
    void onWebSocketMessage(int socket, const std::string& text) override { messages.push_back({socket, text}); }
    void onWebSocketClosed(int socket) override { closed.push_back(socket); }

    std::optional<HttpResponse> refuseWith;
    std::function<HttpResponse(const HttpRequest&)> answer;
    std::vector<std::string> peers;
    std::vector<HttpRequest> requests;
    std::vector<std::pair<int, std::string>> opened, messages;
    std::vector<int> closed;
};

WebLimits SmallLimits()
{
    WebLimits l;
    l.MaxHeaderBytes = 1024;
    l.MaxBodyBytes = 512;
    l.RequestTimeoutMs = 300;
    l.IdleTimeoutMs = 600;
    return l;
}

quint16 FreeTcpPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

struct WebRig {
    WebRig(WebLimits limits = SmallLimits()) : server(limits)
    {
        QtApp();
        server.setHandler(&log);
        std::string error;
        port = FreeTcpPort();
        listening = server.listen("127.0.0.1", port, error);
    }

    // A raw client: what it sends and when is up to the test.
    std::unique_ptr<QTcpSocket> connect()
    {
        auto c = std::make_unique<QTcpSocket>();
        c->connectToHost(QHostAddress::LocalHost, port);
        SpinUntil([&] { return c->state() == QAbstractSocket::ConnectedState; });
        return c;
    }
    // Everything the client gets until Done says enough or the server closes.
    std::string read(QTcpSocket& c, const std::function<bool(const std::string&)>& done, int ms = 3000)
    {
        std::string got;
        SpinUntil(
            [&] {
                got += c.readAll().toStdString();
                return done(got) || c.state() == QAbstractSocket::UnconnectedState;
            },
            ms);
        return got + c.readAll().toStdString();
    }
    std::string exchange(QTcpSocket& c, const std::string& request, const std::string& until = "hello")
    {
        c.write(request.data(), static_cast<qint64>(request.size()));
        return read(c, [&](const std::string& got) { return got.find(until) != std::string::npos; });
    }

    WebLog log;
    QtWebServer server;
    quint16 port = 0;
    bool listening = false;
};

bool Closed(QTcpSocket& c)
{
    return SpinUntil([&] {
        c.readAll();
        return c.state() == QAbstractSocket::UnconnectedState;
    });
}

}  // namespace

TEST(QtWebServer, HandsOnWholeRequestsAndWritesTheAnswers)
{
    WebRig rig;
    ASSERT_TRUE(rig.listening);
    auto c = rig.connect();
    const std::string reply = rig.exchange(
        *c, "POST /api/v1/take?x=1 HTTP/1.1\r\nHost: here\r\nX-Mixed-Case: Value\r\nContent-Length: 5\r\n\r\n{\"a\"}",
        "hello /api/v1/take");
    EXPECT_EQ(reply.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << reply;
    EXPECT_NE(reply.find("Content-Type: text/plain\r\n"), std::string::npos);
    EXPECT_NE(reply.find("X-Test: yes\r\n"), std::string::npos);
    EXPECT_NE(reply.find("Content-Length: 18\r\n\r\nhello /api/v1/take"), std::string::npos);
    ASSERT_EQ(rig.log.requests.size(), 1u);
    const HttpRequest& r = rig.log.requests[0];
    EXPECT_EQ(r.Method, "POST");
    EXPECT_EQ(r.Path, "/api/v1/take");
    EXPECT_EQ(r.Peer, "127.0.0.1");
    EXPECT_EQ(r.Body, "{\"a\"}");
    EXPECT_FALSE(r.WebSocket);
    EXPECT_NE(std::find(r.Headers.begin(), r.Headers.end(),
                        std::make_pair(std::string("x-mixed-case"), std::string("Value"))),
              r.Headers.end());

    // The connection stays for the next request, and counts as one.
    EXPECT_EQ(rig.server.connectionCount(), 1);
    EXPECT_NE(rig.exchange(*c, "GET /two HTTP/1.1\r\nHost: here\r\n\r\n", "hello /two").find("hello /two"),
              std::string::npos);
    // Asked to, it closes after the answer.
    rig.exchange(*c, "GET /three HTTP/1.1\r\nHost: here\r\nConnection: close\r\n\r\n", "hello /three");
    EXPECT_TRUE(Closed(*c));
    EXPECT_TRUE(SpinUntil([&] { return rig.server.connectionCount() == 0; }));
}

TEST(QtWebServer, ARefusedConnectionGetsItsAnswerAndNothingElse)
{
    WebRig rig;
    rig.log.refuseWith = HttpResponse{403, "application/json", {}, "{\"error\":\"not allowed\"}"};
    auto c = rig.connect();
    const std::string reply = rig.exchange(*c, "GET /api/v1/status HTTP/1.1\r\nHost: here\r\n\r\n", "not allowed");
    EXPECT_EQ(reply.rfind("HTTP/1.1 403", 0), 0u) << reply;
    EXPECT_TRUE(Closed(*c));
    EXPECT_EQ(rig.log.peers, std::vector<std::string>{"127.0.0.1"});
    EXPECT_TRUE(rig.log.requests.empty());
}

TEST(QtWebServer, RequestsPastTheLimitsAreRefusedUnread)
{
    WebRig rig;
    // A body past the limit, declared or not, never reaches the handler.
    auto big = rig.connect();
    const std::string body(600, 'x');
    std::string reply = rig.exchange(
        *big, "POST /a HTTP/1.1\r\nHost: h\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body,
        "\r\n\r\n{");
    EXPECT_EQ(reply.rfind("HTTP/1.1 413", 0), 0u) << reply;
    EXPECT_TRUE(Closed(*big));

    // Headers past the limit, within the total the listener reads.
    auto headers = rig.connect();
    reply = rig.exchange(*headers, "GET /b HTTP/1.1\r\nHost: h\r\nX-Long: " + std::string(1100, 'y') + "\r\n\r\n",
                         "\r\n\r\n{");
    EXPECT_EQ(reply.rfind("HTTP/1.1 431", 0), 0u) << reply;

    // A flood that never ends its headers is cut off at the total.
    auto flood = rig.connect();
    const std::string endless = "GET /c HTTP/1.1\r\nX-Flood: " + std::string(64 * 1024, 'z');
    flood->write(endless.data(), static_cast<qint64>(endless.size()));
    reply = rig.read(*flood, [](const std::string& got) { return got.find("\r\n\r\n{") != std::string::npos; });
    EXPECT_EQ(reply.rfind("HTTP/1.1 413", 0), 0u) << reply;
    EXPECT_TRUE(rig.log.requests.empty());
}

TEST(QtWebServer, SlowSendersAndIdleConnectionsAreClosed)
{
    WebRig rig;
    auto slow = rig.connect();
    auto idle = rig.connect();
    slow->write("GET /slow HTTP/1.1\r\nHost: h\r\n");
    const std::string reply =
        rig.read(*slow, [](const std::string& got) { return got.find("incomplete") != std::string::npos; });
    EXPECT_EQ(reply.rfind("HTTP/1.1 408", 0), 0u) << reply;
    EXPECT_TRUE(Closed(*slow));
    // The idle one outlives the request time-out and goes at the idle one.
    EXPECT_EQ(idle->state(), QAbstractSocket::ConnectedState);
    EXPECT_TRUE(Closed(*idle));
    EXPECT_TRUE(rig.log.requests.empty());
}

TEST(QtWebServer, WebSocketsOpenCarryTextAndReportTheirClose)
{
    WebRig rig;
    rig.log.answer = [](const HttpRequest& r) {
        return r.WebSocket && r.Path == "/events" ? HttpResponse{HttpSwitchingProtocols, "", {}, ""}
                                                  : HttpResponse{404, "application/json", {}, "{}"};
    };
    QWebSocket client;
    std::vector<QString> received;
    QObject::connect(&client, &QWebSocket::textMessageReceived, [&](const QString& m) { received.push_back(m); });
    client.open(QUrl("ws://127.0.0.1:" + QString::number(rig.port) + "/events"));
    ASSERT_TRUE(SpinUntil([&] { return !rig.log.opened.empty(); }));
    const int id = rig.log.opened[0].first;
    EXPECT_EQ(rig.log.opened[0].second, "/events 127.0.0.1");
    EXPECT_EQ(rig.server.connectionCount(), 1);

    rig.server.send(id, "{\"type\":\"state\"}");
    EXPECT_TRUE(SpinUntil([&] { return received.size() == 1; }));
    EXPECT_EQ(received[0], "{\"type\":\"state\"}");
    client.sendTextMessage("hi");
    EXPECT_TRUE(SpinUntil([&] { return rig.log.messages.size() == 1; }));
    EXPECT_EQ(rig.log.messages[0].second, "hi");

    client.close();
    EXPECT_TRUE(SpinUntil([&] { return rig.log.closed == std::vector<int>{id}; }));
    EXPECT_TRUE(SpinUntil([&] { return rig.server.connectionCount() == 0; }));

    // An upgrade the handler does not let happen gets its answer.
    auto c = rig.connect();
    const std::string reply =
        rig.exchange(*c,
                     "GET /other HTTP/1.1\r\nHost: h\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                     "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n",
                     "{}");
    EXPECT_EQ(reply.rfind("HTTP/1.1 404", 0), 0u) << reply;
    EXPECT_EQ(rig.log.opened.size(), 1u);
}

TEST(QtWebServer, MessagesAClientDoesNotReadAreCountedAndClosingCutsItOff)
{
    WebRig rig;
    rig.log.answer = [](const HttpRequest&) { return HttpResponse{HttpSwitchingProtocols, "", {}, ""}; };
    // A plain socket that takes little and reads nothing until told.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int small = 4096;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(rig.port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
    const std::string handshake =
        "GET /events HTTP/1.1\r\nHost: h\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
        "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";
    ::send(fd, handshake.data(), handshake.size(), MSG_NOSIGNAL);
    ASSERT_TRUE(SpinUntil([&] { return !rig.log.opened.empty(); }));
    const int id = rig.log.opened[0].first;

    // Well past what the kernels of both ends hold.
    const std::string message(32 * 1024, 'm');
    for (int i = 0; i < 400; ++i)
        rig.server.send(id, message);
    SpinFor(200);
    const int queued = rig.server.queuedMessages(id);
    EXPECT_GT(queued, 200);
    EXPECT_LE(queued, 400);

    rig.server.closeWebSocket(id);
    EXPECT_EQ(rig.server.connectionCount(), 0);
    EXPECT_EQ(rig.server.queuedMessages(id), 0);
    // The client finds its connection ended, and the close is not reported as the peer's.
    ::fcntl(fd, F_SETFL, O_NONBLOCK);
    EXPECT_TRUE(SpinUntil([&] {
        char buffer[65536];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        return n == 0 || (n < 0 && errno != EAGAIN);
    }));
    ::close(fd);
    SpinFor(50);
    EXPECT_TRUE(rig.log.closed.empty());
}

TEST(QtWebServer, ClosingStopsListeningAndEndsEveryConnection)
{
    WebRig rig;
    auto c = rig.connect();
    rig.exchange(*c, "GET /x HTTP/1.1\r\nHost: h\r\n\r\n", "hello /x");
    rig.server.close();
    EXPECT_FALSE(rig.server.isListening());
    EXPECT_EQ(rig.server.connectionCount(), 0);
    EXPECT_TRUE(Closed(*c));
    auto late = std::make_unique<QTcpSocket>();
    late->connectToHost(QHostAddress::LocalHost, rig.port);
    EXPECT_FALSE(late->waitForConnected(500) && late->waitForReadyRead(200));

    // And it listens again.
    std::string error;
    EXPECT_TRUE(rig.server.listen("127.0.0.1", rig.port, error)) << error;
    auto again = rig.connect();
    EXPECT_NE(rig.exchange(*again, "GET /y HTTP/1.1\r\nHost: h\r\n\r\n", "hello /y").find("hello /y"),
              std::string::npos);
}
