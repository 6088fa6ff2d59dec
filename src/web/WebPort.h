#pragma once
// The web port: the web listener's events, and the events socket that tells
// every open panel each change, whatever made it. Its own seam (WebServer)
// rather than the socket port's slots: Qt's HTTP server holds the connections.
#include "model/SwitcherReports.h"
#include "platform/Seams.h"
#include "port/CrosspointWatch.h"
#include "web/WebApi.h"

#include <map>
#include <string>

// Keeps Password's salted hash as the "Web Password" (an empty one removes
// it) and writes tcpserve.ini at once, as the other passwords are.
void StoreWebPassword(Server& s, const std::string& Password);

// Events a panel may leave unread before it is cut off as slow.
constexpr int MaxQueuedEvents = 256;

class WebPort : public ClientProtocol, public WebEvents {
public:
    // The web listener's events come here while the port lives.
    explicit WebPort(Server& s);
    ~WebPort() override;
    WebPort(const WebPort&) = delete;
    WebPort& operator=(const WebPort&) = delete;

    // The listener's events.
    std::optional<HttpResponse> onWebConnection(const std::string& peer) override;
    HttpResponse onHttpRequest(const HttpRequest& request) override;
    void onWebSocketOpen(int socket, const std::string& path, const std::string& peer) override;
    void onWebSocketMessage(int, const std::string&) override {}
    void onWebSocketClosed(int socket) override;

    // The port among the others; the socket events are never this port's.
    Port ListensOn() const override { return Port::Web; }
    void ConnectionRequest(Server&) override {}
    void DataArrival(Server&, int, long) override {}
    void Closed(Server&, int) override {}
    void DisconnectAll(Server& s) override;
    // The open panels (event sockets).
    int Connections(const Server&) const override { return static_cast<int>(panels_.size()); }
    void ListClients(const Server& s, std::vector<ClientRow>& Rows) const override;
    void DisconnectChosen(Server& s, int Slot) override;
    DecodeRound Decode(Server&) override { return {}; }
    void PollTick(Server& s) override;

    // Announcements that may have changed crosspoints or names.
    void ForwardFrame(Server& s, const Bytes&, FrameAudience, int64_t, int64_t) override { Watch(s); }
    void PassThrough(Server& s, const Bytes&) override { Watch(s); }
    void CrosspointChanged(Server& s, int, int, int) override { Watch(s); }
    void TableChanged(Server& s, int64_t Bit, int First, int Count) override;
    void NamesChanged(Server&, int) override { namesChanged_ = true; }

private:
    WebFacts Facts() const;
    // Each crosspoint that differs from what the panels were last told.
    void Watch(Server& s);
    // Sends the event Build makes to every panel; built only when one hears it.
    template <class BuildFn>
    void Broadcast(BuildFn&& Build);
    // Sends, or cuts the panel off when it has left too much unread.
    bool SendOrCutOff(int Socket, const std::string& Event);
    void Close(int Socket, const std::string& Text);

    Server& s_;
    WebAuthState auth_;
    CrosspointWatch watch_;
    std::map<int, std::string> panels_;  // event socket, peer address
    bool namesChanged_ = false;
    bool linkUp_ = false;
    PortCounts counts_;
};
