#include "ember/S101.h"

#include <array>

namespace {

// The reflected CCITT polynomial; the table it yields is the one the
// documentation prints.
constexpr uint16_t Polynomial = 0x8408;

constexpr std::array<uint16_t, 256> MakeTable()
{
    std::array<uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned v = i;
        for (int bit = 0; bit < 8; ++bit)
            v = (v & 1) ? (v >> 1) ^ Polynomial : v >> 1;
        table[i] = static_cast<uint16_t>(v);
    }
    return table;
}

constexpr std::array<uint16_t, 256> CrcTable = MakeTable();

void AppendEscaped(Bytes& Out, unsigned char Byte)
{
    if (Byte >= S101::FirstEscaped) {
        Out += static_cast<char>(S101::Escape);
        Out += static_cast<char>(Byte ^ S101::EscapeXor);
    } else {
        Out += static_cast<char>(Byte);
    }
}

// A frame is complete: keep its payload when the CRC holds.
void EndFrame(S101Reader& r, std::vector<Bytes>& Payloads)
{
    const bool good = !r.Overflowed && r.Frame.size() >= 2 && S101Crc(r.Frame) == S101::GoodResidue;
    if (good) {
        r.Frame.resize(r.Frame.size() - 2);
        Payloads.push_back(std::move(r.Frame));
    } else {
        ++r.BadFrames;
    }
    r.Frame.clear();
    r.InFrame = false;
    r.Escaped = false;
}

}  // namespace

uint16_t S101CrcTableEntry(unsigned char Index) { return CrcTable[Index]; }

uint16_t S101Crc(const Bytes& Data, uint16_t Crc)
{
    for (char c : Data)
        Crc = static_cast<uint16_t>((Crc >> 8) ^ CrcTable[(Crc ^ static_cast<unsigned char>(c)) & 0xFF]);
    return Crc;
}

Bytes S101Frame(const Bytes& Payload)
{
    Bytes out;
    out.reserve(Payload.size() + Payload.size() / 8 + 6);
    out += static_cast<char>(S101::Bof);
    for (char c : Payload)
        AppendEscaped(out, static_cast<unsigned char>(c));
    const uint16_t crc = static_cast<uint16_t>(~S101Crc(Payload));
    AppendEscaped(out, static_cast<unsigned char>(crc & 0xFF));
    AppendEscaped(out, static_cast<unsigned char>(crc >> 8));
    out += static_cast<char>(S101::Eof);
    return out;
}

void ReadS101(S101Reader& r, const Bytes& Chunk, size_t Cap, std::vector<Bytes>& Payloads)
{
    for (char c : Chunk) {
        const auto b = static_cast<unsigned char>(c);
        if (b == S101::Bof) {
            r.Frame.clear();
            r.InFrame = true;
            r.Escaped = false;
        } else if (!r.InFrame) {
            continue;
        } else if (b == S101::Eof) {
            EndFrame(r, Payloads);
        } else if (b == S101::Escape) {
            r.Escaped = true;
        } else if (r.Frame.size() >= Cap) {
            r.Overflowed = true;
        } else {
            r.Frame += static_cast<char>(r.Escaped ? b ^ S101::EscapeXor : b);
            r.Escaped = false;
        }
    }
}
