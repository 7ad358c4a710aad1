// Our INI engine with the private-profile rules: one key read or written at a time, nothing
// cached, GBK bytes on disk, every line the program does not own kept byte for byte.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace profile {

// A value is read into a buffer of 10,240 bytes: at most 10,239 bytes come back.
inline constexpr std::size_t maxValueBytes = 10239;

// The value of key in section, or fallback when the file, the section or the key is missing.
// A present key with an empty value gives the empty text. Names are matched without regard to
// ASCII letter case; a value enclosed in matching quotation marks comes back without them.
// section, key, fallback and the result are GBK bytes; file is a file-system path.
std::string readString(const std::filesystem::path& file, std::string_view section,
                       std::string_view key, std::string_view fallback = {});

// Sets key in section to value: replaced in its own line when present, else appended at the
// end of the section; file and section are created when missing. Lines are written with CR LF.
// The file is replaced atomically (written beside it and renamed over it, keeping its
// permissions), so a failed or interrupted write leaves the old file intact. Returns false on
// failure; the program's callers ignore it.
bool writeString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view value);

} // namespace profile
