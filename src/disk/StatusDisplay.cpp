#include "disk/StatusDisplay.h"

#include "disk/Logs.h"
#include "model/ByteManipulation.h"
#include "model/Server.h"

void AddHistoryLine(Server& s, const std::string& Source, const std::string& Message)
{
    if (Message.empty())
        return;
    // A loop rather than one removal, so a list size lowered at run time is honoured.
    while (s.display.historyCount() > 0 && s.display.historyCount() >= s.cfg.MaxListSize)
        s.display.removeOldestHistoryLine();
    // With no source the line stays blank, as the operator has always seen it.
    if (Source.empty())
        s.display.addHistoryLine("", "");
    else
        s.display.addHistoryLine(Source, Message);
}

void DisplayMessage(Server& s, const std::string& Message, const std::string& Source)
{
    if (s.cfg.RecordZolt)
        LogIPMessage(s, Message, Source);
    else
        AddHistoryLine(s, Source, Message);
}

void ShowSerialActivity(Server& s)
{
    s.display.setLamp(Lamp::Serial, true);
    s.timers.restart(TimerId::Led2, LedIntervalMs);
}

void ShowNetworkActivity(Server& s)
{
    s.display.setLamp(Lamp::Network, true);
    s.timers.restart(TimerId::Led, LedIntervalMs);
}

void ShowConnectionCount(Server& s)
{
    s.display.setStatusPanel(1, "Client Connections: " + Digits(s.TotalConnections(), 4));
}
