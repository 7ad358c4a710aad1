#include "app/programEntry.h"

#include "core/periodTable.h"
#include "platform/sound/sound.h"
#include "platform/toolkit/toolkit.h"
#include "ui/forms.h"
#include "ui/programState.h"

namespace app {

void allocateProgramState() {
    ui::AdvanceList = core::AdvanceList(core::periodCount);
    ui::periodNames = core::OneBased<std::string>(core::periodCount);
    ui::rangeLabelTexts = core::OneBased<std::string>(core::periodCount);
    ui::periodButtons = core::OneBased<toolkit::ControlRef>(core::periodCount);
    ui::advanceBoxes = core::OneBased<toolkit::ControlRef>(core::periodCount);
    ui::rangeLabels = core::OneBased<toolkit::ControlRef>(core::periodCount);
}

void releaseProgramState() {
    ui::replaceSelection({});
    ui::AdvanceList.clear();
    ui::periodNames.clear();
    ui::rangeLabelTexts.clear();
    ui::periodButtons.clear();
    ui::advanceBoxes.clear();
    ui::rangeLabels.clear();
    ui::mainWindow = {};
}

int programEntry() {
    allocateProgramState();
    toolkit::atExit(releaseProgramState);
    toolkit::loadWindow(ui::mainForm);
    toolkit::messageLoop();
    // The windows are gone; the background threads are stopped and joined before anything
    // they read is released.
    toolkit::beginShutdown();
    ui::stopBackgroundThreads();
    sound::shutdown();
    return 0;
}

} // namespace app
