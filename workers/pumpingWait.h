// The waits of the background loops. Both wait through the clock interface and end at once
// when the calling worker is asked to stop (threads::start gives it its stop token); nothing
// else needs answering while a worker waits, since its window work runs on the GUI thread.
#pragma once

#include "workers/clock.h"

namespace workers {

// Waits interval units of time on the system clock: unit 0 milliseconds, 1 seconds, 2 minutes,
// 3 hours (any other unit, or an interval below 1, does not wait). Returns true.
bool pumpingWait(int interval, int unit);

// Waits until the clock reaches its next whole second, the pace of every loop: a pass made
// right after each boundary never skips or repeats a second, where a one-second wait after the
// pass's own work would drift. Returns false when the calling worker was asked to stop.
bool waitForNextSecond(Clock& clock);

} // namespace workers
