// The one way the workers read the time of day and wait for it, so that tests can drive time
// by hand instead of sleeping.
#pragma once

#include <chrono>
#include <cstdint>
#include <stop_token>

namespace workers {

using TimePoint = std::chrono::system_clock::time_point;

// Local wall-clock fields of a moment.
struct LocalTime {
    int hour = 0;   // 0..23
    int minute = 0; // 0..59
    int second = 0; // 0..60 (60 only on a leap second)
};

class Clock {
  public:
    virtual ~Clock() = default;

    virtual TimePoint now() const = 0;

    // Waits until now() has reached the deadline, until the calling thread is asked to stop
    // (threads::currentStopToken()), or until alsoEndOn is stopped. Returns false when one of
    // the two tokens ended it. When the clock is set back during the wait, the wait may end
    // before the deadline.
    virtual bool sleepUntil(TimePoint deadline, std::stop_token alsoEndOn = {}) = 0;

    // The local hour, minute and second of a moment of this clock.
    virtual LocalTime localTime(TimePoint moment) const = 0;
};

// The machine's wall clock in its local time zone. A step of the wall clock during a wait does
// not stretch the wait beyond the time that was left when it began.
Clock& systemClock();

// The start of the next whole second after the moment.
TimePoint nextSecondBoundary(TimePoint moment);

// The whole second a moment falls in, as seconds since the clock's epoch.
std::int64_t wholeSecond(TimePoint moment);

} // namespace workers
