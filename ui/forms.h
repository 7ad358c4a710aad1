// The program's two windows as data: the main window and the help window.
#pragma once

#include "platform/toolkit/toolkit.h"

#include <string_view>

namespace ui {

// Control names of the main window.
namespace names {
inline constexpr std::string_view helpLabel = "透明标签_帮助";
inline constexpr std::string_view clockLabel = "透明标签_系统时间";
inline constexpr std::string_view rangeLabelTemplate = "透明标签_时间段";
inline constexpr std::string_view countdownLabel = "透明标签_当前时辰";
inline constexpr std::string_view switchButton = "图形按钮1";
inline constexpr std::string_view periodRowCaption = "透明标签_时辰";
inline constexpr std::string_view methodGroup = "分组框1";
inline constexpr std::string_view iconBox = "选择框_图标";
inline constexpr std::string_view launcherBox = "选择框_启动登录器";
inline constexpr std::string_view musicBox = "选择框_音乐";
inline constexpr std::string_view messageBoxBox = "选择框_提示框";
inline constexpr std::string_view beepBox = "选择框_蜂鸣";
inline constexpr std::string_view advanceRowCaption = "透明标签_提前时间";
inline constexpr std::string_view advanceBoxTemplate = "编辑框1";
inline constexpr std::string_view periodButtonTemplate = "超级按钮_服务器";
} // namespace names

extern const toolkit::FormTemplate mainForm;
extern const toolkit::FormTemplate helpForm;

// The main window's control of that name.
toolkit::ControlRef mainControl(std::string_view name);

} // namespace ui
