#pragma once
// The one context object of the server: configuration, switcher model, link
// state, client tables and the platform seams. Procedures take it by reference.
#include "model/ClientRecord.h"
#include "model/Config.h"
#include "model/Counters.h"
#include "model/FamilyDescription.h"
#include "model/LogitekClient.h"
#include "model/Model.h"
#include "model/SwitcherLinkState.h"
#include "model/SwitcherReports.h"
#include "model/ZoltClient.h"
#include "platform/AppendFile.h"
#include "platform/Bytes.h"
#include "platform/Seams.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

constexpr const char* VersionText = "Version 4.09 - 05/23/2005";

struct SwitcherRequestState {
    int Active = 0;
    int Countdown = 0;  // ticks until the pending tables are requested again
};

// A switcher command waiting its turn: a frame that goes out once no table
// transfer is in progress, or (Request) a request for the tables, which goes
// out regardless. GapMs is the pause before it once it is first in line.
struct QueuedSwitcherCommand {
    Bytes Frame;
    bool Request = false;
    int GapMs = 0;
};

class Server : public PlatformEvents, public WebEvents {
public:
    explicit Server(const Platform& platform);

    Display& display;
    Sockets& sockets;
    SerialPort& serial;
    Timers& timers;
    WebServer& web;

    Config cfg;
    Model model;
    Counters counters;

    // Server and switcher link state.
    bool ServerEnabled = true;
    int PollPhase = 0;
    bool HelmClientsActive = false;
    bool ModuleUpgradeActive = false;
    SwitcherLinkState Link;
    SwitcherRequestState SwitcherRequest;
    // Set by the switcher decoders when soft panels must get a new inhibit map
    // or new names; the Helm encoders clear them after their pass.
    bool InhibitMapChanged = false;
    bool AlphasChanged = false;
    std::string ZoltPrompt;
    std::string LogitekHeader;
    unsigned char NdfSequence = 0;

    // Serial receive buffer and the time of the last serial or client traffic
    // (the idle discards count time since then); an unfinished message at the
    // buffer's head also gets the idle time from when it became the head.
    Bytes SerialBuffer;
    long long LastTrafficMs = 0;
    long long SerialHeadSinceMs = 0;
    // Once startup or enabling has asked for the port, a port that failed is
    // reopened by itself; only the first failure is reported.
    bool SerialPortWanted = false;
    bool SerialFailureReported = false;
    int SerialRetryTicks = 0;
    // Switcher commands in the order they were given, and when the first may go.
    std::deque<QueuedSwitcherCommand> SwitcherQueue;
    long long SwitcherQueueDueMs = 0;

    // The three logs stay open between lines.
    AppendFile EventLogFile;
    AppendFile ErrorLogFile;
    AppendFile SwitcherErrorLogFile;

    // The clients of the design's three ports, which much of the protocol
    // code reads; later ports keep their slots to themselves.
    ClientSlots<ClientRecord> HelmClients;
    ClientSlots<ZoltClient> ZoltClients;
    ClientSlots<LogitekClient> LogitekClients;

    // Connections on every port.
    int TotalConnections() const;

    void NoteTraffic() { LastTrafficMs = timers.nowMs(); }

    // Installed by the core at start-up (RouteServer, core/Routing.h): where
    // the platform's events and the switcher decoders' announcements go, and
    // the client protocols in the order they hear of them. Until then events
    // are dropped and announcements reach nobody.
    std::unique_ptr<PlatformEvents> Events;
    std::unique_ptr<SwitcherReports> Reports;
    // The web port, where the web listener's events go; none: connections
    // are let in and requests answered 503.
    WebEvents* WebHandler = nullptr;
    std::vector<std::unique_ptr<ClientProtocol>> Protocols;
    SwitcherReports& reports() { return Reports ? *Reports : NoReports; }

    void onTimer(TimerId id) override;
    void onSerialData(const Bytes& chunk) override;
    void onSerialError(int code) override;
    void onConnectionRequest(Port port) override;
    void onConnectionsRefused(Port port, const std::vector<std::string>& addresses) override;
    void onDataArrival(Port port, int slot, long bytesWaiting) override;
    void onPeerClosed(Port port, int slot) override;

    std::optional<HttpResponse> onWebConnection(const std::string& peer) override;
    HttpResponse onHttpRequest(const HttpRequest& request) override;
    void onWebSocketOpen(int socket, const std::string& path, const std::string& peer) override;
    void onWebSocketMessage(int socket, const std::string& text) override;
    void onWebSocketClosed(int socket) override;

private:
    SwitcherReports NoReports;
};

// Polled Helm clients (those that asked to be refreshed rather than told)
// learn of a changed table on their next refresh: Bit joins their pending requests.
void MarkPolledClients(Server& s, int64_t Bit);
bool AnyPolledClient(const Server& s);
