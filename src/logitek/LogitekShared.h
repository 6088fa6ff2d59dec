#pragma once
// Helpers the Logitek decoder, set-up and channel handlers share.
#include "platform/Bytes.h"

class Server;
struct LogitekClient;

LogitekClient& Logitek(Server& s, int Slot);
// Fader (AD) and assignment (B4) messages to a console.
Bytes FaderMessage(const Server& s, int Code, int Position);
Bytes AssignMessage(const Server& s, int Code, int Number);
// Whether both the switcher link answers and every table has arrived.
bool SwitcherReady(const Server& s);
