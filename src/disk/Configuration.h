#pragma once
// tcpserve.ini: one section "CONFIGURATION", read once at startup and
// written back at exit and when a password changes.
#include <string>

class Server;

void ReadConfiguration(Server& s);
void WriteConfiguration(Server& s);
void SetFormCaption(Server& s);

// Passwords are stored shifted: Helm character i (from 1) plus i, panel minus i.
std::string ShiftHelmPassword(const std::string& Plain);
std::string UnshiftHelmPassword(const std::string& Stored);
std::string ShiftPanelPassword(const std::string& Plain);
std::string UnshiftPanelPassword(const std::string& Stored);
