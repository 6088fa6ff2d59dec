#include "LinePacer.h"

#include <gtest/gtest.h>

namespace {

// 57600 baud at 10 bits a byte.
constexpr double BytesPerMs = 5.76;
constexpr double SliceMs = 10;

// Sends Count bytes from Start, each wake-up coming Late ms after it was due;
// returns when the last byte went out. Checks on the way that the line never
// runs ahead of its speed by more than a slice.
double Send(LinePacer& pacer, double start, size_t count, double late)
{
    pacer.start(start);
    double now = start;
    size_t sent = 0;
    while (sent < count) {
        now = std::max(now, pacer.dueAtMs()) + late;
        const size_t n = pacer.allowance(now, count - sent);
        EXPECT_GT(n, 0u);
        sent += n;
        pacer.sent(n);
        EXPECT_LE(static_cast<double>(sent), (now - start + SliceMs) * BytesPerMs + 1);
    }
    return now;
}

TEST(LinePacerTest, LateWakeUpsAreMadeUpSoALongDumpTakesItsWireTime)
{
    LinePacer pacer(BytesPerMs, SliceMs);
    const size_t dump = 57600;  // ten seconds on the wire
    const double end = Send(pacer, 1000, dump, 3);
    EXPECT_NEAR(end - 1000, 10000, SliceMs + 3);

    // An idle line gives no credit: the next burst starts its clock afresh.
    const double next = Send(pacer, end + 5000, 5760, 0);
    EXPECT_NEAR(next - (end + 5000), 1000, SliceMs);
    // Bytes queued while earlier ones are still on the wire wait for them.
    pacer.start(next);
    EXPECT_EQ(pacer.allowance(next, 100), 0u);
    EXPECT_GT(pacer.dueAtMs(), next);
}

TEST(LinePacerTest, WithoutASpeedEverythingGoesAtOnce)
{
    LinePacer pacer(0, SliceMs);
    pacer.start(5);
    EXPECT_EQ(pacer.allowance(5, 123456), 123456u);
    pacer.sent(123456);
    EXPECT_LE(pacer.dueAtMs(), 5);
}

}  // namespace
