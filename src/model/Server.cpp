#include "model/Server.h"

#include <algorithm>

Server::Server(const Platform& platform)
    : display(platform.display),
      sockets(platform.sockets),
      serial(platform.serial),
      timers(platform.timers),
      web(platform.web)
{
}

void Server::onTimer(TimerId id)
{
    if (Events)
        Events->onTimer(id);
}

void Server::onSerialData(const Bytes& chunk)
{
    if (Events)
        Events->onSerialData(chunk);
}

void Server::onSerialError(int code)
{
    if (Events)
        Events->onSerialError(code);
}

void Server::onConnectionRequest(Port port)
{
    if (Events)
        Events->onConnectionRequest(port);
}

void Server::onConnectionsRefused(Port port, const std::vector<std::string>& addresses)
{
    if (Events)
        Events->onConnectionsRefused(port, addresses);
}

void Server::onDataArrival(Port port, int slot, long bytesWaiting)
{
    if (Events)
        Events->onDataArrival(port, slot, bytesWaiting);
}

void Server::onPeerClosed(Port port, int slot)
{
    if (Events)
        Events->onPeerClosed(port, slot);
}

std::optional<HttpResponse> Server::onWebConnection(const std::string& peer)
{
    return WebHandler ? WebHandler->onWebConnection(peer) : std::nullopt;
}

HttpResponse Server::onHttpRequest(const HttpRequest& request)
{
    if (WebHandler)
        return WebHandler->onHttpRequest(request);
    return {503, "application/json", {}, "{\"error\":\"not ready\"}\n"};
}

void Server::onWebSocketOpen(int socket, const std::string& path, const std::string& peer)
{
    if (WebHandler)
        WebHandler->onWebSocketOpen(socket, path, peer);
}

void Server::onWebSocketMessage(int socket, const std::string& text)
{
    if (WebHandler)
        WebHandler->onWebSocketMessage(socket, text);
}

void Server::onWebSocketClosed(int socket)
{
    if (WebHandler)
        WebHandler->onWebSocketClosed(socket);
}

int Server::TotalConnections() const
{
    int total = 0;
    for (const auto& p : Protocols)
        total += p->Connections(*this);
    return total;
}

void MarkPolledClients(Server& s, int64_t Bit)
{
    for (int i = 1; i <= s.HelmClients.SlotCount(); ++i) {
        ClientRecord& c = s.HelmClients[i];
        if (c.PolledUpdates)
            c.PendingRequests |= Bit;
    }
}

bool AnyPolledClient(const Server& s)
{
    return std::any_of(s.HelmClients.Records.begin() + 1, s.HelmClients.Records.end(),
                       [](const ClientRecord& c) { return c.PolledUpdates; });
}
