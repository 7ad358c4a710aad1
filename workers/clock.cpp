#include "workers/clock.h"

#include "platform/threads/threads.h"

#include <ctime>

namespace workers {
namespace {

using std::chrono::steady_clock;
using std::chrono::system_clock;

// A wait that ends this little before the wall clock's deadline (the wall clock runs a hair
// slower than the steady one while it is being slewed) is topped up; anything more means the
// wall clock was stepped back, and the wait is over anyway.
constexpr auto topUpLimit = std::chrono::milliseconds(100);
// Each wait is aimed this far past the deadline, so that a wall clock running a hair slow does
// not cost a second, tiny wait (and wake-up) at every deadline.
constexpr auto overshoot = std::chrono::milliseconds(1);

class SystemClock final : public Clock {
  public:
    TimePoint now() const override { return system_clock::now(); }

    // Waits on the steady clock for the time left, so that a backward step of the wall clock
    // cannot freeze a loop for as long as the step.
    bool sleepUntil(TimePoint deadline, std::stop_token alsoEndOn = {}) override {
        auto left = deadline - system_clock::now();
        for (;;) {
            if (!threads::sleepUntil(steady_clock::now() + left + overshoot, alsoEndOn)) {
                return false;
            }
            left = deadline - system_clock::now();
            if (left <= system_clock::duration::zero() || left > topUpLimit) {
                return true;
            }
        }
    }

    LocalTime localTime(TimePoint moment) const override {
        const std::time_t t =
            system_clock::to_time_t(std::chrono::floor<std::chrono::seconds>(moment));
        std::tm fields{};
        if (localtime_r(&t, &fields) == nullptr) {
            return {};
        }
        return {fields.tm_hour, fields.tm_min, fields.tm_sec};
    }
};

} // namespace

Clock& systemClock() {
    static SystemClock clock;
    return clock;
}

TimePoint nextSecondBoundary(TimePoint moment) {
    return std::chrono::floor<std::chrono::seconds>(moment) + std::chrono::seconds(1);
}

std::int64_t wholeSecond(TimePoint moment) {
    return std::chrono::floor<std::chrono::seconds>(moment).time_since_epoch().count();
}

} // namespace workers
