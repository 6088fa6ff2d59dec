#include "core/Lifecycle.h"

#include "core/DemoMode.h"
#include "core/Settings.h"
#include "disk/Configuration.h"
#include "disk/Logs.h"
#include "disk/SoftPanelFiles.h"
#include "disk/StatusDisplay.h"
#include "disk/Trap.h"
#include "helm/HelmPort.h"
#include "model/ByteManipulation.h"
#include "model/ClientAddresses.h"
#include "model/Server.h"
#include "model/TakeTypes.h"
#include "switcher/SerialLink.h"
#include "switcher/SwitcherFamily.h"
#include "switcher/ToSwitcher.h"
#include "web/WebAuth.h"

#include <filesystem>
#include <utility>

namespace {

void ShowIpError(Server& s, long PortNumber)
{
    const std::string& address = BindAddress(s.cfg);
    const std::string where = address.empty() ? " may already be in use."
                                              : " on " + address + " may already be in use, or " + address +
                                                    " is not an address of this computer.";
    s.display.messageBox({"IP Error",
                          "Error opening IP Port.  Port " + std::to_string(PortNumber) + where +
                              "\rPlease verify this IP Port is available and restart the "
                              "Server Module\ror select another IP Port from the setup screen.",
                          BoxButtons::Ok, BoxIcon::Critical, BoxResult::Ok});
}

void ShowSerialError(Server& s)
{
    s.display.messageBox({"Serial Error",
                          "Error opening Serial Port.  " + SerialPortName(s) +
                              " may not exist or is already in use.\rPlease verify this port is available and "
                              "restart the Server Module\ror select another port from the setup screen.",
                          BoxButtons::Ok, BoxIcon::Critical, BoxResult::Ok});
}

bool OpenListener(Server& s, Port port, long PortNumber)
{
    std::string error;
    return s.sockets.listen(port, BindAddress(s.cfg), PortNumber, error);
}

// The switcher's part of the poll: missing tables, keep-alive, link loss.
void SuperviseSwitcher(Server& s)
{
    Model& m = s.model;
    if (m.UpdateFlags == UpdateBit::VelaSerialMode)
        m.UpdateFlags = 0;
    if (m.UpdateFlags == 0 && !s.Link.Awaiting()) {
        s.Link.AllTablesArrived();
        s.SwitcherRequest.Active = 0;
        Trap(s, "Console Socket Error", "Poll Timer", [&] {
            if (s.cfg.EnableZoltPort && !s.sockets.isListening(Port::Zolt))
                OpenListener(s, Port::Zolt, s.cfg.ZoltPort);
        });
    }
    if (s.cfg.DemoMode) {
        s.Link.Answered();
    } else {
        if (!s.Link.Awaiting()) {
            s.SwitcherRequest.Countdown -= 1;
            if (s.SwitcherRequest.Countdown < 1) {
                s.SwitcherRequest.Countdown = m.PollReload;
                if (m.UpdateFlags > 0) {
                    ++s.counters.TableRequests;
                    RequestSwitcherTables(s, m.UpdateFlags, NoneValue, 0);
                    const int64_t unanswered = Family(m).UnansweredFlags;
                    if (unanswered != 0 && m.UpdateFlags == unanswered)
                        m.UpdateFlags = 0;
                }
            }
        }
        if (!s.Link.OnLine() && s.Link.Awaiting()) {
            ++s.counters.TableRequests;
            RequestSwitcherTables(s, 1, NoneValue, 0);
            return;
        }
        if (m.UpdateFlags == 0) {
            PollSwitcher(s);
            s.Link.PollSent();
            s.SwitcherRequest.Active = 0;
        }
    }
    if (s.ModuleUpgradeActive || !s.Link.AnswerOutstanding())
        return;
    s.Link.CountMiss();
    if (s.Link.Misses() > m.PollReload)
        SetSwitcherConnected(s, false);
}

bool OpenSerialAtStart(Server& s)
{
    s.SerialPortWanted = true;
    std::string error;
    if (s.cfg.DemoMode || OpenSerialPort(s, error))
        return true;
    // Reported once here; the poll timer keeps trying to open it.
    s.SerialFailureReported = true;
    ShowSerialError(s);
    return false;
}

}  // namespace

void ProcessSoftPanelTakes(Server& s, PollFile File)
{
    Trap(s, "Error Sending SoftPanel Take", "Switcher Command Error", [&] {
        const std::optional<SoftPanelTake> take = ReadSoftPanelTake(s, File, TurnOffTakes(s));
        if (!take)
            return;
        const Model& m = s.model;
        std::string message;
        if (take->TurnOff) {
            int type = TakeType::TurnOff;
            SendTakeToSwitcher(s, m.CrosspointMap.at(static_cast<size_t>(take->Destination)).Sources[0],
                               take->Destination, type, NoneValue);
            message = "Turn Off -->Out:" + Digits(take->Destination + 1, 3);
        } else {
            int type = TakeType::Take;
            SendTakeToSwitcher(s, take->Source, take->Destination, type, NoneValue);
            message = "Take - In:" + Digits(take->Source + 1, 3) + "-->Out:" + Digits(take->Destination + 1, 3);
        }
        ++s.counters.PollFileTakes;
        LogIPMessage(s, message, "Soft Panel");
    });
}

void InitializeServer(Server& s)
{
    s.ZoltPrompt = "\x1B[2J\x1B[HHVN READY>";
    s.LogitekHeader = Bytes("\x01\x03\x00", 3);
    s.cfg.MaxListSize = DefaultMaxListSize;
    s.cfg.StayOnTop = StayOnTopYes;
    s.Link.Reset();
    s.SwitcherRequest = SwitcherRequestState{};
    ResetSalvoTables(s.model);
    SizeConfigTable(s.model, 1);
    s.display.setLamp(Lamp::Serial, false);
    s.ServerEnabled = true;
    WriteStatusNdf(s, 0, true);
    LoadSettings(s);
    SizeTablesForType(s.model);
    if (s.cfg.DemoMode)
        LoadDemoData(s);
    ShowSettingLabels(s);
    if (s.cfg.HelmPort < 1 || s.cfg.HelmPort > 65535)
        s.cfg.HelmPort = DefaultHelmPort;
}

bool StartServer(Server& s)
{
    s.counters.StartedMs = s.timers.nowMs();
    s.timers.enable(TimerId::Poll, PollIntervalMs);
    if (!Trap(s, "Form Load Error", "Serial/IP Error", [&] { InitializeServer(s); }))
        return false;
    ShowConnectionCount(s);
    if (const std::string bad = BadAllowedClient(s.cfg.AllowedClients); !bad.empty())
        s.display.messageBox(
            {"IP Error", "Allowed Clients: \"" + bad + "\" is neither an address nor a network; it lets nobody in.",
             BoxButtons::Ok, BoxIcon::Exclamation, BoxResult::Ok});
    if (!s.cfg.WebPassword.empty() && !IsWebPasswordHash(s.cfg.WebPassword))
        s.display.messageBox({"IP Error",
                              "Web Password is not a password hash written by this server; changes through the web "
                              "port are refused until it is set again (File > Set Web Password, or hvnserver "
                              "--set-web-password).",
                              BoxButtons::Ok, BoxIcon::Exclamation, BoxResult::Ok});
    if (!OpenListener(s, Port::Helm, s.cfg.HelmPort)) {
        ShowIpError(s, s.cfg.HelmPort);
        return false;
    }
    s.HelmClients.Clear();
    if (!s.cfg.EnableZoltPort)
        s.sockets.closeListener(Port::Zolt);
    else if (!OpenListener(s, Port::Zolt, s.cfg.ZoltPort)) {
        ShowIpError(s, s.cfg.ZoltPort);
        return false;
    }
    if (!s.cfg.EnableLogitekPort)
        s.sockets.closeListener(Port::Logitek);
    else if (!OpenListener(s, Port::Logitek, s.cfg.LogitekPort)) {
        ShowIpError(s, s.cfg.LogitekPort);
        return false;
    }
    for (const ListeningPortSetting& port : ListeningPorts) {
        if (!ListenInForce(s, port)) {
            ShowIpError(s, PortInForce(s.cfg, port));
            return false;
        }
    }
    return OpenSerialAtStart(s);
}

void SetSwitcherConnected(Server& s, bool Connected)
{
    if (!Connected) {
        if (s.Link.Lost()) {
            s.display.setToolTip(Label::SerialStatus, "Not Connected");
            LogSerialMessage(s, "Switcher Connection Lost", s.cfg.CommPort);
            if (s.cfg.MaintainNdf)
                WriteStatusNdf(s, 0, false);
        }
        return;
    }
    if (!s.Link.Answering())
        s.display.setToolTip(Label::SerialStatus, "Connected");
    s.Link.Answered();
}

void ToggleServerEnabled(Server& s)
{
    if (!s.ServerEnabled) {
        s.ServerEnabled = true;
        s.timers.enable(TimerId::Poll, PollIntervalMs);
        s.display.setEnableMenuCaption("&Disable");
        std::string error;
        if (!s.cfg.DemoMode) {
            s.SerialPortWanted = true;
            if (!OpenSerialPort(s, error) && !s.SerialFailureReported) {
                s.SerialFailureReported = true;
                ShowSerialError(s);
            }
        }
        OpenListener(s, Port::Helm, s.cfg.HelmPort);
        if (s.cfg.EnableZoltPort)
            OpenListener(s, Port::Zolt, s.cfg.ZoltPort);
        for (const ListeningPortSetting& port : ListeningPorts)
            ListenInForce(s, port);
        ShowSwitcherCaption(s);
        // Every table again; pass-through has none to ask for.
        if (Family(s.model).KeepsModel)
            s.model.UpdateFlags = Family(s.model).EnableUpdateFlags;
        return;
    }
    s.ServerEnabled = false;
    s.timers.disable(TimerId::Poll);
    DisconnectAllClients(s);
    s.display.setEnableMenuCaption("&Enable");
    s.display.setCaption("HVN Server Module - Disabled");
    s.SerialPortWanted = false;
    s.serial.close();
    s.sockets.closeListener(Port::Helm);
    s.sockets.closeListener(Port::Zolt);
    for (const ListeningPortSetting& port : ListeningPorts)
        StopListening(s, port);
    s.SerialBuffer.clear();
    DropQueuedSwitcherCommands(s);
    SetSwitcherConnected(s, false);
    DeleteNdfFiles(s);
}

void OnPollTick(Server& s)
{
    s.PollPhase += 1;
    SuperviseSerialPort(s);
    if (s.cfg.MaintainNdf)
        Trap(s, "Poll File Error", "Poll Timer", [&] {
            for (PollFile file : {PollFile::ByteNumbers, PollFile::WordNumbers})
                if (std::filesystem::exists(s.cfg.AppPath + PollFileName(file)))
                    ProcessSoftPanelTakes(s, file);
        });
    if (s.PollPhase == 1 && !s.cfg.PassThru)
        PollHelmClients(s);
    if (s.PollPhase == 3)
        Trap(s, "Poll Switcher Error", "Poll Timer", [&] { SuperviseSwitcher(s); });
    for (auto& p : s.Protocols)
        p->PollTick(s);
    if (s.PollPhase >= 4)
        s.PollPhase = 0;
}

void ShutdownServer(Server& s)
{
    Trap(s, "Error Exiting", "File Error", [&] {
        if (s.serial.isOpen())
            s.serial.close();
        if (s.Link.Answering())
            LogSerialMessage(s, "Switcher Disconnect", s.cfg.CommPort);
        if (s.sockets.isListening(Port::Helm))
            s.sockets.closeListener(Port::Helm);
        s.web.close();
        for (int i = 1; i <= s.HelmClients.SlotCount(); ++i) {
            if (!s.sockets.isConnected(Port::Helm, i))
                continue;
            LogIPMessage(s, "Client Disconnect", s.HelmClients[i].Address);
            s.sockets.close(Port::Helm, i);
        }
        if (s.cfg.MaintainNdf)
            WriteStatusNdf(s, 0, false);
        DeleteNdfFiles(s);
        WriteConfiguration(s);
        LogSerialMessage(s, "Server Module Exit", s.cfg.CommPort);
    });
}

void ReopenListeners(Server& s)
{
    const Config& c = s.cfg;
    const std::pair<Port, long> ports[] = {
        {Port::Helm, c.HelmPort}, {Port::Zolt, c.ZoltPort}, {Port::Logitek, c.LogitekPort}};
    for (const auto& [port, number] : ports) {
        if (!s.sockets.isListening(port))
            continue;
        s.sockets.closeListener(port);
        if (!OpenListener(s, port, number))
            ShowIpError(s, number);
    }
    for (const ListeningPortSetting& port : ListeningPorts) {
        if (!IsListening(s, port))
            continue;
        StopListening(s, port);
        if (!ListenInForce(s, port))
            ShowIpError(s, PortInForce(c, port));
    }
}

void DisconnectAllClients(Server& s)
{
    Trap(s, "IP Disconnect Error", "IP Error", [&] {
        for (auto& p : s.Protocols)
            p->DisconnectAll(s);
        ShowConnectionCount(s);
    });
}
