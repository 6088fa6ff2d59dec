#include "logitek/Logitek.h"

#include "disk/Trap.h"
#include "logitek/LogitekShared.h"
#include "model/Server.h"

#include <algorithm>
#include <array>

namespace {

constexpr unsigned char SourceList = 0x01, OutputList = 0x00;
constexpr unsigned char NameFormat = 0x22;
constexpr std::array<int, 4> BusChannels{Bus1Channel, Bus2Channel, Channel27, Channel33};

// Numbers beyond the switcher's size still get a message, with a blank name.
const std::string& NameOf(const std::vector<std::string>& Names, int Count, int Number)
{
    static const std::string blank;
    const size_t at = static_cast<size_t>(Number - 1);
    return Number <= Count && at < Names.size() ? Names[at] : blank;
}

void AppendNameMessage(Bytes& Stream, const Server& s, int Channel, int Number, unsigned char List,
                       const std::string& Name)
{
    Bytes data;
    data += static_cast<char>(Channel);
    data += static_cast<char>(Number / 256);
    data += static_cast<char>(Number % 256);
    data += static_cast<char>(List);
    data += static_cast<char>(NameFormat);
    data += LogitekName8(Name);
    AppendLogitekMessage(Stream, s.LogitekHeader, LogitekName, data);
}

// Every list entry of every channel: some 1,800 messages, built in place.
Bytes NameLists(const Server& s)
{
    const Model& m = s.model;
    const size_t lists = LogitekInputChannels + BusChannels.size();
    Bytes stream;
    stream.reserve(lists * LogitekListEntries * (s.LogitekHeader.size() + 3 + 13));
    for (int channel = 1; channel <= LogitekInputChannels; ++channel)
        for (int n = 1; n <= LogitekListEntries; ++n)
            AppendNameMessage(stream, s, channel, n, SourceList, NameOf(m.SourceAlphasRaw, m.NumSources, n));
    for (int channel : BusChannels)
        for (int n = 1; n <= LogitekListEntries; ++n)
            AppendNameMessage(stream, s, channel, n, OutputList, NameOf(m.DestinationAlphasRaw, m.NumDestinations, n));
    return stream;
}

// The sources summed on output 1 go onto the first channels, switched on at
// their levels there.
Bytes PreloadFromOutput1(const Server& s, LogitekClient& c)
{
    const Model& m = s.model;
    Bytes stream;
    if (m.CrosspointMap.empty() || m.NumDestinations < 1)
        return stream;
    const CrosspointRecord& x = m.CrosspointMap[0];
    const int n = std::min({static_cast<int>(x.SourceCount), LogitekInputChannels, MaxSourceEntries});
    for (int k = 0; k < n; ++k) {
        const int source = x.Sources[static_cast<size_t>(k)];
        if (source < 0 || source >= m.NumSources)
            continue;
        const size_t i = static_cast<size_t>(k);
        const int code = k + 1 + ChannelCodeOffset;
        c.ChannelSource[i] = source + 1;
        c.ChannelLevel[i] = x.Levels[i];
        c.ChannelOn[i] = 1;
        stream += AssignMessage(s, code, source + 1);
        stream += LogitekMessage(s.LogitekHeader, LogitekOn, Bytes(1, static_cast<char>(code)) + '\x00');
    }
    return stream;
}

}  // namespace

void SetUpLogitekConsole(Server& s, int Slot)
{
    Trap(s, "Error Setting Up Console", "Logitek IP Message Error", [&] {
        LogitekClient& c = Logitek(s, Slot);
        c.ChannelSource.fill(NoneValue);
        c.ChannelLevel.fill(LogitekUnity);
        c.ChannelOn.fill(0);
        c.ChannelMode.fill(0);
        for (ChannelTable& t : c.ChannelSwitch)
            t.fill(0);

        Bytes stream = NameLists(s);
        for (int channel = 1; channel <= LogitekInputChannels; ++channel) {
            const int code = channel + ChannelCodeOffset;
            stream += FaderMessage(s, code, UnityPosition);
            stream += LogitekMessage(s.LogitekHeader, LogitekMode, Bytes(1, static_cast<char>(code)) + '\x00');
        }
        stream += PreloadFromOutput1(s, c);
        c.Bus1Output = 1;
        c.Bus1Gain = LogitekUnity;
        c.Bus2Output = 2;
        c.Bus2Gain = LogitekUnity;
        stream += AssignMessage(s, Bus1Channel + ChannelCodeOffset, 1);
        stream += FaderMessage(s, Bus1Channel + ChannelCodeOffset, UnityPosition);
        stream += AssignMessage(s, Bus2Channel + ChannelCodeOffset, 2);
        stream += FaderMessage(s, Bus2Channel + ChannelCodeOffset, UnityPosition);
        c.SetUp = true;
        // One write: a console that cannot take it all is dropped, never half loaded.
        SendToLogitek(s, Slot, stream);
        SendFaderPosition(s, 0, 1);
    });
}
