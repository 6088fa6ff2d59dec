#include "model/Server.h"

Server::Server(const Platform& platform)
    : display(platform.display), sockets(platform.sockets), serial(platform.serial), timers(platform.timers)
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
