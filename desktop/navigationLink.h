// The Internet shortcut "导航.url" on the user's desktop that opens a web navigation start page,
// kept in line with the setting 桌面导航.
#pragma once

#include <string>
#include <string_view>

namespace desktop {

// hao123, the long-standing Chinese web navigation start page. Stored without a scheme; the
// shortcut gets "https://" in front.
inline constexpr std::string_view startPageAddress = "www.hao123.com";

// Writes an Internet shortcut to target. path (UTF-8) gets ".url" appended unless its extension
// is exactly ".url" (so "a.URL" becomes "a.URL.url"); the caller's variable holds the name
// used. The icon keys are written into the file before the shortcut saves its URL. True when a
// file of that name exists afterwards.
bool createLinkShortcut(std::string& path, std::string_view target, std::string_view iconLocation,
                        std::string_view hotkey);

// Writes "导航.url" to the start page into the desktop folder. Without a desktop folder nothing
// is written (rather than dropping the file into whatever the current directory is).
void writeNavigationLink();

// Deletes "导航.url" from the desktop folder; nothing else, and nothing without a desktop.
void removeNavigationLink();

// At start-up: the shortcut is written again when 桌面导航 is on (default "1"), else removed.
void syncNavigationLink();

// The user's choice from the check box: 桌面导航 is written first ("1" or "0"), then the
// shortcut is written or removed.
void applyNavigationLinkChoice(bool checked);

} // namespace desktop
