#include "platform/QtLoop.h"
#include "platform/QtTimers.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class QtTimersTest : public testing::Test {
protected:
    QtTimersTest()
    {
        QtApp();
        timers.setHandler(&log);
    }

    long count(TimerId id) const { return std::count(log.ticks.begin(), log.ticks.end(), id); }
    long long firstTick(TimerId id)
    {
        SpinUntil([&] { return count(id) > 0; });
        return timers.nowMs();
    }

    EventLog log;
    QtTimers timers;
};

TEST_F(QtTimersTest, ZeroIntervalFiresRepeatedlyUntilDisabled)
{
    timers.enable(TimerId::SerialDecode, 0);
    EXPECT_TRUE(timers.isEnabled(TimerId::SerialDecode));
    ASSERT_TRUE(SpinUntil([&] { return count(TimerId::SerialDecode) >= 5; }));
    EXPECT_EQ(count(TimerId::SerialDecode), static_cast<long>(log.ticks.size()));

    timers.disable(TimerId::SerialDecode);
    EXPECT_FALSE(timers.isEnabled(TimerId::SerialDecode));
    const long seen = count(TimerId::SerialDecode);
    SpinFor(50);
    EXPECT_EQ(count(TimerId::SerialDecode), seen);
}

TEST_F(QtTimersTest, RestartPostponesButEnableWithTheSameIntervalDoesNot)
{
    const long long start = timers.nowMs();
    timers.enable(TimerId::Poll, 300);
    timers.enable(TimerId::Led, 300);
    SpinFor(150);
    const long long midway = timers.nowMs();
    timers.restart(TimerId::Poll, 300);
    timers.enable(TimerId::Led, 300);

    const long long led = firstTick(TimerId::Led);
    const long long poll = firstTick(TimerId::Poll);
    EXPECT_GE(led - start, 300);
    EXPECT_LT(led - midway, 300);
    EXPECT_GE(poll - midway, 300);
}

TEST_F(QtTimersTest, EnableWithANewIntervalTakesIt)
{
    timers.enable(TimerId::DecodeTcp, 60000);
    timers.enable(TimerId::DecodeTcp, 10);
    EXPECT_TRUE(SpinUntil([&] { return count(TimerId::DecodeTcp) >= 3; }, 1000));
}

}  // namespace
