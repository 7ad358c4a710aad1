#include "platform/shell/process.h"

#include <system_error>

namespace shell {

std::filesystem::path executablePath() {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path{} : p;
}

bool setCurrentDirectory(const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::current_path(dir, ec);
    return !ec;
}

} // namespace shell
