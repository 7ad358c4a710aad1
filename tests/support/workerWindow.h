// A window like the main window for the tests and benchmarks of the workers: twelve period
// buttons and advance boxes, the two time labels and the four alert-method boxes, with the
// inputs that hand them to the real workers.
#pragma once

#include "workers/alerts.h"
#include "workers/reminderLoop.h"
#include "workers/tickers.h"

#include "platform/toolkit/toolkit.h"

#include <array>

namespace testsupport {

struct WorkerWindow {
    toolkit::ControlRef window;
    std::array<toolkit::ControlRef, core::periodCount> advanceBoxes; // each holding "0"
    workers::TickerInputs tickers;                                   // on the system clock
    workers::AlertInputs alerts;                                     // every box clear
};

// Builds and shows the window (GUI thread).
WorkerWindow openWorkerWindow();

// Reminder inputs that read the advance boxes through the toolkit, as the program does; on the
// system clock and delivering nothing until the caller sets deliver.
workers::ReminderInputs reminderInputs(const WorkerWindow& w,
                                       const workers::SharedSelection* selection);

// The GBK period names in table order.
workers::PeriodNames gbkPeriodNames();

} // namespace testsupport
