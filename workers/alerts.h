// Telling the user that a period is due, by every method whose check box is checked, and the
// built-in alarm sound file beside the program.
#pragma once

#include "workers/tickers.h"

#include "platform/toolkit/toolkit.h"

#include <cstdint>
#include <filesystem>
#include <span>

namespace workers {

// The alert-method check boxes (read live at every alert) and the period names.
struct AlertInputs {
    toolkit::ControlRef beepBox;       // 选择框_蜂鸣
    toolkit::ControlRef musicBox;      // 选择框_音乐
    toolkit::ControlRef messageBoxBox; // 选择框_提示框
    toolkit::ControlRef launcherBox;   // 选择框_启动登录器
    PeriodNames periodNames;
};

// Alerts period k (1..12), in this order: beep; music (the file of 音乐路径, read now, played
// without waiting); message box name + "时辰到啦" titled "到点了", disabling no window and
// waited for until it is closed; launcher (游戏路径, read now, started detached when it names a
// program). Each step is skipped when its box is clear; no step starts once the calling worker
// has been asked to stop, and a stop closes an open box.
void deliverAlert(int k, const AlertInputs& inputs);

// Writes bytes to file when no file of that name exists, through a temporary file renamed into
// place so that a crash never leaves half a file. An existing file, whatever it holds, is left
// alone. True when the file is there afterwards.
bool ensureAlarmSoundFile(const std::filesystem::path& file, std::span<const std::uint8_t> bytes);

} // namespace workers
