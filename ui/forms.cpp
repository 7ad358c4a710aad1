#include "ui/forms.h"

#include "assets/embedded.h"
#include "ui/commands.h"
#include "ui/helpWindow.h"
#include "ui/programState.h"
#include "ui/startup.h"

namespace ui {

using toolkit::ControlTemplate;
using toolkit::FormTemplate;
using toolkit::Kind;

namespace {

// In list order: earlier controls lie on top of later ones. Positions are relative to the
// container's client area.
const ControlTemplate mainControls[] = {
    {.name = names::helpLabel, .kind = Kind::TransparentLabel, .left = 168, .top = 128,
     .width = 30, .height = 25, .visible = true, .text = "帮助",
     .onMouseDown = onHelpLabelPressed},
    {.name = names::clockLabel, .kind = Kind::TransparentLabel, .left = 96, .top = 128,
     .width = 56, .height = 25, .visible = true, .text = "系统时间"},
    {.name = names::rangeLabelTemplate, .kind = Kind::TransparentLabel, .left = 8, .top = 65,
     .width = 40, .height = 25, .visible = true, .text = "时间段"},
    {.name = names::countdownLabel, .kind = Kind::TransparentLabel, .left = 32, .top = 8,
     .width = 104, .height = 24, .visible = true, .text = "还有x秒进入\r\n    ↓",
     .multiLine = true},
    {.name = names::switchButton, .kind = Kind::ImageButton, .left = 8, .top = 126, .width = 88,
     .height = 27, .visible = true, .picture = assets::switchStopped,
     .onClicked = onImageButtonClicked},
    {.name = names::periodRowCaption, .kind = Kind::TransparentLabel, .left = 8, .top = 43,
     .width = 32, .height = 25, .visible = true, .text = "时辰"},
    {.name = names::methodGroup, .kind = Kind::GroupBox, .left = 209, .top = 119, .width = 316,
     .height = 40, .visible = true, .text = "提醒方式"},
    {.name = names::iconBox, .kind = Kind::CheckBox, .container = names::methodGroup,
     .left = 236, .top = 12, .width = 72, .height = 24, .visible = true, .tabStop = true,
     .text = "设置图标", .onClicked = onIconBoxClicked},
    {.name = names::launcherBox, .kind = Kind::CheckBox, .container = names::methodGroup,
     .left = 145, .top = 12, .width = 80, .height = 24, .visible = true, .tabStop = true,
     .text = "启动登录器", .onClicked = onAlertMethodClicked},
    {.name = names::musicBox, .kind = Kind::CheckBox, .container = names::methodGroup,
     .left = 108, .top = 12, .width = 56, .height = 24, .visible = true, .tabStop = true,
     .text = "音乐", .onClicked = onAlertMethodClicked},
    {.name = names::messageBoxBox, .kind = Kind::CheckBox, .container = names::methodGroup,
     .left = 51, .top = 12, .width = 56, .height = 24, .visible = true, .tabStop = true,
     .text = "提示框", .onClicked = onAlertMethodClicked},
    {.name = names::beepBox, .kind = Kind::CheckBox, .container = names::methodGroup, .left = 6,
     .top = 12, .width = 46, .height = 24, .visible = true, .tabStop = true, .text = "蜂鸣",
     .onClicked = onAlertMethodClicked},
    {.name = names::advanceRowCaption, .kind = Kind::TransparentLabel, .left = 8, .top = 86,
     .width = 40, .height = 25, .visible = true, .text = "提前秒"},
    {.name = names::advanceBoxTemplate, .kind = Kind::EditBox, .left = 46, .top = 91,
     .width = 25, .height = 20, .visible = false, .tabStop = true,
     .onContentChanged = onAdvanceChanged},
    {.name = names::periodButtonTemplate, .kind = Kind::StyledButton, .left = 46, .top = 37,
     .width = 30, .height = 30, .visible = false, .tabStop = true, .text = "超级按钮",
     .picture = assets::periodUnselected, .onClicked = onPeriodButtonClicked},
};

} // namespace

const FormTemplate mainForm{
    .name = "主窗口",
    .width = 536,
    .height = 191,
    .caption = "",
    .icon = assets::icon,
    .escapeCloses = false,
    .taskbarButton = true,
    .onCreated = onMainWindowCreated,
    .onDestroying = onMainWindowDestroying,
    .controls = mainControls,
};

const FormTemplate helpForm{
    .name = "帮助窗口",
    .width = 1196,
    .height = 562,
    .caption = "",
    .icon = assets::icon,
    .backgroundTile = assets::helpPicture,
    .escapeCloses = true,
    .taskbarButton = false,
    .onCreated = onHelpWindowCreated,
};

toolkit::ControlRef mainControl(std::string_view name) { return toolkit::control(mainWindow, name); }

} // namespace ui
