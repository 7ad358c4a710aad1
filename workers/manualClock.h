// A clock that tests and benchmarks move by hand. Its local time is UTC, so a moment made with
// at() reads back as the same hour, minute and second on every machine. Setting it back ends
// every wait at once, as a step of the wall clock ends the system clock's waits early.
#pragma once

#include "workers/clock.h"

#include "platform/threads/threads.h"

#include <algorithm>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <stop_token>
#include <vector>

namespace workers {

class ManualClock final : public Clock {
  public:
    explicit ManualClock(TimePoint start) : now_(start) {}

    // hour:minute:second of a fixed day (2024-01-15); hours past 23 run into the next days.
    static TimePoint at(int hour, int minute, int second) {
        constexpr std::int64_t day = 1705276800;
        return TimePoint(std::chrono::seconds(day + hour * 3600 + minute * 60 + second));
    }

    TimePoint now() const override {
        std::lock_guard lock(mutex_);
        return now_;
    }

    bool sleepUntil(TimePoint deadline, std::stop_token alsoEndOn = {}) override {
        const std::stop_token token = threads::currentStopToken();
        // Made before the lock is taken: when alsoEndOn is stopped already, it runs at once.
        std::stop_callback wake(alsoEndOn, [this] {
            std::lock_guard lock(mutex_);
            changed_.notify_all();
        });
        std::unique_lock lock(mutex_);
        const Sleeper me{deadline, steppedBack_, alsoEndOn};
        sleepers_.push_back(me);
        changed_.notify_all();
        changed_.wait(lock, token, [&] {
            return now_ >= deadline || steppedBack_ != me.steppedBack || alsoEndOn.stop_requested();
        });
        sleepers_.erase(std::find(sleepers_.begin(), sleepers_.end(), me));
        return !token.stop_requested() && !alsoEndOn.stop_requested();
    }

    LocalTime localTime(TimePoint moment) const override {
        const std::time_t t =
            std::chrono::system_clock::to_time_t(std::chrono::floor<std::chrono::seconds>(moment));
        std::tm fields{};
        gmtime_r(&t, &fields);
        return {fields.tm_hour, fields.tm_min, fields.tm_sec};
    }

    // Moves the clock, forwards or backwards, and wakes the sleepers whose deadline it reached.
    void set(TimePoint moment) {
        std::lock_guard lock(mutex_);
        if (moment < now_) {
            ++steppedBack_;
        }
        now_ = moment;
        changed_.notify_all();
    }

    void advance(std::chrono::system_clock::duration by) {
        std::lock_guard lock(mutex_);
        now_ += by;
        changed_.notify_all();
    }

    // Threads waiting in sleepUntil for a deadline the clock has not reached yet, and not woken
    // otherwise: a loop that has made its pass and waits for the next one.
    int sleepers() const {
        std::lock_guard lock(mutex_);
        return countSleepers();
    }

    // Blocks until at least count threads are sleepers; false if that has not happened within
    // a generous real-time limit (a hung loop fails its test instead of hanging it).
    bool waitForSleepers(int count = 1) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(20),
                                 [&] { return countSleepers() >= count; });
    }

  private:
    struct Sleeper {
        TimePoint deadline;
        int steppedBack;
        std::stop_token alsoEndOn;
        bool operator==(const Sleeper&) const = default;
    };

    int countSleepers() const {
        return static_cast<int>(std::count_if(sleepers_.begin(), sleepers_.end(), [&](auto& s) {
            return s.deadline > now_ && s.steppedBack == steppedBack_ &&
                   !s.alsoEndOn.stop_requested();
        }));
    }

    mutable std::mutex mutex_;
    std::condition_variable_any changed_;
    TimePoint now_;
    int steppedBack_ = 0;
    std::vector<Sleeper> sleepers_;
};

} // namespace workers
