#pragma once
// The Helm port on the port base: its texts, its greeting, what it does with
// arriving bytes besides decoding them, the send paths and keep-alive supervision.
#include "platform/Bytes.h"
#include "port/ClientPort.h"

#include <string>

class Server;

constexpr int SilentTicksLimit = 240;

extern const PortKind HelmPortKind;

// A new connection: the greeting (browser mode: only its log line).
void GreetHelmClient(Server& s, int Index);
// Bytes arrived: pass-through and browser mode take them here; false when
// they are not for the decoder.
bool HelmBytesArrived(Server& s, int Index);
// The kind of connection the client list shows.
std::string HelmClientKind(int ClientType);

void SendToClient(Server& s, const Bytes& Message, int Index);
void SendToAllClients(Server& s, const Bytes& Message);
// Bookkeeping for a connection that is gone or being closed; does not close the socket.
void DisconnectClient(Server& s, int Index);
void SendConnectGreeting(Server& s, int Index);
void SendCrosspointMap(Server& s, int Index);
// Once a second from the poll timer: polled refresh and keep-alive.
void PollHelmClients(Server& s);
Bytes TakeClientBytes(Server& s, size_t Count, int Index);
