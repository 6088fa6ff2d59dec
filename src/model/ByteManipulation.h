#pragma once
#include "platform/Bytes.h"

#include <cstdint>
#include <string>

// Joins two 7-bit wire groups, low group first: High * 128 + Low.
int CombineBytes(unsigned char Low, unsigned char High);
bool IsHighBitSet(unsigned char Value);
// Position of the first byte with bit 7 set (a command or FF) in From .. To,
// else To (also when From is past To). Decoders scan every byte with it.
size_t FirstHighByte(const Bytes& Buffer, size_t From, size_t To);
// Returns bit 6 of Value and leaves its low 6 bits in Value.
int SplitFlagBit(unsigned char& Value);
// 1-based position of the first FF, 0 when there is none.
size_t FindEOM(const Bytes& Buffer);
// 7-bit additive checksum from the second byte up to length - Trailing.
int CheckSum7(const Bytes& Message, int Trailing);
// Returns the first Count bytes and leaves the rest in Message.
Bytes SplitMessage(Bytes& Message, size_t Count);
// Removes and returns the first Count bytes of Buffer (all of it when Count is larger).
Bytes TakeBytes(Bytes& Buffer, size_t Count);

// Appends a number as a 7-bit pair, low group first. Values outside 0..16383
// are clamped so that no byte with bit 7 set can end up inside a frame.
void AppendPair(Bytes& Frame, long Value);
// Appends CheckSum7 of the frame so far and the FF end byte.
void AppendChecksumAndEnd(Bytes& Frame);
// Upper-case hexadecimal without leading zeros, as the logs show command bytes.
std::string HexText(unsigned Value);
// Zero-padded decimal, like Format(n, "000").
std::string Digits(long Value, int Width);
