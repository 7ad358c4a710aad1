// The INI engine on a settings file whose content comes from the input.
//
// Input: section, key and value, each ended by a NUL byte (so that names and values can hold
// line breaks), then the file's content. The file is read and
// written as the program does, and what the engine promises is checked: a write it accepts
// reads back, touches no other line than the key's (or adds the key, or the section and the
// key), changes no other key's value, and a repeated write changes nothing.
#include "fuzz/check.h"
#include "platform/profile/profile.h"

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using fuzz::expect;

// No value can hold a line break, so no read gives this back unless the key is missing.
constexpr std::string_view missing = "\n(missing)";

std::string_view takeField(std::string_view& input) {
    const std::size_t end = input.find('\0');
    const std::string_view field = input.substr(0, end);
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    return field;
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// What a read gives after value was written: blanks around it dropped, enclosing quotation
// marks removed, then cut to the buffer.
std::string readsBackAs(std::string_view value) {
    std::string_view v = trimBlanks(value);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    return std::string(v.substr(0, profile::maxValueBytes));
}

// The lines of a file, each with its ending.
std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t lf = text.find('\n');
        const std::size_t end = lf == std::string_view::npos ? text.size() : lf + 1;
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
    return lines;
}

std::string contentOf(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void setContent(const std::filesystem::path& file, std::string_view content) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    expect(out.good(), "the scratch file can be written");
}

// Names a reader might ask for, taken from the file with a rough scan: enough to find keys the
// write must leave alone.
std::vector<std::pair<std::string, std::string>> probes(std::string_view text) {
    std::vector<std::pair<std::string, std::string>> found;
    std::string section;
    for (std::string_view line : linesOf(text)) {
        line = trimBlanks(line.substr(0, line.find_first_of("\r\n")));
        if (!line.empty() && line.front() == '[') {
            section = std::string(line.substr(1, line.find(']') - 1));
        } else if (const std::size_t eq = line.find('='); eq != std::string_view::npos) {
            found.emplace_back(section, std::string(line.substr(0, eq)));
            if (found.size() == 8) break;
        }
    }
    return found;
}

// Single bytes below 0x80 and double-byte characters with a trail byte of 0x40..0xFE but 0x7F.
bool validGbk(std::string_view s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) continue;
        if (b == 0x80 || b == 0xFF || i + 1 == s.size()) return false;
        const auto trail = static_cast<unsigned char>(s[++i]);
        if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return false;
    }
    return true;
}

// A name the program could use: valid GBK, not blank, no comment and no character the file
// format gives a meaning.
bool plain(std::string_view name) {
    const std::string_view t = trimBlanks(name);
    return !t.empty() && t.front() != ';' && validGbk(t) &&
           t.find_first_of("[]=\r\n") == std::string_view::npos;
}

// The file after the write is the file before with one key line replaced, one key line
// inserted, or a section line and a key line appended; only a last line without its ending may
// gain CR LF in front of what is added.
void checkOnlyTheKeyChanged(std::string_view before, std::string_view after,
                            std::string_view section, std::string_view key,
                            std::string_view value) {
    const std::vector<std::string_view> old = linesOf(before);
    const std::vector<std::string_view> now = linesOf(after);
    std::size_t head = 0;
    while (head < old.size() && head < now.size() && old[head] == now[head])
        ++head;
    std::size_t tail = 0;
    while (tail < old.size() - head && tail < now.size() - head &&
           old[old.size() - 1 - tail] == now[now.size() - 1 - tail])
        ++tail;
    std::vector<std::string_view> removed(old.begin() + head, old.end() - tail);
    std::vector<std::string_view> added(now.begin() + head, now.end() - tail);

    // A last line without its ending that is followed by new lines now ends with CR LF.
    if (removed.size() == 1 && tail == 0 && removed[0].back() != '\n' && added.size() >= 2 &&
        added[0] == std::string(removed[0]) + "\r\n") {
        removed.clear();
        added.erase(added.begin());
    }
    if (removed.empty() && added.empty()) return; // the key line held this value already
    const std::string sectionLine = "[" + std::string(section) + "]\r\n";
    const std::string newKeyLine = std::string(key) + "=" + std::string(value) + "\r\n";
    if (removed.size() == 1) {
        expect(added.size() == 1, "a replaced key line is one line");
        const std::string_view oldLine = removed[0];
        const std::string spelling(trimBlanks(oldLine.substr(0, oldLine.find('='))));
        expect(oldLine.find('=') != std::string_view::npos && spelling.size() == key.size(),
               "the replaced line held the key");
        expect(added[0] == spelling + "=" + std::string(value) + "\r\n",
               "the key line is rewritten with the key's spelling in the file");
        return;
    }
    expect(removed.empty(), "no line is removed");
    if (added.size() == 1) {
        expect(added[0] == newKeyLine, "the inserted line is the key line");
        return;
    }
    expect(added.size() == 2 && added[0] == sectionLine && added[1] == newKeyLine && tail == 0,
           "a new section and its key are appended at the end");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string section(takeField(input));
    const std::string key(takeField(input));
    const std::string value(takeField(input));
    const std::string_view content = input;
    const std::filesystem::path file = fuzz::scratchDirectory() / "settings.ini";
    setContent(file, content);

    const auto probed = probes(content);
    std::vector<std::string> valuesBefore;
    for (const auto& [s, k] : probed)
        valuesBefore.push_back(profile::readString(file, s, k, missing));
    profile::readString(file, section, key, missing);

    const bool written = profile::writeString(file, section, key, value);
    const std::string after = contentOf(file);
    if (!written) {
        expect(after == content, "a refused write leaves the file as it was");
        expect(!plain(section) || !plain(key) || value.find_first_of("\r\n") != std::string::npos,
               "plain names and a one-line value are accepted");
        return 0;
    }

    expect(profile::readString(file, section, key, missing) == readsBackAs(value),
           "an accepted write reads back");
    checkOnlyTheKeyChanged(content, after, trimBlanks(section), trimBlanks(key), value);
    for (std::size_t i = 0; i < probed.size(); ++i) {
        const std::string now =
            profile::readString(file, probed[i].first, probed[i].second, missing);
        // A probe that names the written key (in another spelling) reads its new value.
        expect(now == valuesBefore[i] || now == readsBackAs(value), "other keys keep their values");
    }

    expect(profile::writeString(file, section, key, value) && contentOf(file) == after,
           "writing the same value again changes nothing");
    return 0;
}
