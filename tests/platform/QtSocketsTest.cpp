#include "platform/QtLoop.h"
#include "platform/QtSockets.h"

#include <QTcpServer>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace {

// A plain client socket, so that reading or not reading is up to the test.
class Client {
public:
    Client(quint16 port, int receiveBuffer = 0) : fd_(::socket(AF_INET, SOCK_STREAM, 0))
    {
        if (receiveBuffer > 0)
            ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected = ::connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
        ::fcntl(fd_, F_SETFL, O_NONBLOCK);
    }
    ~Client()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }

    size_t send(const Bytes& data, size_t from = 0)
    {
        const ssize_t n = ::send(fd_, data.data() + from, data.size() - from, MSG_NOSIGNAL);
        return n > 0 ? static_cast<size_t>(n) : 0;
    }
    // Input until count bytes came or the deadline passed.
    Bytes receive(size_t count)
    {
        SpinUntil([&] { return pump() || got_.size() >= count; });
        Bytes out = got_.substr(0, count);
        got_.erase(0, out.size());
        return out;
    }
    // True once the server's end is closed and its output collected.
    bool ended()
    {
        return SpinUntil([&] { return pump(); });
    }
    // True once the connection was reset, without reading anything.
    bool wasReset() const
    {
        pollfd p{fd_, POLLIN, 0};
        return ::poll(&p, 1, 0) == 1 && (p.revents & (POLLERR | POLLHUP));
    }
    void reset()
    {
        const linger hard{1, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        ::close(fd_);
        fd_ = -1;
    }
    void finish() { ::shutdown(fd_, SHUT_WR); }
    // Whether input is waiting, without running the server's event loop.
    bool inputWithin(int ms) const
    {
        pollfd p{fd_, POLLIN, 0};
        return ::poll(&p, 1, ms) == 1;
    }
    // The server's end of this connection, found among this process's descriptors.
    int serverEnd() const
    {
        sockaddr_in mine{}, peer{};
        socklen_t length = sizeof mine;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&mine), &length);
        for (int fd = 0; fd < 65536; ++fd) {
            length = sizeof peer;
            if (fd != fd_ && ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) == 0 &&
                peer.sin_port == mine.sin_port && peer.sin_addr.s_addr == mine.sin_addr.s_addr)
                return fd;
        }
        return -1;
    }

    bool connected = false;

private:
    bool pump()
    {
        char buf[65536];
        ssize_t n;
        while ((n = ::recv(fd_, buf, sizeof buf, 0)) > 0)
            got_.append(buf, static_cast<size_t>(n));
        return n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
    }

    int fd_;
    Bytes got_;
};

class QtSocketsTest : public testing::Test {
protected:
    QtSocketsTest()
    {
        QtApp();
        sockets.setHandler(&log);
        QTcpServer probe;  // for a free port number
        probe.listen(QHostAddress::AnyIPv4, 0);
        portNumber = probe.serverPort();
    }

    void listen(Port p = Port::Helm)
    {
        std::string error;
        ASSERT_TRUE(sockets.listen(p, "", portNumber, error)) << error;
        EXPECT_TRUE(sockets.isListening(p));
    }
    // A client the handler takes into slot.
    std::unique_ptr<Client> connect(int slot, Port p = Port::Helm, int receiveBuffer = 0)
    {
        log.onRequest = [this, slot](Port port) { EXPECT_TRUE(sockets.accept(port, slot)); };
        const size_t requests = log.requests.size();
        auto client = std::make_unique<Client>(portNumber, receiveBuffer);
        EXPECT_TRUE(client->connected);
        EXPECT_TRUE(SpinUntil([&] { return log.requests.size() > requests; }));
        EXPECT_TRUE(sockets.isConnected(p, slot));
        log.onRequest = nullptr;
        return client;
    }
    Bytes read(int slot, Port p = Port::Helm)
    {
        Bytes got;
        char buf[300];
        for (long n; (n = sockets.read(p, slot, buf, sizeof buf)) > 0;)
            got.append(buf, static_cast<size_t>(n));
        EXPECT_EQ(sockets.lastError(p, slot), SocketWouldBlock);
        return got;
    }
    long write(int slot, const Bytes& data)
    {
        return sockets.write(Port::Helm, slot, data.data(), static_cast<long>(data.size()));
    }
    // Writes until the queue refuses, as it does when the client does not
    // read; returns what it took.
    Bytes fillQueue(int slot)
    {
        // Each piece differs, so the kernel's part and the queued part must join in order.
        Bytes taken;
        char fill = 'a';
        EXPECT_TRUE(SpinUntil(
            [&] {
                const Bytes chunk(64 * 1024 + 7, fill);
                const long n = write(slot, chunk);
                taken += chunk.substr(0, static_cast<size_t>(n));
                fill = fill == 'z' ? 'a' : static_cast<char>(fill + 1);
                return n == 0;
            },
            10000));
        EXPECT_EQ(sockets.lastError(Port::Helm, slot), SocketWouldBlock);
        return taken;
    }

    EventLog log;
    QtSockets sockets;
    quint16 portNumber = 0;
};

TEST_F(QtSocketsTest, AcceptsIntoTheChosenSlotAndRefusesWhatIsNotTaken)
{
    listen(Port::Zolt);
    auto client = connect(7, Port::Zolt);
    EXPECT_EQ(log.requests, std::vector<Port>{Port::Zolt});
    EXPECT_EQ(sockets.peerAddress(Port::Zolt, 7), "127.0.0.1");
    EXPECT_FALSE(sockets.isConnected(Port::Zolt, 6));
    EXPECT_FALSE(sockets.isConnected(Port::Helm, 7));
    EXPECT_EQ(sockets.peerAddress(Port::Zolt, 6), "");
    EXPECT_FALSE(sockets.accept(Port::Zolt, 8));  // nothing waits

    Client ignored(portNumber);
    EXPECT_TRUE(ignored.ended());
    log.onRequest = [this](Port port) { EXPECT_FALSE(sockets.accept(port, 0)); };
    Client badSlot(portNumber);
    EXPECT_TRUE(badSlot.ended());
    EXPECT_EQ(log.requests.size(), 3u);
    EXPECT_TRUE(sockets.isConnected(Port::Zolt, 7));
}

TEST_F(QtSocketsTest, InputIsAnnouncedAndReadAsSentAndAShortReadIsAnnouncedAgain)
{
    listen();
    auto client = connect(2);
    char byte;
    EXPECT_EQ(sockets.read(Port::Helm, 2, &byte, 1), 0);
    EXPECT_EQ(sockets.lastError(Port::Helm, 2), SocketWouldBlock);

    Bytes all;
    for (int i = 0; i < 256; ++i)
        all.push_back(static_cast<char>(i));
    client->send(all);
    ASSERT_TRUE(SpinUntil([&] { return !log.arrivals.empty() && log.arrivals.back().second == 256; }));
    EXPECT_EQ(log.arrivals.back().first, 2);
    char buf[100];
    ASSERT_EQ(sockets.read(Port::Helm, 2, buf, 100), 100);
    EXPECT_EQ(log.arrivals.size(), 1u);  // never from inside the read
    ASSERT_TRUE(SpinUntil([&] { return log.arrivals.size() == 2; }));
    EXPECT_EQ(log.arrivals.back(), std::make_pair(2, 156L));
    EXPECT_EQ(Bytes(buf, 100) + read(2), all);
    SpinFor(30);
    EXPECT_EQ(log.arrivals.size(), 2u);
}

TEST_F(QtSocketsTest, UnreadInputIsHeldToTheCapAndStaysInOrder)
{
    listen();
    auto client = connect(1);
    Bytes flood(4 * SocketQueueCap, '\0');
    for (size_t i = 0; i < flood.size(); ++i)
        flood[i] = static_cast<char>(i % 251);
    size_t sent = 0;
    // What does not fit stays in the kernel and holds the client back.
    SpinUntil([&] { return (sent += client->send(flood, sent)) == flood.size(); }, 1000);
    ASSERT_FALSE(log.arrivals.empty());
    for (const auto& a : log.arrivals)
        EXPECT_LE(a.second, SocketQueueCap);

    Bytes got;
    ASSERT_TRUE(SpinUntil(
        [&] {
            sent += client->send(flood, sent);
            got += read(1);
            return got.size() == flood.size();
        },
        10000));
    EXPECT_TRUE(got == flood);
}

TEST_F(QtSocketsTest, OutputGoesOutAtOnceAndWaitsInTheQueueUpToTheCap)
{
    listen();
    auto client = connect(1);
    // On the wire before the loop runs again: replies do not wait a pass.
    EXPECT_EQ(write(1, "OK"), 2);
    EXPECT_EQ(sockets.lastError(Port::Helm, 1), 0);
    ASSERT_TRUE(client->inputWithin(1000));
    EXPECT_EQ(client->receive(2), "OK");
    int lowDelay = 0;
    socklen_t size = sizeof lowDelay;
    ASSERT_EQ(::getsockopt(client->serverEnd(), IPPROTO_TCP, TCP_NODELAY, &lowDelay, &size), 0);
    EXPECT_EQ(lowDelay, 1);

    // A client that does not read: the kernel fills, then the queue to its
    // cap, and a write that does not fit is refused whole.
    auto stalled = connect(2, Port::Helm, 4096);
    const Bytes taken = fillQueue(2);
    EXPECT_GT(taken.size(), static_cast<size_t>(SocketQueueCap) - 64 * 1024);
    EXPECT_TRUE(sockets.isConnected(Port::Helm, 2));
    // Once it reads again, the queue drains and takes more.
    EXPECT_TRUE(stalled->receive(taken.size()) == taken);
    const Bytes next(
        "\xFF\x00"
        "more",
        6);
    EXPECT_EQ(write(2, next), 6);
    EXPECT_EQ(stalled->receive(6), next);
}

TEST_F(QtSocketsTest, BurstOfConnectionsIsQueuedByTheKernelAndAllAccepted)
{
    listen();
    int slot = 0;
    log.onRequest = [&](Port port) { EXPECT_TRUE(sockets.accept(port, ++slot)); };
    // Connected by the kernel while the server is busy elsewhere.
    std::vector<int> clients;
    for (int i = 0; i < 1000; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(portNumber);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to);
        clients.push_back(fd);
    }
    std::vector<pollfd> connecting;
    for (int fd : clients)
        connecting.push_back({fd, POLLOUT, 0});
    for (int round = 0; round < 20 && !connecting.empty(); ++round) {
        ::poll(connecting.data(), connecting.size(), 100);
        std::erase_if(connecting, [](const pollfd& p) { return p.revents == POLLOUT; });
    }
    EXPECT_TRUE(connecting.empty()) << connecting.size() << " still connecting";
    EXPECT_TRUE(SpinUntil([&] { return slot == 1000; }, 10000));
    for (int i = 1; i <= slot; ++i)
        EXPECT_TRUE(sockets.isConnected(Port::Helm, i)) << i;
    for (int fd : clients)
        ::close(fd);
}

TEST_F(QtSocketsTest, PeerCloseIsReportedOnceAndLeftInputStaysReadable)
{
    listen();
    auto orderly = connect(1);
    auto abrupt = connect(2);
    auto halfway = connect(3);
    fillQueue(3);
    orderly->send("bye");
    orderly = nullptr;  // closes in order
    abrupt->reset();
    halfway->finish();  // ends its side with our output stuck
    ASSERT_TRUE(SpinUntil([&] { return log.closes.size() >= 3; }));
    SpinFor(30);
    std::sort(log.closes.begin(), log.closes.end());
    EXPECT_EQ(log.closes, (std::vector<int>{1, 2, 3}));
    EXPECT_FALSE(sockets.isConnected(Port::Helm, 1));
    EXPECT_EQ(read(1), "bye");
    EXPECT_EQ(write(1, "x"), 0);
    EXPECT_NE(sockets.lastError(Port::Helm, 1), SocketWouldBlock);
    EXPECT_EQ(sockets.peerAddress(Port::Helm, 1), "127.0.0.1");
}

TEST_F(QtSocketsTest, ServerCloseSendsWhatWasQueuedAndRaisesNoEvent)
{
    listen();
    auto client = connect(3);
    EXPECT_EQ(write(3, "last words"), 10);
    sockets.close(Port::Helm, 3);
    EXPECT_FALSE(sockets.isConnected(Port::Helm, 3));
    EXPECT_EQ(client->receive(10), "last words");
    EXPECT_TRUE(client->ended());
    client->send("late");

    // Taking a slot again drops its connection the same way.
    auto first = connect(1);
    first->send("old");
    ASSERT_TRUE(SpinUntil([&] { return !log.arrivals.empty(); }));
    auto second = connect(1);
    EXPECT_TRUE(first->ended());
    SpinFor(50);
    EXPECT_TRUE(log.closes.empty());
    EXPECT_EQ(log.arrivals.size(), 1u);
    EXPECT_EQ(read(1), "");

    // The closed element stays until removed.
    EXPECT_EQ(sockets.peerAddress(Port::Helm, 3), "127.0.0.1");
    EXPECT_EQ(write(3, "x"), 0);
    EXPECT_NE(sockets.lastError(Port::Helm, 3), SocketWouldBlock);
    EXPECT_EQ(read(3), "");
    sockets.remove(Port::Helm, 3);
    EXPECT_EQ(sockets.peerAddress(Port::Helm, 3), "");
}

TEST_F(QtSocketsTest, ClosedConnectionThatCannotDrainIsResetInTheEnd)
{
    listen();
    auto client = connect(1, Port::Helm, 4096);
    fillQueue(1);
    sockets.close(Port::Helm, 1);
    // Kept for a few seconds in case the client reads, then dropped.
    EXPECT_FALSE(client->wasReset());
    EXPECT_TRUE(SpinUntil([&] { return client->wasReset(); }, 10000));
}

TEST_F(QtSocketsTest, HandlerMayRemoveFromInsideItsEvents)
{
    struct HangUp : EventLog {
        QtSockets* sockets = nullptr;
        void onDataArrival(Port port, int slot, long waiting) override
        {
            EventLog::onDataArrival(port, slot, waiting);
            sockets->write(port, slot, "no", 2);
            sockets->remove(port, slot);
        }
    } hangUp;
    hangUp.sockets = &sockets;
    hangUp.onRequest = [this](Port port) { sockets.accept(port, 1); };
    sockets.setHandler(&hangUp);
    listen();
    Client client(portNumber);
    client.send("hello");
    EXPECT_EQ(client.receive(2), "no");
    EXPECT_TRUE(client.ended());
    EXPECT_EQ(hangUp.arrivals.size(), 1u);
    EXPECT_TRUE(hangUp.closes.empty());
}

TEST_F(QtSocketsTest, ListenersOpenAndCloseWithoutTouchingConnections)
{
    listen(Port::Logitek);
    std::string error;
    EXPECT_FALSE(sockets.listen(Port::Helm, "", portNumber, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(sockets.isListening(Port::Helm));
    EXPECT_FALSE(sockets.listen(Port::Helm, "", 70000, error));

    auto client = connect(1, Port::Logitek);
    sockets.closeListener(Port::Logitek);
    EXPECT_FALSE(sockets.isListening(Port::Logitek));
    EXPECT_FALSE(Client(portNumber).connected);
    EXPECT_EQ(sockets.write(Port::Logitek, 1, "still", 5), 5);
    EXPECT_EQ(client->receive(5), "still");
    EXPECT_TRUE(sockets.listen(Port::Helm, "", portNumber, error)) << error;
}

}  // namespace
