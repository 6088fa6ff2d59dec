#pragma once
// Startup, the poll timer, enable/disable and the orderly exit.
class Server;

constexpr int PollIntervalMs = 250;
constexpr int LedIntervalMs = 200;

// Runs the startup sequence; false when a step failed and the rest was skipped.
bool Form_Load(Server& s);
void InitializeServer(Server& s);
void ShutdownServer(Server& s);
void SetSwitcherConnected(Server& s, bool Connected);
void ToggleServerEnabled(Server& s);
void tmrPoll_Timer(Server& s);
