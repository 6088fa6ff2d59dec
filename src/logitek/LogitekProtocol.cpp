#include "logitek/LogitekProtocol.h"

#include "model/Server.h"

SlotTable& LogitekProtocol::Slots(Server& s) const { return s.LogitekClients; }

std::string LogitekProtocol::KindText(const Server& s, int Slot) const
{
    return s.LogitekClients[Slot].ClientType == ConsoleClientType ? "Logitek Console" : "Unknown Connection";
}

void LogitekProtocol::GainsChanged(Server& s, int FirstOutput, int Count)
{
    if (s.LogitekClients.Count >= 1)
        SendFaderPosition(s, FirstOutput, Count);
}
