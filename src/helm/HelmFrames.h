#pragma once
// Reading received Helm frames safely, and the steps every Helm handler shares.
#include "core/Bytes.h"
#include "switcher/ByteManipulation.h"

#include <cstdint>
#include <string>

class Server;

// Reads the data bytes of a frame (after the command byte, before the
// checksum) front to back. A read past them fails the reader for good and
// yields 0, so no count taken from a frame can lead outside it.
class FrameReader {
public:
    explicit FrameReader(const Bytes& Frame) : frame_(Frame), end_(Frame.size() >= 3 ? Frame.size() - 2 : 1) {}

    int Byte() { return Has(1) ? ByteAt(frame_, pos_++) : 0; }
    int Pair()
    {
        const int low = Byte();
        const int high = Byte();
        return CombineBytes(static_cast<unsigned char>(low), static_cast<unsigned char>(high));
    }
    Bytes Text(size_t Count)
    {
        if (!Has(Count))
            return Bytes();
        Bytes text = frame_.substr(pos_, Count);
        pos_ += Count;
        return text;
    }
    size_t Remaining() const { return failed_ ? 0 : end_ - pos_; }
    bool Failed() const { return failed_; }
    // Every data byte was read, and nothing beyond them.
    bool Complete() const { return !failed_ && pos_ == end_; }

private:
    bool Has(size_t Count)
    {
        if (failed_ || Count > end_ - pos_)
            failed_ = true;
        return !failed_;
    }

    const Bytes& frame_;
    size_t end_;
    size_t pos_ = 1;
    bool failed_ = false;
};

// The byte before FF is the 7-bit sum of the data bytes.
inline bool ChecksumMatches(const Bytes& Frame)
{
    return Frame.size() >= 3 && CheckSum7(Frame, 2) == ByteAt(Frame, Frame.size() - 2);
}

// The address of a client slot, or "" once the slot is gone.
std::string ClientAddress(const Server& s, int Index);
// A Vela takes the client's own frame; the table it changes is then asked
// back (AskBack = its reply bit, 0 for none) so every client gets the switcher's word.
void PassToVela(Server& s, const Bytes& Frame, int64_t AskBack);
