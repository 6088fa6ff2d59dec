#include "logitek/LogitekProtocol.h"

#include "logitek/Logitek.h"
#include "model/Server.h"

void LogitekProtocol::ConnectionRequest(Server& s) { wscktLogitek_ConnectionRequest(s); }

void LogitekProtocol::DataArrival(Server& s, int Slot, long BytesTotal)
{
    wscktLogitek_DataArrival(s, Slot, BytesTotal);
}

void LogitekProtocol::Closed(Server& s, int Slot) { wscktLogitek_Close(s, Slot); }

void LogitekProtocol::DisconnectAll(Server& s) { CloseAllLogitek(s, "Logitek Disconnected"); }

ClientProtocol::DecodeRound LogitekProtocol::Decode(Server& s)
{
    // A message still arriving waits for its bytes, never for a discard: the
    // decoder removes what can never complete.
    DecodeRound round;
    for (int i = 1; i <= s.LogitekSlotCount(); ++i) {
        const size_t before = s.LogitekClientTable[static_cast<size_t>(i)].ReceiveBuffer.size();
        if (before == 0)
            continue;
        DecodeLogitekMessage(s, i);
        if (!ValidLogitekSlot(s, i) || s.LogitekClientTable[static_cast<size_t>(i)].ReceiveBuffer.size() != before)
            round.Progress = true;
    }
    return round;
}

void LogitekProtocol::GainsChanged(Server& s, int FirstOutput, int Count)
{
    if (s.LogitekClientCount >= 1)
        SendFaderPosition(s, FirstOutput, Count);
}
