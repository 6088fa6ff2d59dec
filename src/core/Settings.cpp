#include "core/Settings.h"

#include "core/Lifecycle.h"
#include "disk/Configuration.h"
#include "disk/Logs.h"
#include "disk/SoftPanelFiles.h"
#include "disk/Trap.h"
#include "model/ClientAddresses.h"
#include "model/Server.h"
#include "switcher/SerialLink.h"
#include "switcher/ToSwitcher.h"
#include "zolt/Zolt.h"

#include <filesystem>
#include <string>

namespace {

constexpr long LastPort = 65535;

const char* LogFilePanel(bool On) { return On ? "Log File: ON" : "Log File: OFF"; }
const char* SoftPanelPanel(bool On) { return On ? "Soft Panel Support: ON " : "Soft Panel Support: OFF "; }

void ShowHistoryCaption(Server& s)
{
    s.display.setLabel(Label::CmdHistory, "Command History - [" + std::to_string(s.cfg.MaxListSize) + " Items]");
}

void ShowHelmPortCaption(Server& s)
{
    const std::string port = std::to_string(s.cfg.HelmPort);
    s.display.setLabel(Label::RcvMsg, "Processing TCP/IP Message [Port " + port + "]");
    s.display.setToolTip(Label::RcvMsg, "Listening for message on Port " + port);
}

void ShowCaption(Server& s, const FamilyDescription& Switcher)
{
    Trap(s, "Error Labeling Form", "Setup Error",
         [&] { s.display.setCaption(s.cfg.DemoMode ? Switcher.DemoCaption : Switcher.Caption); });
}

bool Confirm(const Ask& ask, const char* Title, const std::string& Text)
{
    return ask({Title, Text, BoxButtons::OkCancel, BoxIcon::Question, BoxResult::Ok}) == BoxResult::Ok;
}

void Refuse(const Ask& ask, const char* Title, const std::string& Text)
{
    ask({Title, Text, BoxButtons::Ok, BoxIcon::Exclamation, BoxResult::Ok});
}

void ReopenSerialPort(Server& s, const Ask& ask)
{
    s.display.setLabel(Label::SerialStatus, SerialStatusCaption(s));
    // Demo mode never uses the port; a disabled server opens it when it is enabled.
    if (s.cfg.DemoMode || !s.ServerEnabled)
        return;
    if (s.serial.isOpen())
        s.serial.close();
    s.SerialPortWanted = true;
    std::string error;
    if (OpenSerialPort(s, error))
        return;
    // The poll timer keeps trying; this is the one report.
    s.SerialFailureReported = true;
    ask({"Serial Error",
         "Error opening Serial Port.  " + SerialPortName(s) +
             " may already be in use.\rPlease verify this port is available and restart the Server Module\r"
             "or select another port from the setup screen.",
         BoxButtons::Ok, BoxIcon::Critical, BoxResult::Ok});
}

// The serial port and the baud rate, each confirmed. A port confirmed before
// a cancelled baud rate is still taken into use.
bool ApplySerialPort(Server& s, const Config& New, const Ask& ask)
{
    Config& c = s.cfg;
    bool reopen = false;
    // The operator's choice ends a device given on the command line.
    const bool portChosen = !New.SerialDevice.empty() || New.CommPort >= 1;
    if (portChosen && (New.CommPort != c.CommPort || New.SerialDevice != ChosenSerialDevice(s))) {
        if (!Confirm(ask, "Serial Port Change",
                     "You have selected a new Serial Port, \r\nConnection will be lost to any current switcher\r\n"
                     "Please Confirm"))
            return false;
        c.CommPort = New.CommPort;
        c.SerialDevice = New.SerialDevice;
        c.SerialDeviceOption.clear();
        reopen = true;
    }
    bool cancelled = false;
    if (!New.BaudRate.empty() && New.BaudRate != c.BaudRate) {
        cancelled = !Confirm(ask, "Serial Port Change",
                             "You have selected a new Baud Rate, \r\nThis may effect communication with any current "
                             "switcher\r\nPlease Confirm");
        if (!cancelled) {
            c.BaudRate = New.BaudRate;
            reopen = true;
        }
    }
    if (reopen)
        ReopenSerialPort(s, ask);
    return !cancelled;
}

// Turns a log on or off and says so in the event log: switched on before
// the line, off after it, so that the event log takes both.
void SwitchLog(Server& s, bool Config::*Log, bool On, const std::string& Name)
{
    bool& log = s.cfg.*Log;
    if (log == On)
        return;
    if (On)
        log = true;
    LogIPMessage(s, Name + (On ? " Activated" : " Deactivated"), " ");
    log = On;
}

void ApplyLogs(Server& s, const Config& New)
{
    Config& c = s.cfg;
    if (New.MaintainLogFile != c.MaintainLogFile)
        s.display.setStatusPanel(2, LogFilePanel(New.MaintainLogFile));
    SwitchLog(s, &Config::MaintainLogFile, New.MaintainLogFile, "Log File");
    c.DisplayGains = New.DisplayGains;
    c.LogGains = New.LogGains;
    c.LogSwitcherErrors = New.LogSwitcherErrors;
    c.RecordZolt = New.RecordZolt;
    c.LogZolt = New.LogZolt;
    SwitchLog(s, &Config::MaintainErrorLog, New.MaintainErrorLog, "Error Log File");
}

void ApplySoftPanels(Server& s, bool On)
{
    Config& c = s.cfg;
    if (On == c.MaintainNdf)
        return;
    c.MaintainNdf = On;
    s.display.setStatusPanel(3, SoftPanelPanel(On));
    if (On) {
        // Every table again, so that the soft panel files can be written.
        if (s.ServerEnabled)
            RequestSwitcherTables(s, 1, NoneValue, 0);
        return;
    }
    DeleteNdfFiles(s);
    std::error_code ec;
    std::filesystem::remove(c.AppPath + "Status.ndf", ec);
}

void ApplyDisplayAndLimits(Server& s, const Config& New)
{
    Config& c = s.cfg;
    c.StayOnTop = New.StayOnTop;
    c.ArchiveLogFiles = New.ArchiveLogFiles;
    c.ArchiveErrorFiles = New.ArchiveErrorFiles;
    c.ArchiveSwitcherErrors = New.ArchiveSwitcherErrors;
    // The configuration file's rule: a size that is not above 0 means the default.
    c.MaxListSize = New.MaxListSize > 0 ? New.MaxListSize : DefaultMaxListSize;
    ShowHistoryCaption(s);
    c.MaxLogFileSize = New.MaxLogFileSize;
    c.MaxErrorLogSize = New.MaxErrorLogSize;
    c.MaxSwitcherErrorLogSize = New.MaxSwitcherErrorLogSize;
}

// Another switcher sizes the model afresh; pass-through is taken again even
// when it was chosen already.
void ApplySwitcher(Server& s, SwitcherType Type)
{
    const FamilyDescription& chosen = Describe(Type);
    if (chosen.KeepsModel) {
        if (Type == s.model.SwitcherType)
            return;  // unchanged
        s.model.SwitcherType = Type;
        SizeTablesForType(s.model);
        s.cfg.PassThru = false;
    } else {
        s.cfg.PassThru = true;
        s.model.SwitcherType = Type;
    }
    DeleteNdfFiles(s);
    // A disabled server keeps saying so.
    if (s.ServerEnabled)
        s.display.setCaption(chosen.SetupCaption);
}

// Listen address, allowed clients and the connection limit; false when one is invalid.
bool ApplyAccess(Server& s, const Config& New, const Ask& ask)
{
    Config& c = s.cfg;
    if (!ValidListenAddress(New.ListenAddress)) {
        Refuse(ask, "Address Error",
               "Invalid Listen Address. Please enter an IP address of this computer, or nothing for every address");
        return false;
    }
    if (const std::string bad = BadAllowedClient(New.AllowedClients); !bad.empty()) {
        Refuse(ask, "Address Error",
               "Invalid Allowed Clients entry " + bad +
                   ". Please enter addresses or networks such as 192.168.1.0/24, separated by commas");
        return false;
    }
    c.AllowedClients = New.AllowedClients;
    c.MaxClients = New.MaxClients;
    // The operator's address ends one given on the command line; the
    // connections stay, new ones come in on the new address.
    if (New.ListenAddress != BindAddress(c)) {
        c.ListenAddress = New.ListenAddress;
        c.ListenAddressOption.clear();
        ReopenListeners(s);
    }
    return true;
}

void ReopenHelmPort(Server& s)
{
    // Everybody is disconnected and the slot numbering starts again, as the
    // menu does; the status bar shows the recomputed total.
    DisconnectAllClients(s);
    s.sockets.closeListener(Port::Helm);
    ShowHelmPortCaption(s);
    if (!s.ServerEnabled)
        return;
    std::string error;
    if (!s.sockets.listen(Port::Helm, BindAddress(s.cfg), s.cfg.HelmPort, error))
        LogTrappedError(s, "IP Port Error", "IP Error", 0, error);
}

bool ApplyHelmPort(Server& s, long Number, const Ask& ask)
{
    if (Number < 1 || Number > LastPort) {
        Refuse(ask, "Port Error", "Invalid IP Port #. Please reenter a number between 1 and 65535");
        return false;
    }
    if (Number == s.cfg.HelmPort)
        return true;
    if (!Confirm(ask, "IP Port Change",
                 "You have entered a new IP Port#\r\nThis will disconnect any users currently attached\r\n"
                 "Please Confirm"))
        return false;
    s.cfg.HelmPort = Number;
    ReopenHelmPort(s);
    return true;
}

bool ApplyConsoleRows(Server& s, const std::array<ConsolePortChoice, ConsolePortCount>& New, const Ask& ask)
{
    Config& c = s.cfg;
    for (size_t row = 0; row < ConsolePortCount; ++row)
        c.*ConsolePorts[row].Enabled = New[row].Enabled;
    for (size_t row = 0; row < ConsolePortCount; ++row) {
        const ConsolePortSetting& port = ConsolePorts[row];
        const long number = New[row].Enabled ? New[row].Number : 0;
        if (number > LastPort) {
            Refuse(ask, "Port Error",
                   std::string("Invalid IP Port # for ") + port.Name + ". Please reenter a number between 1 and 65535");
            return false;
        }
        if (port.Restart == nullptr || number == c.*port.Number) {
            c.*port.Number = number;
            continue;
        }
        if (!Confirm(ask, "IP Port Change", port.ChangeQuestion))
            return false;
        c.*port.Number = number;
        port.Restart(s);
    }
    for (const ConsolePortSetting& port : ConsolePorts) {
        if (!port.Listener)
            continue;
        std::string error;
        if (!(c.*port.Enabled) && s.sockets.isListening(*port.Listener))
            s.sockets.closeListener(*port.Listener);
        else if (c.*port.Enabled && !s.sockets.isListening(*port.Listener))
            s.sockets.listen(*port.Listener, BindAddress(c), c.*port.Number, error);
    }
    return true;
}

}  // namespace

const std::array<ConsolePortSetting, ConsolePortCount> ConsolePorts = {{
    {"Zolt commands", &Config::EnableZoltPort, &Config::ZoltPort, Port::Zolt,
     "You have entered a new Zolt IP Port#\r\nThis will disconnect any users currently attached\r\nPlease Confirm",
     RestartConsolePort},
    // The Logitek listener keeps its port until the next start.
    {"Logitek Console", &Config::EnableLogitekPort, &Config::LogitekPort, Port::Logitek, nullptr, nullptr},
    // Stored only: nothing listens on it.
    {"HVN Console", &Config::EnableHvnPort, &Config::HvnPort, std::nullopt, nullptr, nullptr},
}};

void LoadSettings(Server& s)
{
    const ConfigurationRead read = ReadConfiguration(s);
    const Config& c = s.cfg;
    s.display.setStatusPanel(3, SoftPanelPanel(c.MaintainNdf));
    s.display.setStatusPanel(2, c.DemoMode ? "DEMO MODE" : LogFilePanel(c.MaintainLogFile));
    // A switcher the server does not serve is named in the caption until the
    // operator changes something.
    ShowCaption(s, *read.Named);
    if (!read.Named->Served)
        s.display.messageBox({"Swithcer Type Error",
                              "This product does not support the selected switcher at this time.", BoxButtons::Ok,
                              BoxIcon::Exclamation, BoxResult::Ok});
}

void ShowSettingLabels(Server& s)
{
    ShowHistoryCaption(s);
    s.display.setLabel(Label::SerialStatus, SerialStatusCaption(s));
    s.display.setToolTip(Label::SerialStatus, "Not Connected");
    ShowHelmPortCaption(s);
}

void ShowSwitcherCaption(Server& s) { ShowCaption(s, Family(s.model)); }

bool ApplySetup(Server& s, const SetupSettings& New, const Ask& ask)
{
    bool done = false;
    Trap(s, "Invalid IP Port Error", "IP Error", [&] {
        if (!ApplySerialPort(s, New.cfg, ask))
            return;
        ApplyLogs(s, New.cfg);
        ApplySoftPanels(s, New.cfg.MaintainNdf);
        ApplyDisplayAndLimits(s, New.cfg);
        ApplySwitcher(s, New.Switcher);
        done = ApplyAccess(s, New.cfg, ask) && ApplyHelmPort(s, New.cfg.HelmPort, ask);
    });
    return done;
}

bool ApplyConsolePorts(Server& s, const std::array<ConsolePortChoice, ConsolePortCount>& New, const Ask& ask)
{
    bool done = false;
    Trap(s, "Error Saving Console", "Serial/IP Error", [&] { done = ApplyConsoleRows(s, New, ask); });
    return done;
}

const std::array<ListeningPortSetting, ListeningPortCount> ListeningPorts = {{
    {"SW-P-08", Port::SwP08, &Config::Swp08Port, &Config::Swp08PortOption, DefaultSwp08Port},
    {"Ember+", Port::Ember, &Config::EmberPort, &Config::EmberPortOption, DefaultEmberPort},
    {"the Web Panel", Port::Web, &Config::WebPort, &Config::WebPortOption, DefaultWebPort},
}};

bool IsListening(const Server& s, const ListeningPortSetting& Port)
{
    return Port.Listener == Port::Web ? s.web.isListening() : s.sockets.isListening(Port.Listener);
}

void StopListening(Server& s, const ListeningPortSetting& Port)
{
    if (Port.Listener == Port::Web)
        s.web.close();
    else
        s.sockets.closeListener(Port.Listener);
}

long PortInForce(const Config& c, const ListeningPortSetting& Port)
{
    return (c.*Port.Option).value_or(c.*Port.Number);
}

bool ListenInForce(Server& s, const ListeningPortSetting& Port)
{
    const long number = PortInForce(s.cfg, Port);
    if (number == 0) {
        StopListening(s, Port);
        return true;
    }
    std::string error;
    if (IsListening(s, Port))
        return true;
    return Port.Listener == Port::Web ? s.web.listen(BindAddress(s.cfg), number, error)
                                      : s.sockets.listen(Port.Listener, BindAddress(s.cfg), number, error);
}

ConsolePortChoice PortShown(const Config& c, const ListeningPortSetting& Port)
{
    const long number = PortInForce(c, Port);
    return {number > 0, number > 0 ? number : Port.Usual};
}

bool ApplyListeningPort(Server& s, const ListeningPortSetting& Port, const ConsolePortChoice& New, const Ask& ask)
{
    const long number = New.Enabled ? New.Number : 0;
    const std::string name = Port.Name;
    if (number > LastPort) {
        Refuse(ask, "Port Error", "Invalid IP Port # for " + name + ". Please reenter a number between 1 and 65535");
        return false;
    }
    Config& c = s.cfg;
    if (number == PortInForce(c, Port))
        return true;
    c.*Port.Number = number;
    (c.*Port.Option).reset();
    StopListening(s, Port);
    if (!ListenInForce(s, Port))
        Refuse(ask, "Port Error", "IP Port " + std::to_string(number) + " for " + name + " is not available");
    return true;
}
