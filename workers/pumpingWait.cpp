#include "workers/pumpingWait.h"

#include <cstdint>

namespace workers {

bool pumpingWait(int interval, int unit) {
    constexpr std::int64_t millisecondsPerCount[] = {1, 1000, 60'000, 3'600'000};
    if (interval < 1 || unit < 0 || unit > 3) {
        return true;
    }
    Clock& clock = systemClock();
    clock.sleepUntil(clock.now() +
                     std::chrono::milliseconds(interval * millisecondsPerCount[unit]));
    return true;
}

bool waitForNextSecond(Clock& clock) {
    return clock.sleepUntil(nextSecondBoundary(clock.now()));
}

} // namespace workers
