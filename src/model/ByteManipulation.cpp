#include "model/ByteManipulation.h"

#include "model/ControlBytes.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

int CombineBytes(unsigned char Low, unsigned char High) { return High * 128 + Low; }

bool IsHighBitSet(unsigned char Value) { return (Value & 0x80) != 0; }

size_t FirstHighByte(const Bytes& Buffer, size_t From, size_t To)
{
    const auto begin = Buffer.begin();
    const auto at =
        std::find_if(begin + static_cast<std::ptrdiff_t>(std::min(From, To)), begin + static_cast<std::ptrdiff_t>(To),
                     [](char c) { return IsHighBitSet(static_cast<unsigned char>(c)); });
    return static_cast<size_t>(at - begin);
}

int SplitFlagBit(unsigned char& Value)
{
    const int flag = (Value & 64) / 64;
    Value = Value & 63;
    return flag;
}

size_t FindEOM(const Bytes& Buffer)
{
    const size_t p = Buffer.find(static_cast<char>(ControlByte::EndOfMessage));
    return p == Bytes::npos ? 0 : p + 1;
}

int CheckSum7(const Bytes& Message, int Trailing)
{
    // Every byte but the first and the Trailing ones; a whole salvo table
    // goes through here, so one plain sum, its low seven bits at the end.
    const long end = std::min(static_cast<long>(Message.size()) - Trailing, static_cast<long>(Message.size()));
    if (end < 2)
        return 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(Message.data());
    return static_cast<int>(std::accumulate(bytes + 1, bytes + end, 0u) & 127);
}

Bytes SplitMessage(Bytes& Message, size_t Count) { return TakeBytes(Message, Count); }

Bytes TakeBytes(Bytes& Buffer, size_t Count)
{
    if (Count >= Buffer.size()) {
        Bytes all;
        all.swap(Buffer);
        return all;
    }
    Bytes head = Buffer.substr(0, Count);
    Buffer.erase(0, Count);
    return head;
}

void AppendPair(Bytes& Frame, long Value)
{
    const long v = std::clamp(Value, 0L, 16383L);
    Frame += static_cast<char>(v & 127);
    Frame += static_cast<char>(v >> 7);
}

void AppendChecksumAndEnd(Bytes& Frame)
{
    Frame += static_cast<char>(CheckSum7(Frame, 0));
    Frame += static_cast<char>(ControlByte::EndOfMessage);
}

std::string HexText(unsigned Value)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", Value);
    return buf;
}

std::string Digits(long Value, int Width)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*ld", Width, Value);
    return buf;
}
