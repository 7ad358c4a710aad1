#include "tests/support/workerWindow.h"

#include "platform/encoding/gbk.h"

namespace testsupport {
namespace {

using toolkit::ControlTemplate;
using toolkit::Kind;

const ControlTemplate controls[] = {
    {.name = "button", .kind = Kind::StyledButton, .left = 8, .top = 80, .width = 30, .height = 30},
    {.name = "advance", .kind = Kind::EditBox, .left = 8, .top = 115, .width = 30, .height = 20},
    {.name = "countdown",
     .kind = Kind::TransparentLabel,
     .left = 8,
     .top = 40,
     .width = 104,
     .height = 36,
     .visible = true,
     .multiLine = true},
    {.name = "clock",
     .kind = Kind::TransparentLabel,
     .left = 420,
     .top = 8,
     .width = 100,
     .height = 20,
     .visible = true},
    {.name = "beep",
     .kind = Kind::CheckBox,
     .left = 8,
     .top = 140,
     .width = 60,
     .height = 20,
     .visible = true,
     .text = "蜂鸣"},
    {.name = "music",
     .kind = Kind::CheckBox,
     .left = 80,
     .top = 140,
     .width = 60,
     .height = 20,
     .visible = true,
     .text = "音乐"},
    {.name = "box",
     .kind = Kind::CheckBox,
     .left = 150,
     .top = 140,
     .width = 60,
     .height = 20,
     .visible = true,
     .text = "提示框"},
    {.name = "launcher",
     .kind = Kind::CheckBox,
     .left = 220,
     .top = 140,
     .width = 90,
     .height = 20,
     .visible = true,
     .text = "启动登录器"},
};

const toolkit::FormTemplate form{
    .name = "workers", .width = 536, .height = 191, .caption = "workers", .controls = controls};

} // namespace

WorkerWindow openWorkerWindow() {
    WorkerWindow w;
    w.window = toolkit::loadWindow(form);
    const toolkit::ControlRef button = toolkit::control(w.window, "button");
    const toolkit::ControlRef advance = toolkit::control(w.window, "advance");
    for (int k = 0; k < core::periodCount; ++k) {
        const toolkit::ControlRef b = toolkit::clone(button);
        const toolkit::ControlRef a = toolkit::clone(advance);
        toolkit::setLeft(b, 8 + 43 * k);
        toolkit::setLeft(a, 8 + 43 * k);
        toolkit::setVisible(b, true);
        toolkit::setVisible(a, true);
        toolkit::setText(a, "0");
        w.tickers.periodButtons[k] = b;
        w.advanceBoxes[k] = a;
    }
    w.tickers.mainWindow = w.window;
    w.tickers.countdownLabel = toolkit::control(w.window, "countdown");
    w.tickers.clockLabel = toolkit::control(w.window, "clock");
    w.tickers.periodNames = gbkPeriodNames();
    w.alerts.beepBox = toolkit::control(w.window, "beep");
    w.alerts.musicBox = toolkit::control(w.window, "music");
    w.alerts.messageBoxBox = toolkit::control(w.window, "box");
    w.alerts.launcherBox = toolkit::control(w.window, "launcher");
    w.alerts.periodNames = gbkPeriodNames();
    return w;
}

workers::ReminderInputs reminderInputs(const WorkerWindow& w,
                                       const workers::SharedSelection* selection) {
    workers::ReminderInputs inputs;
    inputs.selection = selection;
    inputs.periodNames = gbkPeriodNames();
    inputs.advanceText = [boxes = w.advanceBoxes](int k) { return toolkit::text(boxes.at(k - 1)); };
    return inputs;
}

workers::PeriodNames gbkPeriodNames() {
    workers::PeriodNames names;
    for (int k = 0; k < core::periodCount; ++k) {
        names[k] = encoding::toGbk(core::PeriodTable[k].name);
    }
    return names;
}

} // namespace testsupport
