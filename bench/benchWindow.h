// A window like the main window for the benchmarks: twelve period buttons and advance boxes,
// the two time labels and the four alert-method boxes, driven by the real workers.
#pragma once

#include "workers/alerts.h"
#include "workers/reminderLoop.h"
#include "workers/tickers.h"

#include "platform/toolkit/toolkit.h"

#include <array>
#include <chrono>
#include <string>

namespace bench {

struct BenchWindow {
    toolkit::ControlRef window;
    std::array<toolkit::ControlRef, core::periodCount> advanceBoxes;
    workers::TickerInputs tickers;
    workers::AlertInputs alerts;
};

// Builds and shows the window (GUI thread).
BenchWindow openBenchWindow();

// Closes the window and lets it go, so that the toolkit's end finds no window left.
void closeBenchWindow(const BenchWindow& w);

// Runs the GUI thread's events for the given time, or until quitEvents() is called.
void runEvents(std::chrono::milliseconds limit);
void quitEvents();

// Reminder inputs that read the advance boxes through the toolkit, as the program does.
workers::ReminderInputs reminderInputs(const BenchWindow& w,
                                       const workers::SharedSelection* selection);

// Offscreen when there is no display, so the benchmarks also run on a headless machine.
void chooseQtPlatform();

// The GBK period names in table order.
workers::PeriodNames periodNames();

// Milliseconds after the start of the whole second the moment falls in.
double millisIntoSecond(workers::TimePoint moment);

// Statistics line "n=.. min=.. median=.. p95=.. max=.." of a set of values.
std::string summary(std::vector<double> values);

} // namespace bench
