// Our INI engine with the private-profile rules: one key read or written at a time, nothing
// cached (the file is read anew at every call, so changes made by another program count), GBK
// bytes on disk, every line the program does not own kept byte for byte.
//
// The file format, as read:
// - Lines end with CR LF or with LF alone; the last line may have no ending.
// - A section line is "[name]" (blanks around it and around the name allowed, anything after
//   the "]" ignored). A line that starts with "[" but has no "]" is not a section line.
// - A key line is "key=value", split at the first "="; blanks (space, tab) around the key and
//   around the value are ignored.
// - A line starting with ";" is a comment. Comments and any other line are kept but never
//   matched.
// - Section and key names match without regard to ASCII letter case; the two bytes of a GBK
//   character are compared exactly (a trail byte that happens to be an ASCII letter, "[" or
//   "]" is part of its character, never a letter or a bracket of its own).
// - The first matching section and the first matching key in it win.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace profile {

// A value is read into a buffer of 10,240 bytes: at most 10,239 bytes come back.
inline constexpr std::size_t maxValueBytes = 10239;

// The value of key in section, or fallback when the file, the section or the key is missing
// (or the file cannot be read). A present key with an empty value gives the empty text. A value
// that starts and ends with the same quotation mark (" or ', at least two bytes) comes back
// without them; a longer value is cut to its first maxValueBytes bytes. Blank or empty names
// never match. section, key, fallback and the result are GBK bytes; file is a file-system path.
std::string readString(const std::filesystem::path& file, std::string_view section,
                       std::string_view key, std::string_view fallback = {});

// Sets key in section to value (GBK bytes, written as given; blanks around the names are
// dropped).
// - An existing key: its line is rewritten as key=value, keeping the key's spelling in the file.
// - A new key: a line inserted right after the last key line of the section (or after the
//   section line when it has no keys), so blank lines and comments that close the section stay
//   between it and the next section.
// - A missing section: "[section]" and the key line appended at the end of the file; the first
//   write creates the file.
// Lines that this function writes end with CR LF; when the line they follow is the file's last
// and has no ending, CR LF is added to it. Every other byte of the file stays as it was.
//
// Refused (false, file untouched), because the result could not be read back as written or
// could add lines of its own: an empty or blank section or key; a section containing "[", "]",
// CR or LF; a key containing "=", "[", "]", CR or LF or starting with ";"; a value containing
// CR or LF (so a value can never inject a key or a section).
//
// The file is replaced atomically: the new content goes to a temporary file in the same
// directory, is flushed to disk and renamed over the old file, which keeps its permissions (a
// new file gets 0644 less the umask); a symbolic link is written through to its target. A
// failed write changes nothing, leaves no temporary file, prints nothing and returns false. A
// write that would not change the file's content does not touch it and returns true.
bool writeString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view value);

} // namespace profile
