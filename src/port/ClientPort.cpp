#include "port/ClientPort.h"

#include "disk/Logs.h"
#include "disk/StatusDisplay.h"
#include "disk/Trap.h"
#include "model/ByteManipulation.h"
#include "model/Server.h"

#include <algorithm>
#include <vector>

std::string ConsoleSendError(int Slot, size_t Length)
{
    return "Error sending to Console: Socket #" + std::to_string(Slot) + " Len " + std::to_string(Length);
}

int TakeConnection(Server& s, const PortKind& Kind, SlotTable& Slots)
{
    int slot = 0;
    for (int i = 1; i <= Slots.SlotCount() && slot == 0; ++i)
        if (!s.sockets.isConnected(Kind.port, i))
            slot = i;
    if (slot == 0)
        slot = Slots.AddSlot();
    else if (Slots.Client(slot).Connected) {
        // Its peer left, but the close event has not been seen yet and never will be.
        LogIPMessage(s, Kind.Texts.Disconnect, Slots.Client(slot).Address);
        ReleaseSlot(s, Kind, Slots, slot);
    }
    if (!s.sockets.accept(Kind.port, slot))
        return 0;
    Slots.Count += 1;
    ShowConnectionCount(s);
    Slots.ResetSlot(slot);
    PortClient& c = Slots.Client(slot);
    c.Connected = true;
    c.Address = s.sockets.peerAddress(Kind.port, slot);
    return slot;
}

long ReadIntoSlot(Server& s, const PortKind& Kind, SlotTable& Slots, int Slot, long Waiting)
{
    std::vector<char> chunk(static_cast<size_t>(std::clamp(Waiting, 1L, std::min(Kind.ReadBudget, 65536L))));
    long total = 0;
    while (total < Kind.ReadBudget) {
        const long n = s.sockets.read(Kind.port, Slot, chunk.data(),
                                      std::min(static_cast<long>(chunk.size()), Kind.ReadBudget - total));
        if (n < 1)
            break;
        Slots.Client(Slot).ReceiveBuffer.append(chunk.data(), static_cast<size_t>(n));
        total += n;
        s.NoteTraffic();
    }
    const int error = total < Kind.ReadBudget ? s.sockets.lastError(Kind.port, Slot) : 0;
    if (error != SocketWouldBlock && error != 0) {
        LogTrappedError(s, "Socket Error #" + std::to_string(error) + "(" + Slots.Client(Slot).Address + ")",
                        Kind.Texts.ReadTitle, 0, "");
        return -1;
    }
    return total;
}

bool WriteOrCutOff(Server& s, const PortKind& Kind, SlotTable& Slots, int Slot, const Bytes& Message)
{
    for (size_t at = 0; at < Message.size(); at += SendPiece) {
        const long length = static_cast<long>(std::min(SendPiece, Message.size() - at));
        if (s.sockets.write(Kind.port, Slot, Message.data() + at, length) == length)
            continue;
        if (s.sockets.lastError(Kind.port, Slot) == SocketWouldBlock) {
            // It stopped reading: dropping it keeps one stuck client from
            // holding up the others or growing the server's memory.
            LogTrappedError(s, "Socket Busy", Kind.Texts.SendTitle, 0, "");
            ++s.counters.SlowClientsCut;
            CloseSlot(s, Kind, Slots, Slot, Kind.Texts.Disconnected);
        }
        return false;
    }
    return true;
}

void SendToSlot(Server& s, const PortKind& Kind, SlotTable& Slots, int Slot, const Bytes& Message)
{
    Trap(s, Kind.Texts.SendError(Slot, Message.size()), Kind.Texts.SendTitle, [&] {
        if (!Message.empty() && Slots.Valid(Slot) && s.sockets.isConnected(Kind.port, Slot))
            WriteOrCutOff(s, Kind, Slots, Slot, Message);
    });
}

void ReleaseSlot(Server& s, const PortKind& Kind, SlotTable& Slots, int Slot)
{
    Trap(s, Kind.Texts.CloseError, Kind.Texts.CloseTitle, [&] {
        Slots.Count -= 1;
        if (Slots.Count < 0) {
            Slots.Count = 0;
            LogTrappedError(s, Kind.Texts.CountError, Kind.Texts.CloseTitle, 0, "");
        }
        ShowConnectionCount(s);
        if (Slots.Valid(Slot))
            Slots.ResetSlot(Slot);
    });
}

void CloseSlot(Server& s, const PortKind& Kind, SlotTable& Slots, int Slot, const std::string& Text)
{
    LogIPMessage(s, Text, Slots.Client(Slot).Address);
    s.sockets.close(Kind.port, Slot);
    ReleaseSlot(s, Kind, Slots, Slot);
}

void CloseAllSlots(Server& s, const PortKind& Kind, SlotTable& Slots, const std::string& Text)
{
    for (int i = 1; i <= Slots.SlotCount(); ++i) {
        if (s.sockets.isConnected(Kind.port, i)) {
            LogIPMessage(s, Text, Slots.Client(i).Address);
            s.sockets.close(Kind.port, i);
        }
        s.sockets.remove(Kind.port, i);
    }
    Slots.Clear();
}

void SocketPort::ConnectionRequest(Server& s)
{
    Trap(s, kind_.Texts.ConnectError, kind_.Texts.ConnectTitle, [&] {
        const int slot = TakeConnection(s, kind_, Slots(s));
        if (slot == 0)
            return;
        Greet(s, slot);
        if (kind_.Texts.Connected && Slots(s).Valid(slot))
            LogIPMessage(s, kind_.Texts.Connected, Slots(s).Client(slot).Address);
    });
}

void SocketPort::DataArrival(Server& s, int Slot, long BytesTotal)
{
    if (!Slots(s).Valid(Slot))
        return;
    Trap(s, kind_.Texts.ReadError, kind_.Texts.ReadTitle, [&] {
        const long n = ReadIntoSlot(s, kind_, Slots(s), Slot, BytesTotal);
        if (n >= 0 && Received(s, Slot) && n > 0)
            s.timers.enable(TimerId::DecodeTcp, 0);
    });
}

void SocketPort::Closed(Server& s, int Slot)
{
    if (!Slots(s).Valid(Slot))
        return;
    Trap(s, kind_.Texts.CloseError, kind_.Texts.CloseTitle, [&] {
        if (Slots(s).Client(Slot).Connected) {
            LogIPMessage(s, kind_.Texts.Disconnect, Slots(s).Client(Slot).Address);
            ReleaseSlot(s, kind_, Slots(s), Slot);
        }
        s.sockets.close(kind_.port, Slot);
    });
}

void SocketPort::DisconnectAll(Server& s) { CloseAllSlots(s, kind_, Slots(s), kind_.Texts.Disconnected); }

ClientProtocol::DecodeRound SocketPort::Decode(Server& s)
{
    DecodeRound round;
    SlotTable& slots = Slots(s);
    for (int i = 1; i <= slots.SlotCount(); ++i) {
        const size_t before = slots.Client(i).ReceiveBuffer.size();
        if (before == 0)
            continue;
        round.Waiting = round.Waiting || DropsUnfinished();
        DecodeOne(s, i);
        // A decoder may disconnect everybody and shrink the table.
        if (!slots.Valid(i) || slots.Client(i).ReceiveBuffer.size() != before)
            round.Progress = true;
    }
    return round;
}

void SocketPort::DiscardUnfinished(Server& s)
{
    SlotTable& slots = Slots(s);
    for (int i = 1; i <= slots.SlotCount(); ++i)
        slots.Client(i).ReceiveBuffer.clear();
}

int SocketPort::Connections(const Server& s) const { return Slots(s).Count; }

void SocketPort::ListClients(const Server& s, std::vector<ClientRow>& Rows) const
{
    const SlotTable& slots = Slots(s);
    for (int i = 1; i <= slots.SlotCount(); ++i)
        if (slots.Client(i).Connected)
            Rows.push_back({kind_.port, i, KindText(s, i), slots.Client(i).Address});
}

void SocketPort::DisconnectChosen(Server& s, int Slot)
{
    // The client may have gone while the list was open.
    if (Slots(s).Valid(Slot) && s.sockets.isConnected(kind_.port, Slot))
        CloseSlot(s, kind_, Slots(s), Slot, kind_.Texts.ListDisconnected);
}
