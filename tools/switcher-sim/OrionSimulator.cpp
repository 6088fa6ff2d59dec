#include "OrionSimulator.h"

#include "SimulatorFraming.h"

#include "model/ByteManipulation.h"

#include <numeric>

namespace {

constexpr unsigned char Poll = 0xF5;
constexpr unsigned char Acknowledge = 0xF4;
constexpr unsigned char ConfigRequest = 0xF2;
constexpr unsigned char EndOfMessage = 0xFF;
const Bytes Ack(1, static_cast<char>(Acknowledge));

// Mask bits of the tables answered (the pending-update bits of the server).
constexpr int64_t BitVersion = 1 << 2, BitActivity = 1 << 3, BitDevices = 1 << 4, BitCrosspoints = 1 << 7,
                  BitSourceAlphas = 1 << 8, BitDestinationAlphas = 1 << 9, BitSourceLinks = 1 << 10,
                  BitDestinationLinks = 1 << 11, BitInhibits = 1 << 12, BitButtons = 1 << 13, BitSalvos = 1 << 14,
                  BitRelays = 1 << 16, BitOptos = 1 << 17;
constexpr int64_t Everything = 1;

constexpr int AudioCards = 15;  // card slots 1 to 15, 8 ports each
constexpr int PortsPerAudioCard = 8;

std::vector<std::string> Names(const std::string& prefix)
{
    std::vector<std::string> names(Orion::Size);
    for (size_t i = 0; i < names.size(); ++i) {
        std::string n = (prefix + Digits(static_cast<long>(i) + 1, 3)).substr(0, Orion::NameLength);
        n.resize(Orion::NameLength, ' ');
        names[i] = n;
    }
    return names;
}

std::vector<int> Identity(size_t n)
{
    std::vector<int> v(n);
    std::iota(v.begin(), v.end(), 0);
    return v;
}

SalvoEventRecord Event(int salvo, int input, int output)
{
    SalvoEventRecord e;
    e.Salvo = salvo;
    e.Values = {input, output, 4, 0, 0};
    return e;
}

}  // namespace

OrionSimulator::OrionSimulator(const SimulatorOptions& options)
    : map_(Identity(Orion::Size)),
      sourceNames_(Names(options.SourcePrefix)),
      destinationNames_(Names(options.DestinationPrefix)),
      salvoNames_{"Morning ", "Evening "},
      sourceSort_(Identity(Orion::Size)),
      destinationSort_(Identity(Orion::Size)),
      salvoSort_{1, 0},
      sourceLinks_(Orion::Size, 0),
      destinationLinks_(Orion::Size, 0),
      inhibits_(Orion::Size, std::string(Orion::Size, '0')),
      salvoEvents_{Event(0, 0, 0), Event(0, 1, 1), Event(1, 2, 0)},
      present_(7 * Orion::ActiveDeviceGroups, false),
      relays_(Orion::Size, 0),
      optos_(Orion::Size, 0)
{
    // Every destination starts on the source of its own number, and panel
    // template t's buttons on sources 64 t onwards.
    buttons_.Assignment.assign(Orion::Size, Orion::Templates);
    for (size_t i = 0; i < Orion::Templates * Orion::ButtonsPerTemplate; ++i)
        buttons_.Values.push_back(static_cast<int>(i % Orion::Size));
    for (size_t c = 0; c < CardsPerFrame; ++c)
        present_[c] = true;
}

Bytes OrionSimulator::Receive(const Bytes& chunk)
{
    buffer_ += chunk;
    return AnswerFrames(
        buffer_, MaxPending,
        [&](unsigned char b, Bytes& answer) {
            if (b == Poll)
                answer += Ack;
            else if (b == ConfigRequest)
                answer += Tables(Everything);
            return b == Poll || b == ConfigRequest || b == Acknowledge || b == EndOfMessage;
        },
        [&](const Bytes& frame) { return HandleFrame(frame); });
}

Bytes OrionSimulator::HandleFrame(const Bytes& frame)
{
    switch (ByteAt(frame, 0)) {
    case 0xDF: {
        int64_t mask = 0;
        return ReadOrionInfoRequest(frame, mask) == OrionCheck::Ok ? Tables(mask) : Bytes();
    }
    case 0xFE: return HandleTake(frame);
    case 0xE7: {
        OrionWriter check(0xE7);  // salvo execute: the same frame is the sound one
        const int salvo = frame.size() == 5 ? CombineBytes(ByteAt(frame, 1), ByteAt(frame, 2)) : -1;
        check.Pair(salvo);
        return salvo >= 0 && check.Finish() == frame ? Ack : Bytes();
    }
    default: return StoreTable(frame) ? Ack : Bytes();
    }
}

// A take, or a relay command. Each relay's contact is wired back to the opto
// of the same number, so a relay change is reported twice: relay, then opto.
Bytes OrionSimulator::HandleTake(const Bytes& frame)
{
    OrionTake take;
    bool checkOk = false;
    if (!ReadOrionTake(frame, take, checkOk) || !checkOk || take.Number >= Orion::Size)
        return Bytes();
    const size_t n = static_cast<size_t>(take.Number);
    if (take.Kind == Orion::KindCrosspoint) {
        map_[static_cast<size_t>(take.Destination)] = take.Number;
        return Report(Orion::KindCrosspoint, take.Destination, take.Number);
    }
    if (take.Kind != Orion::KindRelayCommand)
        return Bytes();
    auto change = [&](int state) {
        relays_[n] = optos_[n] = state;
        return Report(Orion::KindRelay, 0, take.Number) + Report(Orion::KindOpto, 0, take.Number);
    };
    switch (take.State) {
    case Orion::StateOn: return change(1);
    case Orion::StateMomentary: {
        const Bytes closed = change(1);
        return closed + change(0);
    }
    case Orion::StateOff: return change(0);
    default: return Bytes();
    }
}

Bytes OrionSimulator::Report(int kind, int destination, int number) const
{
    const bool on =
        kind == Orion::KindCrosspoint || (kind == Orion::KindRelay ? relays_ : optos_)[static_cast<size_t>(number)];
    return BuildOrionTake({kind, on ? Orion::StateOn : Orion::StateOff, destination, number});
}

bool OrionSimulator::StoreTable(const Bytes& frame)
{
    const unsigned char command = ByteAt(frame, 0);
    switch (command) {
    case 0xFC: return ReadOrionAlphaTable(frame, Orion::Size, sourceNames_) == OrionCheck::Ok;
    case 0xFB: return ReadOrionAlphaTable(frame, Orion::Size, destinationNames_) == OrionCheck::Ok;
    case 0xEC: {
        const size_t count = frame.size() >= 3 ? (frame.size() - 3) / Orion::NameLength : 0;
        return ReadOrionAlphaTable(frame, count, salvoNames_) == OrionCheck::Ok;
    }
    case 0xEF: return ReadOrionSortTable(frame, sourceSort_) == OrionCheck::Ok;
    case 0xEE: return ReadOrionSortTable(frame, destinationSort_) == OrionCheck::Ok;
    case 0xED: return ReadOrionSortTable(frame, salvoSort_) == OrionCheck::Ok;
    case 0xFA: return ReadOrionLinks(frame, sourceLinks_) == OrionCheck::Ok;
    case 0xF9: return ReadOrionLinks(frame, destinationLinks_) == OrionCheck::Ok;
    case 0xF8: {
        int d = 0;
        std::string text;
        if (ReadOrionInhibitMap(frame, d, text) != OrionCheck::Ok)
            return false;
        inhibits_[static_cast<size_t>(d)] = text;
        return true;
    }
    case 0xFD: return ReadOrionButtons(frame, buttons_) == OrionCheck::Ok;
    case 0xE9: {
        long events = 0;
        int salvos = 0;
        if (ReadOrionSalvoCount(frame, events, salvos) != OrionCheck::Ok)
            return false;
        salvoEventCounts_.assign(static_cast<size_t>(salvos), 0);
        return true;
    }
    case 0xEB: return ReadOrionSalvoEvents(frame, salvoEvents_) == OrionCheck::Ok;
    case 0xE8: {
        std::vector<int> pair;
        if (ReadOrionSortTable(frame, pair) != OrionCheck::Ok || pair.size() != 2)
            return false;
        if (static_cast<size_t>(pair[0]) < salvoEventCounts_.size())
            salvoEventCounts_[static_cast<size_t>(pair[0])] = pair[1];
        return true;
    }
    case 0xF0: return ReadOrionActiveDevices(frame, present_) == OrionCheck::Ok;
    default: return false;
    }
}

Bytes OrionSimulator::Tables(int64_t mask) const
{
    auto wanted = [&](int64_t bit) { return mask == Everything || (mask & bit) != 0; };
    Bytes out;
    if (wanted(BitCrosspoints))
        out += BuildOrionCrosspointMap(map_);
    if (wanted(BitSourceAlphas))
        out += BuildOrionAlphaTable(0xFC, sourceNames_, Orion::Size);
    if (wanted(BitDestinationAlphas))
        out += BuildOrionAlphaTable(0xFB, destinationNames_, Orion::Size);
    if (wanted(BitSourceLinks))
        out += BuildOrionLinks(0xFA, sourceLinks_);
    if (wanted(BitDestinationLinks))
        out += BuildOrionLinks(0xF9, destinationLinks_);
    if (wanted(BitInhibits))
        for (size_t d = 0; d < inhibits_.size(); ++d)
            out += BuildOrionInhibitMap(static_cast<int>(d), inhibits_[d]);
    if (wanted(BitButtons))
        out += BuildOrionButtons(buttons_);
    if (wanted(BitSalvos)) {
        out += BuildOrionSalvoCount(static_cast<long>(salvoEvents_.size()), static_cast<int>(salvoNames_.size()));
        out += BuildOrionAlphaTable(0xEC, salvoNames_, salvoNames_.size());
        out += BuildOrionSalvoEvents(0xEB, salvoEvents_);
    }
    if (wanted(BitVersion)) {
        std::vector<OrionCardVersion> cards(Orion::ConfigCards);
        for (size_t c = 0; c < AudioCards; ++c)
            cards[c].Qrt = "QRT 2.10        ";
        cards[Orion::ConfigCards - 1].Wlb = "WLB 1.04        ";
        out += BuildOrionVersion(cards);
    }
    if (wanted(BitActivity)) {
        std::vector<OrionCardActivity> cards(Orion::ConfigCards);
        for (size_t c = 0; c < AudioCards; ++c)
            cards[c].Ports.assign(PortsPerAudioCard, true);
        out += BuildOrionActivity(cards);
    }
    if (wanted(BitDevices))
        out += BuildOrionActiveDevices(present_);
    if (wanted(BitRelays))
        out += BuildOrionRelayOptoState(Orion::RelayKind, relays_);
    if (wanted(BitOptos))
        out += BuildOrionRelayOptoState(Orion::OptoKind, optos_);
    return out;
}
