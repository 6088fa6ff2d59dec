#pragma once
// The operator's view: command history with its size rule, lamps, status bar.
#include <string>

class Server;

// Adds one history line, dropping the oldest beyond MaxListSize.
void AddHistoryLine(Server& s, const std::string& Source, const std::string& Message);
// A console-related message: recorded through LogIPMessage when RecordZolt, else only shown.
void DisplayMessage(Server& s, const std::string& Message, const std::string& Source);
void ShowSerialActivity(Server& s);
void ShowNetworkActivity(Server& s);
void ShowConnectionCount(Server& s);
