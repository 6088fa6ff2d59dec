#pragma once
// Commands for an Orion switcher, and the Orion family's table (OrionFamily)
// that hands them to the dispatchers. Helm clients speak the Vela-shaped
// protocol, so every command is encoded here and every report is announced
// for the clients to rebuild in their own frames. In demo mode the commands
// write nothing and leave the pending bits alone: the simulated Orion answers
// no command.
#include "platform/Bytes.h"

class Server;

// The take or relay frame, or empty when TakeType is not sent to an Orion or
// a number lies outside the switcher. Relay types move the relay (Output)
// to Input and set Output to 0, as the caller's variables show.
Bytes BuildTakeOrion(const Server& s, int& Input, int& Output, int TakeType);
