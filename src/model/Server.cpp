#include "model/Server.h"

#include <algorithm>

Server::Server(const Platform& platform)
    : display(platform.display),
      sockets(platform.sockets),
      serial(platform.serial),
      timers(platform.timers)
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

void MarkPolledClients(Server& s, int64_t Bit)
{
    for (int i = 1; i <= s.ClientSlotCount(); ++i) {
        ClientRecord& c = s.ClientTable[static_cast<size_t>(i)];
        if (c.PolledUpdates)
            c.PendingRequests |= Bit;
    }
}

bool AnyPolledClient(const Server& s)
{
    return std::any_of(s.ClientTable.begin() + 1, s.ClientTable.end(),
                       [](const ClientRecord& c) { return c.PolledUpdates; });
}
