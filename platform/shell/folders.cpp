#include "platform/shell/folders.h"

#include <cstdlib>
#include <fstream>
#include <optional>
#include <pwd.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace shell {

namespace {

// The value of an environment variable that must hold an absolute path; "" otherwise, as the
// XDG base-directory rules ignore relative values.
std::string absoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] == '/' ? std::string(value) : std::string();
}

std::string homeDirectory() {
    std::string home = absoluteEnv("HOME");
    if (!home.empty()) {
        return home;
    }
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return {};
}

// dir/sub, or "" when dir is not known.
std::string inside(const std::string& dir, std::string_view sub) {
    return dir.empty() ? std::string() : dir + "/" + std::string(sub);
}

// An XDG base directory: the variable when it holds an absolute path, else home/fallback.
std::string baseDirectory(const char* variable, std::string_view fallback) {
    std::string dir = absoluteEnv(variable);
    return dir.empty() ? inside(homeDirectory(), fallback) : dir;
}

// The value of one line "NAME=value" of user-dirs.dirs, with $HOME expanded, or nothing when
// the line does not set name or sets it to something other than an absolute path. The file is
// meant to be sourced by a shell, so double quotes and their backslash escapes are honoured;
// $HOME (or ${HOME}) is expanded only at the start, the one place the format allows it.
std::optional<std::string> userDirValue(std::string_view line, std::string_view name,
                                        const std::string& home) {
    std::size_t i = line.find_first_not_of(" \t");
    if (i == std::string_view::npos || line.substr(i, name.size()) != name) {
        return std::nullopt;
    }
    i = line.find_first_not_of(" \t", i + name.size());
    if (i == std::string_view::npos || line[i] != '=') {
        return std::nullopt;
    }
    i = line.find_first_not_of(" \t", i + 1);
    if (i == std::string_view::npos) {
        return std::nullopt;
    }
    const bool quoted = line[i] == '"';
    if (quoted) {
        ++i;
    }
    std::string value;
    for (std::string_view prefix : {"${HOME}", "$HOME"}) {
        std::string_view rest = line.substr(i);
        if (rest.substr(0, prefix.size()) == prefix &&
            (rest.size() == prefix.size() || rest[prefix.size()] == '/' ||
             (quoted && rest[prefix.size()] == '"'))) {
            if (home.empty()) {
                return std::nullopt;
            }
            value = home;
            i += prefix.size();
            break;
        }
    }
    bool closed = !quoted;
    for (; i < line.size(); ++i) {
        char c = line[i];
        if (quoted && c == '"') {
            closed = true;
            break;
        }
        if (!quoted && (c == ' ' || c == '\t' || c == '\r')) {
            break;
        }
        if (quoted && c == '\\' && i + 1 < line.size() &&
            std::string_view("\"\\$`").find(line[i + 1]) != std::string_view::npos) {
            c = line[++i];
        }
        value += c;
    }
    if (!closed || value.empty() || value[0] != '/') {
        return std::nullopt;
    }
    return value;
}

// An XDG user directory (XDG_DESKTOP_DIR …) from user-dirs.dirs; the last setting wins, as when
// the file is sourced. Without one, home/fallback.
std::string userDirectory(std::string_view name, std::string_view fallback) {
    std::string home = homeDirectory();
    std::string configHome = baseDirectory("XDG_CONFIG_HOME", ".config");
    std::optional<std::string> found;
    if (!configHome.empty()) {
        std::ifstream in(configHome + "/user-dirs.dirs");
        for (std::string line; std::getline(in, line);) {
            if (auto value = userDirValue(line, name, home)) {
                found = std::move(value);
            }
        }
    }
    return found ? *found : inside(home, fallback);
}

std::string folderOfType(int type) {
    switch (type) {
    case 0:
    case 3:
        return userDirectory("XDG_DESKTOP_DIR", "Desktop");
    case 1:
        return userDirectory("XDG_DOCUMENTS_DIR", "Documents");
    case 2:
        return inside(baseDirectory("XDG_DATA_HOME", ".local/share"), "favourites");
    case 4:
        return inside(baseDirectory("XDG_DATA_HOME", ".local/share"), "fonts");
    case 5:
    case 6:
        return inside(baseDirectory("XDG_DATA_HOME", ".local/share"), "applications");
    case 7:
        return inside(baseDirectory("XDG_CONFIG_HOME", ".config"), "autostart");
    case 8:
        return baseDirectory("XDG_CONFIG_HOME", ".config");
    case 9:
        return "/usr";
    case 10:
        return "/usr/bin";
    case 11: {
        std::string tmp = absoluteEnv("TMPDIR");
        return tmp.empty() ? std::string("/tmp") : tmp;
    }
    case 12:
        return baseDirectory("XDG_CACHE_HOME", ".cache");
    default:
        return {};
    }
}

} // namespace

std::string specialFolderPath(int type) {
    std::string dir = folderOfType(type);
    std::error_code ec;
    if (dir.empty() || !std::filesystem::is_directory(dir, ec)) {
        return {};
    }
    while (dir.size() > 1 && dir.back() == '/') {
        dir.pop_back();
    }
    if (dir.back() != '/') {
        dir += '/';
    }
    return dir;
}

std::string pathExtension(std::string_view path) {
    return std::filesystem::path(path).extension().string();
}

bool fileExists(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

bool deleteFile(const std::filesystem::path& path) {
    return ::unlink(path.c_str()) == 0;
}

} // namespace shell
