#include "swp08/Swp08Link.h"

namespace Swp08 {

unsigned char Checksum(const Bytes& DataAndCount)
{
    unsigned sum = 0;
    for (char c : DataAndCount)
        sum += static_cast<unsigned char>(c);
    return static_cast<unsigned char>(0x100 - (sum & 0xFF));
}

Bytes Frame(const Bytes& Data)
{
    Bytes body = Data;
    body += static_cast<char>(Data.size());
    body += static_cast<char>(Checksum(body));
    Bytes frame{static_cast<char>(Dle), static_cast<char>(Stx)};
    frame.reserve(2 * body.size() + 4);
    for (char c : body) {
        frame += c;
        if (static_cast<unsigned char>(c) == Dle)
            frame += c;
    }
    frame += static_cast<char>(Dle);
    frame += static_cast<char>(Etx);
    return frame;
}

namespace {

// Data, byte count and checksum of a frame, DLEs undoubled.
Cut Checked(const Bytes& Body, bool BrokenPackaging)
{
    const size_t n = Body.size();
    if (BrokenPackaging || n < 3 || ByteAt(Body, n - 2) != n - 2 ||
        Checksum(Body.substr(0, n - 1)) != ByteAt(Body, n - 1))
        return {Unit::BadFrame, {}};
    return {Unit::Message, Body.substr(0, n - 2)};
}

// Buffer starts with DLE STX.
Cut CutFrame(Bytes& Buffer)
{
    Bytes body;
    bool broken = false;
    size_t i = 2;
    while (i < Buffer.size()) {
        if (ByteAt(Buffer, i) != Dle) {
            body += Buffer[i++];
        } else if (i + 1 == Buffer.size()) {
            break;
        } else {
            const unsigned char next = ByteAt(Buffer, i + 1);
            if (next == Etx) {
                Buffer.erase(0, i + 2);
                return Checked(body, broken);
            }
            if (next == Stx) {
                // A new frame began before this one ended.
                Buffer.erase(0, i);
                return {Unit::BadFrame, {}};
            }
            if (next == Dle)
                body += static_cast<char>(Dle);
            else if (next != Ack && next != Nak)
                broken = true;
            i += 2;
        }
        // Longer than any byte count allows: no end to wait for.
        if (body.size() > MaxData + 2) {
            Buffer.erase(0, i);
            return {Unit::BadFrame, {}};
        }
    }
    return {};
}

}  // namespace

Cut CutUnit(Bytes& Buffer)
{
    size_t i = 0;
    for (;;) {
        i = Buffer.find(static_cast<char>(Dle), i);
        if (i == Bytes::npos) {
            Buffer.clear();
            return {};
        }
        if (i + 1 == Buffer.size()) {
            Buffer.erase(0, i);
            return {};
        }
        const unsigned char next = ByteAt(Buffer, i + 1);
        if (next == Ack || next == Nak) {
            Buffer.erase(0, i + 2);
            return {next == Ack ? Unit::PeerAck : Unit::PeerNak, {}};
        }
        if (next == Stx)
            break;
        // A DLE that starts nothing; the byte after it may start something.
        ++i;
    }
    Buffer.erase(0, i);
    return CutFrame(Buffer);
}

}  // namespace Swp08
