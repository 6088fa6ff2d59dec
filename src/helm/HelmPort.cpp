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

ClientRecord& Client(Server& s, int Index) { return s.ClientTable.at(static_cast<size_t>(Index)); }

// A client that stopped reading: its queue is full. Dropping it keeps one
// stuck client from holding up the others or growing the server's memory.
void DropBusyClient(Server& s, int Index)
{
    LogTrappedError(s, "Socket Busy", "IP Send Error", 0, "");
    LogIPMessage(s, "Client Disconnected", Client(s, Index).Address);
    s.sockets.close(Port::Helm, Index);
    DisconnectClient(s, Index);
}

enum class WriteResult { Done, Busy, Failed };

WriteResult WriteInPieces(Server& s, int Index, const Bytes& Message)
{
    for (size_t at = 0; at < Message.size(); at += SendPiece) {
        const long length = static_cast<long>(std::min(SendPiece, Message.size() - at));
        if (s.sockets.write(Port::Helm, Index, Message.data() + at, length) == length)
            continue;
        return s.sockets.lastError(Port::Helm, Index) == SocketWouldBlock ? WriteResult::Busy : WriteResult::Failed;
    }
    return WriteResult::Done;
}

}  // namespace

bool ValidClientSlot(const Server& s, int Index) { return Index >= 1 && Index <= s.ClientSlotCount(); }

void wscktClients_ConnectionRequest(Server& s)
{
    Trap(s, "Error Conecting to Socket", "TCP/IP Connection Error", [&] {
        int slot = 0;
        for (int i = 1; i <= s.ClientSlotCount() && slot == 0; ++i)
            if (!s.sockets.isConnected(Port::Helm, i))
                slot = i;
        if (slot == 0) {
            s.ClientTable.emplace_back();
            slot = s.ClientSlotCount();
        }
        if (!s.sockets.accept(Port::Helm, slot))
            return;
        s.ClientCount += 1;
        ShowConnectionCount(s);
        ShowNetworkActivity(s);
        ClientRecord& c = Client(s, slot);
        c = ClientRecord{};
        c.InUse = true;
        c.Address = s.sockets.peerAddress(Port::Helm, slot);
        if (s.cfg.HelmPort == 80) {
            LogIPMessage(s, "Browser Login", "None");
            return;
        }
        SendConnectGreeting(s, slot);
        if (Family(s.model).KeepsModel)
            SendSwitcherTypeToClient(s, slot);
        if (s.cfg.DemoMode)
            SendNotificationToClient(s, slot, 150);
    });
}

void wscktClients_DataArrival(Server& s, int Index, long BytesTotal)
{
    if (!ValidClientSlot(s, Index))
        return;
    std::string location = "IP Socket Error - Line 1";
    try {
        ShowNetworkActivity(s);
        bool received = false;
        std::vector<char> buffer(static_cast<size_t>(std::clamp(BytesTotal, 1L, ReadChunk)));
        location = "IP Socket Error - Line 2";
        for (;;) {
            const long n = s.sockets.read(Port::Helm, Index, buffer.data(), static_cast<long>(buffer.size()));
            if (n < 1)
                break;
            Client(s, Index).ReceiveBuffer.append(buffer.data(), static_cast<size_t>(n));
            received = true;
            s.NoteTraffic();
        }
        location = "IP Socket Error - Line 3";
        const int error = s.sockets.lastError(Port::Helm, Index);
        ClientRecord& c = Client(s, Index);
        if (error != SocketWouldBlock && error != 0) {
            LogTrappedError(s, "Socket Error #" + std::to_string(error) + "(" + c.Address + ")", "TCP/IP Message Error",
                            0, "");
            return;
        }
        if (s.cfg.PassThru) {
            SendToSwitcher(s, c.ReceiveBuffer);
            c.ReceiveBuffer.clear();
        }
        if (s.cfg.HelmPort == 80) {
            SendToClient(s, BrowserPage, Index);
            DisconnectClient(s, Index);
            s.sockets.close(Port::Helm, Index);
            return;
        }
        c.SilentTicks = 0;
        if (received && !s.cfg.PassThru)
            s.timers.enable(TimerId::DecodeTcp, 0);
    } catch (const std::exception& e) {
        const std::string address = ValidClientSlot(s, Index) ? Client(s, Index).Address : std::string();
        LogException(s, location + "(" + address + ")", "TCP/IP Message Error", e);
    }
}

void wscktClients_Close(Server& s, int Index)
{
    if (!ValidClientSlot(s, Index))
        return;
    Trap(s, "Error Disconnecting Socket", "IP Message Error", [&] {
        if (Client(s, Index).InUse) {
            LogIPMessage(s, "Client Disconnect", Client(s, Index).Address);
            DisconnectClient(s, Index);
        }
        s.sockets.close(Port::Helm, Index);
    });
}

Bytes TakeClientBytes(Server& s, size_t Count, int Index)
{
    if (!ValidClientSlot(s, Index))
        return Bytes();
    return TakeBytes(Client(s, Index).ReceiveBuffer, Count);
}

void SendToClient(Server& s, const Bytes& Message, int Index)
{
    Trap(s, "Error Sending Message to Single IP", "IP Send Error", [&] {
        ShowNetworkActivity(s);
        s.NoteTraffic();
        if (!ValidClientSlot(s, Index) || !s.sockets.isConnected(Port::Helm, Index))
            return;
        if (WriteInPieces(s, Index, Message) == WriteResult::Busy)
            DropBusyClient(s, Index);
    });
}

void SendToAllClients(Server& s, const Bytes& Message)
{
    Trap(s, "Error Sending Message to all IP - " + std::to_string(Message.size() / 2), "IP Send Error", [&] {
        ShowNetworkActivity(s);
        s.NoteTraffic();
        for (int i = 1; i <= s.ClientSlotCount(); ++i) {
            if (Client(s, i).PolledUpdates || !s.sockets.isConnected(Port::Helm, i))
                continue;
            if (WriteInPieces(s, i, Message) == WriteResult::Busy)
                DropBusyClient(s, i);
        }
    });
}

void DisconnectClient(Server& s, int Index)
{
    Trap(s, "Error Disconnecting Socket", "IP Message Error", [&] {
        s.ClientCount -= 1;
        if (s.ClientCount < 0) {
            s.ClientCount = 0;
            LogTrappedError(s, "Invalid Socket Count", "IP Message Error", 0, "");
        }
        ShowConnectionCount(s);
        if (!ValidClientSlot(s, Index))
            return;
        ClientRecord& c = Client(s, Index);
        c.InUse = false;
        c.SilentTicks = 0;
        c.LoggedIn = false;
        c.MapSent = 0;
        c.PasswordFailures = 0;
        c.Address.clear();
        c.PendingRequests = 0;
        c.ReceiveBuffer.clear();
        c.ClientType = NoClientType;
    });
}

void SendConnectGreeting(Server& s, int Index) { SendToClient(s, Bytes("\x81\x64\x64\xFF", 4), Index); }

void SendCrosspointMap(Server& s, int Index)
{
    if (!ValidClientSlot(s, Index))
        return;
    SendToClient(s, BuildCrosspointMapMessage(s, 0, s.model.NumDestinations), Index);
    Client(s, Index).PendingRequests &= ~int64_t{128};
    Client(s, Index).MapSent = 0;
}

void CloseAllClients(Server& s)
{
    for (int i = 1; i <= s.ClientSlotCount(); ++i) {
        if (s.sockets.isConnected(Port::Helm, i)) {
            LogIPMessage(s, "Client Disconnected", Client(s, i).Address);
            s.sockets.close(Port::Helm, i);
        }
        s.sockets.remove(Port::Helm, i);
    }
    s.ClientTable.resize(1);
    s.ClientCount = 0;
}

void PollHelmClients(Server& s)
{
    Trap(s, "Poll Socket Error", "Poll Timer", [&] {
        bool anyActive = false;
        for (int i = 1; i <= s.ClientSlotCount(); ++i) {
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
                if (c.InUse && c.LoggedIn && (c.ClientType < FirstPanelClientType || c.SilentTicks % 2 == 0))
                    SendToClient(s, Bytes("\xF5", 1), i);
                continue;
            }
            if (s.sockets.isConnected(Port::Helm, i)) {
                LogIPMessage(s, "Client Disconnected", c.Address);
                s.sockets.close(Port::Helm, i);
                DisconnectClient(s, i);
            }
            Client(s, i).SilentTicks = 0;
        }
        if (!anyActive)
            s.HelmClientsActive = false;
    });
}
