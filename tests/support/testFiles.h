// Files for tests: a scratch directory that cleans up after itself, and whole files read and
// written as raw bytes (GBK text and binary data alike).
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace testsupport {

// A fresh directory under the temporary directory, made with mkdtemp so that tests running at
// the same time never share one; removed with everything in it when the object goes. Throws
// std::system_error when no directory can be made.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// The whole file; empty when it cannot be read.
std::string readBytes(const std::filesystem::path& file);

// Replaces the file's content with exactly these bytes.
void writeBytes(const std::filesystem::path& file, std::string_view bytes);
void writeBytes(const std::filesystem::path& file, std::span<const std::uint8_t> bytes);

} // namespace testsupport
