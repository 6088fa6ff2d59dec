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
constexpr size_t ConsolePortCount = 4;
extern const std::array<ConsolePortSetting, ConsolePortCount> ConsolePorts;

struct ConsolePortChoice {
    bool Enabled = false;
    long Number = 0;  // as typed; a disabled port becomes 0
};
// Applies the rows in order. False when the operator cancelled or a number
// is invalid: the rows before stay applied.
bool ApplyConsolePorts(Server& s, const std::array<ConsolePortChoice, ConsolePortCount>& New, const Ask& ask);
