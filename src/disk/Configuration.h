#pragma once
// tcpserve.ini: one section "CONFIGURATION", read once at startup and
// written back at exit and when a password changes.
#include <optional>
#include <string>

class Server;
struct FamilyDescription;

void ReadConfiguration(Server& s);
void WriteConfiguration(Server& s);
void SetFormCaption(Server& s);
// The caption of Family, as configured or in demo mode.
void ShowCaption(Server& s, const FamilyDescription& Family);

// Passwords are stored shifted: Helm character i (from 1) plus i, panel minus i.
// No value when a character would fall outside 0..255, or a shifted one would be
// a line end of the file: such a password cannot be stored.
std::optional<std::string> ShiftHelmPassword(const std::string& Plain);
std::optional<std::string> UnshiftHelmPassword(const std::string& Stored);
std::optional<std::string> ShiftPanelPassword(const std::string& Plain);
std::optional<std::string> UnshiftPanelPassword(const std::string& Stored);
