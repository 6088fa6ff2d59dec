#pragma once
// The three text logs (events, software errors, switcher errors) with their
// headers, size limits and archives, and the command history lines that go
// with the event log.
#include "platform/Bytes.h"

#include <string>

class Server;

// Shows a switcher message (rendered) in the history under "Switcher COM" & ComPort
// and appends it to Eventlog.txt when MaintainLogFile.
void LogSerialMessage(Server& s, const Bytes& Message, int ComPort);
// Shows a client message under its address and appends it to Eventlog.txt when MaintainLogFile.
void LogIPMessage(Server& s, const std::string& Message, const std::string& Address);
// Appends to Errorlog.txt when MaintainErrorLog. An empty Location names the
// address of Helm client slot ClientIndex instead.
void LogSoftwareError(Server& s, const std::string& Message, int ClientIndex, const std::string& Location);
// Appends to SwitcherErrorlog.txt (the caller checks LogSwitcherErrors).
void LogSwitcherError(Server& s, int ErrorCode, const std::string& Location);

bool CreateEventLog(Server& s);
bool CreateErrorLog(Server& s);
bool CreateSwitcherErrorLog(Server& s);
// Appends Line and CR LF; true on success.
bool AppendLineToFile(const std::string& Line, const std::string& FileName);

// A switcher message as the history and the event log show it: control
// characters as "^" letters until ^X (or ^Y), codes above 125 dropped.
std::string RenderSwitcherMessage(const Bytes& Message, int CommPort);
// The switcher's own text for an error code; empty when it has none.
std::string SwitcherErrorText(int Code);
// Current date and time as the logs stamp it (fixed width).
std::string LogTimeStamp();
