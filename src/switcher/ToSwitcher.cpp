#include "switcher/ToSwitcher.h"

#include "core/Server.h"
#include "switcher/vela/ToVela.h"

// Vela switchers take table uploads as the client's own frames, passed
// through unchanged; the table senders below encode for the other families
// and do nothing for a Vela or in pass-through mode.

void SendTakeToSwitcher(Server& s, int Input, int Output, int& TakeType, int Level)
{
    if (s.model.SwitcherType == TypeVela)
        SendTakeVela(s, Input, Output, TakeType, Level);
}

void SendSalvoExecuteToSwitcher(Server& s, int Salvo)
{
    if (s.model.SwitcherType == TypeVela)
        SendSalvoExecuteVela(s, Salvo);
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
}

void RequestSwitcherConfiguration(Server& s)
{
    if (s.model.SwitcherType == TypeVela)
        SendInfoRequestVela(s, 1, NoneValue, 0);
}

void PollSwitcher(Server& s)
{
    if (s.model.SwitcherType == TypeVela)
        SendPollVela(s);
}

void SendLinkToSwitcher(Server& s, int First, int Kind, const std::vector<int>& Links)
{
    if (s.model.SwitcherType == TypeVela)
        SendLinksVela(s, First, Kind, Links);
}

void SendAlphaTableToSwitcher(Server&, const std::vector<std::string>&, int) {}
void SendAlphaEntryToSwitcher(Server&, const std::vector<int>&, int) {}
void SendInhibitMapToSwitcher(Server&, const std::vector<std::string>&) {}
void SendLinksToSwitcher(Server&, const std::vector<int>&, int) {}
void SendButtonsToSwitcher(Server&) {}
void SendSalvoCountToSwitcher(Server&) {}
void SendSalvoEventsToSwitcher(Server&) {}
void SendStateToSwitcher(Server&) {}
