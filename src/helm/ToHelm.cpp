#include "helm/ToHelm.h"

#include "disk/Trap.h"
#include "helm/HelmPort.h"
#include "model/ByteManipulation.h"
#include "model/Server.h"
#include "model/VelaFrames.h"
#include "switcher/ToSwitcher.h"

#include <algorithm>

namespace {

// The state, status, description, configuration and version replies carry
// frames 0 to 6 only.
constexpr int ReplyFrameLimit = 7;
// The run length of an inhibit run has 13 bits; bit 6 of its high byte is the flag.
constexpr int LongestInhibitRun = 8191;

bool LinkUp(const Server& s) { return s.Link.Answering(); }
bool Pending(const ClientRecord& c, int64_t Bit) { return (c.PendingRequests & Bit) != 0; }
bool IsPanel(const ClientRecord& c) { return c.ClientType >= FirstPanelClientType; }

// Text inside a frame must not carry bit 7: such a byte would end the frame
// early at the client.
Bytes SevenBit(Bytes Text)
{
    for (char& c : Text)
        c = static_cast<char>(c & 127);
    return Text;
}

void AppendByte(Bytes& Frame, int Value) { Frame += static_cast<char>(Value & 127); }

template <class T>
T ValueAt(const std::vector<T>& Table, int Index, T Fallback)
{
    return Index >= 0 && static_cast<size_t>(Index) < Table.size() ? Table[static_cast<size_t>(Index)] : Fallback;
}

// Sends the frame that Build makes (built once, only when somebody gets it) to
// every logged-in slot that Pick accepts, and clears Bit in each of them.
// Slots are looked up afresh after every send: a send may drop a stuck client.
template <class BuildFn, class PickFn>
void SendToPicked(Server& s, int64_t Bit, BuildFn&& Build, PickFn&& Pick)
{
    Bytes frame;
    bool built = false;
    for (int i = 1; i <= s.HelmClients.SlotCount(); ++i) {
        const ClientRecord& c = s.HelmClients[i];
        if (!c.LoggedIn || !Pick(c))
            continue;
        if (!built) {
            frame = Build();
            built = true;
        }
        SendToClient(s, frame, i);
        if (s.HelmClients.Valid(i))
            s.HelmClients[i].PendingRequests &= ~Bit;
    }
}

// Table replies wait while the switcher link is down; their bits stay pending.
template <class BuildFn>
void SendToWaiting(Server& s, int64_t Bit, BuildFn&& Build)
{
    if (!LinkUp(s))
        return;
    SendToPicked(s, Bit, Build, [&](const ClientRecord& c) { return Pending(c, Bit); });
}

// A table reply, under its trap: see SendToWaiting.
template <class BuildFn>
void ReplyToWaiting(Server& s, const char* TrapText, int64_t Bit, BuildFn&& Build)
{
    Trap(s, TrapText, "Helm Message Error", [&] { SendToWaiting(s, Bit, Build); });
}

// Replies for the Helm PC program go to every Helm PC client, and to any
// other client that asked for them.
template <class BuildFn>
void SendToHelmPcs(Server& s, int64_t Bit, BuildFn&& Build)
{
    if (!LinkUp(s))
        return;
    SendToPicked(s, Bit, Build,
                 [&](const ClientRecord& c) { return c.ClientType == HelmPcClientType || Pending(c, Bit); });
}

// ---- The physical configuration tree ----

int ReplyFrameCount(const Model& m)
{
    return std::clamp(std::min(m.NumFrames, static_cast<int>(m.SwitcherConfig.size())), 0, ReplyFrameLimit);
}
int CardCount(const FrameRecord& f) { return std::min<int>(f.Cards[0].Count, CardsPerFrame); }
int PortCount(const CardRecord& c) { return std::min<int>(c.PortCount, PortsPerCard); }
int ChannelCount(const PortRecord& p)
{
    return std::min({static_cast<int>(p.ChannelCount), static_cast<int>(p.Channels.size()), 127});
}

// The counted tree of the state and status reports: every run is (count,
// first = 0) followed by its entries, each entry led by its value byte.
Bytes BuildTree(const Model& m, unsigned char Command, TreeValue Which)
{
    const bool state = Which == TreeValue::State;
    Bytes f(1, static_cast<char>(Command));
    f += '\x00';
    const int frames = ReplyFrameCount(m);
    AppendByte(f, frames);
    f += '\x00';
    for (int fi = 0; fi < frames; ++fi) {
        const FrameRecord& frame = m.SwitcherConfig[static_cast<size_t>(fi)];
        AppendByte(f, state ? frame.Cards[0].Flag : frame.Cards[0].FrameStatus);
        const int cards = CardCount(frame);
        AppendByte(f, cards);
        f += '\x00';
        for (int ci = 0; ci < cards; ++ci) {
            const CardRecord& card = frame.Cards[static_cast<size_t>(ci)];
            AppendByte(f, state ? card.Present : card.Status);
            const int ports = PortCount(card);
            AppendByte(f, ports);
            f += '\x00';
            for (int pi = 0; pi < ports; ++pi) {
                const PortRecord& port = card.Ports[static_cast<size_t>(pi)];
                AppendByte(f, state ? port.State : port.Status);
                const int channels = ChannelCount(port);
                AppendByte(f, channels);
                f += '\x00';
                for (int k = 0; k < channels; ++k) {
                    const ChannelRecord& ch = port.Channels[static_cast<size_t>(k)];
                    AppendByte(f, state ? ch.State : ch.Status);
                }
            }
        }
    }
    AppendChecksumAndEnd(f);
    return f;
}

bool DescriptionAllowed(const Model& m) { return Family(m).KeepsModel; }

Bytes BuildDescription(const Model& m)
{
    Bytes f("\xE4\x00", 2);
    const int frames = ReplyFrameCount(m);
    AppendByte(f, frames);
    for (int fi = 0; fi < frames; ++fi) {
        const FrameRecord& frame = m.SwitcherConfig[static_cast<size_t>(fi)];
        const int cards = CardCount(frame);
        AppendByte(f, cards);
        for (int ci = 0; ci < cards; ++ci) {
            const CardRecord& card = frame.Cards[static_cast<size_t>(ci)];
            const int ports = PortCount(card);
            AppendByte(f, ports);
            for (int pi = 0; pi < ports; ++pi)
                AppendByte(f, ChannelCount(card.Ports[static_cast<size_t>(pi)]));
        }
    }
    AppendChecksumAndEnd(f);
    return f;
}

// ---- Tables ----

int TableCount(const Model& m, int Table)
{
    switch (Table) {
    case TableSources: return m.NumSources;
    case TableDestinations: return m.NumDestinations;
    case TableOptos: return m.NumOptos;
    case TableRelays: return m.NumRelays;
    case TableSalvos: return m.NumSalvos;
    default: return 0;
    }
}

const std::vector<int>* SortTableFor(const Model& m, int Table)
{
    switch (Table) {
    case TableSources: return &m.SourceSortTable;
    case TableDestinations: return &m.DestinationSortTable;
    case TableOptos: return &m.OptoSortTable;
    case TableRelays: return &m.RelaySortTable;
    case TableSalvos: return &m.SalvoSortTable;
    default: return nullptr;
    }
}

int64_t AlphaBit(int Table)
{
    switch (Table) {
    case TableSources: return ReplyBit::SourceAlphas;
    case TableDestinations: return ReplyBit::DestinationAlphas;
    case TableOptos: return ReplyBit::OptoAlphas;
    case TableRelays: return ReplyBit::RelayAlphas;
    case TableSalvos: return ReplyBit::Salvos;
    default: return 0;
    }
}

// FC, table, 08, count, start, then per name its 8 bytes and its sort number.
// The count is the number of entries in the frame: the table's size less Start.
Bytes BuildAlphaTable(const Model& m, const std::vector<std::string>& Names, int Table, int Start)
{
    const std::vector<int>& sorts = *SortTableFor(m, Table);
    const int first = std::max(Start, 0);
    const int total = TableCount(m, Table);
    Bytes f("\xFC", 1);
    AppendByte(f, Table);
    f += '\x08';
    AppendPair(f, std::max(total - first, 0));
    AppendPair(f, first);
    // A table may hold 16383 names and goes to every panel on each change:
    // built in place.
    f.reserve(f.size() + 10 * static_cast<size_t>(std::max(total - first, 0)) + 2);
    static const std::string none;
    for (int i = first; i < total; ++i) {
        const size_t at = static_cast<size_t>(i);
        AppendNameField(f, at < Names.size() ? Names[at] : none);
        AppendPair(f, ValueAt(sorts, i, i));
    }
    AppendChecksumAndEnd(f);
    return f;
}

// EB, 32, salvo count, event count, then per salvo s = 0 .. NumSalvos-1: s,
// its event count k, and its k events in table order, each event as its
// three flag bytes and its five values (pairs). Events whose salvo number is
// outside the salvo count have no salvo to travel with and are left out.
Bytes BuildSalvoEvents(const Model& m)
{
    const int salvos = std::clamp(m.NumSalvos, 0, NoneValue);
    const size_t events = std::min(static_cast<size_t>(std::max(m.NumSalvoEvents, 0L)), m.SalvoEvents.size());
    std::vector<std::vector<const SalvoEventRecord*>> bySalvo(static_cast<size_t>(salvos));
    size_t sent = 0;
    for (size_t e = 0; e < events; ++e) {
        const SalvoEventRecord& ev = m.SalvoEvents[e];
        if (ev.Salvo >= 0 && ev.Salvo < salvos && sent < static_cast<size_t>(NoneValue)) {
            bySalvo[static_cast<size_t>(ev.Salvo)].push_back(&ev);
            ++sent;
        }
    }
    Bytes f("\xEB\x32", 2);
    f.reserve(8 + 4 * static_cast<size_t>(salvos) + 13 * sent + 2);
    AppendPair(f, salvos);
    AppendPair(f, static_cast<long>(sent));
    for (int sv = 0; sv < salvos; ++sv) {
        const auto& list = bySalvo[static_cast<size_t>(sv)];
        AppendPair(f, sv);
        AppendPair(f, static_cast<long>(list.size()));
        for (const SalvoEventRecord* ev : list) {
            for (uint8_t flag : ev->Flags)
                AppendByte(f, flag);
            for (int v : ev->Values)
                AppendPair(f, v);
        }
    }
    AppendChecksumAndEnd(f);
    return f;
}

// Inhibit runs: length low 7 bits, then flag x 64 + length high bits. Runs
// longer than 13 bits allow are written as several runs of the same flag.
// (A switcher's own report puts the flag in the first byte instead; in demo
// mode the Vela decoder reads a client's looped-back F8 upload in this
// layout, so an upload comes back to every client as it was sent.)
void AppendInhibitEntry(Bytes& f, const std::vector<std::pair<bool, size_t>>& Runs)
{
    Bytes runs;
    int count = 0;
    for (const auto& [flag, total] : Runs)
        for (size_t left = total; left > 0; ++count) {
            const int length = static_cast<int>(std::min<size_t>(left, LongestInhibitRun));
            runs += static_cast<char>(length & 127);
            runs += static_cast<char>((flag ? 64 : 0) + (length >> 7));
            left -= static_cast<size_t>(length);
        }
    AppendPair(f, count);
    f += runs;
}

Bytes BuildInhibitMap(const Model& m)
{
    const int count = std::min(m.NumDestinations, static_cast<int>(m.InhibitMap.size()));
    Bytes f("\xF8\x01", 2);
    AppendPair(f, std::max(count, 0));
    AppendPair(f, 0);
    for (int d = 0; d < count; ++d)
        AppendInhibitEntry(f, m.InhibitMap.runs(static_cast<size_t>(d)));
    AppendChecksumAndEnd(f);
    return f;
}

// The two level values of every channel, one frame per value, and a closing
// frame with no values.
Bytes BuildGains(const Model& m)
{
    auto group = [](int Group, const std::vector<GainRecord>& Gains, int Count, bool Second) {
        const int n = std::clamp(std::min(Count, static_cast<int>(Gains.size())), 0, NoneValue);
        Bytes f("\xE3\x01", 2);
        AppendByte(f, Group);
        AppendPair(f, n);
        AppendPair(f, 0);
        for (int i = 0; i < n; ++i) {
            const GainRecord& g = Gains[static_cast<size_t>(i)];
            AppendPair(f, Second ? g.Level2 : g.Level1);
        }
        AppendChecksumAndEnd(f);
        return f;
    };
    Bytes message = group(0, m.SourceGains, m.NumSources, false);
    message += group(1, m.SourceGains, m.NumSources, true);
    message += group(2, m.DestinationGains, m.NumDestinations, false);
    message += group(3, m.DestinationGains, m.NumDestinations, true);
    message += group(15, {}, 0, false);
    return message;
}

// Signed values travel as their low 13 bits with 64 added to the high group
// when negative; -8192 .. 8191 survive the trip.
void AppendSigned(Bytes& f, int Value)
{
    const int v = std::clamp(Value, -8192, 8191);
    const int bits = v & 8191;
    f += static_cast<char>(bits & 127);
    f += static_cast<char>((bits >> 7) + (v < 0 ? 64 : 0));
}

}  // namespace

void AppendNameField(Bytes& Frame, const std::string& Name)
{
    const size_t at = Frame.size(), n = std::min<size_t>(Name.size(), 8);
    Frame.append(8, ' ');
    for (size_t k = 0; k < n; ++k)
        Frame[at + k] = static_cast<char>(Name[k] & 127);
}

void SendTakeToClients(Server& s, int Output, int Input, int TakeType)
{
    Trap(s, "Error Sending Take", "Helm Message Error", [&] {
        Bytes f("\xFE", 1);
        AppendPair(f, TakeType);
        AppendPair(f, Input);
        AppendPair(f, Output);
        AppendChecksumAndEnd(f);
        SendToAllClients(s, f);
    });
}

Bytes BuildCrosspointMapMessage(Server& s, int Start, int Count)
{
    // The count written must match the entries that follow, so it is cut to the table.
    const int tableSize = static_cast<int>(s.model.CrosspointMap.size());
    const int start = std::clamp(Start, 0, tableSize);
    const int count = std::clamp(Count, 0, tableSize - start);
    Bytes f("\xF6\x00", 2);
    AppendPair(f, count);
    AppendPair(f, start);
    for (int d = start; d < start + count; ++d) {
        const CrosspointRecord& x = s.model.CrosspointMap[static_cast<size_t>(d)];
        const bool sums = s.cfg.DemoMode && x.SumCount > 0;
        const int n = std::min<int>(sums ? x.SumCount : (x.SourceCount & 127), MaxSourceEntries);
        AppendPair(f, n);
        f += static_cast<char>(x.SumFlag & 127);
        for (int k = 0; k < n; ++k) {
            AppendPair(f, sums ? x.SumSources[static_cast<size_t>(k)] : x.Sources[static_cast<size_t>(k)]);
            AppendPair(f, x.Levels[static_cast<size_t>(k)]);
        }
    }
    AppendChecksumAndEnd(f);
    return f;
}

void SendInhibitMapToClient(Server& s)
{
    Trap(s, "Error Sending Inhibit Map", "Helm Message Error", [&] {
        if (!LinkUp(s))
            return;
        const bool changed = s.InhibitMapChanged;
        SendToPicked(
            s, ReplyBit::Inhibits, [&] { return BuildInhibitMap(s.model); },
            [&](const ClientRecord& c) { return Pending(c, ReplyBit::Inhibits) || (changed && IsPanel(c)); });
        s.InhibitMapChanged = false;
    });
}

void SendAlphaTableToClient(Server& s, const std::vector<std::string>& Names, int Table, int Start)
{
    Trap(s, "Error Sending Alpha Table", "Helm Message Error", [&] {
        const int64_t bit = AlphaBit(Table);
        if (bit == 0 || !LinkUp(s))
            return;
        const bool changed = s.AlphasChanged;
        // Salvo names alone do not complete a salvo request: its events follow.
        const int64_t cleared = Table == TableSalvos ? 0 : bit;
        SendToPicked(
            s, cleared, [&] { return BuildAlphaTable(s.model, Names, Table, Start); },
            [&](const ClientRecord& c) { return Pending(c, bit) || (changed && IsPanel(c)); });
        s.AlphasChanged = false;
    });
}

// FA, table, count, start, then one link byte per channel from Start on.
void SendLinksToClient(Server& s, const std::vector<int>& Links, int Table, int Start)
{
    const bool sources = Table == TableSources;
    ReplyToWaiting(s, "Error Sending Links", sources ? ReplyBit::SourceLinks : ReplyBit::DestinationLinks, [&] {
        const int total = sources ? s.model.NumSources : s.model.NumDestinations;
        const int first = std::max(Start, 0);
        Bytes f("\xFA", 1);
        AppendByte(f, Table);
        AppendPair(f, std::max(total - first, 0));
        AppendPair(f, first);
        for (int i = first; i < total; ++i)
            AppendByte(f, ValueAt(Links, i, 0));
        AppendChecksumAndEnd(f);
        return f;
    });
}

// Template assignment (not for a Vela): FB, 00, NumDestinations, start 0, one
// template number per destination. Then per template t of ButtonData, as the
// switcher reported them: FD, 00, t, buttons per template B, then B entries
// of the button record: its value, its count N and its first N values, all
// pairs (N at most 33).
void SendButtonTablesToClient(Server& s)
{
    ReplyToWaiting(s, "Error Sending Buttons", ReplyBit::Buttons, [&] {
        const Model& m = s.model;
        Bytes message;
        if (Family(m).SendsTemplateAssignments) {
            const int n = std::clamp(m.NumDestinations, 0, NoneValue);
            Bytes f("\xFB\x00", 2);
            AppendPair(f, n);
            AppendPair(f, 0);
            for (int d = 0; d < n; ++d)
                AppendPair(f, ValueAt(m.TemplateAssignment, d, m.NumTemplates));
            AppendChecksumAndEnd(f);
            message += f;
        }
        for (size_t t = 0; t < m.ButtonData.size(); ++t) {
            const std::vector<ButtonRecord>& buttons = m.ButtonData[t];
            // 256 templates go out per request: each frame sized once.
            size_t size = 8;
            for (const ButtonRecord& b : buttons)
                size += 4 + 2 * static_cast<size_t>(std::clamp(b.Count, 0, MaxButtonValues));
            Bytes f("\xFD\x00", 2);
            f.reserve(size);
            AppendPair(f, static_cast<long>(t));
            AppendPair(f, static_cast<long>(buttons.size()));
            for (const ButtonRecord& b : buttons) {
                const int n = std::clamp(b.Count, 0, MaxButtonValues);
                AppendPair(f, b.Value);
                AppendPair(f, n);
                for (int k = 0; k < n; ++k)
                    AppendPair(f, b.Values[static_cast<size_t>(k)]);
            }
            AppendChecksumAndEnd(f);
            message += f;
        }
        return message;
    });
}

void SendSalvoEventsToClient(Server& s)
{
    Trap(s, "Error Sending Salvos Events", "Helm Message Error", [&] {
        if (!LinkUp(s))
            return;
        SendToPicked(
            s, ReplyBit::Salvos,
            [&] { return BuildAlphaTable(s.model, s.model.SalvoAlphas, TableSalvos, 0) + BuildSalvoEvents(s.model); },
            [](const ClientRecord& c) { return IsPanel(c) || Pending(c, ReplyBit::Salvos) || c.MapSent != 0; });
    });
}

// E5, 00, frame count, 00, then per frame f and card c: f, c, the card type
// code (pair), the length of its version text (one byte) and the text.
void SendVersionInfoToClient(Server& s)
{
    Trap(s, "Error Sending Version Info", "Helm Message Error", [&] {
        SendToHelmPcs(s, ReplyBit::Version, [&] {
            const Model& m = s.model;
            Bytes f("\xE5\x00", 2);
            const int frames = ReplyFrameCount(m);
            AppendByte(f, frames);
            f += '\x00';
            for (int fi = 0; fi < frames; ++fi) {
                const FrameRecord& frame = m.SwitcherConfig[static_cast<size_t>(fi)];
                for (int ci = 0; ci < CardCount(frame); ++ci) {
                    std::string text;
                    if (static_cast<size_t>(fi) < m.CardVersions.size())
                        text = m.CardVersions[static_cast<size_t>(fi)][static_cast<size_t>(ci)];
                    if (text.empty())
                        text = "Not Defined     ";
                    text.resize(std::min<size_t>(text.size(), 127));
                    AppendByte(f, fi);
                    AppendByte(f, ci);
                    AppendPair(f, frame.Cards[static_cast<size_t>(ci)].TypeCode);
                    AppendByte(f, static_cast<int>(text.size()));
                    f += SevenBit(text);
                }
            }
            AppendChecksumAndEnd(f);
            return f;
        });
    });
}

void SendStateToClient(Server& s)
{
    std::string step = "Error Sending State to Helm - Decode Error ";
    Trap(s, step, "Helm Message Error", [&] {
        if (!LinkUp(s))
            return;
        const Bytes state = BuildTree(s.model, 0xE1, TreeValue::State);
        Bytes description;
        for (int i = 1; i <= s.HelmClients.SlotCount(); ++i) {
            const ClientRecord& c = s.HelmClients[i];
            if (!c.LoggedIn || (c.ClientType != HelmPcClientType && !Pending(c, ReplyBit::State)))
                continue;
            step = "Error Sending State to Helm - Socket Error ";
            SendToClient(s, state, i);
            if (!s.HelmClients.Valid(i))
                continue;
            ClientRecord& sent = s.HelmClients[i];
            sent.PendingRequests &= ~ReplyBit::State;
            if (sent.DescriptionSent || !DescriptionAllowed(s.model))
                continue;
            step = "Error Sending State to Helm - Socket Error 2";
            if (description.empty())
                description = BuildDescription(s.model);
            SendToClient(s, description, i);
            if (s.HelmClients.Valid(i)) {
                s.HelmClients[i].DescriptionSent = true;
                s.HelmClients[i].PendingRequests &= ~ReplyBit::Description;
            }
        }
    });
}

void SendStatusToClient(Server& s)
{
    Trap(s, "Error Sending Status", "Helm Message Error",
         [&] { SendToHelmPcs(s, ReplyBit::Status, [&] { return BuildTree(s.model, 0xF0, TreeValue::Status); }); });
}

void SendDescriptionToClient(Server& s)
{
    Trap(s, "Error Sending Description", "Helm Message Error", [&] {
        if (!DescriptionAllowed(s.model) || !LinkUp(s))
            return;
        const Bytes f = BuildDescription(s.model);
        for (int i = 1; i <= s.HelmClients.SlotCount(); ++i) {
            const ClientRecord& c = s.HelmClients[i];
            if (!c.LoggedIn || (c.ClientType != HelmPcClientType && !Pending(c, ReplyBit::Description)))
                continue;
            SendToClient(s, f, i);
            if (s.HelmClients.Valid(i)) {
                s.HelmClients[i].DescriptionSent = true;
                s.HelmClients[i].PendingRequests &= ~ReplyBit::Description;
            }
        }
    });
}

void SendSwitcherConfigToClient(Server& s)
{
    Trap(s, "Error Sending Switcher Configuration", "Helm Message Error", [&] {
        SendToHelmPcs(s, ReplyBit::Config, [&] {
            const Model& m = s.model;
            Bytes f("\xE2\x00", 2);
            const int frames = ReplyFrameCount(m);
            AppendByte(f, frames);
            f += '\x00';
            for (int fi = 0; fi < frames; ++fi) {
                const FrameRecord& frame = m.SwitcherConfig[static_cast<size_t>(fi)];
                const int cards = CardCount(frame);
                AppendByte(f, cards);
                f += '\x00';
                for (int ci = 0; ci < cards; ++ci) {
                    const CardRecord& card = frame.Cards[static_cast<size_t>(ci)];
                    AppendPair(f, card.TypeCode);
                    for (int v : card.Settings)
                        AppendPair(f, v);
                    const int ports = PortCount(card);
                    AppendByte(f, ports);
                    f += '\x00';
                    for (int pi = 0; pi < ports; ++pi) {
                        const PortRecord& port = card.Ports[static_cast<size_t>(pi)];
                        AppendPair(f, port.TypeCode);
                        const int channels = ChannelCount(port);
                        AppendByte(f, channels);
                        f += '\x00';
                        for (int k = 0; k < channels; ++k)
                            for (int v : port.Channels[static_cast<size_t>(k)].Settings)
                                AppendPair(f, v);
                    }
                }
            }
            AppendChecksumAndEnd(f);
            return f;
        });
    });
}

void SendGainToClient(Server& s)
{
    if (Family(s.model).HasGains())
        ReplyToWaiting(s, "Error Sending Gain", ReplyBit::Gains, [&] { return BuildGains(s.model); });
}

// ED, 01, the clock setting; then EF carrying the clock mode.
void SendClockToClient(Server& s)
{
    ReplyToWaiting(s, "Error Sending Clock Message", ReplyBit::Clock, [&] {
        Bytes setting("\xED\x01", 2);
        AppendByte(setting, s.model.ClockSetting);
        AppendChecksumAndEnd(setting);
        Bytes mode("\xEF", 1);
        AppendByte(mode, s.model.ClockMode);
        AppendChecksumAndEnd(mode);
        return setting + mode;
    });
}

// DF, table, start 0 (pair), list count (pair), then per list its name (8
// bytes), its member count (pair) and its members (pairs).
void SendDisplayListToClient(Server& s, int Table)
{
    const bool sources = Table == TableSources;
    ReplyToWaiting(s, "Error Sending Display List",
                   sources ? ReplyBit::SourceDisplayList : ReplyBit::DestinationDisplayList, [&] {
                       const std::vector<DisplayListRecord>& lists =
                           sources ? s.model.SourceDisplayLists : s.model.DestinationDisplayLists;
                       const int count = std::min(static_cast<int>(lists.size()), NoneValue);
                       Bytes f("\xDF", 1);
                       AppendByte(f, Table);
                       AppendPair(f, 0);
                       AppendPair(f, count);
                       for (int i = 0; i < count; ++i) {
                           const DisplayListRecord& list = lists[static_cast<size_t>(i)];
                           const int members = std::min(static_cast<int>(list.Members.size()), NoneValue);
                           AppendNameField(f, list.Name);
                           AppendPair(f, members);
                           for (int k = 0; k < members; ++k)
                               AppendPair(f, list.Members[static_cast<size_t>(k)]);
                       }
                       AppendChecksumAndEnd(f);
                       return f;
                   });
}

void SendSwitcherTypeToClient(Server& s, int Index)
{
    Trap(s, "Error Sending Switcher Type", "Helm Message Error", [&] {
        Bytes f("\xE5\x01\x01\x00", 4);
        AppendPair(f, TypeCode(s.model.SwitcherType));
        f += Bytes("\x00\x00", 2);
        AppendChecksumAndEnd(f);
        SendToClient(s, f, Index);
    });
}

void SendGainOffsetToClient(Server& s)
{
    ReplyToWaiting(s, "Error Sending Gain Offset", ReplyBit::GainOffsets, [&] {
        Bytes f("\xEE\x00", 2);
        AppendSigned(f, s.model.GainOffsets[0]);
        AppendSigned(f, s.model.GainOffsets[1]);
        AppendChecksumAndEnd(f);
        return f;
    });
}

void SendRelayOptoStateToClient(Server& s, int Table)
{
    const bool relays = Table == TableRelays;
    ReplyToWaiting(s, "Error Sending Relay/Opto State", relays ? ReplyBit::RelayStates : ReplyBit::OptoStates, [&] {
        const std::vector<int>& states = relays ? s.model.RelayStates : s.model.OptoStates;
        const int count = std::clamp(relays ? s.model.NumRelays : s.model.NumOptos, 0, NoneValue);
        Bytes f("\xF7", 1);
        AppendByte(f, Table);
        AppendPair(f, count);
        for (int i = 0; i < count; ++i)
            AppendByte(f, ValueAt(states, i, 0));
        AppendChecksumAndEnd(f);
        return f;
    });
}

// F9, 00, relay count, start 0, one configuration value (pair) per relay.
void SendRelayConfigToClient(Server& s)
{
    ReplyToWaiting(s, "Error Sending Relay Config", ReplyBit::RelayConfig, [&] {
        const int count = std::clamp(static_cast<int>(s.model.RelayConfig.size()), 0, NoneValue);
        Bytes f("\xF9\x00", 2);
        AppendPair(f, count);
        AppendPair(f, 0);
        for (int i = 0; i < count; ++i)
            AppendPair(f, s.model.RelayConfig[static_cast<size_t>(i)]);
        AppendChecksumAndEnd(f);
        return f;
    });
}

void SendRelayOptoTallyToClients(Server& s, int Table, int Index)
{
    Trap(s, "Error Sending Relay/Opto Tally", "Helm Message Error", [&] {
        const std::vector<int>& states = Table == TableRelays ? s.model.RelayStates : s.model.OptoStates;
        if (Index < 0 || static_cast<size_t>(Index) >= states.size())
            return;
        Bytes f("\xF7", 1);
        AppendByte(f, Table);
        f += Bytes("\x01\x00", 2);
        AppendPair(f, Index);
        AppendByte(f, states[static_cast<size_t>(Index)]);
        AppendChecksumAndEnd(f);
        SendToPicked(
            s, 0, [&] { return f; },
            [](const ClientRecord& c) {
                return c.ClientType == HelmPcClientType || c.ClientType == AutomationClientType;
            });
    });
}

void SendNotificationToClient(Server& s, int Index, int Code)
{
    Trap(s, "Error Sending Notification Message", "Helm Message Error", [&] {
        Bytes f("\xA4", 1);
        AppendPair(f, Code);
        f += Bytes("\x00\x00", 2);
        AppendChecksumAndEnd(f);
        SendToClient(s, f, Index);
    });
}

// D2, 0A, destination count, start 0 (pair), 04 (bytes per destination), then
// the first four bytes of each destination's transition record.
void SendTransitionControlToClient(Server& s, int Index)
{
    Trap(s, "Error Sending Transition Control", "Helm Message Error", [&] {
        if (!LinkUp(s) || !s.HelmClients.Valid(Index))
            return;
        const int count = std::clamp(
            std::min(s.model.NumDestinations, static_cast<int>(s.model.TransitionControl.size())), 0, NoneValue);
        Bytes f("\xD2\x0A", 2);
        AppendPair(f, count);
        AppendPair(f, 0);
        f += '\x04';
        for (int d = 0; d < count; ++d)
            for (int k = 0; k < 4; ++k)
                AppendByte(f, s.model.TransitionControl[static_cast<size_t>(d)][static_cast<size_t>(k)]);
        AppendChecksumAndEnd(f);
        SendToClient(s, f, Index);
        if (s.HelmClients.Valid(Index))
            s.HelmClients[Index].PendingRequests &= ~ReplyBit::TransitionControl;
    });
}
