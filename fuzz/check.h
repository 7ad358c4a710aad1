// What the fuzz targets share: a property check that stops the run with a message, so that
// libFuzzer keeps the input as a crash, and a scratch directory on a memory file system.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fuzz {

inline void expect(bool holds, const char* property) {
    if (holds) return;
    std::fprintf(stderr, "property broken: %s\n", property);
    std::abort();
}

// A directory of this process, removed at exit. /dev/shm when there is one: the INI engine
// flushes every write to disk, which costs nothing there.
inline const std::filesystem::path& scratchDirectory() {
    static const std::filesystem::path dir = [] {
        std::error_code ec;
        std::filesystem::path base = "/dev/shm";
        if (!std::filesystem::is_directory(base, ec) || ::access(base.c_str(), W_OK) != 0) {
            base = std::filesystem::temp_directory_path();
        }
        std::string pattern = (base / "vorlane-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(scratchDirectory(), ignored);
        });
        return std::filesystem::path(pattern);
    }();
    return dir;
}

} // namespace fuzz
