// The workers' clock and waits: second boundaries, stop requests ending every wait.
#include "workers/clock.h"
#include "workers/pumpingWait.h"

#include "workerWatch.h"
#include "workers/manualClock.h"

#include "platform/threads/threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <ctime>

using namespace workers;
using namespace std::chrono_literals;

namespace {

TEST(Clock, NextBoundaryAndWholeSecond) {
    const TimePoint base = ManualClock::at(10, 0, 0);
    const std::int64_t baseSecond = 1705276800 + 10 * 3600;
    struct Case {
        std::chrono::nanoseconds after;
        std::int64_t second;
        std::chrono::seconds boundary;
    };
    const Case cases[] = {
        {0ns, 0, 1s}, {1ns, 0, 1s}, {999'999'999ns, 0, 1s}, {1s, 1, 2s}, {-1ns, -1, 0s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.after.count());
        EXPECT_EQ(wholeSecond(base + c.after), baseSecond + c.second);
        EXPECT_EQ(nextSecondBoundary(base + c.after), base + c.boundary);
    }
}

TEST(Clock, SystemClockLocalTimeIsTheMachinesLocalTime) {
    const TimePoint moment = TimePoint(std::chrono::seconds(1705276800 + 3 * 3600 + 4 * 60 + 5));
    const std::time_t t = 1705276800 + 3 * 3600 + 4 * 60 + 5;
    std::tm expected{};
    localtime_r(&t, &expected);
    const LocalTime got = systemClock().localTime(moment + 999ms);
    EXPECT_EQ(got.hour, expected.tm_hour);
    EXPECT_EQ(got.minute, expected.tm_min);
    EXPECT_EQ(got.second, 5);
}

TEST(Clock, WaitForNextSecondEndsExactlyAtTheBoundary) {
    ManualClock clock(ManualClock::at(10, 0, 0) + 300ms);
    std::atomic<int> waits{0};
    std::jthread worker = threads::start([&] {
        while (waitForNextSecond(clock)) {
            ++waits;
        }
    });
    ASSERT_TRUE(clock.waitForSleepers());
    clock.advance(699ms);
    EXPECT_EQ(clock.sleepers(), 1); // 10:00:00.999: still waiting
    EXPECT_EQ(waits.load(), 0);
    clock.advance(1ms);
    ASSERT_TRUE(clock.waitForSleepers()); // woke at 10:00:01 and waits for 10:00:02
    EXPECT_EQ(waits.load(), 1);
    clock.advance(999ms);
    EXPECT_EQ(clock.sleepers(), 1);
    workertest::stopAndJoin(worker);
    EXPECT_EQ(waits.load(), 1);
}

// Each wait of the workers gives way to a stop request at once; a wait that did not would hang
// the join (and the watchdog would end the test program).
TEST(Clock, EveryWaitEndsOnAStopRequest) {
    std::atomic<bool> waiting{false};
    std::atomic<bool> result{false};
    const std::function<bool()> waits[] = {
        [] { return pumpingWait(1, 3); },
        [] { return pumpingWait(1000000, 2); },
        [] { return systemClock().sleepUntil(systemClock().now() + 24h); },
        [] { return waitForNextSecond(systemClock()) || true; },
    };
    for (const auto& wait : waits) {
        waiting = false;
        std::jthread worker = threads::start([&] {
            waiting = true;
            result = wait();
        });
        while (!waiting) {
            std::this_thread::yield();
        }
        workertest::stopAndJoin(worker);
    }
    // pumpingWait says true whatever ended it; the clock's own wait says it was stopped.
    std::jthread worker = threads::start([&] {
        waiting = true;
        result = systemClock().sleepUntil(systemClock().now() + 24h);
    });
    worker.request_stop();
    workertest::joinOrAbort(worker);
    EXPECT_FALSE(result.load());
}

TEST(Clock, PumpingWaitWithoutATimeReturnsAtOnce) {
    const std::pair<int, int> calls[] = {{0, 1}, {-5, 3}, {1, 4}, {1, -1}, {1, 0}};
    for (auto [interval, unit] : calls) {
        EXPECT_TRUE(pumpingWait(interval, unit)); // a real wait here would hang for hours
    }
}

} // namespace
