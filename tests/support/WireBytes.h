#pragma once
// Building the bytes of frames in tests.
#include "model/ByteManipulation.h"
#include "platform/Bytes.h"

#include <initializer_list>
#include <string>

// Bytes from their values.
inline Bytes Wire(std::initializer_list<int> bytes)
{
    Bytes b;
    for (int v : bytes)
        b += static_cast<char>(v);
    return b;
}

// Bytes from hexadecimal text, two digits a byte ("fe000e").
inline Bytes FromHex(const std::string& Text)
{
    Bytes b;
    for (size_t i = 0; i + 1 < Text.size(); i += 2)
        b += static_cast<char>(std::stoi(Text.substr(i, 2), nullptr, 16));
    return b;
}

// Command byte and data, closed with the checksum and FF.
inline Bytes Framed(Bytes f)
{
    AppendChecksumAndEnd(f);
    return f;
}

// The request a server sends a Vela switcher on start: all basic tables.
inline const Bytes BasicInfoRequest =
    Wire({0xF2, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x7F, 0x7F, 0x00, 0x00, 0x7F, 0xFF});
