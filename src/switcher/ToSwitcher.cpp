#include "switcher/ToSwitcher.h"

#include "core/Server.h"
#include "switcher/orion/ToOrion.h"
#include "switcher/vela/ToVela.h"

// Vela switchers take table uploads as the client's own frames, passed
// through unchanged; the table senders below encode for the other families
// and do nothing for a Vela or in pass-through mode.

void SendTakeToSwitcher(Server& s, int Input, int Output, int& TakeType, int Level)
{
    if (s.model.SwitcherType == TypeVela)
        SendTakeVela(s, Input, Output, TakeType, Level);
    else if (s.model.SwitcherType == TypeOrion)
        SendTakeOrion(s, Input, Output, TakeType);
}

void SendSalvoExecuteToSwitcher(Server& s, int Salvo)
{
    if (s.model.SwitcherType == TypeVela)
        SendSalvoExecuteVela(s, Salvo);
    else if (s.model.SwitcherType == TypeOrion)
        SendSalvoExecuteOrion(s, Salvo);
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
    else if (s.model.SwitcherType == TypeOrion)
        SendInfoRequestOrion(s, Mask, First, Last);
}

void RequestSwitcherConfiguration(Server& s)
{
    if (s.model.SwitcherType == TypeVela)
        SendInfoRequestVela(s, 1, NoneValue, 0);
    else if (s.model.SwitcherType == TypeOrion)
        SendConfigRequestOrion(s);
}

void PollSwitcher(Server& s)
{
    if (s.model.SwitcherType == TypeVela)
        SendPollVela(s);
    else if (s.model.SwitcherType == TypeOrion)
        SendPollOrion(s);
}

void SendLinkToSwitcher(Server& s, int First, int Kind, const std::vector<int>& Links)
{
    if (s.model.SwitcherType == TypeVela)
        SendLinksVela(s, First, Kind, Links);
}

void SendAlphaTableToSwitcher(Server& s, const std::vector<std::string>& Names, int Table)
{
    if (s.model.SwitcherType == TypeOrion)
        SendAlphaTableOrion(s, Names, Table);
}

void SendAlphaEntryToSwitcher(Server& s, const std::vector<int>& Table, int Kind)
{
    if (s.model.SwitcherType == TypeOrion)
        SendSortTableOrion(s, Table, Kind);
}

void SendInhibitMapToSwitcher(Server& s, const std::vector<std::string>& Map)
{
    if (s.model.SwitcherType == TypeOrion)
        SendInhibitMapOrion(s, Map);
}

void SendLinksToSwitcher(Server& s, const std::vector<int>& Links, int Kind)
{
    if (s.model.SwitcherType == TypeOrion)
        SendLinksOrion(s, Links, Kind);
}

void SendButtonsToSwitcher(Server& s)
{
    if (s.model.SwitcherType == TypeOrion)
        SendButtonsOrion(s);
}

void SendSalvoCountToSwitcher(Server& s)
{
    if (s.model.SwitcherType == TypeOrion)
        SendSalvoCountOrion(s);
}

void SendSalvoEventsToSwitcher(Server& s)
{
    if (s.model.SwitcherType == TypeOrion)
        SendSalvoEventsOrion(s);
}

void SendStateToSwitcher(Server& s)
{
    if (s.model.SwitcherType == TypeOrion)
        SendStateOrion(s);
}
