#include "switcher/orion/OrionFrames.h"

#include "model/ByteManipulation.h"
#include "model/ControlBytes.h"
#include "model/FrameReader.h"

#include <algorithm>

namespace {

// Reads values of a frame whose length was checked, keeping their running sum.
class OrionReader {
public:
    explicit OrionReader(const Bytes& Frame) : frame_(Frame), r_(Frame) {}
    int Pair() { return Add(r_.Pair()); }
    int Byte() { return Add(r_.Byte()); }
    int Split8()
    {
        const int low = r_.Byte();
        const int high = r_.Byte();
        return Add(low | (high & 1) << 7);
    }
    int Untallied() { return r_.Byte(); }
    // A destination from two nibble bytes; the flag bits are returned apart.
    int Destination(int& HighFlags, int& LowFlags)
    {
        const int high = r_.Byte();
        const int low = r_.Byte();
        HighFlags = high >> 4;
        LowFlags = low >> 4;
        return (high & 15) << 4 | (low & 15);
    }
    bool SumMatches() const { return !r_.Failed() && ByteAt(frame_, frame_.size() - 2) == sum_; }

private:
    int Add(int Value)
    {
        sum_ = (sum_ + Value) & 127;
        return Value;
    }
    const Bytes& frame_;
    FrameReader r_;
    int sum_ = 0;
};

OrionCheck Verdict(const OrionReader& r) { return r.SumMatches() ? OrionCheck::Ok : OrionCheck::Sum; }

std::string MissingName(size_t Index) { return Digits(static_cast<long>(Index), 3); }

// Flags travel Bits to a value: bit k of value Group is flag Bits * Group + k.
template <class IsSetFn>
int PackFlags(size_t Group, size_t Bits, IsSetFn&& IsSet)
{
    int value = 0;
    for (size_t k = 0; k < Bits; ++k)
        if (IsSet(Bits * Group + k))
            value |= 1 << k;
    return value;
}

template <class SetFn>
void UnpackFlags(int Value, size_t Group, size_t Bits, SetFn&& Set)
{
    for (size_t k = 0; k < Bits; ++k)
        Set(Bits * Group + k, (Value >> k & 1) != 0);
}

}  // namespace

void OrionWriter::Pair(long Value)
{
    const long v = std::clamp(Value, 0L, static_cast<long>(NoneValue));
    AppendPair(frame_, v);
    sum_ = static_cast<int>((sum_ + v) & 127);
}

void OrionWriter::Byte(int Value)
{
    frame_ += static_cast<char>(Value & 127);
    sum_ = (sum_ + (Value & 127)) & 127;
}

void OrionWriter::Split8(int Value)
{
    const int v = Value & 255;
    frame_ += static_cast<char>(v & 127);
    frame_ += static_cast<char>(v >> 7);
    sum_ = (sum_ + v) & 127;
}

void OrionWriter::Destination(int Destination, int HighFlags, int LowFlags)
{
    frame_ += static_cast<char>((HighFlags & 7) << 4 | (Destination >> 4 & 15));
    frame_ += static_cast<char>((LowFlags & 7) << 4 | (Destination & 15));
}

void OrionWriter::Name(const std::string& Text)
{
    std::string field = Text.substr(0, Orion::NameLength);
    field.resize(Orion::NameLength, ' ');
    for (char c : field)
        Byte(static_cast<unsigned char>(c));
}

Bytes OrionWriter::Finish()
{
    frame_ += static_cast<char>(sum_);
    frame_ += static_cast<char>(ControlByte::EndOfMessage);
    return frame_;
}

// ---- FE ----

Bytes BuildOrionTake(const OrionTake& Take)
{
    OrionWriter w(0xFE);
    w.Destination(Take.Destination, Take.Kind, Take.State);
    w.Pair(Take.Number);  // the check byte is the number AND 127
    return w.Finish();
}

bool ReadOrionTake(const Bytes& Frame, OrionTake& Take, bool& CheckOk)
{
    if (Frame.size() != Orion::TakeLength)
        return false;
    OrionReader r(Frame);
    Take.Destination = r.Destination(Take.Kind, Take.State);
    Take.Kind &= 7;
    Take.State &= 7;
    Take.Number = r.Pair();
    CheckOk = r.SumMatches();
    return true;
}

// ---- DF ----

Bytes BuildOrionInfoRequest(int64_t Mask)
{
    OrionWriter w(0xDF);
    const int64_t mask = std::max<int64_t>(Mask, 0);
    for (int shift = 0; shift <= 21; shift += 7) {
        w.Byte(static_cast<int>(mask >> shift & 127));
        w.Untallied(0);
    }
    return w.Finish();
}

OrionCheck ReadOrionInfoRequest(const Bytes& Frame, int64_t& Mask)
{
    if (Frame.size() != Orion::InfoRequestLength)
        return OrionCheck::Length;
    OrionReader r(Frame);
    Mask = 0;
    for (int shift = 0; shift <= 21; shift += 7) {
        Mask |= static_cast<int64_t>(r.Byte()) << shift;
        r.Untallied();
    }
    return Verdict(r);
}

// ---- F6 ----

Bytes BuildOrionCrosspointMap(const std::vector<int>& Sources)
{
    OrionWriter w(0xF6);
    for (size_t d = 0; d < Orion::Size; ++d)
        w.Pair(d < Sources.size() ? Sources[d] : 0);
    return w.Finish();
}

OrionCheck ReadOrionCrosspointMap(const Bytes& Frame, std::vector<int>& Sources)
{
    if (Frame.size() != Orion::CrosspointMapLength)
        return OrionCheck::Length;
    OrionReader r(Frame);
    Sources.assign(Orion::Size, 0);
    for (int& source : Sources)
        source = r.Pair();
    return Verdict(r);
}

// ---- FC, FB, EC ----

Bytes BuildOrionAlphaTable(unsigned char Command, const std::vector<std::string>& Names, size_t Count)
{
    OrionWriter w(Command);
    for (size_t i = 0; i < Count; ++i)
        w.Name(i < Names.size() ? Names[i] : MissingName(i));
    return w.Finish();
}

OrionCheck ReadOrionAlphaTable(const Bytes& Frame, size_t Count, std::vector<std::string>& Names)
{
    if (Frame.size() != Orion::NameLength * Count + 3)
        return OrionCheck::Length;
    OrionReader r(Frame);
    Names.assign(Count, std::string());
    for (std::string& name : Names)
        for (int k = 0; k < Orion::NameLength; ++k)
            name += static_cast<char>(r.Byte());
    return Verdict(r);
}

// ---- EF, EE, ED ----

Bytes BuildOrionSortTable(unsigned char Command, const std::vector<int>& Table, size_t Count)
{
    OrionWriter w(Command);
    const long filler = Count > 0 ? static_cast<long>(Count) - 1 : 0;
    for (size_t i = 0; i < Count; ++i)
        w.Pair(i < Table.size() ? Table[i] : filler);
    return w.Finish();
}

OrionCheck ReadOrionSortTable(const Bytes& Frame, std::vector<int>& Table)
{
    if (Frame.size() < 3 || (Frame.size() - 3) % 2 != 0)
        return OrionCheck::Length;
    OrionReader r(Frame);
    Table.assign((Frame.size() - 3) / 2, 0);
    for (int& entry : Table)
        entry = r.Pair();
    return Verdict(r);
}

// ---- FA, F9 ----

Bytes BuildOrionLinks(unsigned char Command, const std::vector<int>& Links)
{
    OrionWriter w(Command);
    // One flag per pair of channels.
    for (size_t row = 0; row < Orion::LinkRows && row * 16 < Links.size(); ++row)
        w.Pair(PackFlags(row, 8, [&](size_t pair) { return 2 * pair < Links.size() && Links[2 * pair] >= 1; }));
    return w.Finish();
}

OrionCheck ReadOrionLinks(const Bytes& Frame, std::vector<int>& Links)
{
    if (Frame.size() != Orion::LinksLength)
        return OrionCheck::Length;
    OrionReader r(Frame);
    Links.assign(Orion::Size, 0);
    for (size_t row = 0; row < Orion::LinkRows; ++row)
        UnpackFlags(r.Pair(), row, 8,
                    [&](size_t pair, bool on) { Links[2 * pair] = Links[2 * pair + 1] = on ? 1 : 0; });
    return Verdict(r);
}

// ---- F8 ----

Bytes BuildOrionInhibitMap(int Destination, const std::string& Text)
{
    OrionWriter w(0xF8);
    w.Destination(Destination);
    for (size_t g = 0; g < Orion::InhibitGroups; ++g)
        w.Split8(PackFlags(g, 8, [&](size_t source) { return source < Text.size() && Text[source] == '1'; }));
    return w.Finish();
}

OrionCheck ReadOrionInhibitMap(const Bytes& Frame, int& Destination, std::string& Text)
{
    if (Frame.size() != Orion::InhibitLength)
        return OrionCheck::Length;
    OrionReader r(Frame);
    int flags = 0;
    Destination = r.Destination(flags, flags);
    Text.assign(Orion::Size, '0');
    for (size_t g = 0; g < Orion::InhibitGroups; ++g)
        UnpackFlags(r.Split8(), g, 8, [&](size_t source, bool on) {
            if (on)
                Text[source] = '1';
        });
    return Verdict(r);
}

// ---- FD ----

Bytes BuildOrionButtons(const OrionButtons& Buttons)
{
    OrionWriter w(0xFD);
    for (size_t d = 0; d < Orion::Size; ++d)
        w.Pair(d < Buttons.Assignment.size() ? Buttons.Assignment[d] : Orion::Templates);
    for (size_t i = 0; i < Orion::Templates * Orion::ButtonsPerTemplate; ++i)
        w.Pair(i < Buttons.Values.size() ? Buttons.Values[i] : 0);
    return w.Finish();
}

OrionCheck ReadOrionButtons(const Bytes& Frame, OrionButtons& Buttons)
{
    if (Frame.size() != Orion::ButtonsLength)
        return OrionCheck::Length;
    OrionReader r(Frame);
    Buttons.Assignment.assign(Orion::Size, 0);
    Buttons.Values.assign(Orion::Templates * Orion::ButtonsPerTemplate, 0);
    for (int& t : Buttons.Assignment)
        t = r.Pair();
    for (int& v : Buttons.Values)
        v = r.Pair();
    return Verdict(r);
}

// ---- E9 ----

Bytes BuildOrionSalvoCount(long Events, int Salvos)
{
    OrionWriter w(0xE9);
    const long events = std::clamp(Events, 0L, static_cast<long>(NoneValue) * 256 + 255);
    w.Pair(events / 256);
    w.Pair(events % 256);
    w.Pair(Salvos);
    return w.Finish();
}

OrionCheck ReadOrionSalvoCount(const Bytes& Frame, long& Events, int& Salvos)
{
    if (Frame.size() != Orion::SalvoCountLength)
        return OrionCheck::Length;
    OrionReader r(Frame);
    const int high = r.Pair();
    const int low = r.Pair();
    Salvos = r.Pair();
    Events = static_cast<long>(high) * 256 + low;
    return Verdict(r);
}

// ---- EB, EA, E8 ----

Bytes BuildOrionSalvoEvents(unsigned char Command, const std::vector<SalvoEventRecord>& Events)
{
    OrionWriter w(Command);
    for (const SalvoEventRecord& e : Events) {
        w.Pair(e.Salvo);
        for (uint8_t flag : e.Flags)
            w.Byte(flag);
        for (int v : e.Values)
            w.Pair(v);
    }
    return w.Finish();
}

OrionCheck ReadOrionSalvoEvents(const Bytes& Frame, std::vector<SalvoEventRecord>& Events)
{
    if (Frame.size() < 3 || (Frame.size() - 3) % Orion::SalvoEventLength != 0)
        return OrionCheck::Length;
    OrionReader r(Frame);
    Events.assign((Frame.size() - 3) / Orion::SalvoEventLength, SalvoEventRecord{});
    for (SalvoEventRecord& e : Events) {
        e.Salvo = r.Pair();
        for (uint8_t& flag : e.Flags)
            flag = static_cast<uint8_t>(r.Byte());
        for (int& v : e.Values)
            v = r.Pair();
    }
    return Verdict(r);
}

Bytes BuildOrionSalvoDefinition(int Salvo, int EventCount)
{
    OrionWriter w(0xE8);
    w.Pair(Salvo);
    w.Pair(EventCount);
    return w.Finish();
}

// ---- F0 ----

Bytes BuildOrionActiveDevices(const std::vector<bool>& Present)
{
    OrionWriter w(0xF0);
    for (size_t g = 0; g < Orion::ActiveDeviceGroups; ++g)
        w.Byte(PackFlags(g, 7, [&](size_t card) { return card < Present.size() && Present[card]; }));
    return w.Finish();
}

OrionCheck ReadOrionActiveDevices(const Bytes& Frame, std::vector<bool>& Present)
{
    if (Frame.size() != Orion::ActiveDevicesLength)
        return OrionCheck::Length;
    OrionReader r(Frame);
    Present.assign(7 * Orion::ActiveDeviceGroups, false);
    for (size_t g = 0; g < Orion::ActiveDeviceGroups; ++g)
        UnpackFlags(r.Byte(), g, 7, [&](size_t card, bool on) { Present[card] = on; });
    return Verdict(r);
}

// ---- E5 ----

Bytes BuildOrionVersion(const std::vector<OrionCardVersion>& Cards)
{
    OrionWriter w(0xE5);
    auto entry = [&](const std::string& text) {
        w.Byte(text.empty() ? 0 : 1);
        std::string field = text.substr(0, Orion::VersionTextLength);
        field.resize(Orion::VersionTextLength, ' ');
        for (char c : field)
            w.Byte(static_cast<unsigned char>(c));
    };
    for (size_t c = 0; c < Orion::ConfigCards; ++c) {
        entry(c < Cards.size() ? Cards[c].Qrt : std::string());
        entry(c < Cards.size() ? Cards[c].Wlb : std::string());
    }
    return w.Finish();
}

OrionCheck ReadOrionVersion(const Bytes& Frame, std::vector<OrionCardVersion>& Cards)
{
    if (Frame.size() != Orion::VersionLength)
        return OrionCheck::Length;
    OrionReader r(Frame);
    auto entry = [&] {
        const bool present = r.Byte() != 0;
        std::string text;
        for (int k = 0; k < Orion::VersionTextLength; ++k)
            text += static_cast<char>(r.Byte());
        return present ? text : std::string();
    };
    Cards.assign(Orion::ConfigCards, OrionCardVersion{});
    for (OrionCardVersion& card : Cards) {
        card.Qrt = entry();
        card.Wlb = entry();
    }
    return Verdict(r);
}

// ---- E0 ----

Bytes BuildOrionActivity(const std::vector<OrionCardActivity>& Cards)
{
    OrionWriter w(0xE0);
    for (size_t c = 0; c < Orion::ConfigCards; ++c) {
        const OrionCardActivity card = c < Cards.size() ? Cards[c] : OrionCardActivity{};
        w.Byte(card.Status);
        for (size_t k = 0; k < Orion::ActivityPortBytes; ++k) {
            int bits = 0;
            for (size_t p = 0; p < 7; ++p)
                if (7 * k + p < card.Ports.size() && card.Ports[7 * k + p])
                    bits |= 1 << p;
            w.Byte(bits);
        }
    }
    return w.Finish();
}

OrionCheck ReadOrionActivity(const Bytes& Frame, std::vector<OrionCardActivity>& Cards)
{
    if (Frame.size() != Orion::ActivityLength)
        return OrionCheck::Length;
    OrionReader r(Frame);
    Cards.assign(Orion::ConfigCards, OrionCardActivity{});
    for (OrionCardActivity& card : Cards) {
        card.Status = r.Byte();
        card.Ports.assign(7 * Orion::ActivityPortBytes, false);
        for (size_t k = 0; k < Orion::ActivityPortBytes; ++k) {
            const int bits = r.Byte();
            for (size_t p = 0; p < 7; ++p)
                card.Ports[7 * k + p] = (bits >> p & 1) != 0;
        }
    }
    return Verdict(r);
}

// ---- E4 ----

Bytes BuildOrionRelayOptoState(int Kind, const std::vector<int>& States)
{
    Bytes f(1, '\xE4');
    f += static_cast<char>(Kind & 127);
    AppendPair(f, static_cast<long>(States.size()));
    for (size_t i = 0; i < States.size(); ++i) {
        AppendPair(f, static_cast<long>(i));
        f += static_cast<char>(States[i] & 127);
    }
    AppendChecksumAndEnd(f);
    return f;
}
