#include "web/WebPort.h"

#include "disk/Configuration.h"
#include "disk/Logs.h"
#include "disk/StatusDisplay.h"
#include "disk/Trap.h"
#include "model/ClientAddresses.h"
#include "model/Server.h"
#include "web/WebMetrics.h"

#include <vector>

namespace {

constexpr int64_t NameBits = UpdateBit::SourceAlphas | UpdateBit::DestinationAlphas | UpdateBit::Salvos;

PortCounts ConnectionsByPort(const Server& s)
{
    PortCounts counts;
    for (const auto& p : s.Protocols)
        counts.emplace_back(PortName(p->ListensOn()), p->Connections(s));
    return counts;
}

}  // namespace

void StoreWebPassword(Server& s, const std::string& Password)
{
    s.cfg.WebPassword = Password.empty() ? std::string() : HashWebPassword(Password, NewPasswordSalt());
    WriteConfiguration(s);
}

WebPort::WebPort(Server& s) : s_(s) { s.WebHandler = this; }

WebPort::~WebPort()
{
    if (s_.WebHandler == this)
        s_.WebHandler = nullptr;
}

std::optional<HttpResponse> WebPort::onWebConnection(const std::string& peer)
{
    const Config& c = s_.cfg;
    const char* refusal = ConnectionRefusal(c.AllowedClients, c.MaxClients, peer, s_.web.connectionCount());
    if (!refusal)
        return std::nullopt;
    LogIPMessage(s_, refusal, peer);
    return ClientAllowed(c.AllowedClients, peer) ? ErrorResponse(503, "too many connections")
                                                 : ErrorResponse(403, "not allowed from this address");
}

HttpResponse WebPort::onHttpRequest(const HttpRequest& request)
{
    ShowNetworkActivity(s_);
    HttpResponse answer = ErrorResponse(500, "internal error");
    Trap(s_, "Error Answering Web Request", "Web Error",
         [&] { answer = AnswerWebRequest(s_, auth_, Facts(), request); });
    return answer;
}

void WebPort::onWebSocketOpen(int socket, const std::string& path, const std::string& peer)
{
    if (path != EventsPath) {
        s_.web.closeWebSocket(socket);
        return;
    }
    // The panels open already hear what is new to them; the new one gets it
    // all, and the first starts the watch from the map as it stands.
    PollTick(s_);
    if (panels_.empty())
        watch_.SeeAll(s_.model);
    panels_[socket] = peer;
    LogIPMessage(s_, "Web Panel Connected", peer);
    ShowConnectionCount(s_);
    SendOrCutOff(socket, CompactJson(StateEvent(s_, ConnectionsByPort(s_), Facts().UptimeSeconds)));
}

void WebPort::onWebSocketClosed(int socket)
{
    auto it = panels_.find(socket);
    if (it == panels_.end())
        return;
    LogIPMessage(s_, "Web Panel Disconnect", it->second);
    panels_.erase(it);
    ShowConnectionCount(s_);
}

void WebPort::DisconnectAll(Server&)
{
    while (!panels_.empty())
        Close(panels_.begin()->first, "Web Panel Disconnected");
}

void WebPort::ListClients(const Server&, std::vector<ClientRow>& Rows) const
{
    for (const auto& [socket, peer] : panels_)
        Rows.push_back({Port::Web, socket, "Web Panel", peer});
}

void WebPort::DisconnectChosen(Server&, int Slot)
{
    if (panels_.count(Slot))
        Close(Slot, "Client Disconnected");
}

void WebPort::PollTick(Server& s)
{
    Watch(s);
    if (namesChanged_) {
        namesChanged_ = false;
        Broadcast([&] { return NamesEvent(s); });
    }
    if (SwitcherUp(s) != linkUp_) {
        linkUp_ = !linkUp_;
        Broadcast([&] { return LinkEvent(s); });
    }
    if (PortCounts counts = ConnectionsByPort(s); counts != counts_) {
        counts_ = std::move(counts);
        Broadcast([&] { return ClientsEvent(counts_); });
    }
}

void WebPort::TableChanged(Server& s, int64_t Bit, int, int)
{
    if (Bit & NameBits)
        namesChanged_ = true;
    Watch(s);
}

WebFacts WebPort::Facts() const
{
    const long long now = s_.timers.nowMs();
    return {ConnectionsByPort(s_), (now - s_.counters.StartedMs) / 1000, now};
}

void WebPort::Watch(Server& s)
{
    if (panels_.empty())
        return;
    for (int output : watch_.Changes(s.model))
        Broadcast([&] { return CrosspointEvent(s.model, output); });
}

// A panel that connects later gets the whole state, and every name of a big
// switcher is a lot of JSON: nothing is built for nobody.
template <class BuildFn>
void WebPort::Broadcast(BuildFn&& Build)
{
    if (panels_.empty())
        return;
    const std::string event = CompactJson(Build());
    std::vector<int> sockets;
    for (const auto& [socket, peer] : panels_)
        sockets.push_back(socket);
    for (int socket : sockets)
        SendOrCutOff(socket, event);
}

bool WebPort::SendOrCutOff(int Socket, const std::string& Event)
{
    if (s_.web.queuedMessages(Socket) >= MaxQueuedEvents) {
        ++s_.counters.SlowClientsCut;
        Close(Socket, "Web Panel Disconnected");
        return false;
    }
    s_.web.send(Socket, Event);
    return true;
}

void WebPort::Close(int Socket, const std::string& Text)
{
    auto it = panels_.find(Socket);
    if (it == panels_.end())
        return;
    LogIPMessage(s_, Text, it->second);
    panels_.erase(it);
    s_.web.closeWebSocket(Socket);
    ShowConnectionCount(s_);
}
