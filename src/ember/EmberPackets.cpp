#include "ember/EmberPackets.h"

#include "ember/S101.h"

#include <algorithm>

namespace {

using namespace EmberPacket;

// Slot, message type, command and version start every S101 message.
constexpr size_t HeaderSize = 4;
// An EmBER packet goes on with flags, DTD and the count of application bytes.
constexpr size_t EmberHeaderSize = HeaderSize + 3;

Bytes Header(unsigned char Command)
{
    return Bytes{0x00, static_cast<char>(MessageType), static_cast<char>(Command), static_cast<char>(Version)};
}

Bytes Packet(unsigned char Flags, const Bytes& Message, size_t At, size_t Count)
{
    Bytes p = Header(CommandEmber);
    p += static_cast<char>(Flags);
    p += static_cast<char>(DtdGlow);
    p += Bytes{0x02, static_cast<char>(GlowMinor), static_cast<char>(GlowMajor)};
    p.append(Message, At, Count);
    return p;
}

// The Glow data of an EmBER packet, after its application bytes; false when
// the header does not fit the payload.
bool PacketData(const Bytes& Payload, Bytes& Data)
{
    if (Payload.size() < EmberHeaderSize)
        return false;
    const size_t appBytes = ByteAt(Payload, EmberHeaderSize - 1);
    if (Payload.size() < EmberHeaderSize + appBytes)
        return false;
    Data = Payload.substr(EmberHeaderSize + appBytes);
    return true;
}

EmberPacketKind Append(EmberAssembly& a, const Bytes& Data, size_t Cap)
{
    if (a.Message.size() + Data.size() > Cap) {
        a = EmberAssembly{};
        return EmberPacketKind::TooLarge;
    }
    a.Message += Data;
    return EmberPacketKind::Partial;
}

}  // namespace

Bytes KeepAliveRequestFrame() { return S101Frame(Header(CommandKeepAliveRequest)); }

Bytes KeepAliveResponseFrame() { return S101Frame(Header(CommandKeepAliveResponse)); }

Bytes EmberMessageFrames(const Bytes& Message)
{
    Bytes out;
    size_t at = 0;
    do {
        const size_t count = std::min(MaxData, Message.size() - at);
        unsigned char flags = 0;
        if (at == 0)
            flags |= FlagFirst;
        if (at + count == Message.size())
            flags |= FlagLast;
        out += S101Frame(Packet(flags, Message, at, count));
        at += count;
    } while (at < Message.size());
    return out;
}

EmberPacketKind ReadEmberPacket(EmberAssembly& a, const Bytes& Payload, size_t Cap, Bytes& Message)
{
    if (Payload.size() < HeaderSize || ByteAt(Payload, 1) != MessageType)
        return EmberPacketKind::Ignored;
    switch (ByteAt(Payload, 2)) {
    case CommandKeepAliveRequest: return EmberPacketKind::KeepAliveRequest;
    case CommandKeepAliveResponse: return EmberPacketKind::KeepAliveResponse;
    case CommandEmber: break;
    default: return EmberPacketKind::Ignored;
    }
    Bytes data;
    if (!PacketData(Payload, data))
        return EmberPacketKind::Ignored;
    const unsigned flags = ByteAt(Payload, HeaderSize) & (FlagSingle | FlagEmpty);
    if (flags & FlagEmpty)
        return EmberPacketKind::Ignored;
    if (flags & FlagFirst) {
        a = EmberAssembly{};
        a.Open = true;
    } else if (!a.Open) {
        return EmberPacketKind::Ignored;
    }
    const EmberPacketKind kind = Append(a, data, Cap);
    if (kind == EmberPacketKind::TooLarge || !(flags & FlagLast))
        return kind;
    Message = std::move(a.Message);
    a = EmberAssembly{};
    return EmberPacketKind::Message;
}
