#pragma once
// Who may connect to the ports, and how many at once.
#include "platform/Seams.h"

#include <string>
#include <vector>

class Server;

// Takes the offered connection's measure before any greeting: a peer not in
// Allowed Clients, or one past Max Clients on its port, is refused and logged.
// True when the port's protocol may accept it.
bool AdmitConnection(Server& s, Port port);
// Logs the connections the sockets closed unserved for want of descriptors.
void LogConnectionsRefused(Server& s, const std::vector<std::string>& Addresses);
