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

// ---- Uploads of one shape: checksum, length, then passed on or stored ----

// A switcher whose frames these are gets the frame and is asked for the
// table back (AskBack); for the other families it is stored in the model.
struct PlainUpload {
    const char* TrapText;
    const char* Location;  // of the checksum and length errors
    const char* ChecksumText;
    const char* LengthText;
    int64_t AskBack;
    // Reads Frame and, when Store, keeps it in the model. The history line,
    // or none when the frame has the wrong length.
    std::optional<std::string> (*Read)(Server& s, const Bytes& Frame, bool Store);
};

void ProcessPlainUpload(Server& s, const Bytes& Frame, int Index, const PlainUpload& Upload)
{
    Trap(s, Upload.TrapText, "Helm Message Error", [&] {
        if (!ChecksumOk(s, Frame, Index, Upload.ChecksumText, Upload.Location))
            return;
        const bool passes = HelmFramesPassUnchanged(s);
        const std::optional<std::string> line = Upload.Read(s, Frame, !passes);
        if (!line) {
            LogSoftwareError(s, Upload.LengthText, Index, Upload.Location);
            return;
        }
        if (passes)
            PassToVela(s, Frame, Upload.AskBack);
        LogForClient(s, *line, Index);
    });
}

bool ForSources(const Bytes& Frame) { return Frame.size() > 3 && ByteAt(Frame, 1) == TableSources; }

// FA, table, count, start, one link byte per channel.
std::optional<std::string> ReadLinks(Server& s, const Bytes& Frame, bool Store)
{
    const bool sources = ForSources(Frame);
    FrameReader r(Frame);
    r.Byte();
    const int count = r.Pair();
    const int start = r.Pair();
    if (r.Failed() || Frame.size() != static_cast<size_t>(count) + 8)
        return std::nullopt;
    if (Store) {
        std::vector<int> links;
        for (int i = 0; i < count; ++i)
            links.push_back(r.Byte());
        std::vector<int>& table = sources ? s.model.SourceLinks : s.model.DestinationLinks;
        StoreRange(table, start, links);
        SendLinksToSwitcher(s, table, sources ? TableSources : TableDestinations);
    }
    return std::to_string(count) + (sources ? " Source Links" : " Destination Links") + ", Starting at " +
           std::to_string(start + 1);
}

const PlainUpload SourceLinks = {"Error Receiving Links",     "Source Links",        "Helm Check Sum Error",
                                 "Helm Message Length Error", ReplyBit::SourceLinks, ReadLinks};
const PlainUpload DestinationLinks = {"Error Receiving Links",     "Destination Links",        "Helm Check Sum Error",
                                      "Helm Message Length Error", ReplyBit::DestinationLinks, ReadLinks};

// E2: see WalkConfig.
std::optional<std::string> ReadConfiguration(Server& s, const Bytes& Frame, bool Store)
{
    if (!WalkConfig(Frame, nullptr))
        return std::nullopt;
    if (Store)
        WalkConfig(Frame, &s.model);
    return "Configuration Message";
}
const PlainUpload Configuration = {"Error Receiving Config Message", "Config Message", "Helm Check Sum Error",
                                   "Helm Message Length Error",      ReplyBit::Config, ReadConfiguration};

// EE: see ReadGainOffsets.
std::optional<std::string> ReadGainOffsetUpload(Server& s, const Bytes& Frame, bool Store)
{
    if (Frame.size() != 8)
        return std::nullopt;
    if (Store)
        ReadGainOffsets(Frame, s.model.GainOffsets);
    return "Received Gain Offset Message";
}
const PlainUpload GainOffset = {"Error Receiving Gain Offset", "Gain Offset",       "Check Sum Error", "Length Error",
                                ReplyBit::GainOffsets,         ReadGainOffsetUpload};

// ED, kind, value: kind 1 carries the clock setting.
std::optional<std::string> ReadClock(Server& s, const Bytes& Frame, bool Store)
{
    if (Frame.size() != 5)
        return std::nullopt;
    if (Store && ByteAt(Frame, 1) == 1)
        s.model.ClockSetting = ByteAt(Frame, 2);
    return "Received Clock Message";
}
const PlainUpload Clock = {"Error Receiving Clock", "Clock Message", "Check Sum Error",
                           "Length Error",          ReplyBit::Clock, ReadClock};

// EF, the clock mode.
std::optional<std::string> ReadClockConfig(Server& s, const Bytes& Frame, bool Store)
{
    if (Frame.size() != 4)
        return std::nullopt;
    if (Store)
        s.model.ClockMode = ByteAt(Frame, 1);
    return "Received Clock Config";
}
const PlainUpload ClockConfig = {"Error Receiving Clock Config",
                                 "Clock Config",
                                 "Check Sum Error",
                                 "Length Error",
                                 ReplyBit::Clock,
                                 ReadClockConfig};

// DF: see ReadDisplayLists.
std::optional<std::string> ReadDisplayListUpload(Server& s, const Bytes& Frame, bool Store)
{
    const std::optional<DisplayListRun> up = ReadDisplayLists(Frame);
    if (!up)
        return std::nullopt;
    if (Store)
        StoreRange(ForSources(Frame) ? s.model.SourceDisplayLists : s.model.DestinationDisplayLists, up->First,
                   up->Lists);
    return std::to_string(up->Count) + " Starting with " + std::to_string(up->First);
}

const PlainUpload SourceDisplayList = {"Error Receiving Display List", "Source Display List",
                                       "Helm Check Sum Error",         "Vela Message Length Error",
                                       ReplyBit::SourceDisplayList,    ReadDisplayListUpload};
const PlainUpload DestinationDisplayList = {"Error Receiving Display List",   "Destination Display List",
                                            "Helm Check Sum Error",           "Vela Message Length Error",
                                            ReplyBit::DestinationDisplayList, ReadDisplayListUpload};

// F9: see ReadPairRun; one configuration value per relay.
std::optional<std::string> ReadRelayConfig(Server& s, const Bytes& Frame, bool Store)
{
    const std::optional<PairRun> run = ReadPairRun(Frame);
    if (!run)
        return std::nullopt;
    if (Store)
        StoreRange(s.model.RelayConfig, run->First, run->Values);
    return "Received Relay Configuration";
}
const PlainUpload RelayConfig = {"Error Reciving Relay Config", "Relay Configuration", "Check Sum Error",
                                 "Relay Config Length Error",   ReplyBit::RelayConfig, ReadRelayConfig};

// D2: see ReadTransitionControl.
std::optional<std::string> ReadTransitionUpload(Server& s, const Bytes& Frame, bool Store)
{
    const std::optional<TransitionRun> run = ReadTransitionControl(Frame);
    if (!run)
        return std::nullopt;
    if (Store)
        StoreTransitionControl(*run, s.model.TransitionControl, static_cast<int>(s.model.TransitionControl.size()));
    return std::to_string(run->Records.size()) + " Transition Controls";
}
const PlainUpload TransitionControl = {
    "Error Receiving Transition Control", "Helm Transition Control", "Helm Check Sum Error", "Length Error",
    ReplyBit::TransitionControl,          ReadTransitionUpload};

// F6: as the crosspoint map reply.
std::optional<std::string> ReadCrosspointMapUpload(Server& s, const Bytes& Frame, bool Store)
{
    const int outputs = Store ? static_cast<int>(s.model.CrosspointMap.size()) : 0;
    const std::optional<CrosspointUpload> up = ReadCrosspointUpload(Frame, outputs);
    if (!up)
        return std::nullopt;
    if (Store)
        StoreRange(s.model.CrosspointMap, up->Start, up->Records);
    return "Received Crosspoint Map";
}
const PlainUpload CrosspointMap = {"Error Processing Crosspoint Map",
                                   "Crosspoint Map",
                                   "Check Sum Error",
                                   "Message Length Error",
                                   ReplyBit::Crosspoints,
                                   ReadCrosspointMapUpload};

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
                if (uint8_t* state = ConfigTreeValue(s.model, TreeValue::State, Level, F, C, P, Ch))
                    *state = static_cast<uint8_t>(Value);
            });
            SendStateToSwitcher(s);
        }
        LogForClient(s, "Received State Message", Index);
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

void ProcessHelmLinks(Server& s, const Bytes& Frame, int Index)
{
    ProcessPlainUpload(s, Frame, Index, ForSources(Frame) ? SourceLinks : DestinationLinks);
}

void ProcessHelmConfig(Server& s, const Bytes& Frame, int Index) { ProcessPlainUpload(s, Frame, Index, Configuration); }

void ProcessHelmGainOffset(Server& s, const Bytes& Frame, int Index)
{
    ProcessPlainUpload(s, Frame, Index, GainOffset);
}

void ProcessHelmClock(Server& s, const Bytes& Frame, int Index) { ProcessPlainUpload(s, Frame, Index, Clock); }

void ProcessHelmClockConfig(Server& s, const Bytes& Frame, int Index)
{
    ProcessPlainUpload(s, Frame, Index, ClockConfig);
}

void ProcessHelmDisplayList(Server& s, const Bytes& Frame, int Index)
{
    ProcessPlainUpload(s, Frame, Index, ForSources(Frame) ? SourceDisplayList : DestinationDisplayList);
}

void ProcessHelmRelayConfig(Server& s, const Bytes& Frame, int Index)
{
    ProcessPlainUpload(s, Frame, Index, RelayConfig);
}

void ProcessHelmTransitionControl(Server& s, const Bytes& Frame, int Index)
{
    ProcessPlainUpload(s, Frame, Index, TransitionControl);
}

void ProcessHelmCrosspointMap(Server& s, const Bytes& Frame, int Index)
{
    ProcessPlainUpload(s, Frame, Index, CrosspointMap);
}
