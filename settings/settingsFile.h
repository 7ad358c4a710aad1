// The settings store: the twelve keys of section 设置 in the settings file beside the program.
// Nothing is held in memory: every read goes to the file and every write changes it at once.
// Values are GBK texts; file-system paths are UTF-8.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace settings {

enum class Key {
    Left,        // 左边
    Top,         // 顶边
    FirstStart,  // 第一次启动
    DesktopLink, // 桌面导航
    Advances,    // 提醒时间段设置
    Selection,   // 提醒时辰列表
    Music,       // 音乐
    Beep,        // 蜂鸣
    MessageBox,  // 提示框
    Launcher,    // 启动登录器
    MusicPath,   // 音乐路径
    GamePath,    // 游戏路径
};

// What a key's text holds. A marker is empty until its event has happened; a flag is on exactly
// when it is "1"; a list has every item followed by "*".
enum class Kind { Integer, Marker, Flag, List, Path };

Kind kindOf(Key key);

// The directory of the running executable, computed once (empty when it cannot be found).
std::filesystem::path runDirectory();

// Puts the program's files in another directory: for tests and tools that run the program's
// parts from outside its own folder. Call it before anything is read or written.
void setRunDirectory(std::filesystem::path dir);

// Makes the run directory the current one, so that relative paths are taken from there.
void enterRunDirectory();

// runDirectory() / "Vorlane时辰提醒.ini".
std::filesystem::path defaultSettingsPath();

// The program-wide settings file. Set once at start, before any second thread exists; while it
// is empty nothing is read or written.
void setSettingsPath(std::filesystem::path path);
const std::filesystem::path& settingsPath();

// The stored value (GBK), or the key's default when the file, the section or the key is
// missing. A present key with an empty value gives the empty text.
std::string readSetting(Key key);
std::string readSetting(Key key, std::string_view fallbackGbk);

// Stores the value (GBK) at once. A failed write is passed over in silence.
void writeSetting(Key key, std::string_view valueGbk);

// A flag is on exactly when its text is "1".
bool isOn(std::string_view value);

// A path read from the settings (GBK) as a file-system path; a relative one is taken from the
// run directory. The empty text gives the empty path.
std::filesystem::path resolveStoredPath(std::string_view gbkPath);

// The built-in alarm sound's place: runDirectory() / "报警.wav".
std::filesystem::path alarmFilePath();

// The sound file of the music alert: 音乐路径 when stored, else alarmFilePath().
std::filesystem::path musicFilePath();

} // namespace settings
