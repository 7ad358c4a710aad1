// Helpers of the benchmarks, which drive the real workers on the window of
// tests/support/workerWindow.h: the GUI thread's events, the Qt platform and the figures.
#pragma once

#include "tests/support/workerWindow.h"

#include <chrono>
#include <string>
#include <vector>

namespace bench {

// Closes the window and lets it go, so that the toolkit's end finds no window left.
void closeWorkerWindow(const testsupport::WorkerWindow& w);

// Runs the GUI thread's events for the given time, or until quitEvents() is called.
void runEvents(std::chrono::milliseconds limit);
void quitEvents();

// A benchmark's main: the first argument, if there is one, sets count (at least minimum); then
// runs entry under the toolkit, on Qt's offscreen platform when there is no display.
int runBenchmark(int argc, char** argv, int& count, int minimum, int (*entry)());

// Milliseconds after the start of the whole second the moment falls in.
double millisIntoSecond(workers::TimePoint moment);

// Statistics line "n=.. min=.. median=.. p95=.. max=.." of a set of values.
std::string summary(std::vector<double> values);

} // namespace bench
