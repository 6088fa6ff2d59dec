#pragma once
// Startup, the poll timer, enable/disable and the orderly exit.
#include "disk/PollFiles.h"

class Server;

// Runs the startup sequence; false when a step failed and the rest was skipped.
bool StartServer(Server& s);
void InitializeServer(Server& s);
void ShutdownServer(Server& s);
void SetSwitcherConnected(Server& s, bool Connected);
void ToggleServerEnabled(Server& s);
void OnPollTick(Server& s);
// Turns the poll file into a take (or a turn-off) for the switcher and logs it.
void ProcessSoftPanelTakes(Server& s, PollFile File);
// Opens every open listener again on the listen address now in force;
// the connections stay, but for the web port's.
void ReopenListeners(Server& s);
// Closes every client connection of every port.
void DisconnectAllClients(Server& s);
