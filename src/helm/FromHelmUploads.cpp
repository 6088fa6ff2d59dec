// Table uploads from Helm clients. Each frame is read completely before
// anything is stored, so a frame that fails a check changes nothing; counts
// in a frame never lead outside it, and entries beyond a table are dropped.
#include "core/Server.h"
#include "core/StatusDisplay.h"
#include "core/Trap.h"
#include "disk/Logs.h"
#include "helm/FromHelm.h"
#include "helm/HelmFrames.h"
#include "helm/TCPSerialCommunications.h"
#include "helm/ToHelm.h"
#include "switcher/ToSwitcher.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {

bool IsVela(const Server& s) { return s.model.SwitcherType == TypeVela; }

void LogForClient(Server& s, const std::string& Message, int Index) { LogIPMessage(s, Message, ClientAddress(s, Index)); }

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

// ---- FC: FC, table, name length L, count, start, count x (L bytes, sort pair) ----

struct AlphaUpload {
    int Table = 0;
    int Start = 0;
    std::vector<std::string> Names;
    std::vector<int> Sorts;
};

std::optional<AlphaUpload> ReadAlphaUpload(const Bytes& Frame)
{
    FrameReader r(Frame);
    AlphaUpload up;
    up.Table = r.Byte();
    const size_t length = static_cast<size_t>(r.Byte());
    const size_t count = static_cast<size_t>(r.Pair());
    up.Start = r.Pair();
    if (r.Remaining() != count * (length + 2))
        return std::nullopt;
    for (size_t i = 0; i < count; ++i) {
        up.Names.push_back(r.Text(length));
        up.Sorts.push_back(r.Pair());
    }
    if (!r.Complete())
        return std::nullopt;
    return up;
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

// ---- F8: F8, 01, count, start, per output R (pair) and R runs of 2 bytes ----

struct InhibitUpload {
    int Count = 0;
    int Start = 0;
    std::vector<std::string> Texts;  // only the outputs the table holds
};

// Texts are built only for outputs below Outputs and cut to Sources
// characters, so a frame's run lengths cannot make them grow without end.
std::optional<InhibitUpload> ReadInhibitUpload(const Bytes& Frame, int Sources, int Outputs)
{
    FrameReader r(Frame);
    InhibitUpload up;
    r.Byte();
    up.Count = r.Pair();
    up.Start = r.Pair();
    const size_t limit = static_cast<size_t>(std::max(Sources, 0));
    for (int i = 0; i < up.Count && !r.Failed(); ++i) {
        const bool keep = up.Start + i < Outputs;
        std::string text;
        const int runs = r.Pair();
        for (int k = 0; k < runs && !r.Failed(); ++k) {
            const int low = r.Byte();
            const int high = r.Byte();
            const size_t length = static_cast<size_t>(low + 128 * (high & 63));
            if (keep)
                text.append(std::min(length, limit - text.size()), (high & 64) ? '1' : '0');
        }
        if (keep) {
            text.resize(limit, '0');
            up.Texts.push_back(std::move(text));
        }
    }
    if (!r.Complete())
        return std::nullopt;
    return up;
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

// ---- E1 and E2: counted trees of (count, first) runs over frames, cards,
// ports and channels ----

// Where a tree entry lands in the configuration, or nullptr when the model
// has no such element (the entry is read and skipped).
struct ConfigPlace {
    Model* m;
    int Frames;

    FrameRecord* Frame(int f) const
    {
        return m != nullptr && f < Frames ? &m->SwitcherConfig[static_cast<size_t>(f)] : nullptr;
    }
    static CardRecord* Card(FrameRecord* f, int c)
    {
        return f != nullptr && c < CardsPerFrame ? &f->Cards[static_cast<size_t>(c)] : nullptr;
    }
    static PortRecord* Port(CardRecord* c, int p)
    {
        return c != nullptr && p < PortsPerCard ? &c->Ports[static_cast<size_t>(p)] : nullptr;
    }
    static ChannelRecord* Channel(PortRecord* p, int k)
    {
        return p != nullptr && static_cast<size_t>(k) < p->Channels.size() ? &p->Channels[static_cast<size_t>(k)]
                                                                            : nullptr;
    }
};

int StoredFrameCount(const Model& m)
{
    return std::clamp(std::min(m.NumFrames, static_cast<int>(m.SwitcherConfig.size())), 0, 7);
}

// E1, 00, frame count, first frame; per frame its state byte, card count,
// first card; per card its state, port count, first port; per port its
// state, channel count, first channel; per channel its state. With a null
// model only the frame is walked (the check before storing).
bool WalkState(const Bytes& Frame, Model* m)
{
    FrameReader r(Frame);
    const ConfigPlace place{m, m != nullptr ? StoredFrameCount(*m) : 0};
    r.Byte();
    const int frames = r.Byte();
    const int firstFrame = r.Byte();
    for (int fi = 0; fi < frames && !r.Failed(); ++fi) {
        FrameRecord* frame = place.Frame(firstFrame + fi);
        const int state = r.Byte();
        if (frame != nullptr)
            frame->Cards[0].Flag = static_cast<uint8_t>(state);
        const int cards = r.Byte();
        const int firstCard = r.Byte();
        for (int ci = 0; ci < cards && !r.Failed(); ++ci) {
            CardRecord* card = ConfigPlace::Card(frame, firstCard + ci);
            const int cardState = r.Byte();
            if (card != nullptr)
                card->Present = static_cast<uint8_t>(cardState);
            const int ports = r.Byte();
            const int firstPort = r.Byte();
            for (int pi = 0; pi < ports && !r.Failed(); ++pi) {
                PortRecord* port = ConfigPlace::Port(card, firstPort + pi);
                const int portState = r.Byte();
                if (port != nullptr)
                    port->State = static_cast<uint8_t>(portState);
                const int channels = r.Byte();
                const int firstChannel = r.Byte();
                for (int k = 0; k < channels && !r.Failed(); ++k) {
                    const int channelState = r.Byte();
                    if (ChannelRecord* ch = ConfigPlace::Channel(port, firstChannel + k))
                        ch->State = static_cast<uint8_t>(channelState);
                }
            }
        }
    }
    return r.Complete();
}

// E2, 00, frame count, first frame; per frame its card count, first card;
// per card its type code, three settings (pairs), port count, first port;
// per port its type code (pair), channel count, first channel; per channel
// its eight settings (pairs). A run that starts at 0 also sets the count of
// its level (a channel run resizes the port's channel list to the channels
// it carries); a run starting later only updates existing elements.
bool WalkConfig(const Bytes& Frame, Model* m)
{
    FrameReader r(Frame);
    const ConfigPlace place{m, m != nullptr ? StoredFrameCount(*m) : 0};
    r.Byte();
    const int frames = r.Byte();
    const int firstFrame = r.Byte();
    for (int fi = 0; fi < frames && !r.Failed(); ++fi) {
        FrameRecord* frame = place.Frame(firstFrame + fi);
        const int cards = r.Byte();
        const int firstCard = r.Byte();
        if (frame != nullptr && firstCard == 0)
            frame->Cards[0].Count = static_cast<uint8_t>(std::min(cards, CardsPerFrame));
        for (int ci = 0; ci < cards && !r.Failed(); ++ci) {
            CardRecord* card = ConfigPlace::Card(frame, firstCard + ci);
            const int type = r.Pair();
            std::array<int, 3> settings{};
            for (int& v : settings)
                v = r.Pair();
            const int ports = r.Byte();
            const int firstPort = r.Byte();
            if (card != nullptr) {
                card->TypeCode = type;
                card->Settings = settings;
                if (firstPort == 0)
                    card->PortCount = static_cast<uint8_t>(std::min(ports, PortsPerCard));
            }
            for (int pi = 0; pi < ports && !r.Failed(); ++pi) {
                PortRecord* port = ConfigPlace::Port(card, firstPort + pi);
                const int portType = r.Pair();
                const int channels = r.Byte();
                const int firstChannel = r.Byte();
                if (port != nullptr) {
                    port->TypeCode = portType;
                    if (firstChannel == 0) {
                        port->ChannelCount = static_cast<uint8_t>(channels);
                        port->Channels.resize(static_cast<size_t>(channels));
                    }
                }
                for (int k = 0; k < channels && !r.Failed(); ++k) {
                    std::array<int, 8> values{};
                    for (int& v : values)
                        v = r.Pair();
                    if (ChannelRecord* ch = ConfigPlace::Channel(port, firstChannel + k))
                        ch->Settings = values;
                }
            }
        }
    }
    return r.Complete();
}

// ---- DF: DF, table, start, count, per list its name (8 bytes), member count
// and members (pairs) ----

struct DisplayListUpload {
    int Table = 0;
    int Start = 0;
    int Count = 0;
    std::vector<DisplayListRecord> Lists;  // only those the table holds
};

std::optional<DisplayListUpload> ReadDisplayListUpload(const Bytes& Frame)
{
    FrameReader r(Frame);
    DisplayListUpload up;
    up.Table = r.Byte();
    up.Start = r.Pair();
    up.Count = r.Pair();
    for (int i = 0; i < up.Count && !r.Failed(); ++i) {
        DisplayListRecord list;
        list.Name = r.Text(8);
        const int members = r.Pair();
        // Members are kept only as far as the frame really carries them.
        if (static_cast<size_t>(members) * 2 > r.Remaining())
            return std::nullopt;
        for (int k = 0; k < members; ++k)
            list.Members.push_back(r.Pair());
        if (up.Start + i < DisplayListCount)
            up.Lists.push_back(std::move(list));
    }
    if (!r.Complete())
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

}  // namespace

void ProcessHelmAlphaTable(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Processing Alpha Labels", "Helm Command Error", [&] {
        if (!ChecksumOk(s, Frame, Index, "Helm Check Sum Error", "Alpha Table"))
            return;
        const int table = Frame.size() > 3 ? ByteAt(Frame, 1) : 0;
        const AlphaTableInfo info = AlphaTableFor(s.model, table);
        const std::optional<AlphaUpload> up = ReadAlphaUpload(Frame);
        if (!up) {
            LogSoftwareError(s, "Helm Message Length Error", Index, info.Name);
            return;
        }
        const int count = static_cast<int>(up->Names.size());
        if (IsVela(s)) {
            PassToVela(s, Frame, info.Bit);
            if (table != TableSalvos)
                LogForClient(s, std::to_string(count) + " " + info.Name + StartingAt(count, up->Start), Index);
            return;
        }
        if (info.Names == nullptr) {
            LogForClient(s, std::to_string(count) + " " + info.Name, Index);
            return;
        }
        if (table == TableSalvos) {
            // The salvo names are as many as the client says.
            const size_t needed = static_cast<size_t>(up->Start) + up->Names.size();
            if (info.Names->size() < needed)
                info.Names->resize(needed);
            if (info.Sorts->size() < needed)
                info.Sorts->resize(needed);
        }
        StoreRange(*info.Names, up->Start, up->Names);
        if (info.RawNames != nullptr)
            StoreRange(*info.RawNames, up->Start, up->Names);
        StoreRange(*info.Sorts, up->Start, up->Sorts);
        if (table != TableSalvos) {
            SendAlphaEntryToSwitcher(s, *info.Sorts, table);
            SendAlphaTableToSwitcher(s, *info.Names, table);
        }
        LogForClient(s, std::to_string(count) + " " + info.Name + StartingAt(count, up->Start), Index);
    });
}

void ProcessHelmInhibitMap(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Processing Inhibit Map", "Helm Command Error", [&] {
        if (!ChecksumOk(s, Frame, Index, "Helm Check Sum Error", "Inhibit Map"))
            return;
        // A Vela stores nothing here: the frame is only checked.
        const int outputs = IsVela(s) ? 0 : std::min(s.model.NumDestinations, static_cast<int>(s.model.InhibitMap.size()));
        const std::optional<InhibitUpload> up = ReadInhibitUpload(Frame, s.model.NumSources, outputs);
        if (!up) {
            LogSoftwareError(s, "Helm Message Length Error", Index, "Inhibit Map");
            return;
        }
        if (IsVela(s)) {
            PassToVela(s, Frame, ReplyBit::Inhibits);
        } else {
            StoreRange(s.model.InhibitMap, up->Start, up->Texts);
            SendInhibitMapToSwitcher(s, s.model.InhibitMap);
        }
        LogForClient(s, std::to_string(up->Count) + " Inhibit Maps, Starting at Output " + std::to_string(up->Start + 1),
                     Index);
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
        if (IsVela(s)) {
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

// FB, 00, count, start, one template number (pair) per destination.
void ProcessHelmTemplateTable(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Receiving Template Table", "Helm Message Error", [&] {
        if (!ChecksumOk(s, Frame, Index, "Helm Check Sum Error", "Button Templates"))
            return;
        FrameReader r(Frame);
        r.Byte();
        const int count = r.Pair();
        const int start = r.Pair();
        if (r.Failed() || Frame.size() != 2 * static_cast<size_t>(count) + 8) {
            LogSoftwareError(s, "Helm Message Length Error", Index, "Template Table");
            return;
        }
        if (IsVela(s)) {
            PassToVela(s, Frame, ReplyBit::Buttons);
            LogForClient(s, "Template Assignment", Index);
            return;
        }
        std::vector<int> templates;
        for (int i = 0; i < count; ++i)
            templates.push_back(r.Pair());
        StoreRange(s.model.TemplateAssignment, start, templates);
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
        const size_t keep =
            !IsVela(s) && static_cast<size_t>(t) < templates.size() ? templates[static_cast<size_t>(t)].size() : 0;
        const std::optional<ButtonUpload> up = ReadButtonUpload(Frame, keep);
        if (!up) {
            LogSoftwareError(s, "Helm Message Length Error", Index, "Button Info");
            return;
        }
        if (IsVela(s)) {
            PassToVela(s, Frame, ReplyBit::Buttons);
        } else if (keep > 0) {
            StoreRange(templates[static_cast<size_t>(t)], 0, up->Buttons);
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
        if (IsVela(s)) {
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
        if (!WalkState(Frame, nullptr)) {
            LogSoftwareError(s, "Helm Message Length Error", Index, "State Message");
            return;
        }
        const int frames = ByteAt(Frame, 2);
        const int firstFrame = ByteAt(Frame, 3);
        if (firstFrame + frames > s.model.NumFrames) {
            LogSoftwareError(s, "Frame Size", Index, "State Message");
            return;
        }
        if (IsVela(s)) {
            PassToVela(s, Frame, ReplyBit::State);
        } else {
            WalkState(Frame, &s.model);
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
        if (IsVela(s))
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
        if (IsVela(s)) {
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

// EE, 00, two offsets, each as 13 bits with 64 added to the high group when negative.
void ProcessHelmGainOffset(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Receiving Gain Offset", "Helm Message Error", [&] {
        if (!ChecksumOk(s, Frame, Index, "Check Sum Error", "Gain Offset"))
            return;
        if (Frame.size() != 8) {
            LogSoftwareError(s, "Length Error", Index, "Gain Offset");
            return;
        }
        if (IsVela(s)) {
            PassToVela(s, Frame, ReplyBit::GainOffsets);
        } else {
            FrameReader r(Frame);
            r.Byte();
            for (int& offset : s.model.GainOffsets) {
                const int low = r.Byte();
                const int high = r.Byte();
                const int bits = low + 128 * (high & 63);
                offset = (high & 64) ? bits - 8192 : bits;
            }
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
        if (IsVela(s))
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
        if (IsVela(s))
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
        const std::optional<DisplayListUpload> up = ReadDisplayListUpload(Frame);
        if (!up) {
            LogSoftwareError(s, "Vela Message Length Error", Index, name);
            return;
        }
        if (IsVela(s))
            PassToVela(s, Frame, sources ? ReplyBit::SourceDisplayList : ReplyBit::DestinationDisplayList);
        else
            StoreRange(sources ? s.model.SourceDisplayLists : s.model.DestinationDisplayLists, up->Start, up->Lists);
        LogForClient(s, std::to_string(up->Count) + " Starting with " + std::to_string(up->Start), Index);
    });
}

// F9, 00, count, start, one configuration value (pair) per relay.
void ProcessHelmRelayConfig(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Reciving Relay Config", "Helm Message Error", [&] {
        if (!ChecksumOk(s, Frame, Index, "Check Sum Error", "Relay Configuration"))
            return;
        FrameReader r(Frame);
        r.Byte();
        const int count = r.Pair();
        const int start = r.Pair();
        if (r.Failed() || Frame.size() != 2 * static_cast<size_t>(count) + 8) {
            LogSoftwareError(s, "Relay Config Length Error", Index, "Relay Configuration");
            return;
        }
        if (IsVela(s)) {
            PassToVela(s, Frame, ReplyBit::RelayConfig);
        } else {
            std::vector<int> values;
            for (int i = 0; i < count; ++i)
                values.push_back(r.Pair());
            StoreRange(s.model.RelayConfig, start, values);
        }
        LogForClient(s, "Received Relay Configuration", Index);
    });
}

// D2, 0A, count, start, z (bytes per destination), count x z bytes.
void ProcessHelmTransitionControl(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Receiving Transition Control", "Helm Message Error", [&] {
        if (!ChecksumOk(s, Frame, Index, "Helm Check Sum Error", "Helm Transition Control"))
            return;
        FrameReader r(Frame);
        r.Byte();
        const int count = r.Pair();
        const int start = r.Pair();
        const size_t size = static_cast<size_t>(r.Byte());
        if (r.Failed() || Frame.size() != static_cast<size_t>(count) * size + 9) {
            LogSoftwareError(s, "Length Error", Index, "Helm Transition Control");
            return;
        }
        if (IsVela(s)) {
            PassToVela(s, Frame, ReplyBit::TransitionControl);
        } else {
            // Each destination's first bytes are replaced; the rest of its record stays.
            std::vector<std::array<uint8_t, 6>>& table = s.model.TransitionControl;
            for (int i = 0; i < count; ++i) {
                const size_t at = static_cast<size_t>(start + i);
                for (size_t k = 0; k < size; ++k) {
                    const int v = r.Byte();
                    if (at < table.size() && k < table[at].size())
                        table[at][k] = static_cast<uint8_t>(v);
                }
            }
        }
        LogForClient(s, std::to_string(count) + " Transition Controls", Index);
    });
}

void ProcessHelmCrosspointMap(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Processing Crosspoint Map", "Helm Message Error", [&] {
        if (!ChecksumOk(s, Frame, Index, "Check Sum Error", "Crosspoint Map"))
            return;
        const int outputs = IsVela(s) ? 0 : static_cast<int>(s.model.CrosspointMap.size());
        const std::optional<CrosspointUpload> up = ReadCrosspointUpload(Frame, outputs);
        if (!up) {
            LogSoftwareError(s, "Message Length Error", Index, "Crosspoint Map");
            return;
        }
        if (IsVela(s))
            PassToVela(s, Frame, ReplyBit::Crosspoints);
        else
            StoreRange(s.model.CrosspointMap, up->Start, up->Records);
        LogForClient(s, "Received Crosspoint Map", Index);
    });
}
