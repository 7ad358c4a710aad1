// The main window's creation sequence, which brings the program up from the settings file,
// and the save of its position when it closes.
#pragma once

#include "platform/toolkit/toolkit.h"

namespace ui {

void onMainWindowCreated(toolkit::ControlRef window);
void onMainWindowDestroying(toolkit::ControlRef window);

// The twelve period columns cloned from the form's templates.
void buildPeriodColumns();

} // namespace ui
