#include "core/Server.h"

#include "core/MainForm.h"
#include "core/StatusDisplay.h"
#include "helm/TCPSerialCommunications.h"
#include "switcher/SerialLink.h"
#include "switcher/ToSwitcher.h"
#include "zolt/Zolt.h"

Server::Server(const Platform& platform)
    : display(platform.display), sockets(platform.sockets), serial(platform.serial), timers(platform.timers)
{
}

void Server::onTimer(TimerId id)
{
    switch (id) {
    case TimerId::Poll: tmrPoll_Timer(*this); break;
    case TimerId::Led: tmrLed_Timer(*this); break;
    case TimerId::Led2: tmrLed2_Timer(*this); break;
    case TimerId::DecodeTcp: tmrDecodeTcp_Timer(*this); break;
    case TimerId::SerialDecode: tmrSerialDecode_Timer(*this); break;
    case TimerId::SwitcherQueue: tmrSwitcherQueue_Timer(*this); break;
    case TimerId::Count: break;
    }
}

void Server::onSerialData(const Bytes& chunk) { MSComm1_OnComm(*this, 2, chunk); }

void Server::onSerialError(int code) { MSComm1_OnComm(*this, code, Bytes()); }

void Server::onConnectionRequest(Port port)
{
    if (port == Port::Helm)
        wscktClients_ConnectionRequest(*this);
    else if (port == Port::Zolt)
        wscktZolt_ConnectionRequest(*this);
}

void Server::onDataArrival(Port port, int slot, long bytesWaiting)
{
    if (port == Port::Helm)
        wscktClients_DataArrival(*this, slot, bytesWaiting);
    else if (port == Port::Zolt)
        wscktZolt_DataArrival(*this, slot, bytesWaiting);
}

void Server::onPeerClosed(Port port, int slot)
{
    if (port == Port::Helm)
        wscktClients_Close(*this, slot);
    else if (port == Port::Zolt)
        wscktZolt_Close(*this, slot);
}
