#include "workers/tickers.h"

#include "workers/pumpingWait.h"

#include "core/textRules.h"
#include "platform/encoding/gbk.h"
#include "platform/threads/threads.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <stop_token>
#include <utility>

namespace workers {
namespace {

struct CountdownWords {
    std::string before, middle, arrow;
};

const CountdownWords& countdownWords() {
    static const CountdownWords words{encoding::toGbk("还有"), encoding::toGbk("秒进入"),
                                      "\r\n       " + encoding::toGbk("↓")};
    return words;
}

using Pass = void (*)(const TickerInputs&, LocalTime);

// What a ticker shares with the passes it has queued for the GUI thread, which may run after the
// ticker has ended.
struct TickerState {
    TickerInputs inputs;
    Pass pass;
    std::stop_token stop;
    std::mutex m;
    LocalTime latest{};  // guarded by m: the time the queued pass shows
    bool queued = false; // guarded by m
    std::atomic<bool> windowGone{false};
};

void runQueuedPass(TickerState& state) {
    LocalTime time;
    {
        std::lock_guard lock(state.m);
        time = state.latest;
        state.queued = false;
    }
    if (state.stop.stop_requested()) {
        return;
    }
    if (!toolkit::windowExists(state.inputs.mainWindow)) {
        state.windowGone = true;
        return;
    }
    state.pass(state.inputs, time);
}

// Queues pass for the GUI thread at once and after every whole second, without waiting for it:
// a ticker waiting for the answer would be woken twice a second. While a queued pass has not
// run yet, a new second only updates the time it will show, so a busy GUI thread never gathers
// a backlog. Ends when a pass found the window gone, when the toolkit shuts down, or at once
// when the thread is asked to stop; a pass still queued then does nothing.
void tick(TickerInputs inputs, Pass pass) {
    auto state = std::make_shared<TickerState>();
    state->inputs = std::move(inputs);
    state->pass = pass;
    state->stop = threads::currentStopToken();
    Clock& clock = *state->inputs.clock;
    do {
        if (state->windowGone) {
            return;
        }
        const LocalTime time = clock.localTime(clock.now());
        bool post;
        {
            std::lock_guard lock(state->m);
            state->latest = time;
            post = !std::exchange(state->queued, true);
        }
        if (post && !toolkit::postToGui([state] { runQueuedPass(*state); })) {
            return;
        }
    } while (waitForNextSecond(clock));
}

} // namespace

std::string countdownText(int minute, int second, const PeriodNames& periodNamesGbk) {
    const CountdownWords& words = countdownWords();
    const int next = core::nextPeriod(core::periodAt(minute));
    return words.before + core::intToText(core::secondsToNextPeriod(minute, second)) +
           words.middle + periodNamesGbk.at(next - 1) + words.arrow;
}

int countdownLabelLeft(int buttonLeft, int labelWidth, int buttonWidth) {
    return static_cast<int>(buttonLeft - (labelWidth / 2.0 - buttonWidth / 2.0));
}

std::jthread startCountdownTicker(TickerInputs inputs) {
    return threads::start([inputs = std::move(inputs)]() mutable {
        tick(std::move(inputs), [](const TickerInputs& in, LocalTime time) {
            const toolkit::ControlRef button = in.periodButtons.at(core::periodAt(time.minute) - 1);
            const toolkit::ControlRef label = in.countdownLabel;
            toolkit::setLeft(label, countdownLabelLeft(toolkit::left(button), toolkit::width(label),
                                                       toolkit::width(button)));
            toolkit::setText(label, countdownText(time.minute, time.second, in.periodNames));
        });
    });
}

std::jthread startClockTicker(TickerInputs inputs) {
    return threads::start([inputs = std::move(inputs)]() mutable {
        tick(std::move(inputs), [](const TickerInputs& in, LocalTime time) {
            toolkit::setText(in.clockLabel, core::clockText(time.hour, time.minute, time.second));
        });
    });
}

} // namespace workers
