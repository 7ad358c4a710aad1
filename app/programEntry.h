// The life of the process: the entry routine, the program-wide state's creation and release.
#pragma once

namespace app {

// Runs the program on the main thread; returns 0 once the last window has closed.
int programEntry();

// Creates the program-wide arrays, twelve empty elements each.
void allocateProgramState();

// Releases the program-wide state; runs once at the normal end of the process.
void releaseProgramState();

} // namespace app
