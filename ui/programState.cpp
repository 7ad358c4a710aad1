#include "ui/programState.h"

namespace ui {

workers::SharedSelection ReminderSelection;
workers::InputsChanged reminderInputsChanged;
core::AdvanceList AdvanceList;
core::OneBased<std::string> periodNames;
core::OneBased<std::string> rangeLabelTexts;
core::OneBased<ControlRef> periodButtons;
core::OneBased<ControlRef> advanceBoxes;
core::OneBased<ControlRef> rangeLabels;
ControlRef mainWindow;
std::int32_t reminderRunning = 0;
std::jthread reminderThread;
std::jthread countdownTicker;
std::jthread clockTicker;

std::string currentSelection() {
    const std::shared_ptr<const std::string> s = ReminderSelection.load();
    return s ? *s : std::string();
}

void replaceSelection(std::string selection) {
    ReminderSelection.store(std::make_shared<const std::string>(std::move(selection)));
    reminderInputsChanged.raise();
}

void stopBackgroundThreads() {
    for (std::jthread* t : {&reminderThread, &countdownTicker, &clockTicker}) {
        t->request_stop();
        if (t->joinable()) t->join();
    }
    reminderRunning = 0;
}

} // namespace ui
