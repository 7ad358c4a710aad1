// What the user's actions on the main window do. Each handler writes its change to the
// settings file at once.
#pragma once

#include "platform/toolkit/toolkit.h"

namespace ui {

// A period button: select or deselect its period.
void onPeriodButtonClicked(toolkit::ControlRef source);

// An advance box's content changed (typing, normalising, or the program's own write).
void onAdvanceChanged(toolkit::ControlRef source);

// One of the four alert-method boxes: store all four, unless none is left checked.
void onAlertMethodClicked(toolkit::ControlRef source);

// 设置图标: the desktop navigation shortcut on or off.
void onIconBoxClicked(toolkit::ControlRef source);

// The switch: start or stop reminding.
void onImageButtonClicked(toolkit::ControlRef source);

} // namespace ui
