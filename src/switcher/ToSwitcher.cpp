#include "switcher/ToSwitcher.h"

#include "core/Server.h"
#include "switcher/draco/DracoQueue.h"
#include "switcher/draco/ToDraco.h"
#include "switcher/vela/ToVela.h"

// Vela switchers take table uploads as the client's own frames, passed
// through unchanged; the table senders below encode for the other families
// and do nothing for a Vela or in pass-through mode.

namespace {

bool IsDraco(const Server& s) { return s.model.SwitcherType == TypeDraco; }

}  // namespace

void SendTakeToSwitcher(Server& s, int Input, int Output, int& TakeType, int Level)
{
    if (s.model.SwitcherType == TypeVela)
        SendTakeVela(s, Input, Output, TakeType, Level);
    else if (IsDraco(s))
        SendTakeDraco(s, Input, Output, TakeType);
}

void SendSalvoExecuteToSwitcher(Server& s, int Salvo)
{
    if (s.model.SwitcherType == TypeVela)
        SendSalvoExecuteVela(s, Salvo);
    else if (IsDraco(s))
        SendSalvoExecuteDraco(s, Salvo);
}

void RequestSwitcherTables(Server& s, int64_t Mask, int First, int Last)
{
    if (s.cfg.DemoMode) {
        // The simulated switcher has everything already.
        s.model.UpdateFlags = 0;
        return;
    }
    if (s.model.SwitcherType == TypeVela)
        SendInfoRequestVela(s, Mask, First, Last);
    else if (IsDraco(s))
        SendInfoRequestDraco(s, Mask, First, Last);
}

void RequestSwitcherConfiguration(Server& s)
{
    if (s.model.SwitcherType == TypeVela)
        SendInfoRequestVela(s, 1, NoneValue, 0);
    else if (IsDraco(s))
        RequestConfigurationDraco(s);
}

void PollSwitcher(Server& s)
{
    if (s.model.SwitcherType == TypeVela)
        SendPollVela(s);
    else if (IsDraco(s))
        SendPollDraco(s);
}

void SendLinkToSwitcher(Server& s, int First, int Kind, const std::vector<int>& Links)
{
    if (s.model.SwitcherType == TypeVela)
        SendLinksVela(s, First, Kind, Links);
}

void SendAlphaTableToSwitcher(Server& s, const std::vector<std::string>& Names, int Table)
{
    if (IsDraco(s))
        SendAlphaTableDraco(s, Names, Table);
}

void SendAlphaEntryToSwitcher(Server& s, const std::vector<int>& Table, int Kind)
{
    if (IsDraco(s))
        SendSortTableDraco(s, Table, Kind);
}

void SendInhibitMapToSwitcher(Server& s, const std::vector<std::string>& Map)
{
    if (IsDraco(s))
        SendInhibitMapDraco(s, Map);
}

void SendLinksToSwitcher(Server& s, const std::vector<int>& Links, int Kind)
{
    if (IsDraco(s))
        SendLinksDraco(s, Links, Kind);
}

void SendButtonsToSwitcher(Server& s)
{
    if (IsDraco(s))
        SendButtonsDraco(s);
}

void SendSalvoCountToSwitcher(Server& s)
{
    if (IsDraco(s))
        SendSalvoCountDraco(s);
}

void SendSalvoEventsToSwitcher(Server& s)
{
    if (IsDraco(s))
        SendSalvoEventsDraco(s);
}

void SendStateToSwitcher(Server& s)
{
    if (IsDraco(s))
        SendPortMapDraco(s);
}

void tmrSwitcherQueue_Timer(Server& s)
{
    if (IsDraco(s))
        ReleaseDracoQueue(s);
    else
        s.timers.disable(TimerId::SwitcherQueue);
}

void DropQueuedSwitcherCommands(Server& s) { ClearDracoQueue(s); }
