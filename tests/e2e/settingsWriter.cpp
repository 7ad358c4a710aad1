// Writes the program's settings keys one after another, as fast as the store allows, so that a
// test can kill it at any moment of a write and then look at what the file holds.
//
// Usage: e2e_settings_writer <settings file> <seed> [<number of writes>]
//
// Before each write it prints "B <key> <value>" and after it "D": the key as its number in
// settings::Key, the value as hexadecimal GBK bytes, each line with one write(2), so that
// everything a killed writer said has reached the pipe. The values vary in length and content from
// write to write: lists grow and shrink, the selection is toggled period by period as the program
// does, paths hold Chinese text, and the first-start marker is sometimes empty.
#include "core/periodTable.h"
#include "core/reminderLists.h"
#include "core/textRules.h"
#include "platform/encoding/gbk.h"
#include "settings/settingsFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

using settings::Key;

constexpr Key keys[] = {Key::Left,       Key::Top,       Key::FirstStart, Key::DesktopLink,
                        Key::Advances,   Key::Selection, Key::Music,      Key::Beep,
                        Key::MessageBox, Key::Launcher,  Key::MusicPath,  Key::GamePath};

std::string hex(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

void say(const std::string& line) {
    const std::string text = line + "\n";
    if (::write(STDOUT_FILENO, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        std::_Exit(3);
    }
}

// The value written at step n for a key; selection is the running selection text.
std::string valueAt(Key key, std::uint64_t n, std::string& selection) {
    switch (settings::kindOf(key)) {
    case settings::Kind::Integer:
        return core::intToText(static_cast<std::int64_t>(n * 7919 % 4000) - 2000);
    case settings::Kind::Marker:
        return n % 3 == 0 ? "" : "1";
    case settings::Kind::Flag:
        return n % 2 == 0 ? "0" : "1";
    case settings::Kind::List:
        if (key == Key::Selection) {
            const core::Period& period = core::PeriodTable[n % core::periodCount];
            selection = core::toggle(selection, encoding::toGbk(period.name)).selection;
            return selection;
        } else {
            core::AdvanceList list;
            for (std::uint64_t j = 0; j < core::periodCount + n % 3; ++j) {
                list.push_back(core::intToText(static_cast<std::int64_t>((n + j * 13) % 700)));
            }
            return core::joinAdvances(list);
        }
    case settings::Kind::Path:
        return encoding::toGbk("音乐/第" + std::to_string(n) + "首" + std::string(n % 40, 'x') +
                               ".wav");
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <settings file> <seed> [<number of writes>]\n", argv[0]);
        return 2;
    }
    settings::setSettingsPath(argv[1]);
    const std::uint64_t seed = std::strtoull(argv[2], nullptr, 10);
    const std::uint64_t count = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1'000'000;

    std::string selection = settings::readSetting(Key::Selection);
    for (std::uint64_t i = 0; i < count; ++i) {
        const Key key = keys[i % std::size(keys)];
        const std::string value = valueAt(key, seed + i, selection);
        say("B " + std::to_string(static_cast<int>(key)) + " " + hex(value));
        settings::writeSetting(key, value);
        say("D");
    }
    return 0;
}
