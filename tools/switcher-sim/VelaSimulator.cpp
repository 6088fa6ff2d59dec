#include "VelaSimulator.h"

#include "SimulatorFraming.h"

#include "model/ByteManipulation.h"
#include "model/Model.h"
#include "switcher/vela/ToVela.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <string>

namespace {

constexpr unsigned char Poll = 0xF5;
constexpr unsigned char PollAnswer = 0xF4;
constexpr unsigned char EndOfMessage = 0xFF;

constexpr int NameLength = 8;
constexpr int DefaultLevel = 1024;
constexpr int MaxRoutes = 64;
constexpr int LevelFlag = 512;
constexpr int IgnoredTypeFlag = 1024;

// Take types the switcher executes.
constexpr int TurnOff = 0, Take = 4, PriorityTake = 5, SumOff = 32, PrioritySumOff = 33, SumOn = 36, PrioritySumOn = 37,
              ReleaseRelay = 64, LatchRelay = 68, MomentaryRelay = 72;

// Mask bits of the tables answered (the pending-update bits of the server).
constexpr int64_t BitVersion = 1 << 2, BitStatus = 1 << 3, BitState = 1 << 4, BitDescription = 1 << 5,
                  BitConfig = 1 << 6, BitCrosspoints = 1 << 7, BitSourceAlphas = 1 << 8, BitDestinationAlphas = 1 << 9,
                  BitSourceLinks = 1 << 10, BitDestinationLinks = 1 << 11, BitInhibits = 1 << 12, BitButtons = 1 << 13,
                  BitSalvos = 1 << 14, BitGains = 1 << 15, BitRelayStates = 1 << 16, BitOptoStates = 1 << 17,
                  BitClock = 1 << 18, BitSourceLists = 1 << 20, BitDestinationLists = 1 << 21, BitGainOffsets = 1 << 22,
                  BitRelayConfig = 1 << 23, BitOptoAlphas = 1 << 24, BitRelayAlphas = 1 << 25, BitTransitions = 1 << 26;
constexpr int64_t RequestEverything = 1;

// The one frame the simulator is built of: a controller card with two
// control ports, then an input and an output card of stereo ports. Cards
// are catalogue type 4999 (no stated kind), control ports 2900, audio
// ports 5999. Every element reports state and status 1.
struct Card {
    int Ports;
    int PortType;
    int Channels;
    const char* Version;
};
constexpr Card Cards[] = {{2, 2900, 1, "Controller 1.00"}, {8, 5999, 2, "Inputs 1.00"}, {8, 5999, 2, "Outputs 1.00"}};
constexpr int CardCount = static_cast<int>(sizeof Cards / sizeof Cards[0]);
constexpr int CardType = 4999;
constexpr int Up = 1;
constexpr int CardSettings = 3, ChannelSettings = 8;

// Settings the simulator reports but does not let a client change.
constexpr int ClockSetting = 20, ClockMode = 2, GainOffset = 80;
constexpr int DisplayListPlaces = 8;
constexpr int TransitionBytes = 4;

Bytes Start(unsigned char command, unsigned char second)
{
    Bytes f;
    f += static_cast<char>(command);
    f += static_cast<char>(second);
    return f;
}

Bytes Finish(Bytes f)
{
    AppendChecksumAndEnd(f);
    return f;
}

void Put(Bytes& f, std::initializer_list<int> bytes)
{
    for (int b : bytes)
        f += static_cast<char>(b & 127);
}

int Pair(const Bytes& f, size_t at) { return CombineBytes(ByteAt(f, at), ByteAt(f, at + 1)); }

// E4: the frame count; per frame its card count, per card its port count,
// per port its channel count.
Bytes Description()
{
    Bytes f = Start(0xE4, 0);
    Put(f, {1, CardCount});
    for (const Card& c : Cards) {
        Put(f, {c.Ports});
        for (int p = 0; p < c.Ports; ++p)
            Put(f, {c.Channels});
    }
    return Finish(f);
}

// E2: frame count and first frame; per frame card count and first card;
// per card its type, settings, port count and first port; per port its
// type, channel count and first channel; per channel its settings.
Bytes Configuration()
{
    Bytes f = Start(0xE2, 0);
    Put(f, {1, 0, CardCount, 0});
    for (const Card& c : Cards) {
        AppendPair(f, CardType);
        for (int i = 0; i < CardSettings; ++i)
            AppendPair(f, 0);
        Put(f, {c.Ports, 0});
        for (int p = 0; p < c.Ports; ++p) {
            AppendPair(f, c.PortType);
            Put(f, {c.Channels, 0});
            for (int i = 0; i < c.Channels * ChannelSettings; ++i)
                AppendPair(f, 0);
        }
    }
    return Finish(f);
}

// E5: the frame count, then per card its frame, number, type and version text.
Bytes Versions()
{
    Bytes f = Start(0xE5, 0);
    Put(f, {1, 0});
    for (int c = 0; c < CardCount; ++c) {
        const std::string text = Cards[c].Version;
        Put(f, {0, c});
        AppendPair(f, CardType);
        Put(f, {static_cast<int>(text.size())});
        f += text;
    }
    return Finish(f);
}

// E1 (states) and F0 (statuses): counted runs of frames, cards, ports and
// channels, each entry led by its value.
Bytes Tree(unsigned char command)
{
    Bytes f = Start(command, 0);
    Put(f, {1, 0, Up, CardCount, 0});
    for (const Card& c : Cards) {
        Put(f, {Up, c.Ports, 0});
        for (int p = 0; p < c.Ports; ++p) {
            Put(f, {Up, c.Channels, 0});
            for (int ch = 0; ch < c.Channels; ++ch)
                Put(f, {Up});
        }
    }
    return Finish(f);
}

// ED carries the clock setting (kind 1), EF the clock mode.
Bytes Clock() { return Finish(Start(0xED, 1) + static_cast<char>(ClockSetting)) + Finish(Start(0xEF, ClockMode)); }

// EE: the two gain offsets.
Bytes GainOffsets()
{
    Bytes f = Start(0xEE, 0);
    AppendPair(f, GainOffset);
    AppendPair(f, GainOffset);
    return Finish(f);
}

std::vector<std::string> Names(const std::string& prefix, int count)
{
    std::vector<std::string> names(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        std::string n = (prefix + Digits(i + 1, 3)).substr(0, NameLength);
        n.resize(NameLength, ' ');
        names[static_cast<size_t>(i)] = n;
    }
    return names;
}

// Allowed sources as inhibit runs the way the switcher codes them: the value
// (0, allowed) in bit 6 of the first byte, the length in its bits 0-5 plus
// 128 times the second. Lengths with bit 6 set cannot be coded, so such a
// run is split. Returns the number of runs.
int AppendAllowedRuns(Bytes& runs, int length)
{
    int count = 0;
    while (length > 0) {
        const int piece = (length & 64) ? 63 : length;
        runs += static_cast<char>(piece & 63);
        runs += static_cast<char>(piece >> 7);
        ++count;
        length -= piece;
    }
    return count;
}

}  // namespace

std::string HexBytes(const Bytes& bytes)
{
    std::string text;
    char buf[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02X", ByteAt(bytes, i));
        if (i > 0)
            text += ' ';
        text += buf;
    }
    return text;
}

VelaSimulator::VelaSimulator(const SimulatorOptions& options)
    : size_(std::clamp(options.Size, 1, MaxSize)),
      sourceNames_(Names(options.SourcePrefix, size_)),
      destinationNames_(Names(options.DestinationPrefix, size_)),
      relayNames_(Names("Rly ", size_)),
      optoNames_(Names("Opt ", size_)),
      sourceLinks_(static_cast<size_t>(size_), 0),
      destinationLinks_(static_cast<size_t>(size_), 0),
      sourceGains_(static_cast<size_t>(size_), {DefaultLevel, DefaultLevel}),
      destinationGains_(static_cast<size_t>(size_), {DefaultLevel, DefaultLevel}),
      relays_(static_cast<size_t>(size_), 0),
      optos_(static_cast<size_t>(size_), 0),
      transitions_(static_cast<size_t>(size_), {0, 0, 0, 0})
{
    // Every destination starts on the source of its own number.
    map_.resize(static_cast<size_t>(size_));
    for (int d = 0; d < size_; ++d)
        map_[static_cast<size_t>(d)].Routes = {{d, DefaultLevel}};
}

int VelaSimulator::SourceGain(int source, int level) const
{
    return sourceGains_.at(static_cast<size_t>(source)).at(static_cast<size_t>(level));
}

Bytes VelaSimulator::Receive(const Bytes& chunk)
{
    buffer_ += chunk;
    return AnswerFrames(
        buffer_, MaxPending,
        [](unsigned char b, Bytes& answer) {
            if (b == Poll)
                answer += static_cast<char>(PollAnswer);
            return b == Poll || b == PollAnswer || b == EndOfMessage;
        },
        [&](const Bytes& frame) { return Spoil(HandleFrame(frame)); });
}

Bytes VelaSimulator::Spoil(Bytes frames)
{
    for (size_t at = 0; corrupt_ >= 0 && at < frames.size();) {
        const size_t end = frames.find(static_cast<char>(EndOfMessage), at);
        if (end == Bytes::npos || end < at + 2)
            break;
        if (ByteAt(frames, at) == corrupt_) {
            frames[end - 1] = static_cast<char>((frames[end - 1] + 1) & 127);
            corrupt_ = -1;
        }
        at = end + 1;
    }
    return frames;
}

Bytes VelaSimulator::HandleFrame(const Bytes& frame)
{
    if (frame.size() < 3 || CheckSum7(frame, 2) != ByteAt(frame, frame.size() - 2))
        return {};
    switch (ByteAt(frame, 0)) {
    case 0xFE: return HandleTake(frame);
    case 0xF2: return HandleInfoRequest(frame);
    case 0xE3: return HandleGain(frame);
    case 0xFA: return HandleLinks(frame);
    case 0xD2: return HandleTransition(frame);
    default: return {};  // uploads and salvo executes change nothing here
    }
}

Bytes VelaSimulator::HandleTake(const Bytes& frame)
{
    const int type = Pair(frame, 1);
    const bool hasLevel = (type & LevelFlag) != 0;
    if (frame.size() != (hasLevel ? 11u : 9u))
        return {};
    const int input = Pair(frame, 3);
    const int output = Pair(frame, 5);
    const int level = hasLevel ? Pair(frame, 7) : DefaultLevel;
    const int kind = type & ~(LevelFlag | IgnoredTypeFlag);
    if (output >= size_)
        return {};
    const bool relay = kind == ReleaseRelay || kind == LatchRelay || kind == MomentaryRelay;
    if (kind != TurnOff && !relay && input >= size_)
        return {};

    Destination& d = map_[static_cast<size_t>(output)];
    auto routed = [&](int source) {
        return std::find_if(d.Routes.begin(), d.Routes.end(), [&](const Route& r) { return r.Source == source; });
    };
    switch (kind) {
    case TurnOff: d.Routes.clear(); break;
    case Take: d.Routes = {{input, level}}; break;
    case PriorityTake: d.SumSources = {input}; break;
    case SumOn:
        if (routed(input) == d.Routes.end() && d.Routes.size() < MaxRoutes)
            d.Routes.push_back({input, level});
        break;
    case SumOff:
        d.Routes.erase(
            std::remove_if(d.Routes.begin(), d.Routes.end(), [&](const Route& r) { return r.Source == input; }),
            d.Routes.end());
        break;
    case PrioritySumOn:
        if (std::find(d.SumSources.begin(), d.SumSources.end(), input) == d.SumSources.end() &&
            d.SumSources.size() < MaxRoutes)
            d.SumSources.push_back(input);
        break;
    case PrioritySumOff:
        d.SumSources.erase(std::remove(d.SumSources.begin(), d.SumSources.end(), input), d.SumSources.end());
        break;
    case LatchRelay: relays_[static_cast<size_t>(output)] = 1; break;
    case ReleaseRelay:
    case MomentaryRelay: relays_[static_cast<size_t>(output)] = 0; break;  // a momentary contact is over at once
    default: return {};
    }
    // The report is the command as executed.
    int reported = type & ~LevelFlag;
    return BuildTakeVela(input, output, reported, hasLevel ? level : NoneValue);
}

Bytes VelaSimulator::HandleInfoRequest(const Bytes& frame) const
{
    if (frame.size() != 13)
        return {};
    int64_t mask = 0;
    for (int g = 0; g < 6; ++g)
        mask |= static_cast<int64_t>(ByteAt(frame, static_cast<size_t>(1 + g))) << (7 * g);
    if (mask == RequestEverything)
        mask = ~int64_t{0};
    Bytes answer;
    auto wants = [&](int64_t bit) { return (mask & bit) != 0; };
    // The make-up first: the server keeps states and statuses only for
    // frames and cards it knows.
    if (wants(BitDescription))
        answer += Description();
    if (wants(BitConfig))
        answer += Configuration();
    if (wants(BitVersion))
        answer += Versions();
    if (wants(BitState))
        answer += Tree(0xE1);
    if (wants(BitStatus))
        answer += Tree(0xF0);
    if (wants(BitCrosspoints))
        answer += CrosspointMap();
    if (wants(BitSourceAlphas))
        answer += AlphaTable(10, sourceNames_);
    if (wants(BitDestinationAlphas))
        answer += AlphaTable(20, destinationNames_);
    if (wants(BitSourceLinks))
        answer += LinkTable(10, sourceLinks_);
    if (wants(BitDestinationLinks))
        answer += LinkTable(20, destinationLinks_);
    if (wants(BitInhibits))
        answer += InhibitMap();
    if (wants(BitButtons))
        answer += Finish(Bytes("\xFD\x00\x00\x00\x00\x00\x00\x00", 8));  // no templates
    if (wants(BitSalvos)) {
        answer += AlphaTable(50, {});
        answer += Finish(Bytes("\xEB\x00\x00\x00\x00\x00", 6));  // no salvos, no events
    }
    if (wants(BitGains))
        for (int kind = 0; kind <= 3; ++kind)
            answer += Gains(kind);
    if (wants(BitRelayStates))
        answer += States(40, relays_);
    if (wants(BitOptoStates))
        answer += States(30, optos_);
    if (wants(BitOptoAlphas))
        answer += AlphaTable(30, optoNames_);
    if (wants(BitRelayAlphas))
        answer += AlphaTable(40, relayNames_);
    if (wants(BitClock))
        answer += Clock();
    if (wants(BitSourceLists))
        answer += DisplayLists(10);
    if (wants(BitDestinationLists))
        answer += DisplayLists(20);
    if (wants(BitGainOffsets))
        answer += GainOffsets();
    if (wants(BitRelayConfig))
        answer += RelayConfiguration();
    if (wants(BitTransitions))
        answer += Transitions();
    // The switcher's own information request with bit 27: the dump is complete.
    answer += Finish(Bytes("\xF2\x00\x00\x00\x40\x00\x00\x00\x00", 9));
    return answer;
}

Bytes VelaSimulator::HandleGain(const Bytes& frame)
{
    // E3 02 Kind, a count of 1, Index, Value, then Value2 and Option when sent.
    if (frame.size() < 11 || frame.size() > 14 || Pair(frame, 3) != 1)
        return {};
    const int kind = ByteAt(frame, 2);
    const int index = Pair(frame, 5);
    const int value = Pair(frame, 7);
    if (index >= size_)
        return {};
    if (kind == 0 || kind == 1)
        sourceGains_[static_cast<size_t>(index)][static_cast<size_t>(kind)] = value;
    else if (kind == 2 || kind == 3)
        destinationGains_[static_cast<size_t>(index)][static_cast<size_t>(kind - 2)] = value;
    // Reported as a one-entry gain table starting at the index.
    return BuildGainVela(kind, value, index, NoneValue, NoneValue);
}

Bytes VelaSimulator::HandleLinks(const Bytes& frame)
{
    const int code = ByteAt(frame, 1);
    if ((code != 10 && code != 20) || frame.size() < 8)
        return {};
    const int count = Pair(frame, 2);
    const int first = Pair(frame, 4);
    if (frame.size() != static_cast<size_t>(count) + 8 || first >= size_)
        return {};
    std::vector<int>& links = code == 10 ? sourceLinks_ : destinationLinks_;
    const int applied = std::min(count, size_ - first);
    Bytes report = Start(0xFA, static_cast<unsigned char>(code));
    AppendPair(report, applied);
    AppendPair(report, first);
    for (int i = 0; i < applied; ++i) {
        links[static_cast<size_t>(first + i)] = ByteAt(frame, static_cast<size_t>(6 + i));
        report += frame[static_cast<size_t>(6 + i)];
    }
    return Finish(report);
}

Bytes VelaSimulator::HandleTransition(const Bytes& frame)
{
    // D2 0A, a count of 1, the destination, 04 and its four settings.
    if (frame.size() != 13 || ByteAt(frame, 1) != 0x0A || Pair(frame, 2) != 1 || ByteAt(frame, 6) != 4)
        return {};
    const int destination = Pair(frame, 4);
    if (destination >= size_)
        return {};
    for (size_t i = 0; i < 4; ++i)
        transitions_[static_cast<size_t>(destination)][i] = ByteAt(frame, 7 + i);
    return frame;
}

Bytes VelaSimulator::CrosspointMap() const
{
    Bytes f = Start(0xF6, 0);
    AppendPair(f, size_);
    AppendPair(f, 0);
    for (const Destination& d : map_) {
        AppendPair(f, static_cast<long>(d.Routes.size()));
        f += static_cast<char>(d.SumSources.empty() ? 0 : 1);
        for (const Route& r : d.Routes) {
            AppendPair(f, r.Source);
            AppendPair(f, r.Level);
        }
    }
    return Finish(f);
}

Bytes VelaSimulator::AlphaTable(int code, const std::vector<std::string>& names) const
{
    Bytes f = Start(0xFC, static_cast<unsigned char>(code));
    f += static_cast<char>(NameLength);
    AppendPair(f, static_cast<long>(names.size()));
    AppendPair(f, 0);
    // A fixed prefix and a zero-padded number, even cut to 8 characters,
    // keep the names in alphabetical order: each is its own sort entry.
    for (size_t i = 0; i < names.size(); ++i) {
        f += names[i];
        AppendPair(f, static_cast<long>(i));
    }
    return Finish(f);
}

Bytes VelaSimulator::LinkTable(int code, const std::vector<int>& links) const
{
    Bytes f = Start(0xFA, static_cast<unsigned char>(code));
    AppendPair(f, static_cast<long>(links.size()));
    AppendPair(f, 0);
    for (int link : links)
        f += static_cast<char>(link & 127);
    return Finish(f);
}

Bytes VelaSimulator::InhibitMap() const
{
    // Nothing is inhibited: every destination is one run of allowed sources.
    Bytes f = Start(0xF8, 0);
    AppendPair(f, size_);
    AppendPair(f, 0);
    Bytes runs;
    const int count = AppendAllowedRuns(runs, size_);
    for (int d = 0; d < size_; ++d) {
        AppendPair(f, count);
        f += runs;
    }
    return Finish(f);
}

Bytes VelaSimulator::Gains(int kind) const
{
    const auto& table = kind < 2 ? sourceGains_ : destinationGains_;
    Bytes f = Start(0xE3, 2);
    f += static_cast<char>(kind);
    AppendPair(f, static_cast<long>(table.size()));
    AppendPair(f, 0);
    for (const auto& gain : table)
        AppendPair(f, gain[static_cast<size_t>(kind % 2)]);
    return Finish(f);
}

Bytes VelaSimulator::States(int kind, const std::vector<int>& states) const
{
    Bytes f = Start(0xF7, static_cast<unsigned char>(kind));
    AppendPair(f, static_cast<long>(states.size()));
    for (size_t i = 0; i < states.size(); ++i) {
        AppendPair(f, static_cast<long>(i));
        f += static_cast<char>(states[i] & 127);
    }
    return Finish(f);
}

// DF: first list and count, then per list its name, member count and
// members. List i holds the numbers 8i to 8i+7; places beyond the last
// source or destination, or from 255 on (255 marks an empty place), are empty.
Bytes VelaSimulator::DisplayLists(int code) const
{
    Bytes f = Start(0xDF, static_cast<unsigned char>(code));
    AppendPair(f, 0);
    AppendPair(f, DisplayListCount);
    for (int i = 0; i < DisplayListCount; ++i) {
        f += "List " + Digits(i + 1, 3);
        AppendPair(f, DisplayListPlaces);
        for (int k = 0; k < DisplayListPlaces; ++k) {
            const int member = i * DisplayListPlaces + k;
            AppendPair(f, member < std::min(size_, EmptyDisplayMember) ? member : EmptyDisplayMember);
        }
    }
    return Finish(f);
}

// F9: count and first relay, one configuration value per relay (0 for all).
Bytes VelaSimulator::RelayConfiguration() const
{
    Bytes f = Start(0xF9, 0);
    AppendPair(f, size_);
    AppendPair(f, 0);
    for (int r = 0; r < size_; ++r)
        AppendPair(f, 0);
    return Finish(f);
}

// D2: count and first destination, the bytes per destination, then each
// destination's transition settings as the last command set them.
Bytes VelaSimulator::Transitions() const
{
    Bytes f = Start(0xD2, 0x0A);
    AppendPair(f, size_);
    AppendPair(f, 0);
    Put(f, {TransitionBytes});
    for (const auto& t : transitions_)
        for (uint8_t b : t)
            Put(f, {b});
    return Finish(f);
}
