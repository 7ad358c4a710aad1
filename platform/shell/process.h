// The running process: where its executable lives.
#pragma once

#include <filesystem>

namespace shell {

// Full path of the running executable (empty when it cannot be had).
std::filesystem::path executablePath();

// Makes dir the current directory; false on failure.
bool setCurrentDirectory(const std::filesystem::path& dir);

} // namespace shell
