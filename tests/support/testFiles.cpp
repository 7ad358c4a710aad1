#include "tests/support/testFiles.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

namespace testsupport {

TempDir::TempDir() {
    const fs::path parent = fs::temp_directory_path();
    std::string pattern = (parent / "vorlane-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::system_error(errno, std::generic_category(),
                                "no scratch directory in " + parent.string());
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec; // a destructor must not throw; what is left stays in the temp directory
    fs::remove_all(path_, ec);
}

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void writeBytes(const fs::path& file, std::span<const std::uint8_t> bytes) {
    writeBytes(file, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

} // namespace testsupport
