#include "workers/reminderLoop.h"

#include "workers/pumpingWait.h"

#include "core/reminderLists.h"
#include "core/textRules.h"
#include "platform/threads/threads.h"
#include "platform/toolkit/toolkit.h"

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

void rememberPass(ReminderMemory& memory, std::int64_t sampled, std::int64_t finished,
                  std::span<const DueAlert> delivered) {
    memory.lastExamined = delivered.empty() ? sampled : std::max(sampled, finished - 1);
    memory.delivered.insert(memory.delivered.end(), delivered.begin(), delivered.end());
    std::erase_if(memory.delivered, [&](const DueAlert& alert) {
        return alert.second < finished - deliveryMemorySeconds;
    });
}

namespace {

// The advances of the selected periods, read in one trip to the GUI thread: the caller's
// advanceText reads the boxes through the toolkit, which acts directly there, so a pass wakes
// the GUI thread once however many periods are selected. Without a GUI (a test) they are read
// here. False when the loop is to end (stopped, or the toolkit shutting down).
bool readAdvances(const ReminderInputs& inputs, std::string_view selected, Advances& advances) {
    std::vector<int> periods;
    for (int k = 1; k <= core::periodCount; ++k) {
        if (core::isSelected(selected, inputs.periodNames[k - 1])) {
            periods.push_back(k);
        }
    }
    const auto read = [&] {
        for (int k : periods) {
            advances[k - 1] = core::textToInt(inputs.advanceText(k));
        }
    };
    if (periods.empty() || toolkit::callOnGui(read)) {
        return true;
    }
    if (threads::stopRequested() || toolkit::shuttingDown()) {
        return false;
    }
    read();
    return true;
}

void runReminderLoop(const ReminderInputs& inputs) {
    Clock& clock = *inputs.clock;
    const SecondOfHour secondOfHour = [&clock](std::int64_t second) {
        const LocalTime time = clock.localTime(TimePoint(std::chrono::seconds(second)));
        return time.minute * 60 + time.second;
    };
    ReminderMemory memory;
    do {
        const std::int64_t sampled = wholeSecond(clock.now());
        const std::shared_ptr<const std::string> selection = inputs.selection->load();
        Advances advances;
        if (!readAdvances(inputs, selection ? std::string_view(*selection) : "", advances)) {
            return;
        }
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
    } while (waitForNextSecond(clock));
}

} // namespace

std::jthread startReminderLoop(ReminderInputs inputs) {
    return threads::start([inputs = std::move(inputs)] { runReminderLoop(inputs); });
}

} // namespace workers
