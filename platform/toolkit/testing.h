// For GUI tests only: the Qt widget behind a control reference, so that a test can send it
// real input events. The program itself never needs it.
#pragma once

#include "platform/toolkit/toolkit.h"

class QWidget;

namespace toolkit::testing {

// nullptr when the reference names nothing. GUI thread only.
QWidget* widgetFor(ControlRef ref);

} // namespace toolkit::testing
