#include "settings/settingsFile.h"

#include "platform/encoding/gbk.h"
#include "platform/profile/profile.h"
#include "platform/shell/process.h"

#include <array>
#include <cstddef>

namespace settings {
namespace {

struct KeyEntry {
    Key key;
    std::string_view name; // UTF-8
    Kind kind;
    std::string_view fallback; // UTF-8; a path's non-empty default is a file in the run directory
};

constexpr std::string_view sectionName = "设置";

constexpr std::array<KeyEntry, 12> keyTable{{
    {Key::Left, "左边", Kind::Integer, "0"},
    {Key::Top, "顶边", Kind::Integer, "0"},
    {Key::FirstStart, "第一次启动", Kind::Marker, ""},
    {Key::DesktopLink, "桌面导航", Kind::Flag, "1"},
    {Key::Advances, "提醒时间段设置", Kind::List, "0*0*0*0*0*0*0*0*0*0*0*0*"},
    {Key::Selection, "提醒时辰列表", Kind::List, ""},
    {Key::Music, "音乐", Kind::Flag, "1"},
    {Key::Beep, "蜂鸣", Kind::Flag, "1"},
    {Key::MessageBox, "提示框", Kind::Flag, "1"},
    {Key::Launcher, "启动登录器", Kind::Flag, ""},
    {Key::MusicPath, "音乐路径", Kind::Path, "报警.wav"},
    {Key::GamePath, "游戏路径", Kind::Path, ""},
}};

constexpr std::size_t index(Key key) {
    return static_cast<std::size_t>(key);
}

constexpr bool tableFollowsEnum() {
    for (std::size_t i = 0; i < keyTable.size(); ++i) {
        if (index(keyTable[i].key) != i) return false;
    }
    return true;
}
static_assert(tableFollowsEnum(), "keyTable must list the keys in the order of enum Key");

const KeyEntry& entry(Key key) {
    return keyTable.at(index(key));
}

// The table's texts as the file holds them, made once.
struct GbkTable {
    std::string section;
    std::array<std::string, keyTable.size()> names;
    std::array<std::string, keyTable.size()> defaults;
};

const GbkTable& gbkTable() {
    static const GbkTable table = [] {
        GbkTable t;
        t.section = encoding::toGbk(sectionName);
        for (std::size_t i = 0; i < keyTable.size(); ++i) {
            const KeyEntry& e = keyTable[i];
            t.names[i] = encoding::toGbk(e.name);
            t.defaults[i] = encoding::toGbk(e.fallback);
        }
        return t;
    }();
    return table;
}

std::filesystem::path& storedSettingsPath() {
    static std::filesystem::path path;
    return path;
}

} // namespace

Kind kindOf(Key key) {
    return entry(key).kind;
}

static std::filesystem::path& runDirectoryVariable() {
    static std::filesystem::path dir = shell::executablePath().parent_path();
    return dir;
}

std::filesystem::path runDirectory() {
    return runDirectoryVariable();
}

void setRunDirectory(std::filesystem::path dir) {
    runDirectoryVariable() = std::move(dir);
}

void enterRunDirectory() {
    if (!runDirectory().empty()) shell::setCurrentDirectory(runDirectory());
}

std::filesystem::path defaultSettingsPath() {
    return runDirectory() / "Vorlane时辰提醒.ini";
}

void setSettingsPath(std::filesystem::path path) {
    storedSettingsPath() = std::move(path);
}

const std::filesystem::path& settingsPath() {
    return storedSettingsPath();
}

std::string readSetting(Key key) {
    const KeyEntry& e = entry(key);
    // A path's default is a file in the run directory.
    if (e.kind == Kind::Path && !e.fallback.empty()) {
        return readSetting(key, encoding::toGbk((runDirectory() / e.fallback).string()));
    }
    return readSetting(key, gbkTable().defaults[index(key)]);
}

std::string readSetting(Key key, std::string_view fallbackGbk) {
    if (settingsPath().empty()) return std::string(fallbackGbk);
    const GbkTable& t = gbkTable();
    return profile::readString(settingsPath(), t.section, t.names[index(key)], fallbackGbk);
}

void writeSetting(Key key, std::string_view valueGbk) {
    if (settingsPath().empty()) return;
    const GbkTable& t = gbkTable();
    profile::writeString(settingsPath(), t.section, t.names[index(key)], valueGbk);
}

bool isOn(std::string_view value) {
    return value == "1";
}

std::filesystem::path resolveStoredPath(std::string_view gbkPath) {
    if (gbkPath.empty()) return {};
    const std::filesystem::path path = encoding::toUtf8(gbkPath);
    return path.is_relative() ? runDirectory() / path : path;
}

std::filesystem::path alarmFilePath() {
    return runDirectory() / entry(Key::MusicPath).fallback;
}

std::filesystem::path musicFilePath() {
    const std::string value = readSetting(Key::MusicPath);
    // The default names the alarm file already; taking it directly spares a GBK round trip.
    if (value == gbkTable().defaults[index(Key::MusicPath)]) {
        return alarmFilePath();
    }
    return resolveStoredPath(value);
}

} // namespace settings
