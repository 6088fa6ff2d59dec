#pragma once
// tcpserve.ini: one section "CONFIGURATION", read once at startup and
// written back at exit and when a password changes.
#include <optional>
#include <string>

class Server;
struct FamilyDescription;

// What the file said beyond the settings it sets.
struct ConfigurationRead {
    // The family it names. One the server does not serve (Served false) runs
    // as its Type; the operator must be told.
    const FamilyDescription* Named;
};

// Sets s.cfg and the switcher type from the file; a file that cannot be
// read, or a value that cannot, is logged and the file kept aside.
ConfigurationRead ReadConfiguration(Server& s);
void WriteConfiguration(Server& s);

// Passwords are stored shifted: Helm character i (from 1) plus i, panel minus i.
// No value when a character would fall outside 0..255, or a shifted one would be
// a line end of the file: such a password cannot be stored.
std::optional<std::string> ShiftHelmPassword(const std::string& Plain);
std::optional<std::string> UnshiftHelmPassword(const std::string& Stored);
std::optional<std::string> ShiftPanelPassword(const std::string& Plain);
std::optional<std::string> UnshiftPanelPassword(const std::string& Stored);
