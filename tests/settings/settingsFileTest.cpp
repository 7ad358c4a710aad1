#include "settings/settingsFile.h"

#include "core/textRules.h"
#include "platform/encoding/gbk.h"
#include "tests/support/testFiles.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using encoding::toGbk;
using settings::Key;
using settings::Kind;
using testsupport::readBytes;
using testsupport::writeBytes;

namespace {

// Where this test program lives, found here without the store's help.
fs::path exeDirectory() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

struct KeyRow {
    Key key;
    std::string name; // UTF-8
    Kind kind;
    std::string fallback; // UTF-8
};

std::vector<KeyRow> keyRows() {
    return {
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
        {Key::MusicPath, "音乐路径", Kind::Path, (exeDirectory() / "报警.wav").string()},
        {Key::GamePath, "游戏路径", Kind::Path, ""},
    };
}

class SettingsFile : public ::testing::Test {
  protected:
    void SetUp() override { settings::setSettingsPath(file); }
    void TearDown() override { settings::setSettingsPath({}); }

    testsupport::TempDir scratch;
    const fs::path file = scratch.path() / "Vorlane时辰提醒.ini";
};

TEST_F(SettingsFile, EveryKeyGivesItsDefaultWithoutFile) {
    for (const auto& row : keyRows()) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(settings::readSetting(row.key), toGbk(row.fallback));
        EXPECT_EQ(settings::readSetting(row.key, "x"), "x");
        EXPECT_EQ(settings::kindOf(row.key), row.kind);
    }
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(SettingsFile, EveryKeyIsStoredUnderItsNameInSection) {
    for (const auto& row : keyRows()) {
        SCOPED_TRACE(row.name);
        writeBytes(file, toGbk("[设置]\r\n" + row.name + "=甲7\r\n"));
        EXPECT_EQ(settings::readSetting(row.key), toGbk("甲7"));
        fs::remove(file);
        settings::writeSetting(row.key, toGbk("乙8"));
        EXPECT_EQ(readBytes(file), toGbk("[设置]\r\n" + row.name + "=乙8\r\n"));
    }
}

TEST_F(SettingsFile, PresentEmptyValueIsNotReplacedByDefault) {
    writeBytes(file, toGbk("[设置]\r\n桌面导航=\r\n音乐=\r\n提醒时间段设置=\r\n"));
    EXPECT_EQ(settings::readSetting(Key::DesktopLink), "");
    EXPECT_EQ(settings::readSetting(Key::Music), "");
    EXPECT_EQ(settings::readSetting(Key::Advances), "");
    EXPECT_EQ(settings::readSetting(Key::Beep), "1"); // absent: the default
}

TEST_F(SettingsFile, KeysStandInTheOrderOfTheirFirstWrite) {
    settings::writeSetting(Key::FirstStart, "1");
    for (int i = 0; i < 12; ++i)
        settings::writeSetting(Key::Advances, "0*0*0*0*0*0*0*0*0*0*0*0*");
    settings::writeSetting(Key::Left, "-8");
    settings::writeSetting(Key::Top, "120");
    EXPECT_EQ(readBytes(file), toGbk("[设置]\r\n"
                                     "第一次启动=1\r\n"
                                     "提醒时间段设置=0*0*0*0*0*0*0*0*0*0*0*0*\r\n"
                                     "左边=-8\r\n"
                                     "顶边=120\r\n"));
}

TEST_F(SettingsFile, TogglingFlagsTwiceKeepsOneLineEach) {
    const std::string other = "[其他]\r\n甲=乙\r\n";
    writeBytes(file, toGbk("[设置]\r\n第一次启动=1\r\n" + other));
    for (const char* value : {"0", "1", "0"}) {
        for (const Key key : {Key::Beep, Key::MessageBox, Key::Music, Key::Launcher}) {
            settings::writeSetting(key, value);
        }
    }
    EXPECT_EQ(readBytes(file), toGbk("[设置]\r\n第一次启动=1\r\n蜂鸣=0\r\n提示框=0\r\n音乐=0\r\n"
                                     "启动登录器=0\r\n" +
                                     other));
}

TEST(Settings, OnlyTheExactTextOneIsOn) {
    const struct {
        std::string utf8;
        bool on;
    } cases[] = {
        {"1", true},   {"0", false},  {"", false},     {" 1", false}, {"1 ", false},
        {"11", false}, {"１", false}, {"true", false}, {"-1", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(settings::isOn(toGbk(c.utf8)), c.on);
    }
}

TEST(Settings, StoredPathsAreTakenFromTheRunDirectory) {
    const fs::path run = exeDirectory();
    const struct {
        std::string stored; // UTF-8
        fs::path expected;
    } cases[] = {
        {"报警.wav", run / "报警.wav"},
        {"声音/铃.wav", run / "声音" / "铃.wav"},
        {"/usr/share/sounds/铃.wav", "/usr/share/sounds/铃.wav"},
        {"", fs::path{}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(settings::resolveStoredPath(toGbk(c.stored)), c.expected);
    }
}

TEST(Settings, RunDirectoryIsTheExecutables) {
    const fs::path run = exeDirectory();
    EXPECT_EQ(settings::runDirectory(), run);
    EXPECT_EQ(settings::defaultSettingsPath(), run / "Vorlane时辰提醒.ini");
    EXPECT_EQ(settings::alarmFilePath(), run / "报警.wav");
    fs::current_path(fs::temp_directory_path());
    settings::enterRunDirectory();
    EXPECT_EQ(fs::current_path(), run);
}

TEST_F(SettingsFile, MusicFileFollowsTheStoredPath) {
    const fs::path run = exeDirectory();
    EXPECT_EQ(settings::musicFilePath(), run / "报警.wav");
    const struct {
        std::string stored; // UTF-8
        fs::path expected;
    } cases[] = {
        {"铃.wav", run / "铃.wav"},
        {"/tmp/铃.wav", "/tmp/铃.wav"},
        {"\"/tmp/带 空格.wav\"", "/tmp/带 空格.wav"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        writeBytes(file, toGbk("[设置]\r\n音乐路径=" + c.stored + "\r\n"));
        EXPECT_EQ(settings::musicFilePath(), c.expected);
    }
}

TEST_F(SettingsFile, IntegersReadWithTheTextRule) {
    const struct {
        std::string stored; // UTF-8
        std::int32_t value;
    } cases[] = {
        {"１２０", 120}, {"120px", 120}, {"px", 0}, {"-35", -35}, {"－３５", -35},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        writeBytes(file, toGbk("[设置]\r\n左边=" + c.stored + "\r\n"));
        EXPECT_EQ(core::textToInt(settings::readSetting(Key::Left)), c.value);
    }
}

} // namespace
