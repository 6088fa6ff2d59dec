#pragma once
// The S101 messages of Ember+: keep-alive requests and responses, and EmBER
// packets, which carry a Glow message split into pieces of at most 1024 bytes.
#include "platform/Bytes.h"

#include <cstddef>

namespace EmberPacket {
constexpr unsigned char MessageType = 0x0E;
constexpr unsigned char CommandEmber = 0x00;
constexpr unsigned char CommandKeepAliveRequest = 0x01;
constexpr unsigned char CommandKeepAliveResponse = 0x02;
constexpr unsigned char Version = 0x01;
// The upper three bits of the flags byte.
constexpr unsigned char FlagFirst = 0x80;
constexpr unsigned char FlagLast = 0x40;
constexpr unsigned char FlagEmpty = 0x20;
constexpr unsigned char FlagSingle = FlagFirst | FlagLast;
constexpr unsigned char DtdGlow = 0x01;
// The Glow DTD version this provider speaks, minor then major: 2.50.
constexpr unsigned char GlowMinor = 50;
constexpr unsigned char GlowMajor = 2;
constexpr size_t MaxData = 1024;
}  // namespace EmberPacket

Bytes KeepAliveRequestFrame();
Bytes KeepAliveResponseFrame();
// The framed packets of one Glow message, one after the other.
Bytes EmberMessageFrames(const Bytes& Message);

// A Glow message whose packets are still arriving.
struct EmberAssembly {
    Bytes Message;
    bool Open = false;
};

enum class EmberPacketKind {
    KeepAliveRequest,
    KeepAliveResponse,
    Message,   // a whole Glow message is in Message
    Partial,   // a piece of a message arrived
    Ignored,   // not an EmBER packet, an empty one, or a piece out of order
    TooLarge,  // the message would pass the cap; it was dropped
};

// Reads the payload of one S101 frame. A message of several packets is put
// together in Assembly, never beyond Cap bytes.
EmberPacketKind ReadEmberPacket(EmberAssembly& Assembly, const Bytes& Payload, size_t Cap, Bytes& Message);
