// Status, version, configuration, gain, clock and relay messages from a Vela
// switcher. Where the switcher's inner layout is not fixed elsewhere, each
// handler reads the layout that the Helm reply of the same table writes
// (helm/ToHelm.cpp), so the frame a Helm PC receives forwarded and the one
// the server builds from its model read the same way.
#include "disk/Logs.h"
#include "disk/StatusDisplay.h"
#include "disk/Trap.h"
#include "model/ByteManipulation.h"
#include "model/Server.h"
#include "switcher/ToSwitcher.h"
#include "switcher/vela/FromVela.h"
#include "switcher/vela/FromVelaShared.h"
#include "switcher/vela/ToVela.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// E4 layout: E4, one byte not read, the frame count; then per frame its card
// count, per card its port count, per port its channel count, one byte each.
// With a null model the frame is only walked (the length check).
bool WalkDescription(const Bytes& Frame, Model* m)
{
    FrameReader r(Frame, 2);
    const int frames = r.Byte();
    for (int f = 0; f < frames && !r.Failed(); ++f) {
        FrameRecord* frame = m ? ConfigFrame(*m, f) : nullptr;
        const int cards = r.Byte();
        if (frame)
            frame->Cards[0].Count = static_cast<uint8_t>(std::min(cards, CardsPerFrame));
        for (int c = 0; c < cards && !r.Failed(); ++c) {
            CardRecord* card = ConfigCard(frame, c);
            const int ports = r.Byte();
            if (card)
                card->PortCount = static_cast<uint8_t>(std::min(ports, PortsPerCard));
            for (int p = 0; p < ports && !r.Failed(); ++p) {
                const int channels = r.Byte();
                if (PortRecord* port = ConfigPort(card, p); port && !r.Failed()) {
                    port->ChannelCount = static_cast<uint8_t>(channels);
                    port->Channels.resize(static_cast<size_t>(channels));
                }
            }
        }
    }
    return r.Complete();
}

// Bytes per value of a gain frame by kind: the crosspoint kinds carry the
// source after the level (10) and a fade byte (11); the faded output gain
// (16) a fade byte. This is what SendGainVela puts on the wire, so the demo
// loop-back reads its own frames.
size_t GainEntryBytes(int Kind)
{
    switch (Kind) {
    case 10: return 4;
    case 11: return 5;
    case 16: return 3;
    default: return 2;
    }
}

constexpr int RelayKind = 40;
constexpr int OptoKind = 30;

// Reads one gain entry of Kind (the E3 layout at ProcessVelaGain) for channel
// At and keeps it where the model has that channel.
void StoreGainEntry(Model& m, FrameReader& r, int kind, int at)
{
    const int value = r.Pair();
    switch (kind) {
    case 0:
    case 1:
    case 2:
    case 3: {
        std::vector<GainRecord>& gains = kind < 2 ? m.SourceGains : m.DestinationGains;
        const int channels = kind < 2 ? m.NumSources : m.NumDestinations;
        if (at < channels && static_cast<size_t>(at) < gains.size())
            (kind % 2 == 0 ? gains[static_cast<size_t>(at)].Level1 : gains[static_cast<size_t>(at)].Level2) = value;
        break;
    }
    case 10:
    case 11: {
        const int source = r.Pair();
        if (kind == 11)
            r.Byte();  // the fade; the level it reaches is what is kept
        if (at >= m.NumDestinations || static_cast<size_t>(at) >= m.CrosspointMap.size())
            break;
        CrosspointRecord& x = m.CrosspointMap[static_cast<size_t>(at)];
        for (int k = 0; k < std::min<int>(x.SourceCount, MaxSourceEntries); ++k)
            if (x.Sources[static_cast<size_t>(k)] == source)
                x.Levels[static_cast<size_t>(k)] = value;
        break;
    }
    case 15:
    case 16:
        if (kind == 16)
            r.Byte();
        if (at < m.NumDestinations && static_cast<size_t>(at) < m.CrosspointMap.size())
            m.CrosspointMap[static_cast<size_t>(at)].TakeExtra = value;
        break;
    default: r.Skip(GainEntryBytes(kind) - 2); break;
    }
}

}  // namespace

// E5 layout (the Helm version reply's): E5, one byte not read, frame count,
// one byte not read, then to the end of the frame entries of frame, card
// (one byte each), the card's type code (pair), the length of its version
// text (one byte) and the text.
void ProcessVelaVersion(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Version", "Switcher Message Error", [&] {
        if (!CheckAndForward(s, Frame, "Version Message", ReplyBit::Version, ReplyBit::Version))
            return;
        struct Entry {
            int Frame, Card, Type;
            std::string Text;
        };
        std::vector<Entry> entries;
        FrameReader r(Frame, 4);
        while (r.Remaining() > 0) {
            Entry e;
            e.Frame = r.Byte();
            e.Card = r.Byte();
            e.Type = r.Pair();
            e.Text = r.Text(static_cast<size_t>(r.Byte()));
            if (r.Failed())
                break;
            entries.push_back(std::move(e));
        }
        if (!r.Complete()) {
            LogSoftwareError(s, "Length Error", 0, "Version Message");
            return;
        }
        Model& m = s.model;
        for (const Entry& e : entries) {
            CardRecord* card = ConfigCard(ConfigFrame(m, e.Frame), e.Card);
            if (!card || static_cast<size_t>(e.Frame) >= m.CardVersions.size())
                continue;
            card->TypeCode = e.Type;
            m.CardVersions[static_cast<size_t>(e.Frame)][static_cast<size_t>(e.Card)] = e.Text;
        }
        Finish(s, ReplyBit::Version, "Received Version Message");
    });
}

void ProcessVelaDescription(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Description Info", "Switcher Message Error", [&] {
        if (!CheckAndForward(s, Frame, "Switcher Description", ReplyBit::Description, ReplyBit::Description))
            return;
        if (!WalkDescription(Frame, nullptr)) {
            LogSoftwareError(s, "Length Error", 0, "Switcher Description");
            return;
        }
        // Only the frames the configuration records hold are sized.
        SizeConfigTable(s.model, std::min<int>(ByteAt(Frame, 2), MaxStoredFrames));
        WalkDescription(Frame, &s.model);
        Finish(s, ReplyBit::Description, "Received System Description");
    });
}

void ProcessVelaStatus(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Switcher Status Info", "Switcher Message Error", [&] {
        Model& m = s.model;
        if (!ConfigurationKnown(m))
            return;
        if (!CheckAndForward(s, Frame, "Switcher Status", ReplyBit::Status, ReplyBit::Status))
            return;
        if (!WalkConfigTree(Frame, [](int, int, int, int, int, int) {})) {
            LogSoftwareError(s, "Length Error", 0, "Switcher Status");
            return;
        }
        WalkConfigTree(Frame, [&](int Level, int F, int C, int P, int Ch, int Value) {
            if (uint8_t* status = StoredTreeValue(m, TreeValue::Status, Level, F, C, P, Ch))
                *status = static_cast<uint8_t>(Value);
        });
        Finish(s, ReplyBit::Status, "Received Status Message");
    });
}

// E2 layout: the Helm configuration reply's (WalkConfig).
void ProcessVelaConfig(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Config Info", "Switcher Message Error", [&] {
        if (!CheckAndForward(s, Frame, "Switcher Config", ReplyBit::Config, ReplyBit::Config))
            return;
        if (!WalkConfig(Frame, nullptr)) {
            LogSoftwareError(s, "Config Length Error", 0, "Switcher Config");
            return;
        }
        WalkConfig(Frame, &s.model);
        Finish(s, ReplyBit::Config, "Received Config Message");
    });
}

// E3 layout: E3, one byte not read, kind, count, first, then count entries of
// GainEntryBytes(kind). Kinds 0 and 1: the two levels of source first + i;
// 2 and 3: of destination first + i; 10 and 11: the level of a source routed
// to destination first + i (the level, then the source); 15 and 16: the
// destination's output level, kept in its crosspoint record.
void ProcessVelaGain(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Gain", "Switcher Message Error", [&] {
        if (!CheckAndForward(s, Frame, "Gain Message", ReplyBit::Gains, ReplyBit::Gains, "Check Sum Error", true))
            return;
        Model& m = s.model;
        FrameReader r(Frame, 2);
        const int kind = r.Byte();
        const int count = r.Pair();
        const int first = r.Pair();
        if (r.Failed() || Frame.size() != GainEntryBytes(kind) * static_cast<size_t>(count) + 9) {
            LogSoftwareError(s, "Length Error", 0, "Gain Message");
            return;
        }
        for (int i = 0; i < count; ++i)
            StoreGainEntry(m, r, kind, first + i);
        if (kind == 10 || kind == 11 || kind == 15 || kind == 16)
            s.reports().GainsChanged(s, first, count);
        if (s.cfg.LogGains)
            LogVelaMessage(s, "Received Gain Message");
        else if (s.cfg.DisplayGains)
            DisplayMessage(s, "Received Gain Message", "Switcher COM" + std::to_string(s.cfg.CommPort));
        m.UpdateFlags &= ~ReplyBit::Gains;
    });
}

// B0 layout: B0, the frame (0-based) and slot of the module, one byte each,
// the error code (pair), then the module's name to the end of the frame. The
// switcher error log stamps the line with the server's own time.
void ProcessVelaError(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Error", "Switcher Message Error", [&] {
        if (!CheckAndForward(s, Frame, "Error Message", 0, 0))
            return;
        FrameReader r(Frame, 1);
        const int frame = r.Byte();
        const int slot = r.Byte();
        const int code = r.Pair();
        if (r.Failed()) {
            LogSoftwareError(s, "Length Error", 0, "Error Message");
            return;
        }
        const std::string module = r.Text(r.Remaining());
        if (s.cfg.LogSwitcherErrors)
            LogSwitcherError(s, code, "F:" + std::to_string(frame + 1) + " S:" + Digits(slot, 2) + " " + module);
    });
}

// ED layout (the Helm clock reply's): ED, kind, value; kind 1 carries the
// clock setting.
void ProcessVelaClock(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Clock", "Switcher Message Error", [&] {
        if (!CheckAndForward(s, Frame, "Clock Message", ReplyBit::Clock, ReplyBit::Clock))
            return;
        if (Frame.size() != 5) {
            LogSoftwareError(s, "Length Error", 0, "Clock Message");
            return;
        }
        if (ByteAt(Frame, 1) == 1)
            s.model.ClockSetting = ByteAt(Frame, 2);
        Finish(s, ReplyBit::Clock, "Received Clock Message");
    });
}

// EF layout (the Helm clock reply's second frame): EF, the clock mode.
void ProcessVelaClockConfig(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Clock Config", "Switcher Message Error", [&] {
        if (!CheckAndForward(s, Frame, "Clock Configuration", ReplyBit::Clock, ReplyBit::Clock))
            return;
        if (Frame.size() != 4) {
            LogSoftwareError(s, "Length Error", 0, "Clock Configuration");
            return;
        }
        s.model.ClockMode = ByteAt(Frame, 1);
        Finish(s, ReplyBit::Clock, "Received Clock Config");
    });
}

// DF layout: the Helm display list reply's (ReadDisplayLists).
void ProcessVelaDisplayLists(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Display Lists", "Vela Message Error", [&] {
        const bool sources = Frame.size() > 1 && ByteAt(Frame, 1) == TableSources;
        const std::string label = sources ? "Source Display Lists" : "Destination Display Lists";
        const int64_t bit = sources ? ReplyBit::SourceDisplayList : ReplyBit::DestinationDisplayList;
        if (!CheckAndForward(s, Frame, label, bit, bit, "Vela Check Sum Error"))
            return;
        std::optional<DisplayListRun> run = ReadDisplayLists(Frame);
        if (!run) {
            LogSoftwareError(s, "Length Error", 0, label);
            return;
        }
        std::vector<DisplayListRecord>& lists = sources ? s.model.SourceDisplayLists : s.model.DestinationDisplayLists;
        for (size_t i = 0; i < run->Lists.size(); ++i) {
            const size_t at = static_cast<size_t>(run->First) + i;
            if (at < lists.size())
                lists[at] = std::move(run->Lists[i]);
        }
        Finish(s, bit, std::to_string(run->Count) + " " + label + ", Starting with " + std::to_string(run->First + 1));
    });
}

// EE layout: the Helm gain offset reply's (ReadGainOffsets).
void ProcessVelaGainOffset(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Gain Offset", "Vela Message Error", [&] {
        if (!CheckAndForward(s, Frame, "Gain Offset", ReplyBit::GainOffsets, ReplyBit::GainOffsets))
            return;
        if (Frame.size() != 8) {
            LogSoftwareError(s, "Length Error", 0, "Gain Offset");
            return;
        }
        ReadGainOffsets(Frame, s.model.GainOffsets);
        Finish(s, ReplyBit::GainOffsets, "Received Gain Offset Message");
    });
}

void ProcessVelaRelayOptoState(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Reciving Relay/Opto State", "Switcher Message Error", [&] {
        Model& m = s.model;
        const int kind = Frame.size() > 1 ? ByteAt(Frame, 1) : 0;
        const bool relays = kind == RelayKind;
        const int64_t bit = relays ? UpdateBit::RelayStates : UpdateBit::OptoStates;
        if (Frame.empty())
            return;
        if (!VelaChecksumOk(s, Frame, "Check Sum Error", "Relay/Opto State", UpdateBit::RelayStates))
            return;
        if (kind != RelayKind && kind != OptoKind) {
            LogTrappedError(s, "Error Reciving Relay/Opto State", "Switcher Message Error", 0, "");
            return;
        }
        s.reports().ForwardFrame(s, Frame, FrameAudience::HelmPCs, 0, bit);
        FrameReader r(Frame, 2);
        const int count = r.Pair();
        if (r.Failed() || Frame.size() != 3 * static_cast<size_t>(count) + 6) {
            LogSoftwareError(s, "Relay/Opto State Length Error", 0, "Relay/Opto State");
            return;
        }
        std::vector<int>& states = relays ? m.RelayStates : m.OptoStates;
        const int limit = relays ? m.NumRelays : m.NumOptos;
        int highest = -1;
        for (int i = 0; i < count; ++i) {
            const int number = r.Pair();
            const int state = r.Byte();
            highest = std::max(highest, number);
            if (number < limit && static_cast<size_t>(number) < states.size())
                states[static_cast<size_t>(number)] = state;
        }
        Finish(s, bit, relays ? "Received Relay Tally" : "Received Opto State");
        if (AnyPolledClient(s)) {
            if (highest < m.NumDestinations - 1)
                DeferRequest(s, UpdateBit::RelayStates);
            else
                MarkPolledClients(s, bit);
        }
    });
}

// F9 layout: the Helm relay configuration reply's (ReadPairRun), one
// configuration value per relay.
void ProcessVelaRelayConfig(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Reciving Relay Config", "Switcher Message Error", [&] {
        if (!CheckAndForward(s, Frame, "Relay Configuration", ReplyBit::RelayConfig, ReplyBit::RelayConfig))
            return;
        Model& m = s.model;
        const std::optional<PairRun> run = ReadPairRun(Frame);
        if (!run) {
            LogSoftwareError(s, "Relay Config Length Error", 0, "Relay Configuration");
            return;
        }
        for (size_t i = 0; i < run->Values.size(); ++i) {
            const int at = run->First + static_cast<int>(i);
            if (at < m.NumRelays && static_cast<size_t>(at) < m.RelayConfig.size())
                m.RelayConfig[static_cast<size_t>(at)] = run->Values[i];
        }
        Finish(s, ReplyBit::RelayConfig, "Received Relay Configuration");
    });
}

// A5: the module upgrade's progress, for the Helm PC that runs it; the
// server reads nothing of it.
void ProcessVelaModuleUpgrade(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Reciving Module Upgrade", "Switcher Message Error",
         [&] { CheckAndForward(s, Frame, "Relay Configuration", 0, 0); });
}

// DE: intercom channel data for the Helm PCs; no Helm reply mirrors it, so
// the server keeps none of it.
void ProcessVelaIcomChannel(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Icom Channel", "Switcher Message Error", [&] {
        if (CheckAndForward(s, Frame, "Icom Channel", 0, 0))
            LogVelaMessage(s, "Received Icom Channel");
    });
}

// D2 layout: the Helm transition reply's and SendTransitionControlVela's
// (ReadTransitionControl).
void ProcessVelaTransitionControl(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Transition Control", "Switcher Message Error", [&] {
        if (!CheckAndForward(s, Frame, "Transition Control", 0, ReplyBit::TransitionControl))
            return;
        Model& m = s.model;
        const std::optional<TransitionRun> run = ReadTransitionControl(Frame);
        if (!run) {
            LogSoftwareError(s, "Length Error", 0, "Transition Control");
            return;
        }
        StoreTransitionControl(*run, m.TransitionControl, m.NumDestinations);
        LogVelaMessage(s, std::to_string(run->Records.size()) + " Transition Controls");
    });
}
