#pragma once
// Reading received frames safely: the switcher's reports and the Helm
// clients' frames share one shape (command byte, data, checksum, FF).
#include "model/ByteManipulation.h"
#include "platform/Bytes.h"

// Reads the data bytes of a frame (after the command byte, before the
// checksum) front to back. A read past them fails the reader for good and
// yields 0, so no count taken from a frame can lead outside it.
class FrameReader {
public:
    // Position: 0-based index of the first byte to read (1 = just after the command byte).
    explicit FrameReader(const Bytes& Frame, size_t Position = 1)
        : frame_(Frame),
          end_(Frame.size() >= 3 ? Frame.size() - 2 : 1),
          pos_(Position)
    {
        if (pos_ > end_)
            failed_ = true;
    }

    int Byte() { return Has(1) ? ByteAt(frame_, pos_++) & 127 : 0; }
    // A 14-bit number, low group first.
    int Pair()
    {
        const int low = Byte();
        const int high = Byte();
        return failed_ ? 0 : CombineBytes(static_cast<unsigned char>(low), static_cast<unsigned char>(high));
    }
    void Skip(size_t Count)
    {
        if (Has(Count))
            pos_ += Count;
    }
    // Count bytes as they stand (names).
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
    size_t pos_;
    bool failed_ = false;
};

// The byte before FF is the 7-bit sum of the data bytes.
inline bool ChecksumMatches(const Bytes& Frame)
{
    return Frame.size() >= 3 && CheckSum7(Frame, 2) == ByteAt(Frame, Frame.size() - 2);
}
