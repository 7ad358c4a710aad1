// The program-wide state: plain variables shared by the window's handlers, the column builder
// and the end of the process. app/ creates and releases them; the background threads get what
// they need handed over when they start.
#pragma once

#include "core/oneBased.h"
#include "core/reminderLists.h"
#include "platform/toolkit/toolkit.h"
#include "workers/reminderLoop.h"

#include <cstdint>
#include <string>
#include <thread>

namespace ui {

using toolkit::ControlRef;

// The selected period names, each followed by "*" (GBK). Replaced as a whole on the GUI
// thread while the reminder thread reads it.
extern workers::SharedSelection ReminderSelection;

// Raised after every change of the selection or of an advance box, so that a reminder thread
// sleeping until its next due second looks again at once.
extern workers::InputsChanged reminderInputsChanged;

// The advance texts of the periods as typed, one per stored item (at least twelve).
extern core::AdvanceList AdvanceList;

// GBK copies of the period table's names and range labels, in table order.
extern core::OneBased<std::string> periodNames;
extern core::OneBased<std::string> rangeLabelTexts;

// The cloned controls of the twelve period columns.
extern core::OneBased<ControlRef> periodButtons;
extern core::OneBased<ControlRef> advanceBoxes;
extern core::OneBased<ControlRef> rangeLabels;

extern ControlRef mainWindow;

// 1 while the reminder thread runs.
extern std::int32_t reminderRunning;
extern std::jthread reminderThread;
extern std::jthread countdownTicker;
extern std::jthread clockTicker;

// The selection as it stands now.
std::string currentSelection();
// Replaces it as a whole and raises reminderInputsChanged.
void replaceSelection(std::string selection);

// Stops each background thread and waits for it; safe to call when none runs.
void stopBackgroundThreads();

} // namespace ui
