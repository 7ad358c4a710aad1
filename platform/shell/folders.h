// The user's and the system's well-known folders, and the few path helpers built on them.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace shell {

// The folder of the given type as a UTF-8 path ending with exactly one "/":
//    0  the desktop, as 3
//    1  documents: XDG_DOCUMENTS_DIR of user-dirs.dirs, else ~/Documents
//    2  favourites: $XDG_DATA_HOME/favourites (no desktop has one; it exists only if made)
//    3  the desktop: XDG_DESKTOP_DIR of user-dirs.dirs (often localised, 桌面), else ~/Desktop
//    4  fonts: $XDG_DATA_HOME/fonts
//    5  menu entries: $XDG_DATA_HOME/applications
//    6  menu programs: as 5, since Linux menus keep no separate programs folder
//    7  autostart: $XDG_CONFIG_HOME/autostart
//    8  application data: $XDG_CONFIG_HOME
//    9  the operating system's own files: /usr
//   10  system programs: /usr/bin
//   11  temporary files: $TMPDIR, else /tmp
//   12  the cache: $XDG_CACHE_HOME
// user-dirs.dirs is read from $XDG_CONFIG_HOME. Unset or relative XDG base variables take their
// usual defaults under the home directory ($HOME, else the password database). The folder must
// exist: nothing is created here, so a missing folder, an unknown home or an unknown type gives "".
std::string specialFolderPath(int type);

// The extension of the last path component, dot included ("a/b.tar.gz" gives ".gz"), or ""
// when it has none. As on Linux generally, the leading dot of a hidden name is not an
// extension: ".bashrc" has none, ".bashrc.url" has ".url".
std::string pathExtension(std::string_view path);

// Whether something (file or directory) exists under path; a dangling link does not count.
bool fileExists(const std::filesystem::path& path);

// Removes the file (or link) path; never a directory. False when nothing was removed.
bool deleteFile(const std::filesystem::path& path);

} // namespace shell
