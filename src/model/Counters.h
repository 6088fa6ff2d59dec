#pragma once
// Running totals for monitoring: what crossed the serial line, the takes by
// where they came from, what went wrong. Only ever counted up.
#include "platform/Seams.h"

#include <array>
#include <cstdint>

struct Counters {
    // Takes sent to the switcher, by the port of the client that asked.
    std::array<uint64_t, static_cast<size_t>(Port::Count)> TakesByPort{};
    // Takes from the soft panels' poll files.
    uint64_t PollFileTakes = 0;
    uint64_t SerialBytesIn = 0;
    uint64_t SerialBytesOut = 0;
    uint64_t SerialFramesIn = 0;
    uint64_t SerialFramesOut = 0;
    // Frames from the switcher dropped for a wrong check byte.
    uint64_t BadChecks = 0;
    // Clients disconnected because they stopped reading.
    uint64_t SlowClientsCut = 0;
    // Requests for missing tables the poll sent to the switcher.
    uint64_t TableRequests = 0;
    // When the server started: the wall clock's seconds, and Timers::nowMs.
    int64_t StartedUnixSeconds = 0;
    long long StartedMs = 0;

    void Take(Port Origin) { ++TakesByPort[static_cast<size_t>(Origin)]; }
};
