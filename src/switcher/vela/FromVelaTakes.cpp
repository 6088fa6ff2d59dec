// Takes (FE), crosspoint maps (F6) and frame states (E1) from a Vela switcher.
#include "disk/Logs.h"
#include "disk/SoftPanelFiles.h"
#include "disk/Trap.h"
#include "model/ByteManipulation.h"
#include "model/Server.h"
#include "model/TakeTypes.h"
#include "switcher/vela/FromVela.h"
#include "switcher/vela/FromVelaShared.h"
#include "switcher/vela/ToVela.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {

constexpr int NoLevel = 1024;
constexpr int MaxListEntries = 64;
constexpr uint8_t LostStatus = 20;
constexpr uint8_t DemoRestoredStatus = 21;

// Appends Input (with Level when Levels is given) unless it is listed
// already; false when the list is full.
bool AddToList(std::array<int, MaxSourceEntries>& List, uint8_t& Count, std::array<int, MaxSourceEntries>* Levels,
               int Input, int Level)
{
    const int used = std::min<int>(Count, MaxSourceEntries);
    if (std::find(List.begin(), List.begin() + used, Input) != List.begin() + used)
        return true;
    if (used >= MaxListEntries)
        return false;
    List[static_cast<size_t>(used)] = Input;
    if (Levels)
        (*Levels)[static_cast<size_t>(used)] = Level;
    Count = static_cast<uint8_t>(used + 1);
    return true;
}

void RemoveFromList(std::array<int, MaxSourceEntries>& List, uint8_t& Count, std::array<int, MaxSourceEntries>* Levels,
                    int Input)
{
    int used = std::min<int>(Count, MaxSourceEntries);
    for (int k = 0; k < used;) {
        if (List[static_cast<size_t>(k)] != Input) {
            ++k;
            continue;
        }
        for (int j = k; j + 1 < used; ++j) {
            List[static_cast<size_t>(j)] = List[static_cast<size_t>(j + 1)];
            if (Levels)
                (*Levels)[static_cast<size_t>(j)] = (*Levels)[static_cast<size_t>(j + 1)];
        }
        --used;
    }
    Count = static_cast<uint8_t>(used);
}

// One routing or relay command as the switcher executed it: table change,
// forwarding, polled bits and the log line. False when it was dropped.
bool ApplyTake(Server& s, int Input, int Output, int Type, int Level)
{
    Model& m = s.model;
    bool allowed = true;
    const bool relay = IsRelayTake(Type);
    if (Output < 0 || Output >= m.NumDestinations || static_cast<size_t>(Output) >= m.CrosspointMap.size())
        return false;
    if (relay && static_cast<size_t>(Output) >= m.RelayStates.size())
        return false;
    const bool inputKnown = Input >= 0 && Input < m.NumSources;
    if (!inputKnown && Type != TakeType::TurnOff && Type != TakeType::NoTable)
        return false;
    if (s.cfg.DemoMode && inputKnown) {
        if (m.InhibitMap.inhibited(static_cast<size_t>(Output), static_cast<size_t>(Input)))
            allowed = false;
    }
    CrosspointRecord& x = m.CrosspointMap[static_cast<size_t>(Output)];
    switch (Type) {
    case TakeType::TurnOff:
        x.SourceCount = 0;
        Input = 0;
        break;
    case TakeType::Take:
        if (allowed) {
            x.Sources[0] = Input;
            x.Levels[0] = Level;
            x.SourceCount = 1;
        }
        break;
    case TakeType::PriorityTake:
        if (allowed) {
            x.SumSources[0] = Input;
            x.SumCount = 1;
        }
        break;
    // An inhibited source is not summed either: the model keeps what the
    // clients are told.
    case TakeType::SumOn: allowed = allowed && AddToList(x.Sources, x.SourceCount, &x.Levels, Input, Level); break;
    case TakeType::PrioritySumOn:
        allowed = allowed && AddToList(x.SumSources, x.SumCount, nullptr, Input, Level);
        break;
    case TakeType::SumOff: RemoveFromList(x.Sources, x.SourceCount, &x.Levels, Input); break;
    case TakeType::PrioritySumOff: RemoveFromList(x.SumSources, x.SumCount, nullptr, Input); break;
    case TakeType::LatchRelay: m.RelayStates[static_cast<size_t>(Output)] = 1; break;
    case TakeType::MomentaryRelay:
    case TakeType::ReleaseRelay: m.RelayStates[static_cast<size_t>(Output)] = 0; break;
    default: break;
    }
    x.SumFlag = x.SumCount > 0 ? 1 : 0;

    if (relay)
        s.reports().RelayOptoChanged(s, TableRelays, Output);
    else if (allowed)
        s.reports().CrosspointChanged(s, Output, Input, Type);
    if (Output >= m.NumDestinations - 1)
        MarkPolledClients(s, relay ? UpdateBit::RelayStates : UpdateBit::Crosspoints);
    const std::string text = TakeLogText(Type, Input, Output);
    if (!text.empty())
        LogVelaMessage(s, text);
    return true;
}

int Partner(int n) { return n % 2 == 1 ? n - 1 : n + 1; }

// A real switcher reports the linked half of a stereo take itself; the
// simulated one repeats the take for the partner here.
void EchoStereoLink(Server& s, int Input, int Output, int Type, int Level)
{
    const Model& m = s.model;
    if (IsRelayTake(Type) || static_cast<size_t>(Output) >= m.DestinationLinks.size())
        return;
    const bool sourceLinked = Input >= 0 && static_cast<size_t>(Input) < m.SourceLinks.size() &&
                              m.SourceLinks[static_cast<size_t>(Input)] == 1;
    switch (m.DestinationLinks[static_cast<size_t>(Output)]) {
    case 1: ApplyTake(s, sourceLinked ? Partner(Input) : Input, Partner(Output), Type, Level); break;
    case 2:
        if (sourceLinked)
            ApplyTake(s, Partner(Input), Partner(Output), Type, Level);
        break;
    case 3:
        if (sourceLinked) {
            const int summed = Type == TakeType::Take           ? TakeType::SumOn
                               : Type == TakeType::PriorityTake ? TakeType::PrioritySumOn
                                                                : Type;
            ApplyTake(s, Partner(Input), Output, summed, Level);
        }
        break;
    default: break;
    }
}

// An F6 crosspoint map: count, first, then per destination its sources
// with their levels. Only destinations below Destinations with a source
// list the record holds are kept; every entry is read so that the length
// check sees the whole frame. None when the frame is not exactly that long.
struct CrosspointRun {
    int Count = 0;
    int First = 0;
    std::vector<std::pair<int, CrosspointRecord>> Kept;
};

std::optional<CrosspointRun> ReadCrosspointRun(const Bytes& Frame, int Destinations)
{
    FrameReader r(Frame, 2);
    CrosspointRun run;
    run.Count = r.Pair();
    run.First = r.Pair();
    for (int i = 0; i < run.Count && !r.Failed(); ++i) {
        const int n = r.Pair();
        const int sumFlag = r.Byte();
        const int d = run.First + i;
        const bool keep = d < Destinations && n <= MaxSourceEntries;
        CrosspointRecord x{};
        x.Levels[0] = 0;
        for (int k = 0; k < n && !r.Failed(); ++k) {
            const int source = r.Pair();
            const int level = r.Pair();
            if (keep) {
                x.Sources[static_cast<size_t>(k)] = source;
                x.Levels[static_cast<size_t>(k)] = level;
            }
        }
        if (keep && !r.Failed()) {
            x.SourceCount = static_cast<uint8_t>(n);
            x.SumCount = 0;
            x.SumFlag = static_cast<uint8_t>(sumFlag);
            run.Kept.emplace_back(d, x);
        }
    }
    if (!r.Complete())
        return std::nullopt;
    return run;
}

}  // namespace

void ProcessVelaTake(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Processing Take Command", "Vela Command Error", [&] {
        if (!VelaChecksumOk(s, Frame, "Vela Check Sum Error", "Take Command"))
            return;
        FrameReader r(Frame, 1);
        int type = r.Pair();
        const size_t expected = (type & TakeType::LevelFlag) ? 11 : 9;
        if (Frame.size() != expected) {
            LogSoftwareError(s, "Vela Message Length Error", 0, "Take Command");
            return;
        }
        int input = r.Pair();
        const int output = r.Pair();
        const int level = (type & TakeType::LevelFlag) ? r.Pair() : NoLevel;
        type &= ~(TakeType::LevelFlag | TakeType::IgnoredFlag);
        if (!ApplyTake(s, input, output, type, level))
            return;
        if (type == TakeType::TurnOff)
            input = 0;
        if (s.cfg.DemoMode)
            EchoStereoLink(s, input, output, type, level);
    });
}

void ProcessVelaCrosspointMap(Server& s, const Bytes& Frame)
{
    // The trap names the step that failed.
    std::string step = "CSum Error";
    try {
        Model& m = s.model;
        if (!VelaChecksumOk(s, Frame, "Check Sum Error", "Crosspoint Map"))
            return;
        step = "Socket Error";
        s.reports().ForwardFrame(s, Frame, FrameAudience::AllOnline, 0, UpdateBit::Crosspoints);
        const bool polled = AnyPolledClient(s);

        step = "Decode Error";
        const std::optional<CrosspointRun> run = ReadCrosspointRun(Frame, m.NumDestinations);
        if (!run) {
            LogSoftwareError(s, "Message Length Error", 0, "Crosspoint Map");
            return;
        }

        step = "Output Error";
        const int first = run->First;
        const int count = std::clamp(m.NumDestinations - first, 0, run->Count);
        for (const auto& [d, x] : run->Kept)
            m.CrosspointMap[static_cast<size_t>(d)] = x;

        step = "Console Error";
        s.reports().TableChanged(s, UpdateBit::Crosspoints, first, count);

        step = "Log Error";
        std::string text = std::to_string(count) + " Crosspoint Maps, Starting at Output " + Digits(first + 1, 4);
        if (count == 1) {
            const CrosspointRecord& x = m.CrosspointMap.at(static_cast<size_t>(first));
            text += x.SourceCount == 0 ? " (Off)" : " (" + Digits(x.Sources[0] + 1, 4) + ")";
        }
        LogVelaMessage(s, text);

        step = "Restore Error";
        m.UpdateFlags &= ~UpdateBit::Crosspoints;
        if (polled) {
            if (first + count < m.NumDestinations)
                DeferRequest(s, UpdateBit::RelayStates);
            else
                MarkPolledClients(s, UpdateBit::Crosspoints);
        }

        step = "File Error";
        if (s.cfg.MaintainNdf)
            SaveCrosspointMapNdf(s);
    } catch (const std::exception& e) {
        LogException(s, "Error Processing Crosspoint Map - " + step, "Switcher Message Error", e);
    }
}

void ReportStateLoss(Server& s, int Level, int Frame, int Card, int Port)
{
    FrameRecord* frame = ConfigFrame(s.model, Frame);
    if (!frame || Card < 0 || Card >= CardsPerFrame || Port < 0 || Port >= PortsPerCard)
        return;
    auto losePort = [](PortRecord& p) {
        p.Status = LostStatus;
        for (ChannelRecord& ch : p.Channels)
            ch.Status = LostStatus;
    };
    auto loseCard = [&](CardRecord& c) {
        c.Status = LostStatus;
        for (PortRecord& p : c.Ports)
            losePort(p);
    };
    switch (Level) {
    case 1:
        frame->Cards[0].FrameStatus = LostStatus;
        for (CardRecord& c : frame->Cards)
            loseCard(c);
        break;
    case 2: loseCard(frame->Cards[static_cast<size_t>(Card)]); break;
    case 3: losePort(frame->Cards[static_cast<size_t>(Card)].Ports[static_cast<size_t>(Port)]); break;
    default: break;
    }
}

void ProcessVelaState(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving State Message", "Vela Message Error", [&] {
        Model& m = s.model;
        if (!ConfigurationKnown(m) || !CheckAndForward(s, Frame, "Switcher State", ReplyBit::State, ReplyBit::State))
            return;
        FrameReader r(Frame, 2);
        const int frames = r.Byte();
        const int firstFrame = r.Byte();
        if (firstFrame + frames > m.NumFrames) {
            LogSoftwareError(s, "Frame Size", 0, "State Message");
            return;
        }
        if (!WalkConfigTree(Frame, [](int, int, int, int, int, int) {})) {
            LogSoftwareError(s, "Vela Message Length Error", 0, "Switcher State");
            return;
        }
        WalkConfigTree(Frame, [&](int Level, int F, int C, int P, int Ch, int Value) {
            uint8_t* state = StoredTreeValue(m, TreeValue::State, Level, F, C, P, Ch);
            if (!state)
                return;
            if (*state != 0 && Value == 0 && Level < 4)
                ReportStateLoss(s, Level, F, C, P);
            // A card with a state exists: its status is set beside it.
            if (s.cfg.DemoMode && Level == 2 && Value != 0 && *state != Value)
                ConfigCard(ConfigFrame(m, F), C)->Status = DemoRestoredStatus;
            *state = static_cast<uint8_t>(Value);
        });
        Finish(s, ReplyBit::State, "Received State Message");
    });
}
