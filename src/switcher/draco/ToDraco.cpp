#include "switcher/draco/ToDraco.h"

#include "disk/Trap.h"
#include "model/ByteManipulation.h"
#include "model/Server.h"
#include "switcher/SerialLink.h"
#include "switcher/SwitcherFamily.h"
#include "switcher/draco/DracoFrame.h"
#include "switcher/draco/DracoQueue.h"
#include "switcher/draco/FromDraco.h"

#include <algorithm>

namespace {

constexpr int NameBytes = 8;
// The pauses a Draco needs after a table before the next command.
constexpr int NamesSettleMs = 500;
constexpr int ShortGapMs = 100;
constexpr int ConfigurationWaitMs = 1000;

// Demo mode has no switcher to command; nothing is sent, queued or marked pending.
bool Live(const Server& s) { return !s.cfg.DemoMode; }

Bytes Name8(std::string Name)
{
    Name.resize(NameBytes, ' ');
    for (char& c : Name)
        c = static_cast<char>(c & 127);
    return Name;
}

int ValueAt(const std::vector<int>& Table, size_t Index, int Fallback)
{
    return Index < Table.size() ? Table[Index] : Fallback;
}

// Names kept in name order with each name's number, put back in number order.
std::vector<std::string> InNumberOrder(const std::vector<std::string>& Names, const std::vector<int>& Numbers,
                                       size_t Count)
{
    std::vector<std::string> ordered(Count);
    for (size_t i = 0; i < Names.size() && i < Numbers.size(); ++i)
        if (Numbers[i] >= 0 && static_cast<size_t>(Numbers[i]) < ordered.size())
            ordered[static_cast<size_t>(Numbers[i])] = Names[i];
    return ordered;
}

}  // namespace

Bytes BuildValuesFrameDraco(unsigned char Command, const std::vector<int>& Values)
{
    Bytes f(1, static_cast<char>(Command));
    int sum = 0;
    for (int v : Values) {
        const int value = std::clamp(v, 0, NoneValue);
        AppendPair(f, value);
        sum = (sum + value) & 127;
    }
    f += static_cast<char>(sum);
    f += '\xFF';
    return f;
}

Bytes BuildTakeDraco(int Source, int Destination)
{
    Bytes f("\xFE", 1);
    f += static_cast<char>((Destination >> 4) & 15);
    f += static_cast<char>(Destination & 15);
    AppendPair(f, Source);
    f += static_cast<char>(Source & 127);
    f += '\xFF';
    return f;
}

Bytes BuildSalvoExecuteDraco(int Salvo)
{
    Bytes f("\xE7", 1);
    AppendPair(f, Salvo);
    // The low 7 bits: a byte with bit 7 set would cut the frame.
    f += static_cast<char>(Salvo & 127);
    f += '\xFF';
    return f;
}

Bytes BuildAlphaTableDraco(const std::vector<std::string>& Names, int Table)
{
    const unsigned char command = Table == TableSources ? 0xFC : Table == TableDestinations ? 0xFB : 0xEC;
    const size_t count = Table == TableSalvos ? Names.size() : DracoSize;
    Bytes f(1, static_cast<char>(command));
    int sum = 0;
    for (size_t i = 0; i < count; ++i) {
        std::string name;
        if (i < Names.size() && !Names[i].empty())
            name = Names[i];
        else
            name = (Table == TableSources ? "{nput" : "{ut ") + Digits(static_cast<long>(i), 3);
        const Bytes field = Name8(name);
        for (char c : field)
            sum = (sum + static_cast<unsigned char>(c)) & 127;
        f += field;
    }
    f += static_cast<char>(sum);
    f += '\xFF';
    return f;
}

Bytes BuildSortTableDraco(const std::vector<int>& Table, int Kind)
{
    const unsigned char command = Kind == TableSources ? 0xEF : Kind == TableDestinations ? 0xEE : 0xED;
    const size_t count = Kind == TableSalvos ? Table.size() : DracoSize;
    Bytes f(1, static_cast<char>(command));
    for (size_t i = 0; i < count; ++i)
        AppendPair(f, ValueAt(Table, i, DracoSize - 1));
    // This check byte is the sum of the bytes sent, not of the values.
    f += static_cast<char>(CheckSum7(f, 0));
    f += '\xFF';
    return f;
}

Bytes BuildInhibitMapDraco(const std::vector<std::string>& Map)
{
    std::vector<int> values(InhibitValues, 0);
    for (size_t d = 0; d < DracoSize && d < Map.size(); ++d)
        for (size_t source = 0; source < DracoSize && source < Map[d].size(); ++source)
            if (Map[d][source] == '1')
                values[4 * d + source / 8] |= 1 << (source % 8);
    return BuildValuesFrameDraco(0xF7, values);
}

Bytes BuildLinksDraco(const std::vector<int>& SourceLinks, const std::vector<int>& DestinationLinks)
{
    std::vector<int> words(LinkWords, 0);
    for (size_t w = 0; w < 2; ++w)
        for (size_t k = 0; k < 8; ++k) {
            const size_t first = 16 * w + 2 * k;
            auto linked = [&](const std::vector<int>& Links) {
                return ValueAt(Links, first, 0) != 0 || ValueAt(Links, first + 1, 0) != 0;
            };
            if (linked(DestinationLinks))
                words[w] |= 1 << k;
            if (linked(SourceLinks))
                words[w + 2] |= 1 << k;
        }
    return BuildValuesFrameDraco(0xFA, words);
}

Bytes BuildButtonsDraco(const std::vector<int>& Templates, const std::vector<std::vector<int>>& Sources)
{
    std::vector<int> values;
    for (size_t d = 0; d < DracoSize; ++d)
        values.push_back(ValueAt(Templates, d, 0));
    for (size_t t = 0; t < DracoSize; ++t)
        for (size_t b = 0; b < DracoSize; ++b)
            values.push_back(t < Sources.size() ? ValueAt(Sources[t], b, 0) : 0);
    return BuildValuesFrameDraco(0xFD, values);
}

void SendInfoRequestDraco(Server& s, int64_t, int, int)
{
    SwitcherCommand(s, "Error Sending Info Request", [&] {
        SendToSwitcher(s, Bytes("\xF2\xF2", 2));
        s.model.UpdateFlags = s.model.AllUpdateFlags;
        s.SwitcherRequest.Countdown = s.model.PollReload;
    });
}

namespace {

void SendTakeDraco(Server& s, int Source, int Destination, int TakeType)
{
    if (TakeType != DracoTakeType || !InDraco(Source) || !InDraco(Destination))
        return;
    SwitcherCommand(s, "Error Sending Take", [&] { QueueDracoFrame(s, BuildTakeDraco(Source, Destination)); });
}

void SendSalvoExecuteDraco(Server& s, int Salvo)
{
    if (Salvo < 0 || Salvo >= NoneValue)
        return;
    SwitcherCommand(s, "Error Sending Salvo Execute", [&] { QueueDracoFrame(s, BuildSalvoExecuteDraco(Salvo)); });
}

// Names in switcher order, as the switcher's own table is kept (the raw names).
void SendAlphaTableDraco(Server& s, const std::vector<std::string>& Names, int Table)
{
    if (Table != TableSources && Table != TableDestinations && Table != TableSalvos)
        return;
    SwitcherCommand(s, "Error Sending Alpha Table", [&] {
        QueueDracoFrame(s, BuildAlphaTableDraco(Names, Table));
        // Salvo names come back with the salvo events' request.
        if (Table != TableSalvos)
            QueueDracoRequest(s, NamesSettleMs);
    });
}

void SendSortTableDraco(Server& s, const std::vector<int>& Table, int Kind)
{
    if (Kind != TableSources && Kind != TableDestinations && Kind != TableSalvos)
        return;
    SwitcherCommand(s, "Error Sending Alpha Table", [&] { QueueDracoFrame(s, BuildSortTableDraco(Table, Kind)); });
}

void SendInhibitMapDraco(Server& s, const std::vector<std::string>& Map)
{
    SwitcherCommand(s, "Error Sending Inhibit Map", [&] {
        QueueDracoFrame(s, BuildInhibitMapDraco(Map));
        QueueDracoRequest(s, ShortGapMs);
    });
}

void SendLinksDraco(Server& s, const std::vector<int>& Links, int Kind)
{
    SwitcherCommand(s, "Error Sending Links", [&] {
        // One frame carries both tables; the other one is sent as it stands.
        const bool sources = Kind == TableSources;
        QueueDracoFrame(
            s, BuildLinksDraco(sources ? Links : s.model.SourceLinks, sources ? s.model.DestinationLinks : Links));
        QueueDracoRequest(s, ShortGapMs);
    });
}

void SendButtonsDraco(Server& s)
{
    SwitcherCommand(s, "Error Sending Buttons", [&] {
        const Model& m = s.model;
        std::vector<std::vector<int>> sources;
        for (const std::vector<ButtonRecord>& buttons : m.ButtonTemplates) {
            sources.emplace_back();
            for (const ButtonRecord& b : buttons)
                sources.back().push_back(b.Values[0]);
        }
        QueueDracoFrame(s, BuildButtonsDraco(m.ClientTemplateAssignment, sources));
        QueueDracoRequest(s, ShortGapMs);
    });
}

void SendPortMapDraco(Server& s)
{
    if (s.model.SwitcherConfig.empty())
        return;
    SwitcherCommand(s, "Error Sending Port Map", [&] {
        const CardRecord& card = s.model.SwitcherConfig[0].Cards[0];
        std::vector<int> values(PortMapValues, 0);
        for (size_t p = 0; p < PortMapPorts; ++p) {
            const PortRecord& port = card.Ports[p];
            for (size_t ch = 0; ch < 2 && ch < port.Channels.size(); ++ch)
                values[p + PortMapPorts * ch] = port.Channels[ch].Settings[PortAssignmentSetting];
            if (port.TypeCode == ControllerPortType)
                values[2 * PortMapPorts + p / 8] |= 1 << (p % 8);
            if (port.State != 0)
                values[2 * PortMapPorts + 2 + p / 8] |= 1 << (p % 8);
        }
        QueueDracoFrame(s, BuildValuesFrameDraco(0xF0, values));
    });
}

void SendSalvoCountDraco(Server& s)
{
    SwitcherCommand(s, "Error Sending Salvo Count", [&] {
        const long events = std::max(s.model.ClientSalvoEventCount, 0L);
        QueueDracoFrame(s, BuildValuesFrameDraco(0xE9, {static_cast<int>(events / 256), static_cast<int>(events % 256),
                                                        s.model.ClientSalvoCount}));
    });
}

void SendSalvoEventsDraco(Server& s)
{
    SwitcherCommand(s, "Error Sending Salvo Events", [&] {
        const Model& m = s.model;
        const size_t events =
            std::min(static_cast<size_t>(std::max(m.ClientSalvoEventCount, 0L)), m.ClientSalvoEvents.size());
        // The key of a salvo is the Byte field of its first event.
        std::vector<int> keys(static_cast<size_t>(std::max(m.ClientSalvoCount, 0)), 0);
        std::vector<bool> keyed(keys.size(), false);
        std::vector<int> values;
        for (size_t e = 0; e < events; ++e) {
            const SalvoEventRecord& ev = m.ClientSalvoEvents[e];
            const size_t salvo = static_cast<size_t>(std::max(ev.Salvo, 0));
            if (salvo < keys.size() && !keyed[salvo]) {
                keys[salvo] = ev.Flags[0];
                keyed[salvo] = true;
            }
            values.insert(values.end(), {ev.Salvo, ev.Flags[0], ev.Values[0], ev.Values[1], ev.Values[2],
                                         ev.Flags[1] | ev.Flags[2] << 7});
        }
        QueueDracoFrame(s, BuildValuesFrameDraco(0xE8, keys));
        QueueDracoFrame(s, BuildSortTableDraco(m.SalvoSortTable, TableSalvos), ShortGapMs);
        QueueDracoFrame(s, BuildValuesFrameDraco(0xEB, values), ShortGapMs);
        QueueDracoFrame(
            s, BuildAlphaTableDraco(InNumberOrder(m.SalvoAlphas, m.SalvoSortTable, m.SalvoAlphas.size()), TableSalvos),
            ShortGapMs);
        QueueDracoRequest(s, ShortGapMs);
    });
}

void SendPollDraco(Server& s)
{
    if (Live(s))
        SendToSwitcher(s, Bytes("\xF5", 1));
}

// The system information request: the tables are asked for a second later.
void RequestConfigurationDraco(Server& s)
{
    if (Live(s))
        QueueDracoRequest(s, ConfigurationWaitMs);
}

}  // namespace

extern const SwitcherFamily DracoFamily;
const SwitcherFamily DracoFamily = {
    .Type = SwitcherType::Draco,
    .Decode = DecodeDracoMessage,
    .SendTake = [](Server& s, int Input, int Output, int& TakeType, int) { SendTakeDraco(s, Input, Output, TakeType); },
    .SendSalvoExecute = SendSalvoExecuteDraco,
    .RequestTables = SendInfoRequestDraco,
    .RequestConfiguration = RequestConfigurationDraco,
    .Poll = SendPollDraco,
    .SendAlphaTable = SendAlphaTableDraco,
    .SendAlphaEntry = SendSortTableDraco,
    .SendInhibitMap = SendInhibitMapDraco,
    .SendLinks = SendLinksDraco,
    .SendButtons = SendButtonsDraco,
    .SendSalvoCount = SendSalvoCountDraco,
    .SendSalvoEvents = SendSalvoEventsDraco,
    .SendState = SendPortMapDraco,
    .ReleaseCommands = ReleaseDracoQueue,
    .CrosspointMapToEveryClient = true,
};
