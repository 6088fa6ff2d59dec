#pragma once
// The web port's listener on Qt's HTTP server and WebSocket modules. Qt reads
// the requests and does the WebSocket handshake; this class lets connections
// in, bounds what a client may send and for how long, and numbers the
// WebSockets for the handler.
#include "platform/Seams.h"

#include <QObject>
#include <QPointer>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QTcpSocket;
class QTimer;
class QWebSocket;
class QHttpServerRequest;

// What one client may send, and how slowly.
struct WebLimits {
    long MaxHeaderBytes = 16384;  // request line and headers
    long MaxBodyBytes = 16384;
    int RequestTimeoutMs = 10000;  // from a request's first byte to its last
    int IdleTimeoutMs = 60000;     // a kept-alive connection without a request
    long MaxUnsentBytes = SocketQueueCap;
    long MaxIncomingMessage = 4096;  // what a WebSocket client may send at once
};

class QtWebServer : public WebServer {
public:
    explicit QtWebServer(WebLimits limits = {});
    ~QtWebServer() override;
    QtWebServer(const QtWebServer&) = delete;
    QtWebServer& operator=(const QtWebServer&) = delete;

    // Events before a handler is set are dropped; connections are let in.
    void setHandler(WebEvents* handler) { handler_ = handler; }

    bool listen(const std::string& address, long portNumber, std::string& error) override;
    void close() override;
    bool isListening() const override;
    int connectionCount() const override;
    void send(int socket, const std::string& text) override;
    int queuedMessages(int socket) const override;
    void closeWebSocket(int socket) override;

private:
    class Http;
    class Listener;
    friend class Http;
    friend class Listener;

    // An HTTP connection, until it closes or becomes a WebSocket.
    struct Conn {
        std::string peer;
        std::optional<HttpResponse> refusal;  // set: refused at the door
        long requestBytes = 0;                // of the request being read
        bool cutOff = false;                  // answered and closing; input is dropped
        QTimer* deadline = nullptr;
    };
    struct Socket {
        std::unique_ptr<QWebSocket> ws;
        std::deque<long> frames;  // sizes of the last frames sent, oldest first
    };

    void admit(QTcpSocket* socket);
    void countInput(QTcpSocket* socket);
    void cutOff(QTcpSocket* socket, const char* response);
    enum class Outcome { Answer, AnswerAndClose, Upgrade, Drop };
    // Qt's request handler: what becomes of the request, and its Answer.
    Outcome handle(const QHttpServerRequest& request, QTcpSocket* socket, HttpResponse& answer);
    HttpResponse answer(Conn& c, const HttpRequest& request) const;
    void upgrading(QTcpSocket* socket);
    void takeWebSockets();
    void webSocketGone(int id);

    WebLimits limits_;
    WebEvents* handler_ = nullptr;
    Http* http_ = nullptr;
    std::map<QTcpSocket*, Conn> conns_;
    // Handed to the handshake, not yet a WebSocket.
    std::vector<QPointer<QTcpSocket>> handshakes_;
    std::map<int, Socket> sockets_;
    int lastSocket_ = 0;
    // Context of the connections made to sockets: they end with this object.
    QObject context_;
};
