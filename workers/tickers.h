// The two loops that keep the main window's time displays alive: the countdown label standing
// over the current period's button, and the system-time label.
#pragma once

#include "workers/clock.h"

#include "core/periodTable.h"
#include "platform/toolkit/toolkit.h"

#include <array>
#include <string>
#include <thread>

namespace workers {

// GBK texts of the twelve periods in table order (index 0 is period 1).
using PeriodNames = std::array<std::string, core::periodCount>;

// "还有" + seconds to the next period + "秒进入" + its name + CR LF + seven spaces + "↓" (GBK).
std::string countdownText(int minute, int second, const PeriodNames& periodNamesGbk);

// Left edge that centres a label of labelWidth over a button: left − (lw/2 − bw/2), computed in
// double precision and truncated toward zero.
int countdownLabelLeft(int buttonLeft, int labelWidth, int buttonWidth);

// What the tickers work on; complete before they start and unchanged while they run.
struct TickerInputs {
    toolkit::ControlRef mainWindow;
    toolkit::ControlRef countdownLabel; // 透明标签_当前时辰
    toolkit::ControlRef clockLabel;     // 透明标签_系统时间
    std::array<toolkit::ControlRef, core::periodCount> periodButtons;
    PeriodNames periodNames;
    Clock* clock = &systemClock();
};

// Each ticker makes a pass at once and then one after every whole second of the clock. A pass
// is queued for the GUI thread without waiting for it; a ticker ends at the first second after
// a pass found the main window gone, when the toolkit shuts down, or at once when its thread is
// asked to stop (a pass it queued and that has not run yet then does nothing). The caller stops
// and joins them before the window goes away.
std::jthread startCountdownTicker(TickerInputs inputs);
std::jthread startClockTicker(TickerInputs inputs);

} // namespace workers
