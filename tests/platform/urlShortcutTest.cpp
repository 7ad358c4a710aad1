#include "platform/shell/urlShortcut.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

class UrlShortcutFile : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vorlane-url-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
    }
    void TearDown() override { fs::remove_all(root); }

    static std::string contents(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }

    fs::path root;
};

} // namespace

TEST(UrlShortcut, SchemeIsAddedOnlyWhenMissing) {
    const std::pair<const char*, const char*> cases[] = {
        {"www.hao123.com", "https://www.hao123.com"},
        {"www.hao123.com/path?q=a:b", "https://www.hao123.com/path?q=a:b"},
        {"localhost:8080", "https://localhost:8080"},
        {"www.example.com:8080/x", "https://www.example.com:8080/x"},
        {"http://www.hao123.com", "http://www.hao123.com"},
        {"HTTPS://example.com", "HTTPS://example.com"},
        {"mailto:someone@example.com", "mailto:someone@example.com"},
        {"file:///tmp/a.html", "file:///tmp/a.html"},
        {"", ""},
    };
    for (const auto& [address, expected] : cases) {
        SCOPED_TRACE(address);
        EXPECT_EQ(shell::withScheme(address), expected);
    }
}

TEST_F(UrlShortcutFile, SaveWritesOnlyTheUrlAndKeepsTheIconKeys) {
    const fs::path file = root / "导航.url";
    std::ofstream(file, std::ios::binary) << "[InternetShortcut]\r\nIconFile=\r\nIconIndex=0\r\n";
    shell::UrlShortcut shortcut = shell::createShortcut(file);
    EXPECT_EQ(shortcut.file, file);
    EXPECT_TRUE(shortcut.targetPath.empty());
    shortcut.targetPath = "www.hao123.com";
    shortcut.windowStyle = 2;
    shortcut.iconLocation = "/usr/share/icons/x.png";
    shortcut.hotkey = "Ctrl+Alt+N";
    EXPECT_TRUE(shell::save(shortcut));
    EXPECT_EQ(contents(file), "[InternetShortcut]\r\nIconFile=\r\nIconIndex=0\r\n"
                              "URL=https://www.hao123.com\r\n");

    // Saving again replaces the URL in its line.
    shortcut.targetPath = "http://example.com";
    EXPECT_TRUE(shell::save(shortcut));
    EXPECT_EQ(contents(file), "[InternetShortcut]\r\nIconFile=\r\nIconIndex=0\r\n"
                              "URL=http://example.com\r\n");
}

TEST_F(UrlShortcutFile, SaveCreatesAMissingFile) {
    shell::UrlShortcut shortcut = shell::createShortcut(root / "a.url");
    shortcut.targetPath = "example.com";
    EXPECT_FALSE(fs::exists(root / "a.url")); // nothing before save
    EXPECT_TRUE(shell::save(shortcut));
    EXPECT_EQ(contents(root / "a.url"), "[InternetShortcut]\r\nURL=https://example.com\r\n");
}

TEST_F(UrlShortcutFile, SaveCannotAddLinesOfItsOwn) {
    const fs::path file = root / "a.url";
    const std::string before = "[InternetShortcut]\r\nIconFile=\r\n";
    std::ofstream(file, std::ios::binary) << before;
    shell::UrlShortcut shortcut = shell::createShortcut(file);
    shortcut.targetPath = "example.com\r\n[Other]\r\nx=1";
    EXPECT_FALSE(shell::save(shortcut));
    EXPECT_EQ(contents(file), before);
}

TEST_F(UrlShortcutFile, SaveIntoAMissingFolderFails) {
    shell::UrlShortcut shortcut = shell::createShortcut(root / "missing" / "a.url");
    shortcut.targetPath = "example.com";
    EXPECT_FALSE(shell::save(shortcut));
    EXPECT_FALSE(fs::exists(root / "missing"));
}
