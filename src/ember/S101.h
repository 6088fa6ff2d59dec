#pragma once
// S101, the framing Ember+ runs on: a frame is BOF, the payload and its CRC
// with every byte from F8 up escaped, and EOF. Only this escaping variant is
// spoken; a consumer that tries the other one gets no answer and falls back.
#include "platform/Bytes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace S101 {
constexpr unsigned char Bof = 0xFE;
constexpr unsigned char Eof = 0xFF;
constexpr unsigned char Escape = 0xFD;
constexpr unsigned char EscapeXor = 0x20;
constexpr unsigned char FirstEscaped = 0xF8;
// What a received payload and its CRC always leave as their CRC.
constexpr uint16_t GoodResidue = 0xF0B8;
}  // namespace S101

// The CRC-16 of Data continued from Crc (a frame starts from FFFF); the frame
// carries its complement, low byte first.
uint16_t S101Crc(const Bytes& Data, uint16_t Crc = 0xFFFF);
uint16_t S101CrcTableEntry(unsigned char Index);

// Payload framed, escaped and closed with its CRC.
Bytes S101Frame(const Bytes& Payload);

// Cuts frames out of a byte stream as it arrives, each byte looked at once.
// Bytes outside a frame are dropped; a BOF inside one starts it again.
struct S101Reader {
    Bytes Frame;  // unescaped bytes of the frame under way
    bool InFrame = false;
    bool Escaped = false;
    long BadFrames = 0;       // frames dropped for their CRC or for being too short
    bool Overflowed = false;  // a frame outgrew the cap; the reader's owner gives up on the stream
};

// Reads Chunk; the payloads (CRC checked and removed) of the frames it
// completes go to Payloads. A frame under way longer than Cap bytes sets
// Overflowed for good and stops growing.
void ReadS101(S101Reader& Reader, const Bytes& Chunk, size_t Cap, std::vector<Bytes>& Payloads);
