#pragma once
// The settings service: loads tcpserve.ini at start and shows what it says,
// and applies what the operator changes in the setup dialogs to the running
// server (logs on or off, files deleted, ports reopened, tables asked for
// again, captions and status texts). The dialogs only show and edit.
#include "model/Config.h"
#include "model/SwitcherType.h"
#include "platform/Seams.h"

#include <array>
#include <cstddef>
#include <optional>

class Server;

// Reads tcpserve.ini, then shows the status panels and the caption it
// implies, and warns of a switcher the server does not serve.
void LoadSettings(Server& s);
// The labels that show settings: the history size, the serial port, the Helm port.
void ShowSettingLabels(Server& s);
// The main window's caption for the configured switcher.
void ShowSwitcherCaption(Server& s);

// What the setup dialog hands over on OK: every setting as the operator left
// it (numbers as typed, not yet checked) and the chosen switcher. CommPort is
// below 1 when no port is chosen; SerialDevice names a device chosen by name.
struct SetupSettings {
    Config cfg;
    SwitcherType Switcher = SwitcherType::Orion;
};
// Applies them in order. False when the operator cancelled a question or a
// value is invalid (and was told so): what came before stays applied.
bool ApplySetup(Server& s, const SetupSettings& New, const Ask& ask);

// The console ports, in the order of the console ports dialog.
struct ConsolePortSetting {
    const char* Name;  // as the invalid-number message names it
    bool Config::*Enabled;
    long Config::*Number;
    // The listener that follows the enable flag; none where nothing listens.
    std::optional<Port> Listener;
    // A port whose listener is restarted at once when its number changes,
    // after this question; the others take a new number at the next start.
    const char* ChangeQuestion;
    void (*Restart)(Server& s);
};
constexpr size_t ConsolePortCount = 3;
extern const std::array<ConsolePortSetting, ConsolePortCount> ConsolePorts;

struct ConsolePortChoice {
    bool Enabled = false;
    long Number = 0;  // as typed; a disabled port becomes 0
};
// Applies the rows in order. False when the operator cancelled or a number
// is invalid: the rows before stay applied.
bool ApplyConsolePorts(Server& s, const std::array<ConsolePortChoice, ConsolePortCount>& New, const Ask& ask);
// The ports after the console ports (SW-P-08, Ember+, web), in the order of the
// console ports dialog: each is on while its number is above 0, and a number
// given on the command line wins over the file's until the operator chooses one.
struct ListeningPortSetting {
    const char* Name;  // as the messages name it
    Port Listener;
    long Config::*Number;
    std::optional<long> Config::*Option;
    long Usual;  // what the dialog offers while the port is off
};
constexpr size_t ListeningPortCount = 3;
extern const std::array<ListeningPortSetting, ListeningPortCount> ListeningPorts;
// The number in force: the command line's, else the file's.
long PortInForce(const Config& c, const ListeningPortSetting& Port);
// Listens on the number in force when the port is not listening yet, or
// closes the listener for 0; false when the port cannot be listened on.
bool ListenInForce(Server& s, const ListeningPortSetting& Port);
// The web port listens through its own seam, the others through the sockets.
bool IsListening(const Server& s, const ListeningPortSetting& Port);
void StopListening(Server& s, const ListeningPortSetting& Port);
// The port as the console ports dialog shows it: the port in force, or the
// usual port while it is off.
ConsolePortChoice PortShown(const Config& c, const ListeningPortSetting& Port);
// A port other than the one in force ends one from the command line and
// moves the listener at once; the connections stay (the web port's close).
// False when the number is invalid (and the operator was told).
bool ApplyListeningPort(Server& s, const ListeningPortSetting& Port, const ConsolePortChoice& New, const Ask& ask);
