// The reminder loop: it looks at every selected period and hands the periods that fall due to
// the alert delivery, waking for the seconds at which one falls due and whenever the selection
// or an advance changes, not every second.
#pragma once

#include "workers/clock.h"
#include "workers/tickers.h"

#include "core/periodTable.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

namespace workers {

// ---- which seconds are due: plain decisions, no clock and no thread ----------------------

// A pass that comes at most this many seconds after the one before looks at every second in
// between, so a pass that slipped still catches its due second. A longer gap (an alert box held
// open, the machine asleep) is not replayed: only the current second counts then.
inline constexpr std::int64_t maxCatchUpSeconds = 5;

// Deliveries are remembered for this long (in clock seconds), so a clock stepped back by up to
// an hour does not deliver a due second twice.
inline constexpr std::int64_t deliveryMemorySeconds = 3600;

// One alert: period 1..12 at a whole clock second (seconds since the clock's epoch).
struct DueAlert {
    int period;
    std::int64_t second;
    bool operator==(const DueAlert&) const = default;
};

// What the loop remembers from one pass to the next.
struct ReminderMemory {
    std::optional<std::int64_t> lastExamined; // the newest second already looked at
    std::vector<DueAlert> delivered;
};

// The advance of each selected period (index 0 is period 1); not selected: nullopt.
using Advances = std::array<std::optional<std::int64_t>, core::periodCount>;

// Second of the hour (minute × 60 + second, local time) of a whole clock second.
using SecondOfHour = std::function<int(std::int64_t second)>;

// The alerts a pass sampled in clock second now has to deliver, oldest second first and in
// period order within a second: the seconds after memory.lastExamined up to now (now alone at
// the first pass, after a longer gap, or when the clock went back), those of them that are the
// due second of a selected period, less what was delivered already.
std::vector<DueAlert> dueAlerts(const ReminderMemory& memory, std::int64_t now,
                                const Advances& advances, const SecondOfHour& secondOfHour);

// Between passes the loop sleeps at most this long, so that a pass sees a change of the local
// time zone (which moves the due seconds) within a minute.
inline constexpr std::int64_t maxSleepSeconds = 60;

// The first second after the second after at which a selected period falls due, or
// after + maxSleepSeconds when none does before.
std::int64_t nextDueSecond(std::int64_t after, const Advances& advances,
                           const SecondOfHour& secondOfHour);

// Records a pass sampled in second sampled whose deliveries ended in second finished. After a
// delivery, the seconds that ended while it ran (an open alert box) count as looked at.
void rememberPass(ReminderMemory& memory, std::int64_t sampled, std::int64_t finished,
                  std::span<const DueAlert> delivered);

// ---- the loop ------------------------------------------------------------------------------

// ReminderSelection (GBK), replaced as a whole by the GUI thread; null counts as empty.
using SharedSelection = std::atomic<std::shared_ptr<const std::string>>;

// Raised, from any thread, after the selection or an advance box has changed: a loop sleeping
// until its next due second makes a pass at once.
class InputsChanged {
  public:
    void raise();
    // A token the next raise() stops.
    std::stop_token token() const;

  private:
    mutable std::mutex mutex_;
    std::stop_source source_; // guarded by mutex_
};

struct ReminderInputs {
    const SharedSelection* selection = nullptr; // owned by the caller, outlives the loop
    // Owned by the caller, outlives the loop; raised after every change of the selection or of
    // an advance box. Without it the loop makes a pass every second.
    InputsChanged* changes = nullptr;
    PeriodNames periodNames;
    // Live advance text of period k (GBK), called on the loop's thread for the selected periods
    // of each pass.
    std::function<std::string(int k)> advanceText;
    std::function<void(int k)> deliver; // alerts period k; may block (a message box)
    Clock* clock = &systemClock();
};

// Starts the loop: a pass at once, then one at the next second a selected period falls due
// (at most maxSleepSeconds later), and one at once after each change. Each pass reads the
// selection, and the advance text of each selected period, afresh. A stop request
// ends the loop at once; no alert starts after it. Stop it with request_stop() and join().
std::jthread startReminderLoop(ReminderInputs inputs);

} // namespace workers
