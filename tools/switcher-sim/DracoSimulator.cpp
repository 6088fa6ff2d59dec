#include "DracoSimulator.h"

#include "model/ByteManipulation.h"
#include "model/Model.h"
#include "switcher/draco/ToDraco.h"

#include <algorithm>

namespace {

constexpr unsigned char InfoRequest = 0xF2;
constexpr unsigned char Nack = 0xF3;
constexpr unsigned char Acknowledge = 0xF4;
constexpr unsigned char Poll = 0xF5;
constexpr unsigned char EndOfMessage = 0xFF;

constexpr size_t SortLength = 67, InhibitsLength = 259, LinksLength = 11, ButtonsLength = 2115, PortMapLength = 75,
                 SalvoCountLength = 9, TakeLength = 7, SalvoExecuteLength = 5;
constexpr size_t EventValues = 6;
constexpr int NameLength = 8;

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

// The pairs of a frame of Length bytes (at least 3, pairs between the
// command and the check byte) whose check byte is the 7-bit sum of the
// values, or of the bytes when ByteSum; none when anything is wrong.
bool ReadValues(const Bytes& frame, size_t length, bool byteSum, std::vector<int>& values)
{
    if (frame.size() != length || length < 3 || (length - 3) % 2 != 0)
        return false;
    values.clear();
    for (size_t i = 1; i + 2 < length; i += 2)
        values.push_back(CombineBytes(ByteAt(frame, i), ByteAt(frame, i + 1)));
    const int sum = byteSum ? CheckSum7(frame.substr(0, length - 2), 0) : [&] {
        int v = 0;
        for (int x : values)
            v = (v + x) & 127;
        return v;
    }();
    return sum == ByteAt(frame, length - 2);
}

// Names of 8 bytes after the command, the check byte the 7-bit sum of their bytes.
bool ReadNames(const Bytes& frame, size_t count, std::vector<std::string>& names)
{
    if (frame.size() != NameLength * count + 3 ||
        CheckSum7(frame.substr(0, frame.size() - 2), 0) != ByteAt(frame, frame.size() - 2))
        return false;
    names.clear();
    for (size_t i = 0; i < count; ++i)
        names.push_back(frame.substr(1 + NameLength * i, NameLength));
    return true;
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
    Bytes answer;
    while (!buffer_.empty()) {
        const unsigned char command = ByteAt(buffer_, 0);
        if (!IsHighBitSet(command) || command == EndOfMessage || command == Acknowledge || command == Nack) {
            buffer_.erase(0, 1);
            continue;
        }
        if (command == InfoRequest || command == Poll) {
            // The server sends F2 twice in a row: one dump answers both.
            size_t n = 1;
            while (command == InfoRequest && n < buffer_.size() && ByteAt(buffer_, n) == InfoRequest)
                ++n;
            buffer_.erase(0, n);
            if (nackNext_) {
                nackNext_ = false;
                answer += static_cast<char>(Nack);
            } else {
                answer += command == Poll ? Bytes(1, static_cast<char>(Acknowledge)) : Dump();
            }
            continue;
        }
        const size_t end = buffer_.find(static_cast<char>(EndOfMessage));
        if (end == Bytes::npos) {
            if (buffer_.size() > MaxPending)
                buffer_.clear();
            break;
        }
        size_t cut = 1;
        while (cut < end && !IsHighBitSet(ByteAt(buffer_, cut)))
            ++cut;
        if (cut < end) {
            // A frame that lost its end.
            buffer_.erase(0, cut);
            answer += static_cast<char>(Nack);
            continue;
        }
        const Bytes frame = buffer_.substr(0, end + 1);
        buffer_.erase(0, end + 1);
        if (nackNext_) {
            nackNext_ = false;
            answer += static_cast<char>(Nack);
            continue;
        }
        answer += HandleFrame(frame);
    }
    return answer;
}

bool DracoSimulator::StoreValues(const Bytes& frame, size_t length, std::vector<int>& into)
{
    std::vector<int> values;
    if (!ReadValues(frame, length, false, values))
        return false;
    into = values;
    return true;
}

Bytes DracoSimulator::HandleFrame(const Bytes& frame)
{
    const Bytes ack(1, static_cast<char>(Acknowledge));
    const Bytes nack(1, static_cast<char>(Nack));
    const size_t length = frame.size();
    std::vector<int> values;
    switch (ByteAt(frame, 0)) {
    case 0xFE: {
        if (length != TakeLength)
            return nack;
        const int destination = ByteAt(frame, 1) * 16 + ByteAt(frame, 2);
        const int source = CombineBytes(ByteAt(frame, 3), ByteAt(frame, 4));
        if ((source & 127) != ByteAt(frame, 5) || destination >= Size || source >= Size)
            return nack;
        map_[static_cast<size_t>(destination)] = source;
        return BuildTakeDraco(source, destination);
    }
    case 0xE7: {
        if (length != SalvoExecuteLength || ByteAt(frame, 3) != ByteAt(frame, 1))
            return nack;
        executed_.push_back(CombineBytes(ByteAt(frame, 1), ByteAt(frame, 2)));
        return ack;
    }
    case 0xFC:
    case 0xFB: {
        std::vector<std::string> names;
        if (!ReadNames(frame, Size, names))
            return nack;
        (ByteAt(frame, 0) == 0xFC ? sourceNames_ : destinationNames_) = names;
        return ack;
    }
    case 0xEC: {
        std::vector<std::string> names;
        if (length < 3 || (length - 3) % NameLength != 0 || !ReadNames(frame, (length - 3) / NameLength, names))
            return nack;
        salvoNames_ = names;
        return ack;
    }
    case 0xEF:
    case 0xEE:
        if (!ReadValues(frame, SortLength, true, values))
            return nack;
        (ByteAt(frame, 0) == 0xEF ? sourceOrder_ : destinationOrder_) = values;
        return ack;
    case 0xED:
        if (!ReadValues(frame, length, true, values))
            return nack;
        salvoOrder_ = values;
        return ack;
    case 0xF7: return StoreValues(frame, InhibitsLength, inhibits_) ? ack : nack;
    case 0xFA: return StoreValues(frame, LinksLength, links_) ? ack : nack;
    case 0xFD: return StoreValues(frame, ButtonsLength, buttons_) ? ack : nack;
    case 0xF0: return StoreValues(frame, PortMapLength, portMap_) ? ack : nack;
    case 0xE9: return ReadValues(frame, SalvoCountLength, false, values) ? ack : nack;
    case 0xE8: return StoreValues(frame, length, salvoKeys_) ? ack : nack;
    case 0xEB:
        if (length < 3 || (length - 3) % (2 * EventValues) != 0 || !StoreValues(frame, length, salvoEvents_))
            return nack;
        return ack;
    default: return nack;
    }
}
