#pragma once
// Paces output to the speed of a serial line against a steady clock. A burst
// that starts at T may have sent (now - T) x rate bytes by now, so a wake-up
// that comes late is made up by the next write instead of slowing the line.
#include <algorithm>
#include <cstddef>

class LinePacer {
public:
    // BytesPerMs 0: no pacing. Bytes go out in slices of SliceMs of wire time.
    LinePacer(double bytesPerMs, double sliceMs) : bytesPerMs_(bytesPerMs), sliceMs_(sliceMs) {}

    // Bytes are queued on an idle line: the clock of this burst starts now,
    // unless earlier bytes are still on the wire.
    void start(double nowMs) { freeAtMs_ = std::max(freeAtMs_, nowMs); }
    // When the next bytes are due.
    double dueAtMs() const { return freeAtMs_; }
    // How many of Queued bytes may be written now.
    size_t allowance(double nowMs, size_t queued) const
    {
        if (bytesPerMs_ <= 0)
            return queued;
        if (nowMs < freeAtMs_)
            return 0;
        const double due = (nowMs - freeAtMs_ + sliceMs_) * bytesPerMs_;
        return std::min(queued, std::max<size_t>(1, static_cast<size_t>(due)));
    }
    void sent(size_t count)
    {
        if (bytesPerMs_ > 0)
            freeAtMs_ += static_cast<double>(count) / bytesPerMs_;
    }

private:
    double bytesPerMs_;
    double sliceMs_;
    double freeAtMs_ = 0;  // when the bytes sent so far have left the wire
};
