#pragma once
// The event routing of the Server: platform events to their handlers, the
// switcher decoders' announcements to every client protocol, and the decode
// timer's round over all of them.
#include "platform/Seams.h"

class ClientProtocol;
class Server;

// Registers the client protocols and installs the routing; once, before
// StartServer. A client protocol is added here with one line.
void RouteServer(Server& s);
// The registered protocol listening on Port, or null.
ClientProtocol* ProtocolOn(Server& s, Port port);
// One decode round: one message per client buffer of every protocol.
void OnClientDecodeTick(Server& s);
