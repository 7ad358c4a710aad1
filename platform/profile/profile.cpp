#include "platform/profile/profile.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <chrono>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace profile {
namespace {

// Positions of one line in the file's text: its content, and its end including CR LF or LF.
struct Line {
    std::size_t begin;
    std::size_t contentEnd;
    std::size_t end;
};

enum class LineKind { Section, Key, Other };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;  // section or key name, blanks trimmed
    std::string_view value; // key value, blanks trimmed
};

// What the engine knows of the file before a write.
struct OldFile {
    std::string content;
    std::optional<struct stat> status; // empty when there is no file yet
};

// Bytes of the GBK character at s[i]: a lead byte followed by another byte makes two. The
// trail byte may look like "[", "]" or a letter, so every scan steps by characters.
std::size_t charLength(std::string_view s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    return b >= 0x81 && b <= 0xFE && i + 1 < s.size() ? 2 : 1;
}

std::size_t findChar(std::string_view s, char c, std::size_t from = 0) {
    for (std::size_t i = from; i < s.size(); i += charLength(s, i)) {
        if (s[i] == c) return i;
    }
    return std::string_view::npos;
}

bool containsAnyChar(std::string_view s, std::string_view chars) {
    for (std::size_t i = 0; i < s.size(); i += charLength(s, i)) {
        if (charLength(s, i) == 1 && chars.find(s[i]) != std::string_view::npos) return true;
    }
    return false;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Blanks are single bytes below every GBK lead and trail byte, so trimming needs no stepping.
std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool namesMatch(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size();) {
        if (charLength(a, i) == 2) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            i += 2;
        } else {
            if (asciiLower(a[i]) != asciiLower(b[i])) return false;
            ++i;
        }
    }
    return true;
}

std::vector<Line> splitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t lf = text.find('\n', pos);
        if (lf == std::string_view::npos) {
            lines.push_back({pos, text.size(), text.size()});
            break;
        }
        const std::size_t contentEnd = lf > pos && text[lf - 1] == '\r' ? lf - 1 : lf;
        lines.push_back({pos, contentEnd, lf + 1});
        pos = lf + 1;
    }
    return lines;
}

ParsedLine parseLine(std::string_view content) {
    const std::string_view t = trim(content);
    if (t.empty() || t.front() == ';') return {};
    if (t.front() == '[') {
        const std::size_t close = findChar(t, ']', 1);
        if (close == std::string_view::npos) return {};
        return {LineKind::Section, trim(t.substr(1, close - 1)), {}};
    }
    const std::size_t eq = t.find('='); // "=" is never a GBK trail byte
    if (eq == std::string_view::npos) return {};
    return {LineKind::Key, trim(t.substr(0, eq)), trim(t.substr(eq + 1))};
}

ParsedLine parseLine(std::string_view text, const Line& line) {
    return parseLine(text.substr(line.begin, line.contentEnd - line.begin));
}

// Reads the whole file. A missing file is not an error (no status then); anything that is not
// a readable regular file is.
bool readFile(const std::filesystem::path& file, OldFile& out) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    char buffer[65536];
    while (ok) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            out.content.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            ok = false;
        }
    }
    ::close(fd);
    if (ok) out.status = st;
    return ok;
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Creates a fresh file beside target; -1 on failure. The mode 0644 is subject to the umask.
int createTemporary(const std::filesystem::path& target, std::filesystem::path& tmp) {
    static std::atomic<unsigned> counter{0};
    const std::string base =
        "." + target.filename().string() + ".tmp-" + std::to_string(::getpid());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
        tmp = target;
        tmp.replace_filename(base + "-" + std::to_string(counter++) + "-" +
                             std::to_string(tick % 1000000));
        const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Removes the temporary files that writers killed in the middle of a write left beside target:
// those whose process is gone. Files of running writers, this one included, stay.
void removeStaleTemporaries(const std::filesystem::path& target) {
    const std::string prefix = "." + target.filename().string() + ".tmp-";
    std::filesystem::path dir = target.parent_path();
    if (dir.empty()) dir = ".";
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string rest = name.substr(prefix.size());
        const std::size_t digits = rest.find_first_not_of("0123456789");
        if (digits == 0 || digits == std::string::npos || rest[digits] != '-') continue;
        const long pid = std::strtol(rest.c_str(), nullptr, 10);
        if (pid <= 0 || pid == ::getpid()) continue;
        if (::kill(static_cast<pid_t>(pid), 0) == -1 && errno == ESRCH) ::unlink(it->path().c_str());
    }
}

// Writes content to a temporary file beside target, flushes it and renames it over target.
bool replaceFile(const std::filesystem::path& target, std::string_view content,
                 const std::optional<struct stat>& old) {
    if (!target.has_filename()) return false;
    std::filesystem::path tmp;
    const int fd = createTemporary(target, tmp);
    if (fd < 0) return false;
    bool ok = true;
    if (old) {
        // Ownership can only be kept by a privileged writer; the permissions always.
        if (old->st_uid != ::geteuid() || old->st_gid != ::getegid()) {
            [[maybe_unused]] const int ignored = ::fchown(fd, old->st_uid, old->st_gid);
        }
        ok = ::fchmod(fd, old->st_mode & 07777) == 0;
    }
    ok = ok && writeAll(fd, content) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(tmp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tmp.c_str());
        return false;
    }
    // Make the rename itself durable; the new content is in place whatever this gives.
    std::filesystem::path dir = target.parent_path();
    if (dir.empty()) dir = ".";
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    removeStaleTemporaries(target);
    return true;
}

// Whether the section line and the key line a write adds parse back to exactly these names.
// The checks of writeString step over GBK characters, but lines split at every LF byte, a key
// ends at the first "=" byte and a lead byte at the end of a section name takes the "]" as its
// trail: byte sequences that valid GBK never has, refused all the same.
bool namesReadBack(std::string_view section, std::string_view key) {
    if (section.find_first_of("\r\n") != std::string_view::npos ||
        key.find_first_of("\r\n") != std::string_view::npos) {
        return false;
    }
    const std::string sectionLine = "[" + std::string(section) + "]";
    const std::string keyPart = std::string(key) + "=";
    const ParsedLine s = parseLine(sectionLine);
    const ParsedLine k = parseLine(keyPart);
    return s.kind == LineKind::Section && s.name == section && k.kind == LineKind::Key &&
           k.name == key;
}

std::string keyLine(std::string_view key, std::string_view value) {
    std::string line;
    line.reserve(key.size() + value.size() + 3);
    line.append(key).append("=").append(value).append("\r\n");
    return line;
}

// The file's text after setting key in section to value.
std::string withValue(const std::string& old, std::string_view section, std::string_view key,
                      std::string_view value) {
    const std::vector<Line> lines = splitLines(old);
    std::size_t i = 0;
    while (i < lines.size()) {
        const ParsedLine p = parseLine(old, lines[i]);
        if (p.kind == LineKind::Section && namesMatch(p.name, section)) break;
        ++i;
    }
    const auto endsWithoutBreak = [&](std::size_t at) { return at > 0 && old[at - 1] != '\n'; };

    if (i == lines.size()) {
        std::string out = old;
        if (endsWithoutBreak(out.size())) out += "\r\n";
        out.append("[").append(section).append("]\r\n").append(keyLine(key, value));
        return out;
    }

    std::size_t after = i; // the line a new key goes after: the section's last key line
    for (std::size_t j = i + 1; j < lines.size(); ++j) {
        const ParsedLine p = parseLine(old, lines[j]);
        if (p.kind == LineKind::Section) break;
        if (p.kind != LineKind::Key) continue;
        if (namesMatch(p.name, key)) {
            return old.substr(0, lines[j].begin) + keyLine(p.name, value) +
                   old.substr(lines[j].end);
        }
        after = j;
    }
    const std::size_t at = lines[after].end;
    std::string out = old.substr(0, at);
    if (endsWithoutBreak(at)) out += "\r\n";
    out += keyLine(key, value);
    out.append(old, at);
    return out;
}

} // namespace

std::string readString(const std::filesystem::path& file, std::string_view section,
                       std::string_view key, std::string_view fallback) {
    section = trim(section);
    key = trim(key);
    OldFile f;
    if (section.empty() || key.empty() || !readFile(file, f) || !f.status) {
        return std::string(fallback);
    }
    const std::string_view text = f.content;
    bool inSection = false;
    for (const Line& line : splitLines(text)) {
        const ParsedLine p = parseLine(text, line);
        if (p.kind == LineKind::Section) {
            if (inSection) break; // the first matching section wins
            inSection = namesMatch(p.name, section);
        } else if (inSection && p.kind == LineKind::Key && namesMatch(p.name, key)) {
            std::string_view v = p.value;
            if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
                v = v.substr(1, v.size() - 2);
            }
            return std::string(v.substr(0, maxValueBytes));
        }
    }
    return std::string(fallback);
}

bool writeString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view value) {
    section = trim(section);
    key = trim(key);
    if (section.empty() || key.empty() || containsAnyChar(section, "[]\r\n") ||
        containsAnyChar(key, "=[]\r\n") || key.front() == ';' ||
        value.find_first_of("\r\n") != std::string_view::npos || !namesReadBack(section, key)) {
        return false;
    }

    std::filesystem::path target = file;
    std::error_code ec;
    if (std::filesystem::is_symlink(file, ec)) {
        target = std::filesystem::weakly_canonical(file, ec);
        if (ec) return false;
    }
    OldFile old;
    if (!readFile(target, old)) return false;
    std::string content = withValue(old.content, section, key, value);
    if (old.status && content == old.content) return true;
    return replaceFile(target, content, old.status);
}

} // namespace profile
