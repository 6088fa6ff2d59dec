// The Orion decoder, and the take, crosspoint, name, link, inhibit and
// relay/opto state reports.
#include "switcher/orion/FromOrion.h"

#include "disk/Logs.h"
#include "disk/SoftPanelFiles.h"
#include "disk/Trap.h"
#include "model/ByteManipulation.h"
#include "model/ControlBytes.h"
#include "model/FrameReader.h"
#include "model/Server.h"
#include "model/TakeTypes.h"
#include "switcher/SerialLink.h"
#include "switcher/orion/FromOrionShared.h"

#include <algorithm>

namespace {

void Dispatch(Server& s, unsigned char Command, const Bytes& Frame)
{
    switch (Command) {
    case 0xFE: ProcessOrionTake(s, Frame); break;
    case 0xF6: ProcessOrionCrosspointMap(s, Frame); break;
    case 0xFC:
    case 0xFB: ProcessOrionAlphaTable(s, Frame); break;
    case 0xFA:
    case 0xF9: ProcessOrionLinks(s, Frame); break;
    case 0xF8: ProcessOrionInhibitMap(s, Frame); break;
    case 0xFD: ProcessOrionButtons(s, Frame); break;
    case 0xF0: ProcessOrionActiveDevices(s, Frame); break;
    case 0xE5: ProcessOrionVersion(s, Frame); break;
    case 0xE0: ProcessOrionActivity(s, Frame); break;
    case 0xE9: ProcessOrionSalvoCount(s, Frame); break;
    case 0xEC: ProcessOrionSalvoAlphas(s, Frame); break;
    case 0xEB: ProcessOrionSalvoEvents(s, Frame, 0); break;
    case 0xEA: ProcessOrionSalvoEvents(s, Frame, 1); break;
    case 0xE4: ProcessOrionRelayOptoState(s, Frame); break;
    // Commands the server itself sends an Orion.
    case 0xEF:
    case 0xEE:
    case 0xED:
    case 0xE8:
    case 0xE7: LogSoftwareError(s, "Unexpected Command" + HexText(Command), 0, "Switcher"); break;
    default: LogSoftwareError(s, "Unknown Command " + HexText(Command), 0, "Switcher"); break;
    }
}

// The acknowledgement F4 and F3 travel alone and carry nothing.
bool OrionSingleByte(Server&, unsigned char Byte)
{
    return Byte == ControlByte::Acknowledge || Byte == ControlByte::Nack;
}

}  // namespace

void LogOrionMessage(Server& s, const std::string& Text) { LogSerialMessage(s, Text, s.cfg.CommPort); }

bool OrionFrameSound(Server& s, OrionCheck Check, const std::string& Location)
{
    if (Check == OrionCheck::Length)
        LogSoftwareError(s, "Message Length Error", 0, Location);
    else if (Check == OrionCheck::Sum)
        LogSoftwareError(s, "Switcher Check Sum Error", 0, Location);
    return Check == OrionCheck::Ok;
}

void ClearUpdateBit(Server& s, int64_t Bit) { s.model.UpdateFlags &= ~Bit; }

void DecodeOrionMessage(Server& s)
{
    if (SerialBufferOverflowed(s))
        return;
    Trap(s, "Error Decoding Message", "Switcher Command Error", [&] {
        // An Orion that sends anything is connected.
        s.reports().SwitcherConnected(s, true);
        const Bytes frame = CutSwitcherFrame(s, OrionSingleByte);
        if (!frame.empty())
            Dispatch(s, ByteAt(frame, 0), frame);
    });
}

// FE: the switcher's report of a take, or of a relay or opto change. A
// number outside the switcher is dropped without a trace.
void ProcessOrionTake(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Take", "Switcher Command Error", [&] {
        OrionTake take;
        bool checkOk = false;
        if (!ReadOrionTake(Frame, take, checkOk)) {
            LogSoftwareError(s, "Message Length Error", 0, "Crosspoint Change");
            return;
        }
        if (!checkOk)
            LogSoftwareError(s, "Switcher Check Sum Error", 0, "Take Command");
        Model& m = s.model;
        const int d = take.Destination;
        const int n = take.Number;
        if (take.Kind == Orion::KindCrosspoint) {
            if (d >= m.NumDestinations || static_cast<size_t>(d) >= m.CrosspointMap.size() || n >= m.NumSources)
                return;
            m.CrosspointMap[static_cast<size_t>(d)].Sources[0] = n;
            SaveTakeToNdf(s, d, n);
            s.reports().CrosspointChanged(s, d, n, TakeType::Take);
            LogOrionMessage(s, "Take - In:" + Digits(n + 1, 3) + "-->Out:" + Digits(d + 1, 3));
        } else if (take.Kind == Orion::KindOpto || take.Kind == Orion::KindRelay) {
            const bool opto = take.Kind == Orion::KindOpto;
            std::vector<int>& states = opto ? m.OptoStates : m.RelayStates;
            if (n >= (opto ? m.NumOptos : m.NumRelays) || static_cast<size_t>(n) >= states.size())
                return;
            const bool on = take.State == Orion::StateOn;
            states[static_cast<size_t>(n)] = on ? 1 : 0;
            s.reports().RelayOptoChanged(s, opto ? TableOptos : TableRelays, n);
            LogOrionMessage(s, (opto ? "Opto:" : "Relay:") + Digits(n + 1, 3) + (on ? " On" : " Off"));
        } else {
            return;
        }
        s.reports().SwitcherConnected(s, true);
    });
}

void ProcessOrionCrosspointMap(Server& s, const Bytes& Frame)
{
    const OrionReport report{"Error Receiving Crosspoint Map", "Crosspoint Map"};
    ReceiveOrion(s, Frame, report, ReadOrionCrosspointMap, [&](Model& m, const std::vector<int>& sources) {
        const size_t outputs =
            std::min({sources.size(), m.CrosspointMap.size(), static_cast<size_t>(m.NumDestinations)});
        for (size_t d = 0; d < outputs; ++d)
            if (sources[d] < m.NumSources)  // an entry outside the switcher is skipped
                m.CrosspointMap[d].Sources[0] = sources[d];
        if (s.cfg.MaintainNdf)
            SaveCrosspointMapNdf(s);
        LogOrionMessage(s, "256 Crosspoint Maps");
        s.reports().SwitcherConnected(s, true);
        ClearUpdateBit(s, UpdateBit::Crosspoints);
        s.reports().TableChanged(s, UpdateBit::Crosspoints, 0, 0);
    });
}

// FC sources, FB destinations. SaveAlphaNdf keeps the switcher's order in
// the raw table and the name order, each name with its own switcher number,
// in the name and sort tables; the clients get the latter.
void ProcessOrionAlphaTable(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Alphas", "Switcher Command Error", [&] {
        Model& m = s.model;
        const bool sources = ByteAt(Frame, 0) == 0xFC;
        const int code = sources ? TableSources : TableDestinations;
        const std::string label = sources ? "Source Alpha Labels" : "Destination Alpha Labels";
        std::vector<std::string> names;
        if (!OrionFrameSound(s, ReadOrionAlphaTable(Frame, Orion::Size, names), label))
            return;
        LogOrionMessage(s, "256 " + label);
        s.reports().SwitcherConnected(s, true);
        SaveAlphaNdf(s, names, code);
        s.AlphasChanged = true;  // the soft panels get the new names too
        const int64_t bit = sources ? UpdateBit::SourceAlphas : UpdateBit::DestinationAlphas;
        s.reports().TableChanged(s, bit, 0, 0);
        ClearUpdateBit(s, bit);
        if (m.UpdateFlags == 0)
            s.reports().NamesChanged(s, code);
    });
}

void ProcessOrionLinks(Server& s, const Bytes& Frame)
{
    const bool sources = ByteAt(Frame, 0) == 0xFA;
    const OrionReport report{"Error Receiving Links", sources ? "Source Links" : "Destination Links"};
    ReceiveOrion(s, Frame, report, ReadOrionLinks, [&](Model& m, const std::vector<int>& links) {
        std::vector<int>& table = sources ? m.SourceLinks : m.DestinationLinks;
        std::copy_n(links.begin(), std::min(links.size(), table.size()), table.begin());
        LogOrionMessage(s, "256 " + report.Location);
        s.reports().SwitcherConnected(s, true);
        const int64_t bit = sources ? UpdateBit::SourceLinks : UpdateBit::DestinationLinks;
        ClearUpdateBit(s, bit);
        s.reports().TableChanged(s, bit, 0, 0);
    });
}

// F8 comes one destination per frame. While the whole map is awaited the
// clients get it once, with the last destination; outside such a dump every
// frame is a change they get at once.
void ProcessOrionInhibitMap(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Inhibits", "Switcher Command Error", [&] {
        Model& m = s.model;
        int d = 0;
        std::string text;
        if (!OrionFrameSound(s, ReadOrionInhibitMap(Frame, d, text), "Inhibit Map"))
            return;
        if (d >= m.NumDestinations || static_cast<size_t>(d) >= m.InhibitMap.size())
            return;
        m.InhibitMap.setText(static_cast<size_t>(d), text);
        LogOrionMessage(s, "256 Inhibits Maps");
        if (s.cfg.MaintainNdf)
            SaveInhibitNdf(s, d, 1);
        const bool dump = (m.UpdateFlags & UpdateBit::Inhibits) != 0;
        if (dump && d < m.NumDestinations - 1)
            return;
        ClearUpdateBit(s, UpdateBit::Inhibits);
        s.InhibitMapChanged = true;  // the soft panels get the new map too
        s.reports().TableChanged(s, UpdateBit::Inhibits, d, 1);
    });
}

// E4: the Vela relay/opto state layout, checked with CheckSum7.
void ProcessOrionRelayOptoState(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Reciving Relay/Opto State", "Switcher Message Error", [&] {
        Model& m = s.model;
        const std::string location = "Relay/Opto State";
        FrameReader r(Frame);
        const int kind = r.Byte();
        const int count = r.Pair();
        if (r.Failed() || Frame.size() != 3 * static_cast<size_t>(count) + 6) {
            LogSoftwareError(s, location + " Length Error", 0, location);
            return;
        }
        if (!ChecksumMatches(Frame)) {
            LogSoftwareError(s, "Check Sum Error", 0, location);
            return;
        }
        if (kind != Orion::RelayKind && kind != Orion::OptoKind) {
            LogTrappedError(s, "Error Reciving Relay/Opto State", "Switcher Message Error", 0, "");
            return;
        }
        const bool relays = kind == Orion::RelayKind;
        std::vector<int>& states = relays ? m.RelayStates : m.OptoStates;
        const int limit = relays ? m.NumRelays : m.NumOptos;
        for (int i = 0; i < count; ++i) {
            const int number = r.Pair();
            const int state = r.Byte();
            if (number < limit && static_cast<size_t>(number) < states.size())
                states[static_cast<size_t>(number)] = state;
        }
        LogOrionMessage(s, relays ? "Relay Tally" : "Opto State");
        const int64_t bit = relays ? UpdateBit::RelayStates : UpdateBit::OptoStates;
        ClearUpdateBit(s, bit);
        s.reports().TableChanged(s, bit, 0, 0);
    });
}
