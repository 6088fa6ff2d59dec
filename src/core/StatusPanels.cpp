// Lamps, the connection count and the clear button of the status display.
#include "core/MainForm.h"
#include "core/Server.h"
#include "core/StatusDisplay.h"
#include "switcher/ToSwitcher.h"
#include "switcher/ByteManipulation.h"

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

void tmrLed_Timer(Server& s)
{
    s.display.setLamp(Lamp::Network, false);
    s.timers.disable(TimerId::Led);
}

void tmrLed2_Timer(Server& s)
{
    s.timers.disable(TimerId::Led2);
    s.display.setLamp(Lamp::Serial, false);
    // Requests held back while the line was busy go out once it is quiet.
    if (s.model.DeferredRequestFlags > 0) {
        const int64_t flags = s.model.DeferredRequestFlags;
        s.model.DeferredRequestFlags = 0;
        RequestSwitcherTables(s, flags, NoneValue, 0);
    }
}

void cmdClearList_Click(Server& s) { s.display.clearHistory(); }
