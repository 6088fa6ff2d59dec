#pragma once
// The TCP side on QTcpServer/QTcpSocket: one listener per Port and the
// accepted connections in numbered slots (1..n) per Port.
//
// Events reach the handler only from the event loop: anything Qt signals
// while a call of this class is running is queued, and a queued event for a
// slot that has since been closed or refilled is dropped.
#include "platform/Seams.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <functional>
#include <map>
#include <string>

class QSocketNotifier;
class QTcpServer;
class QTcpSocket;

class QtSockets : public Sockets {
public:
    QtSockets();
    ~QtSockets() override;
    QtSockets(const QtSockets&) = delete;
    QtSockets& operator=(const QtSockets&) = delete;

    // Events before a handler is set are dropped.
    void setHandler(PlatformEvents* handler) { handler_ = handler; }

    bool listen(Port port, const std::string& address, long portNumber, std::string& error) override;
    void closeListener(Port port) override;
    bool isListening(Port port) const override;
    std::string pendingAddress(Port port) const override;
    bool accept(Port port, int slot) override;
    void refuse(Port port) override;
    int connectionCount(Port port) const override;
    bool isConnected(Port port, int slot) const override;
    std::string peerAddress(Port port, int slot) const override;
    long read(Port port, int slot, char* buffer, long max) override;
    long write(Port port, int slot, const char* data, long length) override;
    int lastError(Port port, int slot) const override;
    void close(Port port, int slot) override;
    void remove(Port port, int slot) override;

private:
    struct Conn {
        QTcpSocket* socket = nullptr;  // null once the server closed it
        unsigned long long id = 0;     // tells this connection's queued events from a later one's
        std::string address;
        int error = 0;
        bool arrivalQueued = false;
    };
    struct Listener {
        QTcpServer* server = nullptr;      // binds and listens; the accepting is ours
        QSocketNotifier* ready = nullptr;  // off while accepting waits for a descriptor
        QTcpSocket* offered = nullptr;     // the connection the current request offers
        std::map<int, Conn> conns;
    };
    class Busy;

    Listener& listener(Port port);
    const Listener& listener(Port port) const;
    Conn* find(Port port, int slot);
    const Conn* find(Port port, int slot) const;
    Conn* live(Port port, int slot, unsigned long long id);

    void deliver(QObject* context, std::function<void()> event);
    void acceptPending(Port port, QTcpServer* server);
    void refuseForWantOfDescriptors(Port port, int listening);
    void resumeAccepting(Port port);
    void dataArrived(Port port, int slot, unsigned long long id);
    void peerClosed(Port port, int slot, unsigned long long id);
    void release(QTcpSocket* socket);

    std::array<Listener, static_cast<size_t>(Port::Count)> listeners_;
    PlatformEvents* handler_ = nullptr;
    int busy_ = 0;
    unsigned long long lastId_ = 0;
    // Held for the moment the process runs out of descriptors: closed, it
    // lets one waiting connection be taken and closed instead of left hanging.
    int spare_ = -1;
    // Gives memory back to the system once a burst of connections is over.
    QTimer trim_;
    // Context of queued events and socket connections: they end with this object.
    QObject context_;
};
