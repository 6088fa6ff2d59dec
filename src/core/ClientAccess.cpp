#include "core/ClientAccess.h"

#include "disk/Logs.h"
#include "disk/Trap.h"
#include "model/ClientAddresses.h"
#include "model/Server.h"

bool AdmitConnection(Server& s, Port port)
{
    const Config& c = s.cfg;
    const std::string address = s.sockets.pendingAddress(port);
    const char* refusal = ConnectionRefusal(c.AllowedClients, c.MaxClients, address, s.sockets.connectionCount(port));
    if (!refusal)
        return true;
    s.sockets.refuse(port);
    LogIPMessage(s, refusal, address);
    return false;
}

void LogConnectionsRefused(Server& s, const std::vector<std::string>& Addresses)
{
    LogTrappedError(s, "Error Conecting to Socket", "TCP/IP Connection Error", 0, "Out of file descriptors");
    for (const std::string& address : Addresses)
        LogIPMessage(s, "Client Refused - Too Many Connections", address);
}
