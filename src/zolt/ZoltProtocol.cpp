#include "zolt/ZoltProtocol.h"

#include "model/Server.h"
#include "zolt/Zolt.h"

void ZoltProtocol::ConnectionRequest(Server& s) { wscktZolt_ConnectionRequest(s); }

void ZoltProtocol::DataArrival(Server& s, int Slot, long BytesTotal) { wscktZolt_DataArrival(s, Slot, BytesTotal); }

void ZoltProtocol::Closed(Server& s, int Slot) { wscktZolt_Close(s, Slot); }

void ZoltProtocol::DisconnectAll(Server& s) { CloseAllConsoles(s, "Console Disconnected"); }

ClientProtocol::DecodeRound ZoltProtocol::Decode(Server& s)
{
    // Console commands still arriving are never discarded: Waiting stays false.
    DecodeRound round;
    for (int i = 1; i <= s.ZoltSlotCount(); ++i) {
        const size_t before = s.ZoltClientTable[static_cast<size_t>(i)].ReceiveBuffer.size();
        if (before == 0)
            continue;
        DecodeConsoleMessage(s, i);
        if (!ValidConsoleSlot(s, i) || s.ZoltClientTable[static_cast<size_t>(i)].ReceiveBuffer.size() != before)
            round.Progress = true;
    }
    return round;
}

void ZoltProtocol::CrosspointChanged(Server& s, int Output, int, int) { SendConsoleTally(s, Output); }

void ZoltProtocol::TableChanged(Server& s, int64_t Bit, int First, int Count)
{
    // A map report of one output is a take for the consoles.
    if ((Bit & UpdateBit::Crosspoints) && Count == 1)
        SendConsoleTally(s, First);
}

void ZoltProtocol::NamesChanged(Server& s, int Kind) { SendAlphaChangeNotice(s, Kind); }
