#include "desktop/navigationLink.h"

#include "platform/profile/profile.h"
#include "platform/shell/folders.h"
#include "platform/shell/urlShortcut.h"
#include "settings/settingsFile.h"

namespace desktop {

namespace {

// File names are UTF-8, so these are not GBK texts.
constexpr std::string_view linkBaseName = "导航";
constexpr std::string_view linkFileName = "导航.url";

} // namespace

bool createLinkShortcut(std::string& path, std::string_view target, std::string_view iconLocation,
                        std::string_view hotkey) {
    // Byte for byte: "a.URL" is not taken for a shortcut name and becomes "a.URL.url".
    if (shell::pathExtension(path) != ".url") {
        path += ".url";
    }
    shell::UrlShortcut shortcut = shell::createShortcut(path);
    shortcut.targetPath = target;
    shortcut.windowStyle = 2;
    shortcut.iconLocation = iconLocation;
    // These two writes create the file, so the shortcut saves its URL into an existing one.
    profile::writeString(path, "InternetShortcut", "IconFile", iconLocation);
    profile::writeString(path, "InternetShortcut", "IconIndex", "0");
    shortcut.hotkey = hotkey;
    shell::save(shortcut);
    return shell::fileExists(path);
}

void writeNavigationLink() {
    std::string desktopFolder = shell::specialFolderPath(0);
    if (desktopFolder.empty()) {
        return;
    }
    std::string path = desktopFolder + std::string(linkBaseName);
    createLinkShortcut(path, startPageAddress, "", "");
}

void removeNavigationLink() {
    std::string desktopFolder = shell::specialFolderPath(0);
    if (desktopFolder.empty()) {
        return;
    }
    shell::deleteFile(desktopFolder + std::string(linkFileName));
}

void syncNavigationLink() {
    if (settings::isOn(settings::readSetting(settings::Key::DesktopLink))) {
        writeNavigationLink();
    } else {
        removeNavigationLink();
    }
}

void applyNavigationLinkChoice(bool checked) {
    settings::writeSetting(settings::Key::DesktopLink, checked ? "1" : "0");
    if (checked) {
        writeNavigationLink();
    } else {
        removeNavigationLink();
    }
}

} // namespace desktop
