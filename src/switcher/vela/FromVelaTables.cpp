// Table frames from a Vela switcher: names (FC), inhibit maps (F8), stereo
// links (FA), the end-of-dump information request (F2), buttons (FD) and
// salvo events (EB).
#include "disk/Logs.h"
#include "disk/SoftPanelFiles.h"
#include "disk/Trap.h"
#include "model/ByteManipulation.h"
#include "model/Server.h"
#include "switcher/ToSwitcher.h"
#include "switcher/vela/FromVela.h"
#include "switcher/vela/FromVelaShared.h"
#include "switcher/vela/ToVela.h"

#include <algorithm>
#include <optional>
#include <tuple>
#include <vector>

namespace {

// Tables that depend on the number of sources or destinations, asked for
// again when that number grows.
constexpr int64_t SourceDependentTables = 17962112;
constexpr int64_t DestinationDependentTables = 44112000;
constexpr int64_t OnlyButtonsAndSalvos = 24576;
constexpr int EndOfDumpBit = 0x40;  // mask bit 27, in the fourth group
constexpr size_t InfoRequestLength = 11;
constexpr int MaxTemplatesPerFrame = 64;
constexpr int ButtonTemplateCount = 256;
constexpr size_t SalvoEventBytes = 13;

struct AlphaTableKind {
    const char* Label;
    int64_t Bit;
};

AlphaTableKind AlphaKind(int Code)
{
    switch (Code) {
    case TableSources: return {"Source Alpha Lables", UpdateBit::SourceAlphas};
    case TableDestinations: return {"Destination Alpha Lables", UpdateBit::DestinationAlphas};
    case TableOptos: return {"Opto Alpha Table", UpdateBit::OptoAlphas};
    case TableRelays: return {"Relay Alpha Table", UpdateBit::RelayAlphas};
    case TableSalvos: return {"Salvo Alpha Table", 0};
    default: return {"Unknown Alpha Table", 0};
    }
}

// Names and sort positions into the tables at First, as far as they reach.
void StoreNames(const std::vector<std::string>& Names, const std::vector<int>& Positions, int First, int Limit,
                std::vector<std::string>& Into, std::vector<int>& SortInto, std::vector<std::string>* RawInto = nullptr)
{
    for (size_t i = 0; i < Names.size(); ++i) {
        const size_t at = static_cast<size_t>(First) + i;
        if (at >= static_cast<size_t>(std::max(Limit, 0)) || at >= Into.size() || at >= SortInto.size())
            break;
        Into[at] = Names[i];
        SortInto[at] = Positions[i];
        if (RawInto && at < RawInto->size())
            (*RawInto)[at] = Names[i];
    }
}

// The name of salvo Number: its entry in the sorted salvo names.
std::string SalvoName(const Model& m, int Number)
{
    const size_t n = std::min(m.SalvoAlphas.size(), m.SalvoSortTable.size());
    for (size_t j = 0; j < n; ++j)
        if (m.SalvoSortTable[j] == Number)
            return m.SalvoAlphas[j];
    return std::string();
}

// A whole table tells the number of channels (Count, and its Twin table's);
// when it grows, the tables that depend on it are asked for again.
void TakeTableSize(Server& s, int& Count, int& Twin, int Size, int64_t Dependent)
{
    if (Size == Count)
        return;
    if (Count < Size)
        RequestSwitcherTables(s, Dependent, NoneValue, 0);
    Count = Twin = Size;
    ResizeVelaTables(s.model);
}

// A switcher sends a whole table from its first entry, so the count is the
// number of sources or destinations, up to MaxVelaTableSize. A frame that
// starts later (a client's upload in demo mode) changes the names it holds
// and leaves the size alone.
void StoreVelaNames(Server& s, int Code, AlphaRun& Run)
{
    Model& m = s.model;
    std::vector<std::string>& names = Run.Names;
    std::vector<int>& positions = Run.Sorts;
    const int first = Run.First;
    const int count = static_cast<int>(names.size());
    const bool whole = first == 0;
    const int size = std::min(count, MaxVelaTableSize);
    switch (Code) {
    case TableSalvos: {
        SortNames(names, positions);
        const size_t salvos = std::max<size_t>(static_cast<size_t>(first + count), 1);
        m.SalvoAlphas.resize(salvos);
        m.SalvoSortTable.resize(salvos);
        StoreNames(names, positions, first, static_cast<int>(salvos), m.SalvoAlphas, m.SalvoSortTable);
        break;
    }
    case TableSources:
        if (whole)
            TakeTableSize(s, m.NumSources, m.NumOptos, size, SourceDependentTables);
        StoreNames(names, positions, first, m.NumSources, m.SourceAlphas, m.SourceSortTable, &m.SourceAlphasRaw);
        break;
    case TableDestinations:
        if (whole)
            TakeTableSize(s, m.NumDestinations, m.NumRelays, size, DestinationDependentTables);
        StoreNames(names, positions, first, m.NumDestinations, m.DestinationAlphas, m.DestinationSortTable,
                   &m.DestinationAlphasRaw);
        break;
    case TableOptos: StoreNames(names, positions, first, m.NumOptos, m.OptoAlphas, m.OptoSortTable); break;
    case TableRelays: StoreNames(names, positions, first, m.NumRelays, m.RelayAlphas, m.RelaySortTable); break;
    default: break;
    }
}

}  // namespace

void ProcessVelaAlphaTable(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Processing Alpha Labels", "Vela Command Error", [&] {
        Model& m = s.model;
        const int code = Frame.size() > 1 ? ByteAt(Frame, 1) : 0;
        const AlphaTableKind kind = AlphaKind(code);
        if (!VelaChecksumOk(s, Frame, "Vela Check Sum Error", kind.Label, kind.Bit))
            return;
        // Salvo names have no bit of their own: they go to the clients that
        // wait for the salvos, whose bit the salvo events frame clears.
        if (code == TableSalvos)
            s.reports().ForwardFrame(s, Frame, FrameAudience::Waiting, UpdateBit::Salvos, 0);
        else
            s.reports().ForwardFrame(s, Frame, FrameAudience::Waiting, kind.Bit, kind.Bit);

        std::optional<AlphaRun> run = ReadAlphaTable(Frame);
        if (!run) {
            LogSoftwareError(s, "Helm Message Length Error", 0, kind.Label);
            return;
        }
        StoreVelaNames(s, code, *run);
        const int count = static_cast<int>(run->Names.size());
        const int first = run->First;
        if (code == TableSources || code == TableDestinations)
            s.AlphasChanged = true;

        m.UpdateFlags &= ~kind.Bit;
        // Consoles hear of new names once the switcher has sent everything.
        if (m.UpdateFlags == 0 && (code == TableSources || code == TableDestinations))
            s.reports().NamesChanged(s, code);
        if (kind.Bit)
            MarkPolledClients(s, kind.Bit);
        std::string text = std::to_string(count) + " " + kind.Label;
        if (count > 0)
            text += ", Starting with " + std::to_string(first + 1);
        LogVelaMessage(s, text);
        s.reports().SwitcherConnected(s, true);
        if (code == TableSources)
            SaveAlphaNdf(s, m.SourceAlphasRaw, TableSources);
        else if (code == TableDestinations)
            SaveAlphaNdf(s, m.DestinationAlphasRaw, TableDestinations);
    });
}

void ProcessVelaInhibitMap(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Processing Inhibit Map", "Vela Command Error", [&] {
        Model& m = s.model;
        if (!VelaChecksumOk(s, Frame, "Vela Check Sum Error", "Inhibit Map")) {
            m.UpdateFlags |= UpdateBit::Inhibits;
            return;
        }
        FrameReader r(Frame, 2);
        const int count = r.Pair();
        const int first = r.Pair();
        const bool reachesEnd = first + count - 1 >= m.NumDestinations - 1;
        s.reports().ForwardFrame(s, Frame, FrameAudience::Waiting, UpdateBit::Inhibits,
                                 reachesEnd ? UpdateBit::Inhibits : 0);

        // In demo mode an F8 frame is a client's upload looped back, written
        // in the Helm run layout (SendInhibitMapToClient writes the same), so
        // that what a client uploads is what every client gets back. A
        // switcher's report uses the switcher layout and is forwarded as is.
        const InhibitRunLayout layout = s.cfg.DemoMode ? InhibitRunLayout::Helm : InhibitRunLayout::Switcher;
        std::optional<InhibitRun> run = ReadInhibitMap(Frame, layout, m.NumSources, m.NumDestinations);
        if (!run) {
            LogSoftwareError(s, "Vela Message Length Error", 0, "Inhibit Map");
            m.UpdateFlags |= UpdateBit::Inhibits;
            return;
        }
        for (size_t i = 0; i < run->Texts.size(); ++i)
            m.InhibitMap.setText(static_cast<size_t>(first) + i, run->Texts[i]);
        LogVelaMessage(s, std::to_string(count) + " Inhibit Maps, Starting at Output " + Digits(first + 1, 4));
        m.UpdateFlags &= ~UpdateBit::Inhibits;
        if (s.cfg.MaintainNdf)
            SaveInhibitNdf(s, first, std::clamp(m.NumDestinations - first, 0, count));
        if (reachesEnd)
            MarkPolledClients(s, UpdateBit::Inhibits);
    });
}

void ProcessVelaLinks(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Links", "Vela Message Error", [&] {
        Model& m = s.model;
        const bool sources = Frame.size() > 1 && ByteAt(Frame, 1) == TableSources;
        const std::string label = sources ? "Source Links" : "Destination Links";
        const int64_t bit = sources ? UpdateBit::SourceLinks : UpdateBit::DestinationLinks;
        if (!VelaChecksumOk(s, Frame, "Vela Check Sum Error", label))
            return;
        s.reports().ForwardFrame(s, Frame, FrameAudience::Waiting, UpdateBit::SourceLinks | UpdateBit::DestinationLinks,
                                 bit);
        FrameReader r(Frame, 2);
        const int count = r.Pair();
        const int first = r.Pair();
        if (r.Failed() || Frame.size() != static_cast<size_t>(count) + 8) {
            LogSoftwareError(s, "Vela Message Length Error", 0, label);
            return;
        }
        std::vector<int>& links = sources ? m.SourceLinks : m.DestinationLinks;
        const int limit = sources ? m.NumSources : m.NumDestinations;
        for (int i = 0; i < count; ++i) {
            const int link = r.Byte();
            const int at = first + i;
            if (at < limit && static_cast<size_t>(at) < links.size())
                links[static_cast<size_t>(at)] = link;
        }
        m.UpdateFlags &= ~bit;
        LogVelaMessage(s, std::to_string(count) + " " + label + ", Starting with " + std::to_string(first + 1));
        MarkPolledClients(s, bit);
    });
}

void ProcessVelaInfoRequest(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Processing Info Request", "Vela Command Error", [&] {
        Model& m = s.model;
        if (!VelaChecksumOk(s, Frame, "Vela Check Sum Error", "Info Request"))
            return;
        if (Frame.size() != InfoRequestLength) {
            LogSoftwareError(s, "Vela Message Length Error", 0, "Info Request");
            return;
        }
        // The switcher has sent everything that was asked for.
        if (ByteAt(Frame, 4) & EndOfDumpBit) {
            // A switcher without buttons and salvos never sends them.
            if (m.UpdateFlags == OnlyButtonsAndSalvos)
                m.UpdateFlags = 0;
            if (m.UpdateFlags == 0) {
                s.Link.AllTablesArrived();
                s.SwitcherRequest.Active = 0;
                s.timers.enable(TimerId::Poll, PollIntervalMs);
            }
        }
        LogVelaMessage(s, "Switcher Information Request");
    });
}

void ProcessVelaButtons(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Buttons", "Vela Message Error", [&] {
        Model& m = s.model;
        if (!VelaChecksumOk(s, Frame, "Vela Check Sum Error", "Button Data"))
            return;
        s.reports().ForwardFrame(s, Frame, FrameAudience::WaitingNoPanels, UpdateBit::Buttons, UpdateBit::Buttons);
        FrameReader r(Frame, 2);
        const int count = r.Pair();
        const int first = r.Pair();
        const int buttons = r.Pair();
        const int stored = std::min(count, MaxTemplatesPerFrame);
        // Only buttons the tables hold are kept; all are read for the length.
        std::vector<std::tuple<size_t, size_t, ButtonRecord>> decoded;
        for (int i = 0; i < count && !r.Failed(); ++i) {
            const size_t t = static_cast<size_t>(first + i);
            for (int b = 0; b < buttons && !r.Failed(); ++b) {
                ButtonRecord button;
                button.Value = r.Pair();
                const int n = r.Pair();
                for (int k = 0; k < n && !r.Failed(); ++k) {
                    const int value = r.Pair();
                    if (k < MaxButtonValues)
                        button.Values[static_cast<size_t>(k)] = value;
                }
                button.Count = std::min(n, MaxButtonValues);
                if (i < stored && t < m.ButtonData.size() && static_cast<size_t>(b) < m.ButtonData[t].size() &&
                    !r.Failed())
                    decoded.emplace_back(t, static_cast<size_t>(b), button);
            }
        }
        if (!r.Complete()) {
            LogSoftwareError(s, "Vela Message Length Error", 0, "Button Info");
            return;
        }
        for (const auto& [t, b, button] : decoded)
            m.ButtonData[t][b] = button;
        m.UpdateFlags &= ~UpdateBit::Buttons;
        if (first + count >= ButtonTemplateCount)
            MarkPolledClients(s, UpdateBit::Buttons);
        LogVelaMessage(s, std::to_string(stored) + " Button Templates, Starting with " + std::to_string(first + 1));
    });
}

void ProcessVelaSalvoEvents(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Salvo Events", "Vela Message Error", [&] {
        Model& m = s.model;
        if (!VelaChecksumOk(s, Frame, "Vela Check Sum Error", "Salvo Events", UpdateBit::Salvos))
            return;
        s.reports().ForwardFrame(s, Frame, FrameAudience::Waiting, UpdateBit::Salvos, UpdateBit::Salvos);
        FrameReader r(Frame, 2);
        const int salvos = r.Pair();
        const int events = r.Pair();
        // Checked before anything is stored: the tables keep what they had.
        const size_t expected = 4 * static_cast<size_t>(salvos) + SalvoEventBytes * static_cast<size_t>(events) + 8;
        if (r.Failed() || Frame.size() != expected) {
            LogSoftwareError(s, "Vela Message Length Error", 0, "Salvo Events");
            return;
        }
        std::vector<SalvoEventRecord> decoded;
        decoded.reserve(static_cast<size_t>(events));
        for (int i = 0; i < salvos && !r.Failed(); ++i) {
            const int number = r.Pair();
            const int eventCount = r.Pair();
            for (int k = 0; k < eventCount && !r.Failed(); ++k) {
                SalvoEventRecord e;
                e.Salvo = number;
                for (uint8_t& flag : e.Flags)
                    flag = static_cast<uint8_t>(r.Byte());
                for (int& value : e.Values)
                    value = r.Pair();
                if (r.Failed())
                    break;
                e.Name = SalvoName(m, number);
                decoded.push_back(std::move(e));
            }
        }
        // The salvos' own event counts must add up to the total.
        if (!r.Complete() || decoded.size() != static_cast<size_t>(events)) {
            LogSoftwareError(s, "Vela Message Length Error", 0, "Salvo Events");
            return;
        }
        m.NumSalvos = salvos;
        m.NumSalvoEvents = events;
        if (decoded.empty())
            decoded.emplace_back();
        m.SalvoEvents = std::move(decoded);
        MarkPolledClients(s, UpdateBit::Salvos);
        LogVelaMessage(s, std::to_string(m.NumSalvoEvents) + " Salvo Events");
        m.UpdateFlags &= ~UpdateBit::Salvos;
    });
}
