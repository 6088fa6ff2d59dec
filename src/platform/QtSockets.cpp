#include "platform/QtSockets.h"

#include "platform/QtAddresses.h"

#include <QHostAddress>
#include <QMetaObject>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <malloc.h>
#include <sys/socket.h>
#include <unistd.h>

#include <utility>

namespace {

// Error code of a read or write on a slot without a live connection.
constexpr int NotConnected = 10057;
// A connection the server closed may finish sending for this long; a client
// that does not read by then is cut off so the output cannot pile up.
constexpr int CloseLingerMs = 5000;
// After a failed accept (out of descriptors) accepting pauses this long, unless
// a connection closes first.
constexpr int AcceptRetryMs = 250;
// Connections taken per readiness of a listener, so that a flood cannot hold
// up the other ports and the clients.
constexpr int AcceptBatch = 64;
// Memory is handed back this long after the last connection went.
constexpr int TrimAfterMs = 500;
// Connections the kernel completes before the server takes them. A short
// queue loses a burst of clients: those beyond it wait for a handshake the
// kernel retries only after seconds.
constexpr int ListenBacklog = 4096;

int OpenSpare() { return ::open("/dev/null", O_RDONLY | O_CLOEXEC); }

// True when the process or the system cannot open one more file.
bool OutOfDescriptors()
{
    const int probe = OpenSpare();
    if (probe < 0)
        return errno == EMFILE || errno == ENFILE;
    ::close(probe);
    return false;
}

// A reset rather than an orderly close: the client learns at once, and no
// closing state is left behind for each of a flood of connections.
void ResetOnClose(int fd)
{
    const linger reset{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
}

}  // namespace

// Marks a call of this class in progress: Qt signals raised meanwhile are queued.
class QtSockets::Busy {
public:
    explicit Busy(QtSockets& sockets) : sockets_(sockets) { ++sockets_.busy_; }
    ~Busy() { --sockets_.busy_; }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    QtSockets& sockets_;
};

QtSockets::QtSockets()
{
    // The allocator keeps what closed connections freed, scattered between
    // what lives on, and would grow with every burst of clients; a server
    // that runs for months must come back to the same size.
    trim_.setSingleShot(true);
    trim_.setInterval(TrimAfterMs);
    QObject::connect(&trim_, &QTimer::timeout, [] { malloc_trim(0); });
    spare_ = OpenSpare();
}

QtSockets::~QtSockets()
{
    // Listeners and sockets, live or still closing, are children of context_
    // and go with it; none of them may call back into this object on the way.
    for (QObject* child : context_.children())
        QObject::disconnect(child, nullptr, &context_, nullptr);
    if (spare_ >= 0)
        ::close(spare_);
}

bool QtSockets::listen(Port port, const std::string& address, long portNumber, std::string& error)
{
    const std::optional<QHostAddress> local = ListenTarget(address, portNumber, error);
    if (!local)
        return false;
    closeListener(port);
    Busy busy(*this);
    auto* server = new QTcpServer(&context_);
    // The kernel caps this at its own maximum.
    server->setListenBacklogSize(ListenBacklog);
    if (!server->listen(*local, static_cast<quint16>(portNumber))) {
        error = (address.empty() ? "" : address + " ") + "port " + std::to_string(portNumber) + ": " +
                server->errorString().toStdString();
        delete server;
        return false;
    }
    // Accepting is ours: out of descriptors, Qt's own retries a failing
    // accept without pause, thousands of times a second.
    server->pauseAccepting();
    auto* ready = new QSocketNotifier(server->socketDescriptor(), QSocketNotifier::Read, server);
    QObject::connect(ready, &QSocketNotifier::activated, &context_,
                     [this, port, server] { deliver(server, [this, port, server] { acceptPending(port, server); }); });
    Listener& l = listener(port);
    l.server = server;
    l.ready = ready;
    return true;
}

void QtSockets::closeListener(Port port)
{
    Listener& l = listener(port);
    if (!l.server)
        return;
    refuse(port);
    Busy busy(*this);
    // This may run inside the notifier's own signal.
    l.ready->setEnabled(false);
    l.ready = nullptr;
    QTcpServer* server = std::exchange(l.server, nullptr);
    QObject::disconnect(server, nullptr, &context_, nullptr);
    server->close();
    // This may run inside the server's own newConnection signal.
    server->deleteLater();
}

bool QtSockets::isListening(Port port) const
{
    const Listener& l = listener(port);
    return l.server && l.server->isListening();
}

std::string QtSockets::pendingAddress(Port port) const
{
    const Listener& l = listener(port);
    return l.offered ? DottedAddress(l.offered->peerAddress()) : std::string();
}

bool QtSockets::accept(Port port, int slot)
{
    Listener& l = listener(port);
    if (slot < 1 || !l.offered)
        return false;
    Busy busy(*this);
    QTcpSocket* socket = std::exchange(l.offered, nullptr);
    // Connections outlive the listener that took them.
    socket->setParent(&context_);
    // Input the server leaves unread stays in the kernel rather than here.
    socket->setReadBufferSize(SocketQueueCap);
    // Replies are small and often follow one another ("OK", then the tally):
    // each goes out at once instead of waiting for the client's delayed ACK.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);

    Conn& c = l.conns[slot];
    if (c.socket)
        release(c.socket);
    c = Conn{};
    c.socket = socket;
    c.id = ++lastId_;
    c.address = DottedAddress(socket->peerAddress());

    const unsigned long long id = c.id;
    QObject::connect(socket, &QIODevice::readyRead, &context_, [this, port, slot, id] {
        deliver(&context_, [this, port, slot, id] { dataArrived(port, slot, id); });
    });
    QObject::connect(socket, &QAbstractSocket::disconnected, &context_, [this, port, slot, id] {
        deliver(&context_, [this, port, slot, id] { peerClosed(port, slot, id); });
    });
    return true;
}

void QtSockets::refuse(Port port)
{
    QTcpSocket* socket = std::exchange(listener(port).offered, nullptr);
    if (!socket)
        return;
    Busy busy(*this);
    ResetOnClose(static_cast<int>(socket->socketDescriptor()));
    socket->abort();
    socket->deleteLater();
}

int QtSockets::connectionCount(Port port) const
{
    int count = 0;
    for (const auto& [slot, c] : listener(port).conns)
        if (c.socket && c.socket->state() == QAbstractSocket::ConnectedState)
            ++count;
    return count;
}

bool QtSockets::isConnected(Port port, int slot) const
{
    const Conn* c = find(port, slot);
    return c && c->socket && c->socket->state() == QAbstractSocket::ConnectedState;
}

std::string QtSockets::peerAddress(Port port, int slot) const
{
    const Conn* c = find(port, slot);
    return c ? c->address : std::string();
}

long QtSockets::read(Port port, int slot, char* buffer, long max)
{
    Conn* c = find(port, slot);
    if (!c)
        return 0;
    Busy busy(*this);
    const qint64 n = c->socket && buffer && max > 0 ? c->socket->read(buffer, max) : 0;
    if (n <= 0) {
        c->error = SocketWouldBlock;
        return 0;
    }
    c->error = 0;
    // Qt signals only new input; what a short read leaves is announced again.
    if (c->socket->bytesAvailable() > 0 && !c->arrivalQueued) {
        c->arrivalQueued = true;
        const unsigned long long id = c->id;
        QMetaObject::invokeMethod(
            &context_, [this, port, slot, id] { dataArrived(port, slot, id); }, Qt::QueuedConnection);
    }
    return static_cast<long>(n);
}

long QtSockets::write(Port port, int slot, const char* data, long length)
{
    Conn* c = find(port, slot);
    if (!c)
        return 0;
    if (!c->socket || c->socket->state() != QAbstractSocket::ConnectedState) {
        c->error = NotConnected;
        return 0;
    }
    if (!data || length <= 0) {
        c->error = 0;
        return 0;
    }
    if (length > SocketQueueCap - c->socket->bytesToWrite()) {
        c->error = SocketWouldBlock;
        return 0;
    }
    Busy busy(*this);
    // With nothing queued the bytes go straight into the kernel, now rather
    // than on the next pass of the loop and without Qt's buffer and write
    // notifier, which cost more than the send itself when a map goes to every
    // client. What the kernel does not take waits in the queue and leaves as
    // the client reads.
    long sent = 0;
    if (c->socket->bytesToWrite() == 0) {
        const ssize_t n = ::send(static_cast<int>(c->socket->socketDescriptor()), data, static_cast<size_t>(length),
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        // A failed send leaves the whole buffer to Qt, which reports the failure its own way.
        sent = n > 0 ? static_cast<long>(n) : 0;
    }
    if (sent < length && c->socket->write(data + sent, length - sent) != length - sent) {
        c->error = NotConnected;
        return 0;
    }
    c->error = 0;
    return length;
}

int QtSockets::lastError(Port port, int slot) const
{
    const Conn* c = find(port, slot);
    return c ? c->error : NotConnected;
}

void QtSockets::close(Port port, int slot)
{
    Conn* c = find(port, slot);
    if (!c || !c->socket)
        return;
    Busy busy(*this);
    release(std::exchange(c->socket, nullptr));
}

void QtSockets::remove(Port port, int slot)
{
    close(port, slot);
    listener(port).conns.erase(slot);
}

QtSockets::Listener& QtSockets::listener(Port port) { return listeners_.at(static_cast<size_t>(port)); }

const QtSockets::Listener& QtSockets::listener(Port port) const { return listeners_.at(static_cast<size_t>(port)); }

QtSockets::Conn* QtSockets::find(Port port, int slot)
{
    auto& conns = listener(port).conns;
    auto it = conns.find(slot);
    return it == conns.end() ? nullptr : &it->second;
}

const QtSockets::Conn* QtSockets::find(Port port, int slot) const
{
    const auto& conns = listener(port).conns;
    auto it = conns.find(slot);
    return it == conns.end() ? nullptr : &it->second;
}

QtSockets::Conn* QtSockets::live(Port port, int slot, unsigned long long id)
{
    Conn* c = find(port, slot);
    return c && c->id == id && c->socket ? c : nullptr;
}

void QtSockets::deliver(QObject* context, std::function<void()> event)
{
    if (busy_)
        QMetaObject::invokeMethod(context, std::move(event), Qt::QueuedConnection);
    else
        event();
}

void QtSockets::acceptPending(Port port, QTcpServer* server)
{
    // Each connection is offered to the handler in turn; the handler may
    // close the listener meanwhile.
    Listener& l = listener(port);
    const int listening = static_cast<int>(server->socketDescriptor());
    for (int taken = 0; taken < AcceptBatch && l.server == server; ++taken) {
        const int fd = ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        const int error = fd < 0 ? errno : 0;
        if (error == EINTR || error == ECONNABORTED)
            continue;
        if (fd < 0) {
            if (error != EAGAIN && error != EWOULDBLOCK) {
                // Out of descriptors or memory: waiting is all that helps.
                l.ready->setEnabled(false);
                QTimer::singleShot(AcceptRetryMs, server, [this, port] { resumeAccepting(port); });
                if (error == EMFILE || error == ENFILE)
                    refuseForWantOfDescriptors(port, listening);
            }
            return;
        }
        auto* socket = new QTcpSocket(&context_);
        if (!socket->setSocketDescriptor(fd)) {
            ::close(fd);
            delete socket;
            continue;
        }
        l.offered = socket;
        if (handler_)
            handler_->onConnectionRequest(port);
        // One the handler did not take is refused rather than left waiting.
        refuse(port);
    }
}

// The connections the kernel has completed would wait unserved until a
// descriptor is free. Each is taken with the spare descriptor and closed, so
// that its client hears at once.
void QtSockets::refuseForWantOfDescriptors(Port port, int listening)
{
    std::vector<std::string> refused;
    while (spare_ >= 0 && OutOfDescriptors()) {
        ::close(spare_);
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        const int fd = ::accept4(listening, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
        if (fd >= 0) {
            refused.push_back(DottedAddress(QHostAddress(reinterpret_cast<const sockaddr*>(&peer))));
            ResetOnClose(fd);
            ::close(fd);
        }
        spare_ = OpenSpare();
        if (fd < 0)
            break;
    }
    if (spare_ < 0)
        spare_ = OpenSpare();
    if (!refused.empty() && handler_)
        handler_->onConnectionsRefused(port, refused);
}

void QtSockets::resumeAccepting(Port port)
{
    Listener& l = listener(port);
    if (l.ready && !l.ready->isEnabled())
        l.ready->setEnabled(true);
}

void QtSockets::dataArrived(Port port, int slot, unsigned long long id)
{
    Conn* c = live(port, slot, id);
    if (!c)
        return;
    c->arrivalQueued = false;
    const qint64 waiting = c->socket->bytesAvailable();
    if (waiting > 0 && handler_)
        handler_->onDataArrival(port, slot, static_cast<long>(waiting));
}

void QtSockets::peerClosed(Port port, int slot, unsigned long long id)
{
    if (live(port, slot, id) && handler_)
        handler_->onPeerClosed(port, slot);
}

void QtSockets::release(QTcpSocket* socket)
{
    trim_.start();
    QObject::disconnect(socket, nullptr, &context_, nullptr);
    // Its descriptor is free once it is gone: a listener that ran out takes connections again.
    QObject::connect(socket, &QObject::destroyed, &context_, [this] {
        for (int port = 0; port < static_cast<int>(Port::Count); ++port)
            resumeAccepting(static_cast<Port>(port));
    });
    if (socket->state() == QAbstractSocket::UnconnectedState) {
        socket->deleteLater();
        return;
    }
    // Output still queued goes out first, as a plain socket close would do.
    QObject::connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(CloseLingerMs, socket, [socket] {
        // A reset, so the client cannot take the cut-off output for all of it.
        ResetOnClose(static_cast<int>(socket->socketDescriptor()));
        socket->abort();
    });
    socket->disconnectFromHost();
}
