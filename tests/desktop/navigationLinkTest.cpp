#include "desktop/navigationLink.h"

#include "platform/encoding/gbk.h"
#include "settings/settingsFile.h"
#include "tests/support/testFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>

namespace fs = std::filesystem;
using settings::Key;
using testsupport::readBytes;

namespace {

// What a fresh shortcut to the start page holds: the icon keys, written first, then the URL.
std::string freshLinkFile() {
    return "[InternetShortcut]\r\nIconFile=\r\nIconIndex=0\r\nURL=https://" +
           std::string(desktop::startPageAddress) + "\r\n";
}

// A scratch home whose desktop is the localised folder 桌面 named in user-dirs.dirs, and a
// settings file of its own; the environment and the settings path are restored afterwards.
class NavigationLink : public ::testing::Test {
  protected:
    void SetUp() override {
        const fs::path home = root / "home", config = root / "config";
        desktopDir = home / "桌面";
        link = desktopDir / "导航.url";
        fs::create_directories(desktopDir);
        fs::create_directories(config);
        fs::create_directories(root / "run");
        std::ofstream(config / "user-dirs.dirs")
            << "XDG_DOWNLOAD_DIR=\"$HOME/下载\"\nXDG_DESKTOP_DIR=\"$HOME/桌面\"\n";
        for (const char* name : {"HOME", "XDG_CONFIG_HOME"}) {
            const char* value = std::getenv(name);
            saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        settingsFile = root / "run" / "Vorlane时辰提醒.ini";
        settings::setSettingsPath(settingsFile);
    }

    void TearDown() override {
        settings::setSettingsPath({});
        for (const auto& [name, value] : saved) {
            if (value) {
                setenv(name, value->c_str(), 1);
            } else {
                unsetenv(name);
            }
        }
        std::error_code ec; // the desktop may be gone, or read-only and so not removable
        fs::permissions(desktopDir, fs::perms::owner_all, fs::perm_options::add, ec);
    }

    testsupport::TempDir scratch;
    const fs::path root = scratch.path();
    std::vector<std::pair<const char*, std::optional<std::string>>> saved;
    fs::path desktopDir, link, settingsFile;
};

} // namespace

TEST(StartPage, IsStoredWithoutAScheme) {
    EXPECT_FALSE(desktop::startPageAddress.empty());
    EXPECT_EQ(desktop::startPageAddress.find("://"), std::string_view::npos);
}

TEST_F(NavigationLink, ShortcutNameGetsUrlUnlessItHasItExactly) {
    const std::pair<const char*, const char*> cases[] = {
        {"a", "a.url"},       {"a.url", "a.url"},   {"a.URL", "a.URL.url"},
        {"a.b", "a.b.url"},   {"导航", "导航.url"}, {"a.url.b", "a.url.b.url"},
        {".url", ".url.url"}, // a hidden name, not an extension
    };
    int n = 0;
    for (const auto& [name, expected] : cases) {
        SCOPED_TRACE(name);
        const fs::path dir = root / std::to_string(n++);
        fs::create_directories(dir);
        std::string path = (dir / name).string();
        EXPECT_TRUE(desktop::createLinkShortcut(path, "www.example.com", "", ""));
        EXPECT_EQ(path, (dir / expected).string());
        // The shortcut is the only file: nothing under the name as given when it differs.
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 1);
        EXPECT_EQ(readBytes(dir / expected), "[InternetShortcut]\r\nIconFile=\r\nIconIndex=0\r\n"
                                             "URL=https://www.example.com\r\n");
    }
}

TEST_F(NavigationLink, IconKeysAreInTheFileBeforeTheUrlIsSaved) {
    // The file keeps its keys in the order of their first write, so the URL coming last shows
    // that save ran after the icon keys had created the file. Icon and hotkey as given.
    std::string path = (root / "b").string();
    EXPECT_TRUE(
        desktop::createLinkShortcut(path, "http://example.com/", "/icons/nav.png", "Ctrl+N"));
    EXPECT_EQ(readBytes(root / "b.url"), "[InternetShortcut]\r\nIconFile=/icons/nav.png\r\n"
                                         "IconIndex=0\r\nURL=http://example.com/\r\n");
}

TEST_F(NavigationLink, NoFileWhereTheFolderIsMissing) {
    std::string path = (root / "missing" / "a").string();
    EXPECT_FALSE(desktop::createLinkShortcut(path, "www.example.com", "", ""));
    EXPECT_EQ(path, (root / "missing" / "a.url").string());
    EXPECT_FALSE(fs::exists(root / "missing"));
}

TEST_F(NavigationLink, WriteAndRemoveOnTheLocalisedDesktop) {
    const fs::path other = desktopDir / "导航 (2).url";
    std::ofstream(other) << "[InternetShortcut]\r\nURL=https://example.com\r\n";

    desktop::writeNavigationLink();
    EXPECT_EQ(readBytes(link), freshLinkFile());

    // A shortcut the user edited is written over: the program's keys get their values back.
    std::ofstream(link, std::ios::binary) << "[InternetShortcut]\r\nURL=https://other.example\r\n"
                                             "IconIndex=3\r\n";
    desktop::writeNavigationLink();
    EXPECT_EQ(readBytes(link), "[InternetShortcut]\r\nURL=https://" +
                                   std::string(desktop::startPageAddress) +
                                   "\r\nIconIndex=0\r\nIconFile=\r\n");

    desktop::removeNavigationLink();
    EXPECT_FALSE(fs::exists(link));
    EXPECT_TRUE(fs::exists(other));  // only "导航.url" is ours
    desktop::removeNavigationLink(); // nothing left to remove: no harm
    EXPECT_TRUE(fs::exists(other));
}

TEST_F(NavigationLink, StartUpFollowsTheSetting) {
    struct Case {
        std::optional<const char*> stored; // nothing: no settings file at all
        bool wanted;
    };
    const Case cases[] = {
        {std::nullopt, true}, {"1", true}, {"0", false}, {"yes", false}, {"", false},
    };
    for (const auto& c : cases) {
        for (bool linkBefore : {false, true}) {
            SCOPED_TRACE(std::string(c.stored.value_or("(no file)")) +
                         (linkBefore ? ", link present" : ", no link"));
            fs::remove(settingsFile);
            fs::remove(link);
            if (c.stored) {
                settings::writeSetting(Key::DesktopLink, *c.stored);
            }
            if (linkBefore) {
                std::ofstream(link) << "[InternetShortcut]\r\nURL=https://old.example\r\n";
            }
            const std::string settingsBefore = readBytes(settingsFile);

            desktop::syncNavigationLink();

            EXPECT_EQ(fs::exists(link), c.wanted);
            if (c.wanted) {
                EXPECT_EQ(readBytes(link), linkBefore ? "[InternetShortcut]\r\nURL=https://" +
                                                            std::string(desktop::startPageAddress) +
                                                            "\r\nIconFile=\r\nIconIndex=0\r\n"
                                                      : freshLinkFile());
            }
            // Start-up only reads the setting.
            EXPECT_EQ(fs::exists(settingsFile), c.stored.has_value());
            EXPECT_EQ(readBytes(settingsFile), settingsBefore);
        }
    }
}

TEST_F(NavigationLink, ChoiceStoresTheSettingAndFollowsIt) {
    for (bool checked : {true, false, false, true}) {
        SCOPED_TRACE(checked);
        desktop::applyNavigationLinkChoice(checked);
        EXPECT_EQ(settings::readSetting(Key::DesktopLink, "unset"), checked ? "1" : "0");
        EXPECT_EQ(fs::exists(link), checked);
    }
}

TEST_F(NavigationLink, ChoiceWritesTheSettingBeforeTheShortcut) {
    // With the settings file being the shortcut itself, the file shows which write came first.
    settings::setSettingsPath(link);
    desktop::applyNavigationLinkChoice(true);
    EXPECT_EQ(readBytes(link), encoding::toGbk("[设置]\r\n桌面导航=1\r\n") + freshLinkFile());

    // Unchecked: the setting goes in first and the file is then deleted, setting and all;
    // the other order would leave a file holding 桌面导航=0.
    desktop::applyNavigationLinkChoice(false);
    EXPECT_FALSE(fs::exists(link));
}

TEST_F(NavigationLink, SettingIsStoredEvenWhenTheDesktopIsReadOnly) {
    fs::permissions(desktopDir, fs::perms::owner_read | fs::perms::owner_exec);
    if (fs::path probe = desktopDir / "probe"; std::ofstream(probe).is_open()) {
        fs::remove(probe);
        GTEST_SKIP() << "running with rights that ignore folder permissions";
    }
    desktop::applyNavigationLinkChoice(true);
    EXPECT_EQ(settings::readSetting(Key::DesktopLink, "unset"), "1");
    EXPECT_FALSE(fs::exists(link));
}

TEST_F(NavigationLink, NothingHappensWithoutADesktop) {
    // No desktop folder: the shortcut is neither dropped into nor deleted from the current
    // directory.
    fs::remove_all(desktopDir);
    const fs::path before = fs::current_path();
    fs::current_path(root / "run");
    std::ofstream("导航.url") << "[InternetShortcut]\r\nURL=https://mine.example\r\n";

    desktop::removeNavigationLink();
    const bool keptAfterRemove = fs::exists("导航.url");
    fs::remove("导航.url");
    desktop::writeNavigationLink();
    const bool writtenHere = fs::exists("导航.url") || fs::exists("导航");
    fs::current_path(before);

    EXPECT_TRUE(keptAfterRemove);
    EXPECT_FALSE(writtenHere);
    EXPECT_FALSE(fs::exists(desktopDir));
}
