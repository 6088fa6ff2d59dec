#pragma once
// The Helm port: connection slots, receive buffers, the decode round, the
// send paths and keep-alive supervision.
#include "model/SwitcherReports.h"
#include "platform/Bytes.h"

#include <string>

class Server;

constexpr size_t SendPiece = 16384;
constexpr int SilentTicksLimit = 240;
constexpr long ReadChunk = 65536;

void wscktClients_ConnectionRequest(Server& s);
void wscktClients_DataArrival(Server& s, int Index, long BytesTotal);
void wscktClients_Close(Server& s, int Index);

void SendToClient(Server& s, const Bytes& Message, int Index);
void SendToAllClients(Server& s, const Bytes& Message);
// Bookkeeping for a connection that is gone or being closed; does not close the socket.
void DisconnectClient(Server& s, int Index);
void SendConnectGreeting(Server& s, int Index);
void SendCrosspointMap(Server& s, int Index);
// Closes and unloads every client slot, logging each connected one.
void CloseAllClients(Server& s);
// Once a second from the poll timer: polled refresh and keep-alive.
void PollHelmClients(Server& s);
Bytes TakeClientBytes(Server& s, size_t Count, int Index);
// True when Index names a slot of the client table.
bool ValidClientSlot(const Server& s, int Index);
