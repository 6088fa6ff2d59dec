#pragma once
// The SW-P-08 data link: a frame is DLE STX, the data, a byte count, a checksum
// and DLE ETX, with every DLE among data, count and checksum doubled. DLE ACK
// answers a frame that arrived whole, DLE NAK one that did not.
#include "platform/Bytes.h"

#include <cstddef>

namespace Swp08 {

constexpr unsigned char Dle = 0x10;
constexpr unsigned char Stx = 0x02;
constexpr unsigned char Etx = 0x03;
constexpr unsigned char Ack = 0x06;
constexpr unsigned char Nak = 0x15;
// The byte count is one byte, so no frame carries more data than this.
constexpr size_t MaxData = 255;

inline const Bytes AckBytes{static_cast<char>(Dle), static_cast<char>(Ack)};
inline const Bytes NakBytes{static_cast<char>(Dle), static_cast<char>(Nak)};

// 8-bit two's complement of the sum of the bytes.
unsigned char Checksum(const Bytes& DataAndCount);
// Data (1..MaxData bytes) framed for the wire.
Bytes Frame(const Bytes& Data);

enum class Unit {
    None,      // nothing complete: Buffer keeps at most an unfinished frame
    Message,   // a frame whose count and checksum are right: answer DLE ACK
    BadFrame,  // a frame with a wrong count or checksum, or broken packaging: answer DLE NAK
    PeerAck,   // the peer's DLE ACK
    PeerNak,   // the peer's DLE NAK
};

struct Cut {
    Unit Kind = Unit::None;
    Bytes Data;  // a Message's data, command byte first
};

// Removes the first unit from the front of Buffer. Bytes outside a frame are
// dropped, and so are DLE ACK and DLE NAK inside one: the server resends
// nothing, so an acknowledgement changes nothing.
Cut CutUnit(Bytes& Buffer);

}  // namespace Swp08
