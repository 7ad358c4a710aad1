// The help window: one annotated picture of the main window, shown by itself on the first
// start and again from the label 帮助.
#pragma once

#include "platform/toolkit/toolkit.h"

namespace ui {

// Opens the help window modally; returns when it has been closed. False when it could not be
// made.
bool showHelpWindow();

void onHelpLabelPressed(toolkit::ControlRef source);
void onHelpWindowCreated(toolkit::ControlRef window);

} // namespace ui
