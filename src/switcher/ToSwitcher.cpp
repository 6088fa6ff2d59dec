#include "switcher/ToSwitcher.h"

#include "model/Server.h"
#include "switcher/SwitcherFamily.h"

// Each dispatcher calls the configured family's encoder; a family without
// one, and pass-through mode, send nothing. (A Vela takes table uploads as
// the client's own frames, so its table senders are empty.)

namespace {

template <class Entry, class... Args>
void Dispatch(Server& s, Entry SwitcherFamily::*Field, Args&&... args)
{
    const SwitcherFamily* family = ConfiguredFamily(s);
    if (family != nullptr && family->*Field != nullptr)
        (family->*Field)(s, std::forward<Args>(args)...);
}

}  // namespace

void SendTakeToSwitcher(Server& s, int Input, int Output, int& TakeType, int Level)
{
    Dispatch(s, &SwitcherFamily::SendTake, Input, Output, TakeType, Level);
}

void SendSalvoExecuteToSwitcher(Server& s, int Salvo) { Dispatch(s, &SwitcherFamily::SendSalvoExecute, Salvo); }

void RequestSwitcherTables(Server& s, int64_t Mask, int First, int Last)
{
    if (s.cfg.DemoMode) {
        // The simulated switcher has everything already.
        s.model.UpdateFlags = 0;
        return;
    }
    Dispatch(s, &SwitcherFamily::RequestTables, Mask, First, Last);
}

void RequestSwitcherConfiguration(Server& s) { Dispatch(s, &SwitcherFamily::RequestConfiguration); }

void PollSwitcher(Server& s) { Dispatch(s, &SwitcherFamily::Poll); }

void SendAlphaTableToSwitcher(Server& s, const std::vector<std::string>& Names, int Table)
{
    Dispatch(s, &SwitcherFamily::SendAlphaTable, Names, Table);
}

void SendAlphaEntryToSwitcher(Server& s, const std::vector<int>& Table, int Kind)
{
    Dispatch(s, &SwitcherFamily::SendAlphaEntry, Table, Kind);
}

void SendInhibitMapToSwitcher(Server& s, const std::vector<std::string>& Map)
{
    Dispatch(s, &SwitcherFamily::SendInhibitMap, Map);
}

void SendLinksToSwitcher(Server& s, const std::vector<int>& Links, int Kind)
{
    Dispatch(s, &SwitcherFamily::SendLinks, Links, Kind);
}

void SendButtonsToSwitcher(Server& s) { Dispatch(s, &SwitcherFamily::SendButtons); }

void SendSalvoCountToSwitcher(Server& s) { Dispatch(s, &SwitcherFamily::SendSalvoCount); }

void SendSalvoEventsToSwitcher(Server& s) { Dispatch(s, &SwitcherFamily::SendSalvoEvents); }

void SendStateToSwitcher(Server& s) { Dispatch(s, &SwitcherFamily::SendState); }

void SendLinkToSwitcher(Server& s, int First, int Kind, const std::vector<int>& Links)
{
    Dispatch(s, &SwitcherFamily::SendLink, First, Kind, Links);
}

void SendGainToSwitcher(Server& s, int Kind, int Value, int Index, int Value2, int Option)
{
    Dispatch(s, &SwitcherFamily::SendGain, Kind, Value, Index, Value2, Option);
}

void SendTransitionControlToSwitcher(Server& s, const std::array<uint8_t, 4>& Settings, int Destination)
{
    Dispatch(s, &SwitcherFamily::SendTransitionControl, Settings, Destination);
}

void OnSwitcherQueueTick(Server& s)
{
    const SwitcherFamily* family = ConfiguredFamily(s);
    if (family != nullptr && family->ReleaseCommands != nullptr)
        family->ReleaseCommands(s);
    else
        s.timers.disable(TimerId::SwitcherQueue);
}

void DropQueuedSwitcherCommands(Server& s)
{
    s.SwitcherQueue.clear();
    s.timers.disable(TimerId::SwitcherQueue);
}
