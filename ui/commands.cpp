#include "ui/commands.h"

#include "assets/embedded.h"
#include "core/reminderLists.h"
#include "core/textRules.h"
#include "desktop/navigationLink.h"
#include "platform/encoding/gbk.h"
#include "settings/settingsFile.h"
#include "ui/forms.h"
#include "ui/programState.h"
#include "workers/alerts.h"

namespace ui {

using settings::Key;

void onPeriodButtonClicked(toolkit::ControlRef source) {
    const std::string name = toolkit::text(source);
    const core::ToggleResult result = core::toggle(currentSelection(), name);
    replaceSelection(result.selection);
    toolkit::setPicture(source,
                        result.nowSelected ? assets::periodSelected() : assets::periodUnselected());
    settings::writeSetting(Key::Selection, result.selection);
}

void onAdvanceChanged(toolkit::ControlRef source) {
    const std::int32_t k = core::textToInt(toolkit::tag(source));
    // Only the twelve column boxes carry a column number; anything else has nothing to store.
    if (k < 1 || static_cast<std::size_t>(k) > AdvanceList.size()) return;
    if (toolkit::text(source).empty()) {
        toolkit::setText(source, "0"); // raises this event again, which stores the "0"
    }
    reminderInputsChanged.raise();
    core::setAdvance(AdvanceList, static_cast<std::size_t>(k), toolkit::text(source));
    settings::writeSetting(Key::Advances, core::joinAdvances(AdvanceList));
}

void onAlertMethodClicked(toolkit::ControlRef) {
    const bool beep = toolkit::checked(mainControl(names::beepBox));
    const bool box = toolkit::checked(mainControl(names::messageBoxBox));
    const bool music = toolkit::checked(mainControl(names::musicBox));
    const bool launcher = toolkit::checked(mainControl(names::launcherBox));
    if (!beep && !box && !music && !launcher) {
        toolkit::messageBox(encoding::toGbk("至少选择一种提醒方式"), encoding::toGbk("警告"), true);
        return;
    }
    const auto flag = [](bool on) { return on ? "1" : "0"; };
    settings::writeSetting(Key::Beep, flag(beep));
    settings::writeSetting(Key::MessageBox, flag(box));
    settings::writeSetting(Key::Music, flag(music));
    settings::writeSetting(Key::Launcher, flag(launcher));
}

void onIconBoxClicked(toolkit::ControlRef source) {
    desktop::applyNavigationLinkChoice(toolkit::checked(source));
}

namespace {

workers::ReminderInputs reminderInputs() {
    workers::ReminderInputs inputs;
    inputs.selection = &ReminderSelection;
    inputs.changes = &reminderInputsChanged;
    std::array<toolkit::ControlRef, core::periodCount> boxes{};
    for (int k = 1; k <= core::periodCount; ++k) {
        inputs.periodNames[k - 1] = periodNames[k];
        boxes[k - 1] = advanceBoxes[k];
    }
    inputs.advanceText = [boxes](int k) { return toolkit::text(boxes.at(k - 1)); };
    const workers::AlertInputs alert{
        .beepBox = mainControl(names::beepBox),
        .musicBox = mainControl(names::musicBox),
        .messageBoxBox = mainControl(names::messageBoxBox),
        .launcherBox = mainControl(names::launcherBox),
        .periodNames = inputs.periodNames,
    };
    inputs.deliver = [alert](int k) { workers::deliverAlert(k, alert); };
    return inputs;
}

} // namespace

void onImageButtonClicked(toolkit::ControlRef source) {
    if (reminderRunning == 0) {
        toolkit::setPicture(source, assets::switchRunning());
        reminderThread = workers::startReminderLoop(reminderInputs());
        reminderRunning = 1;
    } else {
        toolkit::setPicture(source, assets::switchStopped());
        // Once this returns the loop is gone, so no alert can start after the click.
        reminderThread.request_stop();
        if (reminderThread.joinable()) reminderThread.join();
        reminderRunning = 0;
    }
}

} // namespace ui
