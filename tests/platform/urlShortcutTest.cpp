#include "platform/shell/urlShortcut.h"

#include "tests/support/testFiles.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using testsupport::readBytes;
using testsupport::TempDir;
using testsupport::writeBytes;

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

TEST(UrlShortcutFile, SaveWritesOnlyTheUrlAndKeepsTheIconKeys) {
    const TempDir dir;
    const fs::path file = dir.path() / "导航.url";
    writeBytes(file, "[InternetShortcut]\r\nIconFile=\r\nIconIndex=0\r\n");
    shell::UrlShortcut shortcut = shell::createShortcut(file);
    EXPECT_EQ(shortcut.file, file);
    EXPECT_TRUE(shortcut.targetPath.empty());
    shortcut.targetPath = "www.hao123.com";
    shortcut.windowStyle = 2;
    shortcut.iconLocation = "/usr/share/icons/x.png";
    shortcut.hotkey = "Ctrl+Alt+N";
    EXPECT_TRUE(shell::save(shortcut));
    EXPECT_EQ(readBytes(file), "[InternetShortcut]\r\nIconFile=\r\nIconIndex=0\r\n"
                               "URL=https://www.hao123.com\r\n");

    // Saving again replaces the URL in its line.
    shortcut.targetPath = "http://example.com";
    EXPECT_TRUE(shell::save(shortcut));
    EXPECT_EQ(readBytes(file), "[InternetShortcut]\r\nIconFile=\r\nIconIndex=0\r\n"
                               "URL=http://example.com\r\n");
}

TEST(UrlShortcutFile, SaveCreatesAMissingFile) {
    const TempDir dir;
    const fs::path file = dir.path() / "a.url";
    shell::UrlShortcut shortcut = shell::createShortcut(file);
    shortcut.targetPath = "example.com";
    EXPECT_FALSE(fs::exists(file)); // nothing before save
    EXPECT_TRUE(shell::save(shortcut));
    EXPECT_EQ(readBytes(file), "[InternetShortcut]\r\nURL=https://example.com\r\n");
}

TEST(UrlShortcutFile, SaveCannotAddLinesOfItsOwn) {
    const TempDir dir;
    const fs::path file = dir.path() / "a.url";
    const std::string before = "[InternetShortcut]\r\nIconFile=\r\n";
    writeBytes(file, before);
    shell::UrlShortcut shortcut = shell::createShortcut(file);
    shortcut.targetPath = "example.com\r\n[Other]\r\nx=1";
    EXPECT_FALSE(shell::save(shortcut));
    EXPECT_EQ(readBytes(file), before);
}

TEST(UrlShortcutFile, SaveIntoAMissingFolderFails) {
    const TempDir dir;
    shell::UrlShortcut shortcut = shell::createShortcut(dir.path() / "missing" / "a.url");
    shortcut.targetPath = "example.com";
    EXPECT_FALSE(shell::save(shortcut));
    EXPECT_FALSE(fs::exists(dir.path() / "missing"));
}
