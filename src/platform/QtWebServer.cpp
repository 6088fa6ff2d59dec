#include "platform/QtWebServer.h"

#include "platform/QtAddresses.h"

#include <QAbstractHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QMetaEnum>
#include <QMetaObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>

#include <unistd.h>

#include <utility>

namespace {

// After an accept failed (out of descriptors), accepting resumes this much later.
constexpr int AcceptRetryMs = 250;

// The listener's own answers, for requests it does not hand on.
constexpr const char* TooLarge =
    "HTTP/1.1 413 Payload Too Large\r\nContent-Type: application/json\r\nContent-Length: 30\r\n"
    "Connection: close\r\n\r\n{\"error\":\"request too large\"}\n";
constexpr const char* TooSlow =
    "HTTP/1.1 408 Request Timeout\r\nContent-Type: application/json\r\nContent-Length: 31\r\n"
    "Connection: close\r\n\r\n{\"error\":\"request incomplete\"}\n";

bool IsUpgrade(const QHttpServerRequest& request)
{
    // The test Qt makes before it hands the connection to the handshake.
    return request.value("connection").toLower().contains("upgrade") &&
           request.value("upgrade").compare("websocket", Qt::CaseInsensitive) == 0;
}

bool WantsClose(const QHttpServerRequest& request) { return request.value("connection").toLower().contains("close"); }

std::string MethodName(QHttpServerRequest::Method method)
{
    if (method == QHttpServerRequest::Method::Unknown)
        return "";
    const char* name = QMetaEnum::fromType<QHttpServerRequest::Method>().valueToKey(static_cast<int>(method));
    return name ? QByteArray(name).toUpper().toStdString() : std::string();
}

// About what the request line and the headers took on the wire.
long HeaderBytes(const HttpRequest& request)
{
    long bytes = static_cast<long>(request.Method.size() + request.Path.size()) + 12;
    for (const auto& [name, value] : request.Headers)
        bytes += static_cast<long>(name.size() + value.size()) + 4;
    return bytes;
}

HttpRequest ToRequest(const QHttpServerRequest& request, const std::string& peer)
{
    HttpRequest r;
    r.Peer = peer;
    r.Method = MethodName(request.method());
    r.Path = request.url().path().toStdString();
    for (const auto& [name, value] : request.headers())
        r.Headers.emplace_back(name.toLower().toStdString(), value.toStdString());
    const QByteArray body = request.body();
    r.Body.assign(body.constData(), static_cast<size_t>(body.size()));
    r.WebSocket = IsUpgrade(request);
    return r;
}

HttpResponse JsonError(int status, const std::string& text)
{
    return {status, "application/json", {}, "{\"error\":\"" + text + "\"}\n"};
}

// The bytes of a server's (unmasked) text frame of Payload bytes.
long FrameSize(long payload) { return payload + (payload < 126 ? 2 : payload < 65536 ? 4 : 10); }

}  // namespace

// Qt's request reading, with the answers ours.
class QtWebServer::Http : public QAbstractHttpServer {
public:
    explicit Http(QtWebServer& owner) : owner_(owner)
    {
        connect(this, &QAbstractHttpServer::newWebSocketConnection, this, [this] { owner_.takeWebSockets(); });
    }

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override
    {
        HttpResponse answer;
        const Outcome outcome = owner_.handle(request, socket, answer);
        if (IsUpgrade(request)) {
            if (outcome == Outcome::Upgrade)
                return true;
            // Qt asks missingHandler for the answer, then closes.
            refusedUpgrade_.reset();
            if (outcome != Outcome::Drop)
                refusedUpgrade_ = std::move(answer);
            return false;
        }
        if (outcome != Outcome::Drop)
            Write(request, socket, answer);
        if (outcome == Outcome::AnswerAndClose || WantsClose(request))
            socket->disconnectFromHost();
        return true;
    }
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override
    {
        if (refusedUpgrade_)
            Write(request, socket, *refusedUpgrade_);
    }

private:
    static void Write(const QHttpServerRequest& request, QTcpSocket* socket, const HttpResponse& r)
    {
        if (socket->state() != QAbstractSocket::ConnectedState)
            return;
        QHttpServerResponder responder = makeResponder(request, socket);
        responder.writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(r.Status));
        if (!r.ContentType.empty())
            responder.writeHeader("Content-Type", QByteArray::fromStdString(r.ContentType));
        for (const auto& [name, value] : r.Headers)
            responder.writeHeader(QByteArray::fromStdString(name), QByteArray::fromStdString(value));
        responder.writeHeader("Content-Length", QByteArray::number(static_cast<qsizetype>(r.Body.size())));
        responder.writeBody(r.Body.data(), static_cast<qint64>(r.Body.size()));
    }

    QtWebServer& owner_;
    std::optional<HttpResponse> refusedUpgrade_;
};

// Takes each connection's measure before Qt's request reading sees it.
class QtWebServer::Listener : public QTcpServer {
public:
    explicit Listener(QtWebServer& owner) : owner_(owner)
    {
        // Out of descriptors, Qt stops accepting for good; a while later is soon enough.
        connect(this, &QTcpServer::acceptError, this,
                [this] { QTimer::singleShot(AcceptRetryMs, this, [this] { resumeAccepting(); }); });
    }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            ::close(static_cast<int>(descriptor));
            delete socket;
            return;
        }
        owner_.admit(socket);
        addPendingConnection(socket);
    }

private:
    QtWebServer& owner_;
};

QtWebServer::QtWebServer(WebLimits limits) : limits_(limits) {}

QtWebServer::~QtWebServer()
{
    close();
    for (QObject* child : context_.children())
        QObject::disconnect(child, nullptr, &context_, nullptr);
}

bool QtWebServer::listen(const std::string& address, long portNumber, std::string& error)
{
    const std::optional<QHostAddress> local = ListenTarget(address, portNumber, error);
    if (!local)
        return false;
    close();
    auto http = std::make_unique<Http>(*this);
    auto* listener = new Listener(*this);
    if (!listener->listen(*local, static_cast<quint16>(portNumber))) {
        error = (address.empty() ? "" : address + " ") + "port " + std::to_string(portNumber) + ": " +
                listener->errorString().toStdString();
        delete listener;
        return false;
    }
    http->bind(listener);
    http_ = http.release();
    return true;
}

void QtWebServer::close()
{
    for (auto& [id, s] : sockets_) {
        QObject::disconnect(s.ws.get(), nullptr, &context_, nullptr);
        s.ws->abort();
        s.ws.release()->deleteLater();
    }
    sockets_.clear();
    if (!http_)
        return;
    // The handshakes go with the server that holds them; this may run
    // inside one of its own signals.
    for (auto& [socket, c] : conns_) {
        QObject::disconnect(socket, nullptr, &context_, nullptr);
        QObject::disconnect(c.deadline, nullptr, &context_, nullptr);
        socket->abort();
    }
    conns_.clear();
    handshakes_.clear();
    for (QTcpServer* listener : http_->servers())
        listener->close();
    std::exchange(http_, nullptr)->deleteLater();
}

bool QtWebServer::isListening() const
{
    return http_ && !http_->servers().isEmpty() && http_->servers().first()->isListening();
}

int QtWebServer::connectionCount() const
{
    int handshaking = 0;
    for (const auto& socket : handshakes_)
        handshaking += socket ? 1 : 0;
    return static_cast<int>(conns_.size() + sockets_.size()) + handshaking;
}

void QtWebServer::send(int socket, const std::string& text)
{
    auto it = sockets_.find(socket);
    if (it == sockets_.end())
        return;
    Socket& s = it->second;
    const int queued = queuedMessages(socket);
    s.frames.erase(s.frames.begin(), s.frames.end() - queued);
    const QString message = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    s.frames.push_back(FrameSize(static_cast<long>(message.toUtf8().size())));
    s.ws->sendTextMessage(message);
}

int QtWebServer::queuedMessages(int socket) const
{
    auto it = sockets_.find(socket);
    if (it == sockets_.end())
        return 0;
    // The unsent bytes are the tail of the frames sent.
    const qint64 unsent = it->second.ws->bytesToWrite();
    qint64 counted = 0;
    int messages = 0;
    for (auto f = it->second.frames.rbegin(); f != it->second.frames.rend() && counted < unsent; ++f, ++messages)
        counted += *f;
    return messages;
}

void QtWebServer::closeWebSocket(int socket)
{
    auto it = sockets_.find(socket);
    if (it == sockets_.end())
        return;
    QWebSocket* ws = it->second.ws.release();
    sockets_.erase(it);
    QObject::disconnect(ws, nullptr, &context_, nullptr);
    ws->abort();
    ws->deleteLater();
}

void QtWebServer::admit(QTcpSocket* socket)
{
    const std::string peer = DottedAddress(socket->peerAddress());
    std::optional<HttpResponse> refusal = handler_ ? handler_->onWebConnection(peer) : std::nullopt;
    Conn& c = conns_[socket];
    c.peer = peer;
    c.refusal = std::move(refusal);
    // Input is counted before Qt's reading takes it; at most one byte past
    // the limit waits in the socket.
    socket->setReadBufferSize(limits_.MaxHeaderBytes + limits_.MaxBodyBytes + 1);
    c.deadline = new QTimer(socket);
    c.deadline->setSingleShot(true);
    c.deadline->start(limits_.IdleTimeoutMs);
    QObject::connect(c.deadline, &QTimer::timeout, &context_, [this, socket] {
        Conn& timedOut = conns_.at(socket);
        if (timedOut.requestBytes > 0)
            cutOff(socket, TooSlow);
        else
            socket->disconnectFromHost();
    });
    QObject::connect(socket, &QIODevice::readyRead, &context_, [this, socket] { countInput(socket); });
    QObject::connect(socket, &QObject::destroyed, &context_, [this, socket] { conns_.erase(socket); });
}

void QtWebServer::countInput(QTcpSocket* socket)
{
    Conn& c = conns_.at(socket);
    if (c.cutOff) {
        socket->readAll();
        return;
    }
    // Qt reads a request inside a transaction, and takes all there is until
    // the request is complete: outside one, a new request begins here.
    if (!socket->isTransactionStarted())
        c.requestBytes = 0;
    if (c.requestBytes == 0)
        c.deadline->start(limits_.RequestTimeoutMs);
    c.requestBytes += static_cast<long>(socket->bytesAvailable());
    if (c.requestBytes > limits_.MaxHeaderBytes + limits_.MaxBodyBytes)
        cutOff(socket, TooLarge);
}

void QtWebServer::cutOff(QTcpSocket* socket, const char* response)
{
    Conn& c = conns_.at(socket);
    c.cutOff = true;
    c.deadline->stop();
    if (socket->isTransactionStarted())
        socket->commitTransaction();
    socket->readAll();
    socket->write(response);
    socket->disconnectFromHost();
}

QtWebServer::Outcome QtWebServer::handle(const QHttpServerRequest& request, QTcpSocket* socket, HttpResponse& answer)
{
    auto it = conns_.find(socket);
    if (it == conns_.end() || it->second.cutOff)
        return Outcome::Drop;
    Conn& c = it->second;
    c.requestBytes = 0;
    c.deadline->start(limits_.IdleTimeoutMs);
    if (socket->bytesToWrite() > limits_.MaxUnsentBytes) {
        // Asks and asks without reading the answers.
        socket->abort();
        return Outcome::Drop;
    }
    const HttpRequest r = ToRequest(request, c.peer);
    answer = this->answer(c, r);
    if (c.refusal)
        return Outcome::AnswerAndClose;
    if (!r.WebSocket || answer.Status != HttpSwitchingProtocols)
        return Outcome::Answer;
    upgrading(socket);
    return Outcome::Upgrade;
}

HttpResponse QtWebServer::answer(Conn& c, const HttpRequest& request) const
{
    if (c.refusal)
        return *c.refusal;
    if (static_cast<long>(request.Body.size()) > limits_.MaxBodyBytes)
        return JsonError(413, "request too large");
    if (HeaderBytes(request) > limits_.MaxHeaderBytes)
        return JsonError(431, "request headers too large");
    if (!handler_)
        return JsonError(503, "not ready");
    return handler_->onHttpRequest(request);
}

void QtWebServer::upgrading(QTcpSocket* socket)
{
    // Qt hands the socket to the handshake and drops every connection to it.
    delete conns_.at(socket).deadline;
    conns_.erase(socket);
    // Those whose handshake failed are gone.
    std::erase_if(handshakes_, [](const QPointer<QTcpSocket>& s) { return !s; });
    handshakes_.emplace_back(socket);
}

void QtWebServer::takeWebSockets()
{
    while (http_ && http_->hasPendingWebSocketConnections()) {
        std::unique_ptr<QWebSocket> ws = http_->nextPendingWebSocketConnection();
        if (!ws)
            break;
        std::erase_if(handshakes_, [&](const QPointer<QTcpSocket>& socket) {
            return !socket || (socket->peerAddress() == ws->peerAddress() && socket->peerPort() == ws->peerPort());
        });
        ws->setMaxAllowedIncomingFrameSize(static_cast<quint64>(limits_.MaxIncomingMessage));
        ws->setMaxAllowedIncomingMessageSize(static_cast<quint64>(limits_.MaxIncomingMessage));
        ws->setReadBufferSize(limits_.MaxIncomingMessage * 2);
        const int id = ++lastSocket_;
        QWebSocket* raw = ws.get();
        QObject::connect(raw, &QWebSocket::textMessageReceived, &context_, [this, id](const QString& text) {
            if (handler_)
                handler_->onWebSocketMessage(id, text.toStdString());
        });
        // Queued: a close is reported from the event loop, never inside a call of ours.
        QObject::connect(
            raw, &QWebSocket::disconnected, &context_, [this, id] { webSocketGone(id); }, Qt::QueuedConnection);
        const std::string path = raw->requestUrl().path().toStdString();
        const std::string peer = DottedAddress(raw->peerAddress());
        sockets_[id].ws = std::move(ws);
        if (handler_)
            handler_->onWebSocketOpen(id, path, peer);
        // Gone before its close could be seen: reported all the same.
        if (raw->state() != QAbstractSocket::ConnectedState)
            QMetaObject::invokeMethod(
                &context_, [this, id] { webSocketGone(id); }, Qt::QueuedConnection);
    }
}

void QtWebServer::webSocketGone(int id)
{
    auto it = sockets_.find(id);
    if (it == sockets_.end())
        return;
    it->second.ws.release()->deleteLater();
    sockets_.erase(it);
    if (handler_)
        handler_->onWebSocketClosed(id);
}
