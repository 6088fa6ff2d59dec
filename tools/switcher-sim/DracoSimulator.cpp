#include "DracoSimulator.h"

#include "SimulatorFraming.h"
#include "model/ByteManipulation.h"
#include "model/Model.h"
#include "switcher/draco/DracoFrame.h"
#include "switcher/draco/ToDraco.h"

#include <optional>

namespace {

constexpr unsigned char InfoRequest = 0xF2;
constexpr unsigned char Nack = 0xF3;
constexpr unsigned char Acknowledge = 0xF4;
constexpr unsigned char Poll = 0xF5;
constexpr unsigned char EndOfMessage = 0xFF;

constexpr size_t SortLength = 67, InhibitsLength = 259, LinksLength = 11, ButtonsLength = 2115, PortMapLength = 75,
                 SalvoCountLength = 9, TakeLength = 7, SalvoExecuteLength = 5;
constexpr size_t EventValues = 6;
constexpr size_t NameLength = 8;
const Bytes AckAnswer(1, static_cast<char>(Acknowledge));
const Bytes NackAnswer(1, static_cast<char>(Nack));

std::vector<std::string> Numbered(const std::string& prefix, int count)
{
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        std::string name = prefix.substr(0, NameLength - 3) + Digits(i + 1, 3);
        name.resize(NameLength, ' ');
        names.push_back(name);
    }
    return names;
}

std::vector<int> Identity(size_t n)
{
    std::vector<int> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<int>(i);
    return v;
}

// The values of a frame of Length bytes; none when its length or its check
// byte is wrong. The check byte of a sort table is the 7-bit sum of its
// bytes (ByteSum), of any other frame the sum of its values.
std::optional<std::vector<int>> ValuesOf(const Bytes& frame, size_t length, bool byteSum = false)
{
    const std::optional<DracoValues> read = ReadDracoValues(frame, length);
    if (!read)
        return std::nullopt;
    const bool sound =
        byteSum ? CheckSum7(frame.substr(0, length - 2), 0) == ByteAt(frame, length - 2) : read->Checksum;
    if (!sound)
        return std::nullopt;
    return read->Values;
}

// Count names of 8 bytes after the command; none when the frame is not exactly that or its check byte is wrong.
std::optional<std::vector<std::string>> NamesOf(const Bytes& frame, size_t count)
{
    if (frame.size() != NameLength * count + 3)
        return std::nullopt;
    DracoNames read = ReadDracoNames(frame, count);
    if (!read.Checksum)
        return std::nullopt;
    return std::move(read.Names);
}

// Keeps what a sound frame brought; F4 for it, F3 for a damaged one.
template <class T>
Bytes Stored(std::optional<T> read, T& into)
{
    if (!read)
        return NackAnswer;
    into = std::move(*read);
    return AckAnswer;
}

}  // namespace

DracoSimulator::DracoSimulator(const std::string& SourcePrefix, const std::string& DestinationPrefix)
    : map_(Size, 0),
      sourceNames_(Numbered(SourcePrefix, Size)),
      destinationNames_(Numbered(DestinationPrefix, Size)),
      salvoNames_{"Morning ", "Evening "},
      sourceOrder_(Identity(Size)),
      destinationOrder_(Identity(Size)),
      salvoOrder_{1, 0},
      inhibits_(4 * Size, 0),
      links_(4, 0),
      buttons_(Size + Size * Size, 0),
      portMap_(2 * 16 + 4, 0),
      salvoKeys_{1, 2}
{
    for (int d = 0; d < Size; ++d)
        map_[static_cast<size_t>(d)] = d;
    // Template t holds sources t, t + 1, ...; destination d uses template d.
    for (size_t d = 0; d < Size; ++d)
        buttons_[d] = static_cast<int>(d);
    for (size_t t = 0; t < Size; ++t)
        for (size_t b = 0; b < Size; ++b)
            buttons_[Size + Size * t + b] = static_cast<int>((t + b) % Size);
    // Salvo 0 sets two destinations, salvo 1 one.
    salvoEvents_ = {0, 1, 3, 0, 0, 0, 0, 1, 4, 1, 0, 0, 1, 2, 7, 2, 0, 0};
}

Bytes DracoSimulator::Dump() const
{
    Bytes dump = BuildValuesFrameDraco(0xF6, map_);
    dump += BuildAlphaTableDraco(sourceNames_, TableSources);
    dump += BuildAlphaTableDraco(destinationNames_, TableDestinations);
    dump += BuildValuesFrameDraco(0xFA, links_);
    dump += BuildValuesFrameDraco(0xF7, inhibits_);
    dump += BuildValuesFrameDraco(0xFD, buttons_);
    dump += BuildValuesFrameDraco(0xF0, portMap_);
    const int events = static_cast<int>(salvoEvents_.size() / EventValues);
    dump += BuildValuesFrameDraco(0xE9, {events / 256, events % 256, static_cast<int>(salvoNames_.size())});
    dump += BuildAlphaTableDraco(salvoNames_, TableSalvos);
    dump += BuildValuesFrameDraco(0xEB, salvoEvents_);
    return dump;
}

Bytes DracoSimulator::Receive(const Bytes& chunk)
{
    buffer_ += chunk;
    return AnswerFrames(
        buffer_, MaxPending, [&](unsigned char b, Bytes& answer) { return AnswerSingle(b, answer); },
        [&](const Bytes& frame) {
            if (!nackNext_)
                return HandleFrame(frame);
            nackNext_ = false;
            return NackAnswer;
        },
        NackAnswer);
}

bool DracoSimulator::AnswerSingle(unsigned char b, Bytes& answer)
{
    if (b == InfoRequest) {
        // The server sends F2 twice in a row: one dump answers both.
        while (buffer_.size() > 1 && ByteAt(buffer_, 1) == InfoRequest)
            buffer_.erase(1, 1);
    }
    if (b == InfoRequest || b == Poll) {
        if (nackNext_)
            answer += NackAnswer;
        else
            answer += b == Poll ? AckAnswer : Dump();
        nackNext_ = false;
    }
    return b == InfoRequest || b == Poll || b == Acknowledge || b == Nack || b == EndOfMessage;
}

Bytes DracoSimulator::HandleFrame(const Bytes& frame)
{
    const size_t length = frame.size();
    const unsigned char command = ByteAt(frame, 0);
    switch (command) {
    case 0xFE: {
        const int destination = ByteAt(frame, 1) * 16 + ByteAt(frame, 2);
        const int source = CombineBytes(ByteAt(frame, 3), ByteAt(frame, 4));
        if (length != TakeLength || (source & 127) != ByteAt(frame, 5) || destination >= Size || source >= Size)
            return NackAnswer;
        map_[static_cast<size_t>(destination)] = source;
        return BuildTakeDraco(source, destination);
    }
    case 0xE7:
        if (length != SalvoExecuteLength || ByteAt(frame, 3) != ByteAt(frame, 1))
            return NackAnswer;
        executed_.push_back(CombineBytes(ByteAt(frame, 1), ByteAt(frame, 2)));
        return AckAnswer;
    case 0xFC: return Stored(NamesOf(frame, Size), sourceNames_);
    case 0xFB: return Stored(NamesOf(frame, Size), destinationNames_);
    case 0xEC: return Stored(NamesOf(frame, length < 3 ? 0 : (length - 3) / NameLength), salvoNames_);
    case 0xEF: return Stored(ValuesOf(frame, SortLength, true), sourceOrder_);
    case 0xEE: return Stored(ValuesOf(frame, SortLength, true), destinationOrder_);
    case 0xED: return Stored(ValuesOf(frame, length, true), salvoOrder_);
    case 0xF7: return Stored(ValuesOf(frame, InhibitsLength), inhibits_);
    case 0xFA: return Stored(ValuesOf(frame, LinksLength), links_);
    case 0xFD: return Stored(ValuesOf(frame, ButtonsLength), buttons_);
    case 0xF0: return Stored(ValuesOf(frame, PortMapLength), portMap_);
    case 0xE9: return ValuesOf(frame, SalvoCountLength) ? AckAnswer : NackAnswer;
    case 0xE8: return Stored(ValuesOf(frame, length), salvoKeys_);
    case 0xEB:
        if (length < 3 || (length - 3) % (2 * EventValues) != 0)
            return NackAnswer;
        return Stored(ValuesOf(frame, length), salvoEvents_);
    default: return NackAnswer;
    }
}
