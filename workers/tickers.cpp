#include "workers/tickers.h"

#include "workers/pumpingWait.h"

#include "core/textRules.h"
#include "platform/encoding/gbk.h"
#include "platform/threads/threads.h"

#include <functional>

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

// Runs pass on the GUI thread after every whole second until the window is gone or the loop
// is told to stop.
void tick(const TickerInputs& inputs, const std::function<void(LocalTime)>& pass) {
    Clock& clock = *inputs.clock;
    do {
        const LocalTime time = clock.localTime(clock.now());
        bool windowThere = false;
        const bool ran = toolkit::callOnGui([&] {
            windowThere = toolkit::windowExists(inputs.mainWindow);
            if (windowThere) {
                pass(time);
            }
        });
        if (!ran || !windowThere) {
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
    return threads::start([inputs = std::move(inputs)] {
        tick(inputs, [&](LocalTime time) {
            const toolkit::ControlRef button =
                inputs.periodButtons.at(core::periodAt(time.minute) - 1);
            const toolkit::ControlRef label = inputs.countdownLabel;
            toolkit::setLeft(label, countdownLabelLeft(toolkit::left(button), toolkit::width(label),
                                                       toolkit::width(button)));
            toolkit::setText(label, countdownText(time.minute, time.second, inputs.periodNames));
        });
    });
}

std::jthread startClockTicker(TickerInputs inputs) {
    return threads::start([inputs = std::move(inputs)] {
        tick(inputs, [&](LocalTime time) {
            toolkit::setText(inputs.clockLabel,
                             core::clockText(time.hour, time.minute, time.second));
        });
    });
}

} // namespace workers
