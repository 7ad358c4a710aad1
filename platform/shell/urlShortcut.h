// Our own Internet-shortcut object: a ".url" file with section [InternetShortcut] and its URL,
// the form that KDE and other Linux file managers open with the web browser.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace shell {

// A shortcut being put together; nothing touches the disk before save.
struct UrlShortcut {
    std::filesystem::path file;
    std::string targetPath;   // the address; save adds "https://" when it has no scheme
    int windowStyle = 1;      // kept for callers; a .url file has no use for it
    std::string iconLocation; // kept for callers; the icon keys belong to whoever writes them
    std::string hotkey;       // kept for callers; Linux desktops take no hotkey from a file
};

// A shortcut object for file with nothing set yet.
UrlShortcut createShortcut(const std::filesystem::path& file);

// Writes the key URL of section [InternetShortcut] into the shortcut's file through the INI
// engine, creating the file when missing and keeping every other line (IconFile, IconIndex …).
// Only the URL is written: it is all a .url file needs, and the icon keys are the caller's.
// An empty target gives an empty URL. False when the file could not be written.
bool save(const UrlShortcut& shortcut);

// The address as a shortcut stores it: with "https://" in front when it has no scheme of its
// own. "mailto:a@b" and "http://x" have one; "www.example.com" and "localhost:8080" do not.
std::string withScheme(std::string_view address);

} // namespace shell
