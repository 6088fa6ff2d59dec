#include "helm/HelmPort.h"

#include "disk/Logs.h"
#include "disk/StatusDisplay.h"
#include "disk/Trap.h"
#include "helm/FromHelm.h"
#include "helm/ToHelm.h"
#include "model/ByteManipulation.h"
#include "model/Server.h"
#include "switcher/SerialLink.h"

#include <algorithm>
#include <vector>

namespace {

constexpr const char* BrowserPage = "<html><head><title>HVN</title></head><body>Halvorn</body></html>";

std::string SendErrorText(int, size_t) { return "Error Sending Message to Single IP"; }

ClientRecord& Client(Server& s, int Index) { return s.HelmClients[Index]; }

}  // namespace

const PortKind HelmPortKind{
    Port::Helm,
    {nullptr, "Client Disconnect", "Client Disconnected", "Client Disconnected", "Error Conecting to Socket",
     "TCP/IP Connection Error", "IP Socket Error - Line 2", "TCP/IP Message Error", "Error Disconnecting Socket",
     "IP Message Error", "Invalid Socket Count", "IP Send Error", SendErrorText},
    1L << 20};

void GreetHelmClient(Server& s, int Index)
{
    ShowNetworkActivity(s);
    if (s.cfg.HelmPort == 80) {
        LogIPMessage(s, "Browser Login", "None");
        return;
    }
    SendConnectGreeting(s, Index);
    if (Family(s.model).KeepsModel)
        SendSwitcherTypeToClient(s, Index);
    if (s.cfg.DemoMode)
        SendNotificationToClient(s, Index, 150);
}

bool HelmBytesArrived(Server& s, int Index)
{
    ShowNetworkActivity(s);
    ClientRecord& c = Client(s, Index);
    if (s.cfg.PassThru) {
        SendToSwitcher(s, c.ReceiveBuffer);
        c.ReceiveBuffer.clear();
    }
    if (s.cfg.HelmPort == 80) {
        SendToClient(s, BrowserPage, Index);
        DisconnectClient(s, Index);
        s.sockets.close(Port::Helm, Index);
        return false;
    }
    c.SilentTicks = 0;
    return !s.cfg.PassThru;
}

std::string HelmClientKind(int ClientType)
{
    if (ClientType == HelmPcClientType)
        return "Helm Software";
    if (ClientType == AutomationClientType)
        return "Automation";
    if (ClientType == ConsoleClientType)
        return "Zolt/Console";
    if (ClientType >= FirstPanelClientType && ClientType <= 135)
        return "Soft Panel";
    return "Unknown Connection";
}

Bytes TakeClientBytes(Server& s, size_t Count, int Index)
{
    if (!s.HelmClients.Valid(Index))
        return Bytes();
    return TakeBytes(Client(s, Index).ReceiveBuffer, Count);
}

void SendToClient(Server& s, const Bytes& Message, int Index)
{
    ShowNetworkActivity(s);
    s.NoteTraffic();
    SendToSlot(s, HelmPortKind, s.HelmClients, Index, Message);
}

void SendToAllClients(Server& s, const Bytes& Message)
{
    Trap(s, "Error Sending Message to all IP - " + std::to_string(Message.size() / 2), "IP Send Error", [&] {
        ShowNetworkActivity(s);
        s.NoteTraffic();
        for (int i = 1; i <= s.HelmClients.SlotCount(); ++i)
            if (!Client(s, i).PolledUpdates && s.sockets.isConnected(Port::Helm, i))
                WriteOrCutOff(s, HelmPortKind, s.HelmClients, i, Message);
    });
}

void DisconnectClient(Server& s, int Index) { ReleaseSlot(s, HelmPortKind, s.HelmClients, Index); }

void SendConnectGreeting(Server& s, int Index) { SendToClient(s, Bytes("\x81\x64\x64\xFF", 4), Index); }

void SendCrosspointMap(Server& s, int Index)
{
    if (!s.HelmClients.Valid(Index))
        return;
    SendToClient(s, BuildCrosspointMapMessage(s, 0, s.model.NumDestinations), Index);
    Client(s, Index).PendingRequests &= ~int64_t{128};
    Client(s, Index).MapSent = 0;
}

void PollHelmClients(Server& s)
{
    Trap(s, "Poll Socket Error", "Poll Timer", [&] {
        bool anyActive = false;
        for (int i = 1; i <= s.HelmClients.SlotCount(); ++i) {
            if (Client(s, i).PendingRequests != 0) {
                anyActive = true;
                // Requests made while the switcher was away are answered on
                // the first pass once it is on line, polled client or not.
                if (s.model.UpdateFlags == 0 && Client(s, i).LoggedIn)
                    ProcessInfoRequest(s, Bytes(), i, Client(s, i).PendingRequests);
            }
            ClientRecord& c = Client(s, i);
            if (c.Supervised)
                c.SilentTicks += 1;
            if (c.SilentTicks <= SilentTicksLimit) {
                if (c.Connected && c.LoggedIn && (c.ClientType < FirstPanelClientType || c.SilentTicks % 2 == 0))
                    SendToClient(s, Bytes("\xF5", 1), i);
                continue;
            }
            if (s.sockets.isConnected(Port::Helm, i))
                CloseSlot(s, HelmPortKind, s.HelmClients, i, HelmPortKind.Texts.Disconnected);
            Client(s, i).SilentTicks = 0;
        }
        if (!anyActive)
            s.HelmClientsActive = false;
    });
}
