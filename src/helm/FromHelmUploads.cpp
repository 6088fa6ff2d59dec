// Table uploads from Helm clients. Each frame is read completely before
// anything is stored, so a frame that fails a check changes nothing; counts
// in a frame never lead outside it, and entries beyond a table are dropped.
#include "disk/Logs.h"
#include "disk/StatusDisplay.h"
#include "disk/Trap.h"
#include "helm/FromHelm.h"
#include "helm/HelmFrames.h"
#include "helm/HelmPort.h"
#include "helm/ToHelm.h"
#include "model/Server.h"
#include "model/VelaFrames.h"
#include "switcher/SwitcherFamily.h"
#include "switcher/ToSwitcher.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {

void LogForClient(Server& s, const std::string& Message, int Index)
{
    LogIPMessage(s, Message, ClientAddress(s, Index));
}

// Writes Values into Table from Start on, as far as the table reaches.
template <class T>
void StoreRange(std::vector<T>& Table, int Start, const std::vector<T>& Values)
{
    for (size_t i = 0; i < Values.size(); ++i) {
        const size_t at = static_cast<size_t>(Start) + i;
        if (at >= Table.size())
            return;
        Table[at] = Values[i];
    }
}

bool ChecksumOk(Server& s, const Bytes& Frame, int Index, const char* Text, const std::string& Location)
{
    if (ChecksumMatches(Frame))
        return true;
    LogSoftwareError(s, Text, Index, Location);
    return false;
}

struct AlphaTableInfo {
    const char* Name;
    int64_t Bit;
    std::vector<std::string>* Names;
    std::vector<std::string>* RawNames;
    std::vector<int>* Sorts;
};

AlphaTableInfo AlphaTableFor(Model& m, int Table)
{
    switch (Table) {
    case TableSources:
        return {"Source Alpha Table", ReplyBit::SourceAlphas, &m.SourceAlphas, &m.SourceAlphasRaw, &m.SourceSortTable};
    case TableDestinations:
        return {"Destination Alpha Table", ReplyBit::DestinationAlphas, &m.DestinationAlphas, &m.DestinationAlphasRaw,
                &m.DestinationSortTable};
    case TableOptos: return {"Opto Alpha Table", ReplyBit::OptoAlphas, &m.OptoAlphas, nullptr, &m.OptoSortTable};
    case TableRelays: return {"Relay Alpha Table", ReplyBit::RelayAlphas, &m.RelayAlphas, nullptr, &m.RelaySortTable};
    case TableSalvos: return {"Salvo Alpha Table", ReplyBit::Salvos, &m.SalvoAlphas, nullptr, &m.SalvoSortTable};
    default: return {"Unknown Alpha Table", 0, nullptr, nullptr, nullptr};
    }
}

// ---- FD: FD, 00, template t, buttons B, B x (value, N, N values) ----

struct ButtonUpload {
    int Template = 0;
    std::vector<ButtonRecord> Buttons;  // only those the table holds
};

std::optional<ButtonUpload> ReadButtonUpload(const Bytes& Frame, size_t Keep)
{
    FrameReader r(Frame);
    ButtonUpload up;
    r.Byte();
    up.Template = r.Pair();
    const int buttons = r.Pair();
    for (int b = 0; b < buttons && !r.Failed(); ++b) {
        ButtonRecord button;
        button.Value = r.Pair();
        const int n = r.Pair();
        button.Count = std::min(n, MaxButtonValues);
        for (int k = 0; k < n && !r.Failed(); ++k) {
            const int v = r.Pair();
            if (k < MaxButtonValues)
                button.Values[static_cast<size_t>(k)] = v;
        }
        if (static_cast<size_t>(b) < Keep)
            up.Buttons.push_back(button);
    }
    if (!r.Complete())
        return std::nullopt;
    return up;
}

// ---- EB: EB, 32, salvos S, events E, per salvo (number, k, k x event) ----
// An event: three flag bytes and five values (pairs), 13 bytes.

struct SalvoUpload {
    int Salvos = 0;
    std::vector<SalvoEventRecord> Events;
};

std::optional<SalvoUpload> ReadSalvoUpload(const Bytes& Frame)
{
    FrameReader r(Frame);
    SalvoUpload up;
    r.Byte();
    up.Salvos = r.Pair();
    const size_t events = static_cast<size_t>(r.Pair());
    if (r.Remaining() != 4 * static_cast<size_t>(up.Salvos) + 13 * events)
        return std::nullopt;
    for (int sv = 0; sv < up.Salvos && !r.Failed(); ++sv) {
        const int number = r.Pair();
        const int k = r.Pair();
        for (int e = 0; e < k && !r.Failed() && up.Events.size() < events; ++e) {
            SalvoEventRecord ev;
            ev.Salvo = number;
            for (uint8_t& flag : ev.Flags)
                flag = static_cast<uint8_t>(r.Byte());
            for (int& v : ev.Values)
                v = r.Pair();
            up.Events.push_back(ev);
        }
    }
    if (!r.Complete() || up.Events.size() != events)
        return std::nullopt;
    return up;
}

// Writes an E1 state into the configuration, where the model has such an element.
void StoreState(Model& m, int Level, int F, int C, int P, int Ch, int Value)
{
    FrameRecord* frame = ConfigFrame(m, F);
    CardRecord* card = ConfigCard(frame, C);
    PortRecord* port = ConfigPort(card, P);
    uint8_t* state = nullptr;
    switch (Level) {
    case 1: state = frame ? &frame->Cards[0].Flag : nullptr; break;
    case 2: state = card ? &card->Present : nullptr; break;
    case 3: state = port ? &port->State : nullptr; break;
    default:
        if (ChannelRecord* ch = ConfigChannel(port, Ch))
            state = &ch->State;
        break;
    }
    if (state)
        *state = static_cast<uint8_t>(Value);
}

// ---- F6: as the crosspoint map reply ----

struct CrosspointUpload {
    int Count = 0;
    int Start = 0;
    std::vector<CrosspointRecord> Records;  // only those the table holds
};

std::optional<CrosspointUpload> ReadCrosspointUpload(const Bytes& Frame, int Outputs)
{
    FrameReader r(Frame);
    CrosspointUpload up;
    r.Byte();
    up.Count = r.Pair();
    up.Start = r.Pair();
    for (int i = 0; i < up.Count && !r.Failed(); ++i) {
        CrosspointRecord x;
        const int n = r.Pair();
        x.SumFlag = static_cast<uint8_t>(r.Byte());
        x.SourceCount = static_cast<uint8_t>(std::min(n, MaxSourceEntries));
        for (int k = 0; k < n && !r.Failed(); ++k) {
            const int source = r.Pair();
            const int level = r.Pair();
            if (k < MaxSourceEntries) {
                x.Sources[static_cast<size_t>(k)] = source;
                x.Levels[static_cast<size_t>(k)] = level;
            }
        }
        if (up.Start + i < Outputs)
            up.Records.push_back(x);
    }
    if (!r.Complete())
        return std::nullopt;
    return up;
}

std::string StartingAt(int Count, int Start)
{
    return Count > 1 ? ", Starting at " + std::to_string(Start + 1) : std::string();
}

}  // namespace

void ProcessHelmAlphaTable(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Processing Alpha Labels", "Helm Command Error", [&] {
        if (!ChecksumOk(s, Frame, Index, "Helm Check Sum Error", "Alpha Table"))
            return;
        const int table = Frame.size() > 3 ? ByteAt(Frame, 1) : 0;
        const AlphaTableInfo info = AlphaTableFor(s.model, table);
        const std::optional<AlphaRun> up = ReadAlphaTable(Frame);
        if (!up) {
            LogSoftwareError(s, "Helm Message Length Error", Index, info.Name);
            return;
        }
        const int count = static_cast<int>(up->Names.size());
        if (HelmFramesPassUnchanged(s)) {
            PassToVela(s, Frame, info.Bit);
            if (table != TableSalvos)
                LogForClient(s, std::to_string(count) + " " + info.Name + StartingAt(count, up->First), Index);
            return;
        }
        if (info.Names == nullptr) {
            LogForClient(s, std::to_string(count) + " " + info.Name, Index);
            return;
        }
        if (table == TableSalvos) {
            // The salvo names are as many as the client says.
            const size_t needed = static_cast<size_t>(up->First) + up->Names.size();
            if (info.Names->size() < needed)
                info.Names->resize(needed);
            if (info.Sorts->size() < needed)
                info.Sorts->resize(needed);
        }
        StoreRange(*info.Names, up->First, up->Names);
        StoreRange(*info.Sorts, up->First, up->Sorts);
        if (info.RawNames != nullptr) {
            // Each name goes to its own switcher number; the switcher gets
            // its whole table back in its own order, the others unchanged.
            for (size_t i = 0; i < up->Names.size(); ++i) {
                const int number = up->Sorts[i];
                if (number >= 0 && static_cast<size_t>(number) < info.RawNames->size())
                    (*info.RawNames)[static_cast<size_t>(number)] = up->Names[i];
            }
            SendAlphaEntryToSwitcher(s, *info.Sorts, table);
            SendAlphaTableToSwitcher(s, *info.RawNames, table);
        }
        LogForClient(s, std::to_string(count) + " " + info.Name + StartingAt(count, up->First), Index);
    });
}

void ProcessHelmInhibitMap(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Processing Inhibit Map", "Helm Command Error", [&] {
        if (!ChecksumOk(s, Frame, Index, "Helm Check Sum Error", "Inhibit Map"))
            return;
        // A Vela stores nothing here: the frame is only checked.
        const int outputs = HelmFramesPassUnchanged(s)
                                ? 0
                                : std::min(s.model.NumDestinations, static_cast<int>(s.model.InhibitMap.size()));
        const std::optional<InhibitRun> up = ReadInhibitMap(Frame, InhibitRunLayout::Helm, s.model.NumSources, outputs);
        if (!up) {
            LogSoftwareError(s, "Helm Message Length Error", Index, "Inhibit Map");
            return;
        }
        if (HelmFramesPassUnchanged(s)) {
            PassToVela(s, Frame, ReplyBit::Inhibits);
        } else {
            for (size_t i = 0, at = static_cast<size_t>(up->First); i < up->Texts.size(); ++i, ++at)
                if (at < s.model.InhibitMap.size())
                    s.model.InhibitMap.setText(at, up->Texts[i]);
            SendInhibitMapToSwitcher(s, s.model.InhibitMap.texts());
        }
        LogForClient(
            s, std::to_string(up->Count) + " Inhibit Maps, Starting at Output " + std::to_string(up->First + 1), Index);
    });
}

// FA, table, count, start, one link byte per channel.
void ProcessHelmLinks(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Receiving Links", "Helm Message Error", [&] {
        const bool sources = Frame.size() > 3 && ByteAt(Frame, 1) == TableSources;
        const std::string name = sources ? "Source Links" : "Destination Links";
        if (!ChecksumOk(s, Frame, Index, "Helm Check Sum Error", name))
            return;
        FrameReader r(Frame);
        r.Byte();
        const int count = r.Pair();
        const int start = r.Pair();
        if (r.Failed() || Frame.size() != static_cast<size_t>(count) + 8) {
            LogSoftwareError(s, "Helm Message Length Error", Index, name);
            return;
        }
        if (HelmFramesPassUnchanged(s)) {
            PassToVela(s, Frame, sources ? ReplyBit::SourceLinks : ReplyBit::DestinationLinks);
        } else {
            std::vector<int> links;
            for (int i = 0; i < count; ++i)
                links.push_back(r.Byte());
            std::vector<int>& table = sources ? s.model.SourceLinks : s.model.DestinationLinks;
            StoreRange(table, start, links);
            SendLinksToSwitcher(s, table, sources ? TableSources : TableDestinations);
        }
        LogForClient(s, std::to_string(count) + " " + name + ", Starting at " + std::to_string(start + 1), Index);
    });
}

// FB: see ReadPairRun; one template number per destination.
void ProcessHelmTemplateTable(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Receiving Template Table", "Helm Message Error", [&] {
        if (!ChecksumOk(s, Frame, Index, "Helm Check Sum Error", "Button Templates"))
            return;
        const std::optional<PairRun> run = ReadPairRun(Frame);
        if (!run) {
            LogSoftwareError(s, "Helm Message Length Error", Index, "Template Table");
            return;
        }
        if (HelmFramesPassUnchanged(s)) {
            PassToVela(s, Frame, ReplyBit::Buttons);
            LogForClient(s, "Template Assignment", Index);
            return;
        }
        // Goes to the switcher with the next button upload; the assignments
        // the clients are shown change only with the switcher's report.
        StoreRange(s.model.ClientTemplateAssignment, run->First, run->Values);
        LogForClient(s, "Button Template Table", Index);
    });
}

void ProcessHelmButtonData(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Receiving Template Detail ", "Helm Message Error", [&] {
        if (!ChecksumOk(s, Frame, Index, "Helm Check Sum Error", "Button Data"))
            return;
        // Uploads go to the templates the switcher is sent; its report comes
        // back into ButtonData.
        std::vector<std::vector<ButtonRecord>>& templates = s.model.ButtonTemplates;
        const int t = Frame.size() > 5 ? CombineBytes(ByteAt(Frame, 2), ByteAt(Frame, 3)) : 0;
        const size_t keep = !HelmFramesPassUnchanged(s) && static_cast<size_t>(t) < templates.size()
                                ? templates[static_cast<size_t>(t)].size()
                                : 0;
        const std::optional<ButtonUpload> up = ReadButtonUpload(Frame, keep);
        if (!up) {
            LogSoftwareError(s, "Helm Message Length Error", Index, "Button Info");
            return;
        }
        if (HelmFramesPassUnchanged(s)) {
            PassToVela(s, Frame, ReplyBit::Buttons);
        } else if (keep > 0) {
            // An upload changes only its own buttons of what the switcher reported.
            Model& m = s.model;
            const size_t at = static_cast<size_t>(t);
            m.UploadedTemplates.resize(templates.size());
            if (!m.UploadedTemplates[at] && at < m.ButtonData.size())
                templates[at] = m.ButtonData[at];
            StoreRange(templates[at], 0, up->Buttons);
            m.UploadedTemplates[at] = true;
            SendButtonsToSwitcher(s);
        }
        LogForClient(s, "1 Button Templates, Starting with " + std::to_string(up->Template), Index);
    });
}

void ProcessHelmSalvoEvents(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Receiving Salvo Events", "Helm Message Error", [&] {
        if (!ChecksumOk(s, Frame, Index, "Helm Check Sum Error", "Salvo Events"))
            return;
        std::optional<SalvoUpload> up = ReadSalvoUpload(Frame);
        if (!up) {
            LogSoftwareError(s, "Helm Message Length Error", Index, "Salvo Events");
            return;
        }
        const size_t events = up->Events.size();
        if (HelmFramesPassUnchanged(s)) {
            PassToVela(s, Frame, ReplyBit::Salvos);
        } else {
            Model& m = s.model;
            for (SalvoEventRecord& ev : up->Events)
                if (ev.Salvo >= 0 && static_cast<size_t>(ev.Salvo) < m.SalvoAlphas.size())
                    ev.Name = m.SalvoAlphas[static_cast<size_t>(ev.Salvo)];
            m.ClientSalvoCount = up->Salvos;
            m.ClientSalvoEventCount = static_cast<long>(events);
            m.ClientSalvoEvents = std::move(up->Events);
            if (m.ClientSalvoEvents.empty())
                m.ClientSalvoEvents.resize(1);
            SendSalvoEventsToSwitcher(s);
        }
        LogForClient(s, std::to_string(events) + " Salvo Events", Index);
    });
}

void ProcessHelmState(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Receiving State Message", "Helm Message Error", [&] {
        if (!ChecksumOk(s, Frame, Index, "Helm Check Sum Error", "State Message"))
            return;
        if (!WalkConfigTree(
                Frame, [](int, int, int, int, int, int) {}, true)) {
            LogSoftwareError(s, "Helm Message Length Error", Index, "State Message");
            return;
        }
        const int frames = ByteAt(Frame, 2);
        const int firstFrame = ByteAt(Frame, 3);
        if (firstFrame + frames > s.model.NumFrames) {
            LogSoftwareError(s, "Frame Size", Index, "State Message");
            return;
        }
        if (HelmFramesPassUnchanged(s)) {
            PassToVela(s, Frame, ReplyBit::State);
        } else {
            WalkConfigTree(Frame, [&](int Level, int F, int C, int P, int Ch, int Value) {
                StoreState(s.model, Level, F, C, P, Ch, Value);
            });
            SendStateToSwitcher(s);
        }
        LogForClient(s, "Received State Message", Index);
    });
}

void ProcessHelmConfig(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Receiving Config Message", "Helm Message Error", [&] {
        if (!ChecksumOk(s, Frame, Index, "Helm Check Sum Error", "Config Message"))
            return;
        if (!WalkConfig(Frame, nullptr)) {
            LogSoftwareError(s, "Helm Message Length Error", Index, "Config Message");
            return;
        }
        if (HelmFramesPassUnchanged(s))
            PassToVela(s, Frame, ReplyBit::Config);
        else
            WalkConfig(Frame, &s.model);
        LogForClient(s, "Configuration Message", Index);
    });
}

// E3, 01, group, count, first, one value (pair) per channel. Groups 0 and 1
// are the two levels of the sources, 2 and 3 those of the destinations.
void ProcessHelmGain(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Receiving Gain", "Helm Message Error", [&] {
        if (!ChecksumOk(s, Frame, Index, "Check Sum Error", "Gain Message"))
            return;
        FrameReader r(Frame);
        r.Byte();
        const int group = r.Byte();
        const int count = r.Pair();
        const int first = r.Pair();
        if (r.Failed() || Frame.size() != 2 * static_cast<size_t>(count) + 9) {
            LogSoftwareError(s, "Length Error", Index, "Gain Message");
            return;
        }
        if (HelmFramesPassUnchanged(s)) {
            PassToVela(s, Frame, ReplyBit::Gains);
        } else if (group >= 0 && group <= 3) {
            std::vector<GainRecord>& gains = group < 2 ? s.model.SourceGains : s.model.DestinationGains;
            for (int i = 0; i < count; ++i) {
                const int value = r.Pair();
                const size_t at = static_cast<size_t>(first + i);
                if (at < gains.size())
                    (group % 2 == 0 ? gains[at].Level1 : gains[at].Level2) = value;
            }
        }
        if (s.cfg.LogGains)
            LogForClient(s, "Received Gain Message", Index);
        else if (s.cfg.DisplayGains)
            DisplayMessage(s, "Received Gain Message", ClientAddress(s, Index));
    });
}

// EE: see ReadGainOffsets.
void ProcessHelmGainOffset(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Receiving Gain Offset", "Helm Message Error", [&] {
        if (!ChecksumOk(s, Frame, Index, "Check Sum Error", "Gain Offset"))
            return;
        if (Frame.size() != 8) {
            LogSoftwareError(s, "Length Error", Index, "Gain Offset");
            return;
        }
        if (HelmFramesPassUnchanged(s)) {
            PassToVela(s, Frame, ReplyBit::GainOffsets);
        } else {
            ReadGainOffsets(Frame, s.model.GainOffsets);
        }
        LogForClient(s, "Received Gain Offset Message", Index);
    });
}

// ED, kind, value: kind 1 carries the clock setting.
void ProcessHelmClock(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Receiving Clock", "Helm Message Error", [&] {
        if (!ChecksumOk(s, Frame, Index, "Check Sum Error", "Clock Message"))
            return;
        if (Frame.size() != 5) {
            LogSoftwareError(s, "Length Error", Index, "Clock Message");
            return;
        }
        if (HelmFramesPassUnchanged(s))
            PassToVela(s, Frame, ReplyBit::Clock);
        else if (ByteAt(Frame, 1) == 1)
            s.model.ClockSetting = ByteAt(Frame, 2);
        LogForClient(s, "Received Clock Message", Index);
    });
}

// EF, the clock mode.
void ProcessHelmClockConfig(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Receiving Clock Config", "Helm Message Error", [&] {
        if (!ChecksumOk(s, Frame, Index, "Check Sum Error", "Clock Config"))
            return;
        if (Frame.size() != 4) {
            LogSoftwareError(s, "Length Error", Index, "Clock Config");
            return;
        }
        if (HelmFramesPassUnchanged(s))
            PassToVela(s, Frame, ReplyBit::Clock);
        else
            s.model.ClockMode = ByteAt(Frame, 1);
        LogForClient(s, "Received Clock Config", Index);
    });
}

void ProcessHelmDisplayList(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Receiving Display List", "Helm Message Error", [&] {
        const bool sources = Frame.size() > 3 && ByteAt(Frame, 1) == TableSources;
        const std::string name = sources ? "Source Display List" : "Destination Display List";
        if (!ChecksumOk(s, Frame, Index, "Helm Check Sum Error", name))
            return;
        const std::optional<DisplayListRun> up = ReadDisplayLists(Frame);
        if (!up) {
            LogSoftwareError(s, "Vela Message Length Error", Index, name);
            return;
        }
        if (HelmFramesPassUnchanged(s))
            PassToVela(s, Frame, sources ? ReplyBit::SourceDisplayList : ReplyBit::DestinationDisplayList);
        else
            StoreRange(sources ? s.model.SourceDisplayLists : s.model.DestinationDisplayLists, up->First, up->Lists);
        LogForClient(s, std::to_string(up->Count) + " Starting with " + std::to_string(up->First), Index);
    });
}

// F9: see ReadPairRun; one configuration value per relay.
void ProcessHelmRelayConfig(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Reciving Relay Config", "Helm Message Error", [&] {
        if (!ChecksumOk(s, Frame, Index, "Check Sum Error", "Relay Configuration"))
            return;
        const std::optional<PairRun> run = ReadPairRun(Frame);
        if (!run) {
            LogSoftwareError(s, "Relay Config Length Error", Index, "Relay Configuration");
            return;
        }
        if (HelmFramesPassUnchanged(s))
            PassToVela(s, Frame, ReplyBit::RelayConfig);
        else
            StoreRange(s.model.RelayConfig, run->First, run->Values);
        LogForClient(s, "Received Relay Configuration", Index);
    });
}

// D2: see ReadTransitionControl.
void ProcessHelmTransitionControl(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Receiving Transition Control", "Helm Message Error", [&] {
        if (!ChecksumOk(s, Frame, Index, "Helm Check Sum Error", "Helm Transition Control"))
            return;
        const std::optional<TransitionRun> run = ReadTransitionControl(Frame);
        if (!run) {
            LogSoftwareError(s, "Length Error", Index, "Helm Transition Control");
            return;
        }
        if (HelmFramesPassUnchanged(s))
            PassToVela(s, Frame, ReplyBit::TransitionControl);
        else
            StoreTransitionControl(*run, s.model.TransitionControl, static_cast<int>(s.model.TransitionControl.size()));
        LogForClient(s, std::to_string(run->Records.size()) + " Transition Controls", Index);
    });
}

void ProcessHelmCrosspointMap(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Processing Crosspoint Map", "Helm Message Error", [&] {
        if (!ChecksumOk(s, Frame, Index, "Check Sum Error", "Crosspoint Map"))
            return;
        const int outputs = HelmFramesPassUnchanged(s) ? 0 : static_cast<int>(s.model.CrosspointMap.size());
        const std::optional<CrosspointUpload> up = ReadCrosspointUpload(Frame, outputs);
        if (!up) {
            LogSoftwareError(s, "Message Length Error", Index, "Crosspoint Map");
            return;
        }
        if (HelmFramesPassUnchanged(s))
            PassToVela(s, Frame, ReplyBit::Crosspoints);
        else
            StoreRange(s.model.CrosspointMap, up->Start, up->Records);
        LogForClient(s, "Received Crosspoint Map", Index);
    });
}
