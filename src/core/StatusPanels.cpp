// The lamps' timers and the clear button of the status display.
#include "core/StatusPanels.h"

#include "model/Server.h"
#include "switcher/ToSwitcher.h"

void OnLedTick(Server& s)
{
    s.display.setLamp(Lamp::Network, false);
    s.timers.disable(TimerId::Led);
}

void OnLed2Tick(Server& s)
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
