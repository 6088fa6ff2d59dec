#pragma once
#include <string>

// Protocol bytes live in std::string: one element per byte, never converted
// through a text encoding.
using Bytes = std::string;

inline unsigned char ByteAt(const Bytes& b, size_t i) { return static_cast<unsigned char>(b[i]); }
