#include "ui/startup.h"

#include "assets/embedded.h"
#include "core/periodTable.h"
#include "core/reminderLists.h"
#include "core/textRules.h"
#include "desktop/navigationLink.h"
#include "platform/encoding/gbk.h"
#include "settings/settingsFile.h"
#include "ui/forms.h"
#include "ui/helpWindow.h"
#include "ui/programState.h"
#include "workers/alerts.h"
#include "workers/tickers.h"

namespace ui {

using settings::Key;
using settings::readSetting;

namespace {

void startTickers() {
    workers::TickerInputs inputs;
    inputs.mainWindow = mainWindow;
    inputs.countdownLabel = mainControl(names::countdownLabel);
    inputs.clockLabel = mainControl(names::clockLabel);
    for (int k = 1; k <= core::periodCount; ++k) {
        inputs.periodButtons[k - 1] = periodButtons[k];
        inputs.periodNames[k - 1] = periodNames[k];
    }
    countdownTicker = workers::startCountdownTicker(inputs);
    clockTicker = workers::startClockTicker(inputs);
}

} // namespace

void onMainWindowCreated(toolkit::ControlRef window) {
    mainWindow = window;
    settings::setSettingsPath(settings::defaultSettingsPath());
    toolkit::setText(window, encoding::toGbk("Vorlane时辰提醒工具"));
    toolkit::setLeft(window, core::textToInt(readSetting(Key::Left)));
    toolkit::setTop(window, core::textToInt(readSetting(Key::Top)));

    periodNames = core::OneBased<std::string>();
    rangeLabelTexts = core::OneBased<std::string>();
    for (const core::Period& period : core::PeriodTable) {
        periodNames.push_back(encoding::toGbk(period.name));
        rangeLabelTexts.push_back(std::string(period.rangeLabel));
    }

    if (readSetting(Key::FirstStart).empty()) {
        showHelpWindow();
        settings::writeSetting(Key::FirstStart, "1");
    }

    toolkit::setChecked(mainControl(names::iconBox), settings::isOn(readSetting(Key::DesktopLink)));
    desktop::syncNavigationLink();

    AdvanceList = core::parseAdvances(readSetting(Key::Advances));
    // A hand-edited or emptied list still gives every period an advance.
    core::padAdvances(AdvanceList, core::periodCount);
    replaceSelection(readSetting(Key::Selection));

    toolkit::setChecked(mainControl(names::musicBox), settings::isOn(readSetting(Key::Music)));
    toolkit::setChecked(mainControl(names::beepBox), settings::isOn(readSetting(Key::Beep)));
    toolkit::setChecked(mainControl(names::messageBoxBox),
                        settings::isOn(readSetting(Key::MessageBox)));
    toolkit::setChecked(mainControl(names::launcherBox),
                        settings::isOn(readSetting(Key::Launcher)));

    workers::ensureAlarmSoundFile(settings::alarmFilePath(), assets::alarmWav());
    buildPeriodColumns();
    startTickers();
}

void onMainWindowDestroying(toolkit::ControlRef window) {
    settings::writeSetting(Key::Left, core::intToText(toolkit::left(window)));
    settings::writeSetting(Key::Top, core::intToText(toolkit::top(window)));
}

void buildPeriodColumns() {
    const toolkit::ControlRef buttonTemplate = mainControl(names::periodButtonTemplate);
    const toolkit::ControlRef boxTemplate = mainControl(names::advanceBoxTemplate);
    const toolkit::ControlRef labelTemplate = mainControl(names::rangeLabelTemplate);
    const std::string selection = currentSelection();
    for (std::size_t k = 1; k <= periodNames.size(); ++k) {
        const toolkit::ControlRef button = toolkit::clone(buttonTemplate);
        if (button.isNull()) continue;
        periodButtons[k] = button;
        const double step = toolkit::width(button) + 10;
        toolkit::setLeft(button, static_cast<int>(toolkit::left(buttonTemplate) +
                                                  step * static_cast<double>((k - 1) % 12)));
        toolkit::setTop(button, toolkit::top(buttonTemplate));
        toolkit::setText(button, periodNames[k]);
        toolkit::setPicture(button, core::isSelected(selection, periodNames[k])
                                        ? assets::periodSelected()
                                        : assets::periodUnselected());
        toolkit::setTag(button, periodNames[k]);
        toolkit::setVisible(button, true);

        const toolkit::ControlRef box = toolkit::clone(boxTemplate);
        if (!box.isNull()) {
            advanceBoxes[k] = box;
            toolkit::setLeft(box, toolkit::left(button) + 2);
            toolkit::setTop(box, toolkit::top(boxTemplate));
            toolkit::setTag(box, core::intToText(static_cast<std::int64_t>(k)));
            // Raises the box's change event, which stores the text back in normalised form.
            toolkit::setText(box, AdvanceList[k]);
            toolkit::setVisible(box, true);
        }

        const toolkit::ControlRef label = toolkit::clone(labelTemplate);
        if (!label.isNull()) {
            rangeLabels[k] = label;
            toolkit::setLeft(label, toolkit::left(button) + 5);
            toolkit::setTop(label, toolkit::top(labelTemplate));
            toolkit::setText(label, rangeLabelTexts[k]);
            toolkit::setVisible(label, true);
        }
    }
}

} // namespace ui
