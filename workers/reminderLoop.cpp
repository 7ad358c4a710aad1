#include "workers/reminderLoop.h"

#include "core/reminderLists.h"
#include "core/textRules.h"
#include "platform/threads/threads.h"

#include <algorithm>
#include <string_view>

namespace workers {

std::vector<DueAlert> dueAlerts(const ReminderMemory& memory, std::int64_t now,
                                const Advances& advances, const SecondOfHour& secondOfHour) {
    std::int64_t first = now;
    if (memory.lastExamined && *memory.lastExamined < now &&
        now - *memory.lastExamined <= maxCatchUpSeconds) {
        first = *memory.lastExamined + 1;
    }
    std::vector<DueAlert> due;
    for (std::int64_t second = first; second <= now; ++second) {
        const int ofHour = secondOfHour(second);
        for (int k = 1; k <= core::periodCount; ++k) {
            const auto& advance = advances[k - 1];
            const DueAlert alert{k, second};
            if (advance && core::dueSecond(k, *advance) == ofHour &&
                std::find(memory.delivered.begin(), memory.delivered.end(), alert) ==
                    memory.delivered.end()) {
                due.push_back(alert);
            }
        }
    }
    return due;
}

std::int64_t nextDueSecond(std::int64_t after, const Advances& advances,
                           const SecondOfHour& secondOfHour) {
    if (std::none_of(advances.begin(), advances.end(),
                     [](const auto& a) { return a.has_value(); })) {
        return after + maxSleepSeconds;
    }
    for (std::int64_t second = after + 1; second < after + maxSleepSeconds; ++second) {
        const int ofHour = secondOfHour(second);
        for (int k = 1; k <= core::periodCount; ++k) {
            const auto& advance = advances[k - 1];
            if (advance && core::dueSecond(k, *advance) == ofHour) {
                return second;
            }
        }
    }
    return after + maxSleepSeconds;
}

void InputsChanged::raise() {
    std::lock_guard lock(mutex_);
    source_.request_stop();
    source_ = std::stop_source();
}

std::stop_token InputsChanged::token() const {
    std::lock_guard lock(mutex_);
    return source_.get_token();
}

void rememberPass(ReminderMemory& memory, std::int64_t sampled, std::int64_t finished,
                  std::span<const DueAlert> delivered) {
    memory.lastExamined = delivered.empty() ? sampled : std::max(sampled, finished - 1);
    memory.delivered.insert(memory.delivered.end(), delivered.begin(), delivered.end());
    std::erase_if(memory.delivered, [&](const DueAlert& alert) {
        return alert.second < finished - deliveryMemorySeconds;
    });
}

namespace {

// The advances of the selected periods. The toolkit answers a worker's read of an edit box
// without waking the GUI thread, so a pass with nothing due costs the GUI thread nothing.
Advances readAdvances(const ReminderInputs& inputs, std::string_view selected) {
    Advances advances;
    for (int k = 1; k <= core::periodCount; ++k) {
        if (core::isSelected(selected, inputs.periodNames[k - 1])) {
            advances[k - 1] = core::textToInt(inputs.advanceText(k));
        }
    }
    return advances;
}

void runReminderLoop(const ReminderInputs& inputs) {
    Clock& clock = *inputs.clock;
    const SecondOfHour secondOfHour = [&clock](std::int64_t second) {
        const LocalTime time = clock.localTime(TimePoint(std::chrono::seconds(second)));
        return time.minute * 60 + time.second;
    };
    ReminderMemory memory;
    for (;;) {
        // Taken before the inputs are read, so that a change made while they are read still
        // wakes the wait below.
        const std::stop_token changed =
            inputs.changes ? inputs.changes->token() : std::stop_token();
        const std::int64_t sampled = wholeSecond(clock.now());
        const std::shared_ptr<const std::string> selection = inputs.selection->load();
        const Advances advances =
            readAdvances(inputs, selection ? std::string_view(*selection) : "");
        std::vector<DueAlert> delivered;
        for (const DueAlert& alert : dueAlerts(memory, sampled, advances, secondOfHour)) {
            if (threads::stopRequested()) {
                return;
            }
            delivered.push_back(alert);
            inputs.deliver(alert.period);
        }
        const std::int64_t finished = delivered.empty() ? sampled : wholeSecond(clock.now());
        rememberPass(memory, sampled, finished, delivered);

        const std::int64_t examined = *memory.lastExamined;
        const std::int64_t next =
            inputs.changes ? nextDueSecond(examined, advances, secondOfHour) : examined + 1;
        clock.sleepUntil(TimePoint(std::chrono::seconds(next)), changed);
        if (threads::stopRequested()) {
            return;
        }
        // Nothing was due in the seconds slept through, unless the inputs changed meanwhile: a
        // pass that comes a little late still catches up the due second.
        if (!changed.stop_requested() && wholeSecond(clock.now()) >= next) {
            memory.lastExamined = std::max(examined, next - 1);
        }
    }
}

} // namespace

std::jthread startReminderLoop(ReminderInputs inputs) {
    return threads::start([inputs = std::move(inputs)] { runReminderLoop(inputs); });
}

} // namespace workers
