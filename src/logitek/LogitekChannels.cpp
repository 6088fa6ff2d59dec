#include "logitek/Logitek.h"

#include "disk/Logs.h"
#include "disk/StatusDisplay.h"
#include "disk/Trap.h"
#include "logitek/LogitekShared.h"
#include "model/Server.h"
#include "switcher/ToSwitcher.h"

#include <algorithm>
#include <functional>

namespace {

constexpr int OffGain = 24;
constexpr int TakeRemove = 32, TakeAdd = 36;
constexpr int CrosspointGain = 10, OutputGain = 15;
constexpr int TrimStep = 0x06;

// Numerator / Denominator (positive) to the nearest integer, halves to the even one.
int Nearest(int Numerator, int Denominator)
{
    const int sign = Numerator < 0 ? -1 : 1;
    const int n = Numerator * sign;
    int q = n / Denominator;
    const int twice = 2 * (n % Denominator);
    if (twice > Denominator || (twice == Denominator && q % 2 == 1))
        ++q;
    return q * sign;
}

int ChannelOf(const Bytes& Message) { return ByteAt(Message, 6) - ChannelCodeOffset; }
bool InputChannel(int Channel) { return Channel >= 1 && Channel <= LogitekInputChannels; }
size_t At(int Channel) { return static_cast<size_t>(Channel - 1); }
bool Stereo(const LogitekClient& c, int Channel) { return c.ChannelMode[At(Channel)] == 0; }

// The console's own output and gain fields of a bus channel; none for other channels.
struct BusFields {
    int* Output = nullptr;
    int* Gain = nullptr;
};

BusFields BusChannel(LogitekClient& c, int Channel)
{
    switch (Channel) {
    case Bus1Channel: return {&c.Bus1Output, &c.Bus1Gain};
    case Bus2Channel: return {&c.Bus2Output, &c.Bus2Gain};
    case Channel27: return {&c.Channel27Output, &c.Channel27Gain};
    case Channel33: return {&c.Channel33Output, &c.Channel33Gain};
    default: return {};
    }
}

// A channel message: Handle gets the console and the channel under the trap
// titled Title. A console that has not been loaded since it connected knows
// no channels and is not heard.
void OnChannel(Server& s, int Slot, const Bytes& Message, const char* Title,
               const std::function<void(LogitekClient& c, int Channel)>& Handle)
{
    Trap(s, Title, "Logitek IP Message Error", [&] {
        if (s.LogitekClients.Valid(Slot) && Logitek(s, Slot).SetUp)
            Handle(Logitek(s, Slot), ChannelOf(Message));
    });
}

bool OnSwitcher(const Server& s, int Input, int Output)
{
    return Input >= 0 && Input < s.model.NumSources && Output >= 0 && Output < s.model.NumDestinations;
}

void Take(Server& s, int Input, int Output, int TakeType, int Level)
{
    if (!OnSwitcher(s, Input, Output))
        return;
    SendTakeToSwitcher(s, Input, Output, TakeType, Level);
    s.counters.Take(Port::Logitek);
}

// Families without a gain command keep the level alone.
void Gain(Server& s, int Stage, int Value, int Output, int Input)
{
    if (Output < 0 || Output >= s.model.NumDestinations)
        return;
    if (Input != NoneValue && (Input < 0 || Input >= s.model.NumSources))
        return;
    SendGainToSwitcher(s, Stage, Value, Output, Input, NoneValue);
}

// The gain of the channel's source on bus 1 (and in stereo of the next input
// on the next output); a channel without a source has no crosspoint.
void SendChannelGain(Server& s, const LogitekClient& c, int Channel, int Value)
{
    const int source = c.ChannelSource[At(Channel)];
    if (source == NoneValue)
        return;
    const bool stereo = Stereo(c, Channel);
    const int output = c.Bus1Output - 1;
    Gain(s, CrosspointGain, Value, output, source - 1);
    if (stereo)
        Gain(s, CrosspointGain, Value, output + 1, source);
}

// Switch k (1 to LogitekSwitches) of an input channel, or with k = 0 the channel itself.
void SwitchChannel(Server& s, LogitekClient& c, int Channel, int k, bool On)
{
    if (!InputChannel(Channel))
        return;
    if (k >= 1 && k <= LogitekSwitches) {
        c.ChannelSwitch[static_cast<size_t>(k - 1)][At(Channel)] = On ? 1 : 0;
        return;
    }
    if (k != 0)
        return;
    c.ChannelOn[At(Channel)] = On ? 1 : 0;
    SendChannelGain(s, c, Channel, On ? c.ChannelLevel[At(Channel)] : OffGain);
}

void SetChannelLevel(Server& s, LogitekClient& c, int Channel, int Value)
{
    c.ChannelLevel[At(Channel)] = Value;
    if (c.ChannelOn[At(Channel)] == 1)
        SendChannelGain(s, c, Channel, Value);
}

}  // namespace

Bytes FaderMessage(const Server& s, int Code, int Position)
{
    return LogitekMessage(s.LogitekHeader, LogitekFader, Bytes{static_cast<char>(Code), static_cast<char>(Position)});
}

Bytes AssignMessage(const Server& s, int Code, int Number)
{
    Bytes data;
    data += static_cast<char>(Code);
    data += static_cast<char>(Number / 256);
    data += static_cast<char>(Number % 256);
    return LogitekMessage(s.LogitekHeader, LogitekAssign, data);
}

int FaderToGain(int Position)
{
    if (Position >= 135)
        return 924 + Nearest((Position - 135) * 167, 100);
    if (Position >= 45)
        return 924 - Nearest((135 - Position) * 333, 100);
    if (Position >= 5)
        return 624 - (45 - Position) * 7;
    return OffGain;
}

int TranslateGain(int Gain)
{
    if (Gain > 2048)
        return 255;
    if (Gain >= 924)
        return std::min(255, Nearest((Gain - 924) * 100, 167) + 135);
    if (Gain >= 624)
        return 135 - Nearest((924 - Gain) * 100, 333);
    if (Gain >= 344)
        return 45 - Nearest(624 - Gain, 7);
    return std::max(0, 5 - Nearest(344 - Gain, 65));
}

void ChangeInputAssignment(Server& s, int Slot, const Bytes& Message)
{
    OnChannel(s, Slot, Message, "Error Changing Input Assignment", [&](LogitekClient& c, int channel) {
        const int number = ByteAt(Message, 7) * 256 + ByteAt(Message, 8);
        if (int* output = BusChannel(c, channel).Output) {
            if (number >= 1 && number <= s.model.NumDestinations)
                *output = number;
            return;
        }
        if (!InputChannel(channel) || number < 1 || number > s.model.NumSources)
            return;
        const int previous = c.ChannelSource[At(channel)];
        if (number == previous)
            return;
        const bool stereo = Stereo(c, channel);
        const int bus = c.Bus1Output - 1;
        const int level = c.ChannelOn[At(channel)] == 1 ? c.ChannelLevel[At(channel)] : OffGain;
        c.ChannelSource[At(channel)] = number;
        if (previous != NoneValue) {
            Take(s, previous - 1, bus, TakeRemove, NoneValue);
            if (stereo)
                Take(s, previous, bus + 1, TakeRemove, NoneValue);
        }
        Take(s, number - 1, bus, TakeAdd, level);
        if (stereo)
            Take(s, number, bus + 1, TakeAdd, level);
    });
}

void ProcessChannelOn(Server& s, int Slot, const Bytes& Message)
{
    OnChannel(s, Slot, Message, "Error Processing Channel On",
              [&](LogitekClient& c, int channel) { SwitchChannel(s, c, channel, ByteAt(Message, 7), true); });
}

void ProcessChannelOff(Server& s, int Slot, const Bytes& Message)
{
    OnChannel(s, Slot, Message, "Error Processing Channel Off",
              [&](LogitekClient& c, int channel) { SwitchChannel(s, c, channel, ByteAt(Message, 7), false); });
}

void ProcessFaderMovement(Server& s, int Slot, const Bytes& Message)
{
    OnChannel(s, Slot, Message, "Error Processing Fader Movement", [&](LogitekClient& c, int channel) {
        const int gain = FaderToGain(ByteAt(Message, 7));
        const std::string address = c.Address;
        if (InputChannel(channel)) {
            SetChannelLevel(s, c, channel, gain);
        } else if (const BusFields bus = BusChannel(c, channel); bus.Gain) {
            *bus.Gain = gain;
            if (channel == Bus1Channel || channel == Bus2Channel)
                Gain(s, OutputGain, gain, *bus.Output - 1, NoneValue);
        } else {
            return;
        }
        if (s.cfg.LogGains)
            LogIPMessage(s, "Received Gain Message", address);
        else if (s.cfg.DisplayGains)
            DisplayMessage(s, "Received Gain Message", address);
    });
}

void ProcessFaderTrim(Server& s, int Slot, const Bytes& Message)
{
    OnChannel(s, Slot, Message, "Error Processing Fader Trim", [&](LogitekClient& c, int channel) {
        if (!InputChannel(channel) || ByteAt(Message, 7) != TrimStep)
            return;
        const int v = ByteAt(Message, 8);
        if (v <= 10)
            SetChannelLevel(s, c, channel, LogitekUnity + 10 * v);
        else if (v >= 246)
            SetChannelLevel(s, c, channel, LogitekUnity - 10 * (256 - v));
    });
}

void SetChannelMode(Server& s, int Slot, const Bytes& Message)
{
    OnChannel(s, Slot, Message, "Error Setting Channel Mode", [&](LogitekClient& c, int channel) {
        const int mode = ByteAt(Message, 7);
        if (InputChannel(channel) && (mode == 0 || mode == 1))
            c.ChannelMode[At(channel)] = mode;
    });
}

void SendFaderPosition(Server& s, int FirstOutput, int Count)
{
    Trap(s, "Error Setting Fader position", "Logitek IP Message Error", [&] {
        const Model& m = s.model;
        const int last = std::min({FirstOutput + Count, m.NumDestinations, static_cast<int>(m.CrosspointMap.size())});
        for (int o = std::max(FirstOutput, 0); o < last; ++o) {
            const CrosspointRecord& x = m.CrosspointMap[static_cast<size_t>(o)];
            for (int slot = 1; slot <= s.LogitekClients.SlotCount(); ++slot) {
                LogitekClient& c = Logitek(s, slot);
                if (!c.Connected || !c.SetUp)
                    continue;
                if (o == c.Bus2Output - 1) {
                    c.Bus2Gain = x.TakeExtra;
                    SendToLogitek(s, slot,
                                  FaderMessage(s, Bus2Channel + ChannelCodeOffset, TranslateGain(x.TakeExtra)));
                }
                if (o != c.Bus1Output - 1)
                    continue;
                c.Bus1Gain = x.TakeExtra;
                Bytes faders = FaderMessage(s, Bus1Channel + ChannelCodeOffset, TranslateGain(x.TakeExtra));
                const int entries = std::min(static_cast<int>(x.SourceCount), MaxSourceEntries);
                for (int k = 0; k < entries; ++k)
                    for (int channel = 1; channel <= LogitekInputChannels; ++channel) {
                        const int source = c.ChannelSource[At(channel)];
                        if (source != NoneValue && source - 1 == x.Sources[static_cast<size_t>(k)])
                            faders += FaderMessage(s, channel + ChannelCodeOffset,
                                                   TranslateGain(x.Levels[static_cast<size_t>(k)]));
                    }
                SendToLogitek(s, slot, faders);
            }
        }
    });
}
