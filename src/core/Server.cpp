#include "core/Server.h"

Server::Server(const Platform& platform)
    : display(platform.display), sockets(platform.sockets), serial(platform.serial), timers(platform.timers)
{
}

void Server::onTimer(TimerId) {}
void Server::onSerialData(const Bytes&) {}
void Server::onSerialError(int) {}
void Server::onConnectionRequest(Port) {}
void Server::onDataArrival(Port, int, long) {}
void Server::onPeerClosed(Port, int) {}
