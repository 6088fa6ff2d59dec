#include "switcher/orion/ToOrion.h"

#include "disk/Trap.h"
#include "model/Server.h"
#include "model/TakeTypes.h"
#include "switcher/SerialLink.h"
#include "switcher/SwitcherFamily.h"
#include "switcher/ToSwitcher.h"
#include "switcher/orion/FromOrion.h"
#include "switcher/orion/OrionFrames.h"

#include <algorithm>

namespace {

bool InRange(int Number, int Count) { return Number >= 0 && Number < std::min(Count, Orion::Size); }

// The commands of a table's names and of its sort table; 0 for a table an
// Orion keeps no names of.
struct NameCommands {
    unsigned char Names;
    unsigned char Sort;
};

NameCommands NameCommandsOf(int Table)
{
    switch (Table) {
    case TableSources: return {0xFC, 0xEF};
    case TableDestinations: return {0xFB, 0xEE};
    case TableSalvos: return {0xEC, 0xED};
    default: return {0, 0};
    }
}

// The salvo tables are as long as what is sent; the others have the
// switcher's size.
size_t EntriesSent(int Table, size_t Given) { return Table == TableSalvos ? Given : Orion::Size; }

// The events of the client's salvo upload.
std::vector<SalvoEventRecord> UploadedEvents(const Model& m)
{
    const size_t n = std::min(m.ClientSalvoEvents.size(), static_cast<size_t>(std::max(m.ClientSalvoEventCount, 0L)));
    return std::vector<SalvoEventRecord>(m.ClientSalvoEvents.begin(),
                                         m.ClientSalvoEvents.begin() + static_cast<long>(n));
}

// Salvo names in salvo number order, from the name-ordered table.
std::vector<std::string> SalvoNamesBySalvo(const Model& m, size_t Count)
{
    std::vector<std::string> names(Count);
    for (size_t i = 0; i < m.SalvoAlphas.size() && i < m.SalvoSortTable.size(); ++i) {
        const int number = m.SalvoSortTable[i];
        if (number >= 0 && static_cast<size_t>(number) < Count)
            names[static_cast<size_t>(number)] = m.SalvoAlphas[i];
    }
    return names;
}

}  // namespace

Bytes BuildTakeOrion(const Server& s, int& Input, int& Output, int TakeType)
{
    const Model& m = s.model;
    OrionTake take;
    if (TakeType == TakeType::Take) {
        // A number beyond 255 would spill into the kind bits and reach
        // another destination, or become an opto command.
        if (!InRange(Input, m.NumSources) || !InRange(Output, m.NumDestinations))
            return Bytes();
        take = {Orion::KindCrosspoint, Orion::StateOn, Output, Input};
        return BuildOrionTake(take);
    }
    if (!IsRelayTake(TakeType))
        return Bytes();
    if (!InRange(Output, m.NumRelays))
        return Bytes();
    Input = Output;
    Output = 0;
    const int state = TakeType == TakeType::LatchRelay       ? Orion::StateOn
                      : TakeType == TakeType::MomentaryRelay ? Orion::StateMomentary
                                                             : Orion::StateOff;
    take = {Orion::KindRelayCommand, state, Output, Input};
    return BuildOrionTake(take);
}

namespace {

// Only bytes from the switcher mark the link: a frame written into a dead
// line proves nothing.
void SendTakeOrion(Server& s, int& Input, int& Output, int& TakeType)
{
    SwitcherCommand(s, "Error Sending Take", [&] {
        const Bytes frame = BuildTakeOrion(s, Input, Output, TakeType);
        if (!frame.empty())
            SendToSwitcher(s, frame);
    });
}

void SendSalvoExecuteOrion(Server& s, int Salvo)
{
    SwitcherCommand(s, "Error Sending Salvo Execute", [&] {
        OrionWriter w(0xE7);
        w.Pair(Salvo);
        SendToSwitcher(s, w.Finish());
    });
}

void SendInfoRequestOrion(Server& s, int64_t Mask, int, int)
{
    SwitcherCommand(s, "Error Sending Info Request", [&] {
        const bool everything = Mask == 1;
        if (everything) {
            s.model.UpdateFlags = s.model.AllUpdateFlags;
            s.SwitcherRequest.Countdown = s.model.PollReload;
        }
        SendToSwitcher(s, BuildOrionInfoRequest(Mask));
        if (everything) {
            s.model.UpdateFlags = s.model.AllUpdateFlags;
            s.SwitcherRequest.Countdown = s.model.PollReload;
        } else {
            s.model.UpdateFlags |= Mask;
        }
    });
}

void SendConfigRequestOrion(Server& s)
{
    if (!s.cfg.DemoMode)
        SendToSwitcher(s, Bytes("\xF2", 1));
}

void SendPollOrion(Server& s)
{
    if (!s.cfg.DemoMode)
        SendToSwitcher(s, Bytes("\xF5", 1));
}

// Names in switcher order; Table 10 sources, 20 destinations, 50 salvos.
void SendAlphaTableOrion(Server& s, const std::vector<std::string>& Names, int Table)
{
    const unsigned char command = NameCommandsOf(Table).Names;
    if (command == 0)
        return;
    SwitcherCommand(s, "Error Sending Alpha Table", [&] {
        SendToSwitcher(s, BuildOrionAlphaTable(command, Names, EntriesSent(Table, Names.size())));
        if (Table != TableSalvos)
            RequestSwitcherTables(s, Table == TableSources ? UpdateBit::SourceAlphas : UpdateBit::DestinationAlphas,
                                  NoneValue, 0);
    });
}

void SendSortTableOrion(Server& s, const std::vector<int>& Table, int Kind)
{
    const unsigned char command = NameCommandsOf(Kind).Sort;
    if (command == 0)
        return;
    SwitcherCommand(s, "Error Sending Alpha Table",
                    [&] { SendToSwitcher(s, BuildOrionSortTable(command, Table, EntriesSent(Kind, Table.size()))); });
}

void SendInhibitMapOrion(Server& s, const std::vector<std::string>& Map)
{
    SwitcherCommand(s, "Error Sending Inhibit Map", [&] {
        Bytes frames;
        for (size_t d = 0; d < Map.size() && d < Orion::Size; ++d)
            frames += BuildOrionInhibitMap(static_cast<int>(d), Map[d]);
        SendToSwitcher(s, frames);
        RequestSwitcherTables(s, UpdateBit::Inhibits, NoneValue, 0);
    });
}

void SendLinksOrion(Server& s, const std::vector<int>& Links, int Kind)
{
    SwitcherCommand(s, "Error Sending Links", [&] {
        const bool sources = Kind == TableSources;
        SendToSwitcher(s, BuildOrionLinks(sources ? 0xFA : 0xF9, Links));
        RequestSwitcherTables(s, sources ? UpdateBit::SourceLinks : UpdateBit::DestinationLinks, NoneValue, 0);
    });
}

// What the switcher last reported, with the client's uploads that it has not
// reported back yet put in.
void SendButtonsOrion(Server& s)
{
    SwitcherCommand(s, "Error Sending Buttons", [&] {
        Model& m = s.model;
        OrionButtons buttons;
        for (size_t d = 0; d < static_cast<size_t>(std::max(m.NumDestinations, 0)) && d < m.TemplateAssignment.size();
             ++d) {
            buttons.Assignment.push_back(d < m.ClientTemplateAssignment.size() ? m.ClientTemplateAssignment[d]
                                                                               : m.TemplateAssignment[d]);
        }
        buttons.Values.assign(Orion::Templates * Orion::ButtonsPerTemplate, 0);
        for (size_t t = 0; t < m.ButtonData.size() && t < Orion::Templates; ++t) {
            const bool uploaded =
                t < m.UploadedTemplates.size() && m.UploadedTemplates[t] && t < m.ButtonTemplates.size();
            const std::vector<ButtonRecord>& from = uploaded ? m.ButtonTemplates[t] : m.ButtonData[t];
            for (size_t b = 0; b < from.size() && b < Orion::ButtonsPerTemplate; ++b)
                buttons.Values[t * Orion::ButtonsPerTemplate + b] = from[b].Values[0];
        }
        SendToSwitcher(s, BuildOrionButtons(buttons));
        RequestSwitcherTables(s, UpdateBit::Buttons, NoneValue, 0);
    });
}

// The counts of the client's salvo upload, which the events frame after it
// carries: a switcher sizes that frame by them.
void SendSalvoCountOrion(Server& s)
{
    SwitcherCommand(s, "Error Sending Salvo Count", [&] {
        SendToSwitcher(
            s, BuildOrionSalvoCount(static_cast<long>(UploadedEvents(s.model).size()), s.model.ClientSalvoCount));
    });
}

// E9, EB with every event, one E8 per salvo (its number and event count),
// the salvo names (EC) and their sort table (ED); then the salvos are asked back.
void SendSalvoEventsOrion(Server& s)
{
    SwitcherCommand(s, "Error Sending Salvo Events", [&] {
        const Model& m = s.model;
        const std::vector<SalvoEventRecord> events = UploadedEvents(m);
        const size_t salvos = static_cast<size_t>(std::clamp(m.ClientSalvoCount, 0, NoneValue));
        SendSalvoCountToSwitcher(s);
        Bytes frames = BuildOrionSalvoEvents(0xEB, events);
        for (size_t sv = 0; sv < salvos; ++sv) {
            const auto own = std::count_if(events.begin(), events.end(),
                                           [&](const SalvoEventRecord& e) { return e.Salvo == static_cast<int>(sv); });
            frames += BuildOrionSalvoDefinition(static_cast<int>(sv), static_cast<int>(own));
        }
        SendToSwitcher(s, frames);
        SendAlphaTableToSwitcher(s, SalvoNamesBySalvo(m, salvos), TableSalvos);
        std::vector<int> sorts(m.SalvoSortTable.begin(),
                               m.SalvoSortTable.begin() + static_cast<long>(std::min(salvos, m.SalvoSortTable.size())));
        sorts.resize(salvos, static_cast<int>(salvos) - 1);
        SendAlphaEntryToSwitcher(s, sorts, TableSalvos);
        RequestSwitcherTables(s, UpdateBit::Salvos, NoneValue, 0);
    });
}

// F0: the presence of the cards of frames 0 and 1, as the switcher reports it.
void SendStateOrion(Server& s)
{
    SwitcherCommand(s, "Error Sending State", [&] {
        const Model& m = s.model;
        std::vector<bool> present;
        for (size_t f = 0; f < 2; ++f)
            for (size_t c = 0; c < CardsPerFrame; ++c)
                present.push_back(f < m.SwitcherConfig.size() && static_cast<int>(f) < m.NumFrames &&
                                  m.SwitcherConfig[f].Cards[c].Present != 0);
        SendToSwitcher(s, BuildOrionActiveDevices(present));
    });
}

}  // namespace

extern const SwitcherFamily OrionFamily;
const SwitcherFamily OrionFamily = {
    .Type = SwitcherType::Orion,
    .Decode = DecodeOrionMessage,
    .SendTake = [](Server& s, int Input, int Output, int& TakeType, int) { SendTakeOrion(s, Input, Output, TakeType); },
    .SendSalvoExecute = SendSalvoExecuteOrion,
    .RequestTables = SendInfoRequestOrion,
    .RequestConfiguration = SendConfigRequestOrion,
    .Poll = SendPollOrion,
    .SendAlphaTable = SendAlphaTableOrion,
    .SendAlphaEntry = SendSortTableOrion,
    .SendInhibitMap = SendInhibitMapOrion,
    .SendLinks = SendLinksOrion,
    .SendButtons = SendButtonsOrion,
    .SendSalvoCount = SendSalvoCountOrion,
    .SendSalvoEvents = SendSalvoEventsOrion,
    .SendState = SendStateOrion,
};
