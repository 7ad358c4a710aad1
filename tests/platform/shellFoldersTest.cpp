#include "platform/shell/folders.h"

#include "tests/support/testFiles.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

namespace fs = std::filesystem;
using shell::specialFolderPath;

namespace {

// A scratch home: HOME, XDG_CONFIG_HOME (outside the home, to see that it is honoured) and
// the other variables that the folders read, all restored afterwards.
class Folders : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(home);
        fs::create_directories(config);
        for (const char* name : variables) {
            const char* value = std::getenv(name);
            saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
            unsetenv(name);
        }
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    }

    void TearDown() override {
        for (const auto& [name, value] : saved) {
            if (value) {
                setenv(name, value->c_str(), 1);
            } else {
                unsetenv(name);
            }
        }
    }

    void writeUserDirs(const std::string& text, const fs::path& dir) {
        testsupport::writeBytes(dir / "user-dirs.dirs", text);
    }

    // "dir/" as specialFolderPath gives it.
    static std::string slashed(const fs::path& dir) { return dir.string() + "/"; }

    static constexpr const char* variables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                                                "XDG_CACHE_HOME", "TMPDIR"};
    testsupport::TempDir scratch;
    const fs::path root = scratch.path(), home = root / "home", config = root / "config";
    std::vector<std::pair<const char*, std::optional<std::string>>> saved;
};

struct DesktopCase {
    const char* userDirs; // user-dirs.dirs; "@ROOT@" stands for the scratch root
    const char* expected; // relative to home, or absolute when it starts with "@ROOT@"
};

} // namespace

TEST_F(Folders, DesktopFromUserDirs) {
    const DesktopCase cases[] = {
        {"XDG_DESKTOP_DIR=\"$HOME/桌面\"\n", "桌面"},
        {"XDG_DESKTOP_DIR=\"${HOME}/桌面\"\n", "桌面"},
        {"XDG_DESKTOP_DIR=\"$HOME/桌面/\"\n", "桌面"},
        {"# written by xdg-user-dirs-update\nXDG_DOWNLOAD_DIR=\"$HOME/下载\"\n"
         "  XDG_DESKTOP_DIR=\"$HOME/桌面\"   # localised\nXDG_DOCUMENTS_DIR=\"$HOME/文档\"\n",
         "桌面"},
        {"XDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DESKTOP_DIR=\"$HOME/桌面\"\n", "桌面"},
        {"XDG_DESKTOP_DIR=$HOME/桌面\n", "桌面"},
        {"XDG_DESKTOP_DIR=\"@ROOT@/elsewhere\"\n", "@ROOT@/elsewhere"},
        {"XDG_DESKTOP_DIR=\"$HOME/my \\\"desk\\\"\"\n", "my \"desk\""},
        {"XDG_DESKTOP_DIR=\"$HOME\"\n", ""},
        // Not the desktop, or not an absolute path: the default ~/Desktop.
        {"XDG_DESKTOP_DIRS=\"$HOME/桌面\"\n", "Desktop"},
        {"#XDG_DESKTOP_DIR=\"$HOME/桌面\"\n", "Desktop"},
        {"XDG_DESKTOP_DIR=\"桌面\"\n", "Desktop"},
        {"XDG_DESKTOP_DIR=\"\\$HOME/桌面\"\n", "Desktop"},
        {"XDG_DESKTOP_DIR=\"$HOMEX/桌面\"\n", "Desktop"},
        {"XDG_DESKTOP_DIR=\"$HOME/桌面\n", "Desktop"},
        {"", "Desktop"},
    };
    for (const char* dir : {"桌面", "Desktop", "my \"desk\""}) {
        fs::create_directories(home / dir);
    }
    fs::create_directories(root / "elsewhere");
    auto resolve = [&](std::string text) {
        for (std::size_t at; (at = text.find("@ROOT@")) != std::string::npos;) {
            text.replace(at, 6, root.string());
        }
        return text;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.userDirs);
        writeUserDirs(resolve(c.userDirs), config);
        std::string expected = resolve(c.expected);
        fs::path dir = expected.starts_with("/") ? fs::path(expected) : home / expected;
        if (std::string(c.expected).empty()) {
            dir = home;
        }
        EXPECT_EQ(specialFolderPath(3), slashed(dir));
        EXPECT_EQ(specialFolderPath(0), specialFolderPath(3));
    }
}

TEST_F(Folders, UserDirsFileComesFromTheConfigHome) {
    fs::create_directories(home / "桌面");
    fs::create_directories(home / "Desk");
    fs::create_directories(home / ".config");
    writeUserDirs("XDG_DESKTOP_DIR=\"$HOME/桌面\"\n", config);
    writeUserDirs("XDG_DESKTOP_DIR=\"$HOME/Desk\"\n", home / ".config");
    EXPECT_EQ(specialFolderPath(0), slashed(home / "桌面"));
    // A relative XDG_CONFIG_HOME is ignored in favour of ~/.config.
    setenv("XDG_CONFIG_HOME", "config", 1);
    EXPECT_EQ(specialFolderPath(0), slashed(home / "Desk"));
}

TEST_F(Folders, MissingDesktopGivesEmpty) {
    writeUserDirs("XDG_DESKTOP_DIR=\"$HOME/桌面\"\n", config);
    fs::create_directories(home / "Desktop"); // not the user's desktop: no stand-in
    EXPECT_EQ(specialFolderPath(3), "");
    EXPECT_EQ(specialFolderPath(0), "");
    fs::remove(config / "user-dirs.dirs");
    fs::remove(home / "Desktop");
    EXPECT_EQ(specialFolderPath(0), "");
}

TEST_F(Folders, EveryTypeExistingAndMissing) {
    const fs::path data = root / "data", cache = root / "cache", tmp = root / "tmp";
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    setenv("TMPDIR", tmp.c_str(), 1);
    const std::pair<int, fs::path> cases[] = {
        {1, home / "文档"},
        {2, data / "favourites"},
        {3, home / "桌面"},
        {4, data / "fonts"},
        {5, data / "applications"},
        {6, data / "applications"},
        {7, config / "autostart"},
        {8, config},
        {11, tmp},
        {12, cache},
    };
    fs::remove_all(config);
    for (const auto& [type, dir] : cases) {
        SCOPED_TRACE(type);
        EXPECT_EQ(specialFolderPath(type), "");
    }
    fs::create_directories(config);
    writeUserDirs("XDG_DESKTOP_DIR=\"$HOME/桌面\"\nXDG_DOCUMENTS_DIR=\"$HOME/文档\"\n", config);
    for (const auto& [type, dir] : cases) {
        fs::create_directories(dir);
    }
    for (const auto& [type, dir] : cases) {
        SCOPED_TRACE(type);
        EXPECT_EQ(specialFolderPath(type), slashed(dir));
    }
    EXPECT_EQ(specialFolderPath(9), "/usr/");
    EXPECT_EQ(specialFolderPath(10), "/usr/bin/");
}

TEST_F(Folders, DefaultsUnderTheHome) {
    unsetenv("XDG_CONFIG_HOME");
    const std::pair<int, const char*> cases[] = {
        {1, "Documents"},
        {3, "Desktop"},
        {4, ".local/share/fonts"},
        {5, ".local/share/applications"},
        {7, ".config/autostart"},
        {8, ".config"},
        {12, ".cache"},
    };
    for (const auto& [type, dir] : cases) {
        fs::create_directories(home / dir);
    }
    for (const auto& [type, dir] : cases) {
        SCOPED_TRACE(type);
        EXPECT_EQ(specialFolderPath(type), slashed(home / dir));
    }
}

TEST_F(Folders, TempHasOneTrailingSlash) {
    fs::create_directories(root / "tmp");
    for (const std::string suffix : {"", "/", "//"}) {
        SCOPED_TRACE(suffix);
        setenv("TMPDIR", (root.string() + "/tmp" + suffix).c_str(), 1);
        EXPECT_EQ(specialFolderPath(11), slashed(root / "tmp"));
    }
    unsetenv("TMPDIR");
    EXPECT_EQ(specialFolderPath(11), "/tmp/");
    setenv("TMPDIR", "relative", 1);
    EXPECT_EQ(specialFolderPath(11), "/tmp/");
}

TEST_F(Folders, UnknownTypesGiveEmpty) {
    for (int type : {13, -1, 100, INT_MIN, INT_MAX}) {
        SCOPED_TRACE(type);
        EXPECT_EQ(specialFolderPath(type), "");
    }
}

TEST(PathExtension, LastComponent) {
    const std::pair<const char*, const char*> cases[] = {
        {"a", ""},
        {"a.url", ".url"},
        {"a.URL", ".URL"},
        {"a.b.url", ".url"},
        {"/home/u/桌面/导航", ""},
        {"/home/u/桌面/导航.url", ".url"},
        {"dir.d/a", ""},
        {"dir.d/", ""},
        {"a.", "."},
        {".bashrc", ""},
        {"dir/.bashrc", ""},
        {".bashrc.url", ".url"},
        {"..", ""},
        {"", ""},
    };
    for (const auto& [path, extension] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(shell::pathExtension(path), extension);
    }
}

TEST_F(Folders, FileExistsAndDeleteFile) {
    const fs::path file = root / "导航.url", dir = root / "dir", link = root / "dangling";
    std::ofstream(file) << "x";
    fs::create_directories(dir);
    fs::create_symlink(root / "nothing", link);

    EXPECT_TRUE(shell::fileExists(file));
    EXPECT_TRUE(shell::fileExists(dir));
    EXPECT_FALSE(shell::fileExists(link));
    EXPECT_FALSE(shell::fileExists(root / "missing"));

    EXPECT_TRUE(shell::deleteFile(file));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(shell::deleteFile(file));
    EXPECT_FALSE(shell::deleteFile(dir));
    EXPECT_TRUE(fs::is_directory(dir));
    EXPECT_TRUE(shell::deleteFile(link));
    EXPECT_FALSE(fs::is_symlink(link));
}
