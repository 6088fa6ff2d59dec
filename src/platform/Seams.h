#pragma once
// The small interfaces through which the server reaches the outside world.
// Each has a Qt implementation and a fake for tests; the protocol code never
// touches Qt I/O directly.
#include "platform/Bytes.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// SwitcherQueue lets switcher commands go that wait their turn.
enum class TimerId { Poll, Led, Led2, DecodeTcp, SerialDecode, SwitcherQueue, Count };
// The intervals of the poll timer and of the activity lamps' one-shot timers.
constexpr int PollIntervalMs = 250;
constexpr int LedIntervalMs = 200;

class Timers {
public:
    virtual ~Timers() = default;
    // Starts the timer unless it already runs with this interval.
    virtual void enable(TimerId id, int intervalMs) = 0;
    virtual void disable(TimerId id) = 0;
    // Starts the countdown again from the beginning.
    virtual void restart(TimerId id, int intervalMs) = 0;
    virtual bool isEnabled(TimerId id) const = 0;
    // Monotonic milliseconds, for time-based idle rules.
    virtual long long nowMs() const = 0;
};

// A serial device of the machine, as the operator picks one.
struct SerialDeviceInfo {
    std::string path;         // /dev/ttyUSB0
    std::string description;  // what the system calls it; may be empty
};

// Faults the serial driver counts rather than signals, reported under these codes.
constexpr int SerialOverrunError = 1006;          // the UART lost bytes
constexpr int SerialReceiveOverflowError = 1008;  // the driver's receive buffer was full

class SerialPort {
public:
    virtual ~SerialPort() = default;
    // Settings is BaudRate & ",n,8,1". On failure Error says why.
    virtual bool open(const std::string& device, const std::string& settings, std::string& error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual bool write(const Bytes& data) = 0;
    // The serial devices present now.
    virtual std::vector<SerialDeviceInfo> availableDevices() const = 0;
};

// The listening ports; Count ends the list.
enum class Port { Helm, Zolt, Logitek, SwP08, Ember, Web, Count };

// Would-block: nothing to read, or the connection's output queue is full.
constexpr int SocketWouldBlock = 24035;
// What one connection may hold unsent before writes report would-block.
constexpr long SocketQueueCap = 1L << 20;

class Sockets {
public:
    virtual ~Sockets() = default;
    // Address is the local address to take connections on; empty means every
    // IPv4 address, "::" every IPv6 and IPv4 address.
    virtual bool listen(Port port, const std::string& address, long portNumber, std::string& error) = 0;
    virtual void closeListener(Port port) = 0;
    virtual bool isListening(Port port) const = 0;
    // The peer of the connection a connection request offers, IPv4 peers in
    // dotted form also on an IPv6 listener; empty when none is offered.
    virtual std::string pendingAddress(Port port) const = 0;
    // Takes the offered connection into Slot (1..n).
    virtual bool accept(Port port, int slot) = 0;
    // Closes the offered connection at once, before anything is sent on it.
    virtual void refuse(Port port) = 0;
    // Accepted connections of the port still connected.
    virtual int connectionCount(Port port) const = 0;
    virtual bool isConnected(Port port, int slot) const = 0;
    virtual std::string peerAddress(Port port, int slot) const = 0;
    // Returns the count read; 0 with lastError SocketWouldBlock when nothing waits.
    virtual long read(Port port, int slot, char* buffer, long max) = 0;
    // Queues the whole buffer and returns its length, or returns 0 when the
    // queue would pass SocketQueueCap (lastError SocketWouldBlock) or on failure.
    virtual long write(Port port, int slot, const char* data, long length) = 0;
    virtual int lastError(Port port, int slot) const = 0;
    virtual void close(Port port, int slot) = 0;
    // Unloads the slot's element (disconnect all).
    virtual void remove(Port port, int slot) = 0;
};

// One HTTP request, read whole by the web listener.
struct HttpRequest {
    std::string Peer;    // the client's address, IPv4 in dotted form
    std::string Method;  // "GET", "POST", ...
    std::string Path;    // "/api/v1/status", without the query
    // Header names in lower case, values as sent.
    std::vector<std::pair<std::string, std::string>> Headers;
    Bytes Body;
    // An upgrade to a WebSocket: a response of status 101 lets it happen.
    bool WebSocket = false;
};

struct HttpResponse {
    int Status = 200;
    std::string ContentType;
    std::vector<std::pair<std::string, std::string>> Headers;
    Bytes Body;
};

constexpr int HttpSwitchingProtocols = 101;

// What the web listener reports; the web port implements it.
class WebEvents {
public:
    virtual ~WebEvents() = default;
    // A connection from Peer: nothing lets it in; a refused one has its
    // request answered with the response given, and is closed.
    virtual std::optional<HttpResponse> onWebConnection(const std::string& peer) = 0;
    virtual HttpResponse onHttpRequest(const HttpRequest& request) = 0;
    // An upgrade the request handler let happen has become WebSocket Socket.
    virtual void onWebSocketOpen(int socket, const std::string& path, const std::string& peer) = 0;
    virtual void onWebSocketMessage(int socket, const std::string& text) = 0;
    // Closed by the peer, or cut off by the listener (read or handshake failure).
    virtual void onWebSocketClosed(int socket) = 0;
};

// The HTTP and WebSocket listener of the web port. The listener owns the
// protocol's framing and its bounds (header and body sizes, slow senders);
// what it delivers is whole and within them.
class WebServer {
public:
    virtual ~WebServer() = default;
    // Address as for Sockets::listen.
    virtual bool listen(const std::string& address, long portNumber, std::string& error) = 0;
    // Stops listening and closes every connection, WebSockets included.
    virtual void close() = 0;
    virtual bool isListening() const = 0;
    // Connections let in and still open, WebSockets included.
    virtual int connectionCount() const = 0;
    // Queues a text message on WebSocket Socket.
    virtual void send(int socket, const std::string& text) = 0;
    // Messages sent on Socket that have not gone out in full.
    virtual int queuedMessages(int socket) const = 0;
    // Cuts Socket off at once; this close is not reported back.
    virtual void closeWebSocket(int socket) = 0;
};

enum class Lamp { Serial, Network };
enum class Label { SerialStatus, RcvMsg, CmdHistory };
enum class BoxButtons { Ok, OkCancel, YesNo };
enum class BoxIcon { Critical, Exclamation, Information, Question };
enum class BoxResult { Ok, Cancel, Yes, No };

struct MessageBox {
    std::string title;
    std::string text;
    BoxButtons buttons = BoxButtons::Ok;
    BoxIcon icon = BoxIcon::Information;
    BoxResult defaultResult = BoxResult::Ok;
};

// How an operation that answers the operator's own action puts a question or
// a notice to the operator, and the answer (a dialog asks modally; tests
// answer from a script).
using Ask = std::function<BoxResult(const MessageBox&)>;

class Display {
public:
    virtual ~Display() = default;
    virtual void addHistoryLine(const std::string& source, const std::string& message) = 0;
    virtual void removeOldestHistoryLine() = 0;
    virtual int historyCount() const = 0;
    virtual void clearHistory() = 0;
    virtual void setStatusPanel(int panel, const std::string& text) = 0;
    virtual void setLamp(Lamp lamp, bool green) = 0;
    virtual void setCaption(const std::string& caption) = 0;
    // What setCaption last set.
    virtual std::string windowCaption() const = 0;
    virtual void setLabel(Label label, const std::string& caption) = 0;
    virtual void setToolTip(Label label, const std::string& tip) = 0;
    // The enable/disable toggle of the File menu and of the tray menu.
    virtual void setEnableMenuCaption(const std::string& caption) = 0;
    // Never holds up the server: a display either answers at once with the
    // default or shows the box without stopping the event loop.
    virtual BoxResult messageBox(const MessageBox& box) = 0;
};

// What the seams report back; the Server implements it.
class PlatformEvents {
public:
    virtual ~PlatformEvents() = default;
    virtual void onTimer(TimerId id) = 0;
    virtual void onSerialData(const Bytes& chunk) = 0;
    virtual void onSerialError(int code) = 0;
    // A connection is offered; one neither accepted nor refused by the return is refused.
    virtual void onConnectionRequest(Port port) = 0;
    // Out of file descriptors, the connections from these peers were closed
    // unserved rather than left waiting.
    virtual void onConnectionsRefused(Port port, const std::vector<std::string>& addresses) = 0;
    virtual void onDataArrival(Port port, int slot, long bytesWaiting) = 0;
    virtual void onPeerClosed(Port port, int slot) = 0;
};

struct Platform {
    Display& display;
    Sockets& sockets;
    SerialPort& serial;
    Timers& timers;
    WebServer& web;
};
