#include "zolt/ZoltProtocol.h"

#include "model/Server.h"

SlotTable& ZoltProtocol::Slots(Server& s) const { return s.ZoltClients; }

std::string ZoltProtocol::KindText(const Server& s, int Slot) const
{
    return s.ZoltClients[Slot].ClientType == ConsoleClientType ? "Zolt/Console" : "Unknown Connection";
}

void ZoltProtocol::CrosspointChanged(Server& s, int Output, int, int) { SendConsoleTally(s, Output); }

void ZoltProtocol::TableChanged(Server& s, int64_t Bit, int First, int Count)
{
    // A map report of one output is a take for the consoles.
    if ((Bit & UpdateBit::Crosspoints) && Count == 1)
        SendConsoleTally(s, First);
}

void ZoltProtocol::NamesChanged(Server& s, int Kind) { SendAlphaChangeNotice(s, Kind); }
