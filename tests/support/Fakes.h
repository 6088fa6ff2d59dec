#pragma once
// Exact, in-memory stand-ins for the platform seams.
#include "core/Routing.h"
#include "model/Server.h"
#include "platform/HeadlessDisplay.h"

#include <array>
#include <deque>
#include <map>
#include <string>
#include <vector>

class FakeTimers : public Timers {
public:
    void enable(TimerId id, int ms) override
    {
        on[idx(id)] = true;
        interval[idx(id)] = ms;
    }
    void disable(TimerId id) override { on[idx(id)] = false; }
    void restart(TimerId id, int ms) override
    {
        enable(id, ms);
        ++restarts[idx(id)];
    }
    bool isEnabled(TimerId id) const override { return on[idx(id)]; }
    long long nowMs() const override { return now; }

    static constexpr size_t Count = static_cast<size_t>(TimerId::Count);
    std::array<bool, Count> on{};
    std::array<int, Count> interval{};
    std::array<int, Count> restarts{};
    long long now = 1000;

private:
    static size_t idx(TimerId id) { return static_cast<size_t>(id); }
};

class FakeSerial : public SerialPort {
public:
    bool open(const std::string& device, const std::string& settings, std::string& error) override
    {
        ++openAttempts;
        lastDevice = device;
        lastSettings = settings;
        if (!openSucceeds) {
            error = "no such device";
            return false;
        }
        opened = true;
        return true;
    }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    bool write(const Bytes& data) override
    {
        writes.push_back(data);
        return true;
    }
    std::vector<SerialDeviceInfo> availableDevices() const override { return devices; }
    Bytes written() const
    {
        Bytes all;
        for (const Bytes& w : writes)
            all += w;
        return all;
    }

    bool openSucceeds = true;
    bool opened = false;
    int openAttempts = 0;
    std::string lastDevice, lastSettings;
    std::vector<Bytes> writes;
    std::vector<SerialDeviceInfo> devices;
};

class FakeSockets : public Sockets {
public:
    struct Conn {
        bool connected = false;
        std::string address = "127.0.0.1";
        Bytes inbound;
        Bytes outbound;
        int error = 0;
        bool full = false;  // the output queue refuses more
    };

    bool listen(Port port, const std::string& address, long portNumber, std::string& error) override
    {
        if (refusePort == portNumber) {
            error = "address in use";
            return false;
        }
        listening[port] = portNumber;
        listenAddress[port] = address;
        return true;
    }
    void closeListener(Port port) override { listening.erase(port); }
    bool isListening(Port port) const override { return listening.count(port) != 0; }
    std::string pendingAddress(Port) const override
    {
        return pendingAddresses.empty() ? "127.0.0.1" : pendingAddresses.front();
    }
    bool accept(Port port, int slot) override
    {
        Conn& c = conns[{port, slot}];
        c = Conn{};
        c.connected = true;
        if (!pendingAddresses.empty()) {
            c.address = pendingAddresses.front();
            pendingAddresses.pop_front();
        }
        return true;
    }
    void refuse(Port port) override
    {
        refused.push_back(pendingAddress(port));
        if (!pendingAddresses.empty())
            pendingAddresses.pop_front();
    }
    int connectionCount(Port port) const override
    {
        int count = 0;
        for (const auto& [key, c] : conns)
            count += key.first == port && c.connected ? 1 : 0;
        return count;
    }
    bool isConnected(Port port, int slot) const override
    {
        auto it = conns.find({port, slot});
        return it != conns.end() && it->second.connected;
    }
    std::string peerAddress(Port port, int slot) const override
    {
        auto it = conns.find({port, slot});
        return it == conns.end() ? std::string() : it->second.address;
    }
    long read(Port port, int slot, char* buffer, long max) override
    {
        Conn& c = conns[{port, slot}];
        const long n = std::min<long>(max, static_cast<long>(c.inbound.size()));
        c.inbound.copy(buffer, static_cast<size_t>(n));
        c.inbound.erase(0, static_cast<size_t>(n));
        c.error = n == 0 ? SocketWouldBlock : 0;
        return n;
    }
    long write(Port port, int slot, const char* data, long length) override
    {
        Conn& c = conns[{port, slot}];
        if (!c.connected || c.full) {
            c.error = c.connected ? SocketWouldBlock : 10057;
            return 0;
        }
        c.outbound.append(data, static_cast<size_t>(length));
        c.error = 0;
        return length;
    }
    int lastError(Port port, int slot) const override
    {
        auto it = conns.find({port, slot});
        return it == conns.end() ? 0 : it->second.error;
    }
    void close(Port port, int slot) override { conns[{port, slot}].connected = false; }
    void remove(Port port, int slot) override { conns.erase({port, slot}); }

    Conn& conn(Port port, int slot) { return conns[{port, slot}]; }

    std::map<Port, long> listening;
    std::map<Port, std::string> listenAddress;
    std::vector<std::string> refused;
    std::map<std::pair<Port, int>, Conn> conns;
    std::deque<std::string> pendingAddresses;
    long refusePort = -1;
};

// The web listener: requests are handed to the web port by the test itself.
class FakeWebServer : public WebServer {
public:
    struct Socket {
        std::vector<std::string> sent;
        bool reading = true;  // false: what is sent stays queued
        int queued = 0;
    };

    bool listen(const std::string& address, long portNumber, std::string& error) override
    {
        if (refusePort == portNumber) {
            error = "address in use";
            return false;
        }
        listening = portNumber;
        listenAddress = address;
        return true;
    }
    void close() override
    {
        listening = 0;
        sockets.clear();
        connections = 0;
    }
    bool isListening() const override { return listening != 0; }
    int connectionCount() const override { return connections; }
    void send(int socket, const std::string& text) override
    {
        Socket& s = sockets[socket];
        s.sent.push_back(text);
        s.queued += s.reading ? 0 : 1;
    }
    int queuedMessages(int socket) const override
    {
        auto it = sockets.find(socket);
        return it == sockets.end() ? 0 : it->second.queued;
    }
    void closeWebSocket(int socket) override
    {
        closed.push_back(socket);
        sockets.erase(socket);
    }

    long listening = 0;
    std::string listenAddress;
    long refusePort = -1;
    int connections = 0;
    std::map<int, Socket> sockets;
    std::vector<int> closed;
};

// A complete server on fakes: `TestRig rig;` and go.
struct TestRig {
    HeadlessDisplay display;
    FakeSockets sockets;
    FakeSerial serial;
    FakeTimers timers;
    FakeWebServer web;
    Server server{Platform{display, sockets, serial, timers, web}};

    TestRig() { RouteServer(server); }
    // Whether the history shows Text as a line of its own.
    bool logged(const std::string& text) const
    {
        for (const auto& line : display.history)
            if (line.second == text)
                return true;
        return false;
    }
};
