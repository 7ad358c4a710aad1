// The two stored lists: the advance list's split and join, and the selection's toggle and
// search, against a plain model of the selection.
//
// Input (through FuzzedDataProvider): a stored advance text, a few advance items, an arbitrary
// selection and a name, then a sequence of toggles, one byte each.
#include "core/reminderLists.h"
#include "fuzz/check.h"
#include "platform/encoding/gbk.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

using fuzz::expect;

// Whether text ends on a character boundary with a "*" of its own (not the trail byte of a
// double-byte character).
bool endsWithTerminator(std::string_view text) {
    std::size_t last = 0;
    for (std::size_t i = 0; i < text.size();) {
        last = i;
        const auto b = static_cast<unsigned char>(text[i]);
        i += b >= 0x81 && b <= 0xFE && i + 1 < text.size() ? 2 : 1;
    }
    return !text.empty() && last == text.size() - 1 && text.back() == '*';
}

// An item as a user could have typed it: no "*", and no lead byte left without its trail.
std::string typedItem(std::string item) {
    std::erase(item, '*');
    std::size_t i = 0;
    while (i < item.size()) {
        const auto b = static_cast<unsigned char>(item[i]);
        const bool lead = b >= 0x81 && b <= 0xFE;
        if (lead && i + 1 == item.size()) {
            item.pop_back();
            break;
        }
        i += lead ? 2 : 1;
    }
    return item;
}

// Names made of whole GBK characters: the twelve periods, an ASCII letter and characters whose
// second byte is that letter or a bracket, and the full-width "*".
const std::vector<std::string>& names() {
    static const std::vector<std::string> all = [] {
        std::vector<std::string> n;
        for (const char* utf8 : {"辰", "巳", "午", "未", "申", "酉", "戌", "亥", "子", "丑", "寅",
                                 "卯", "A", "丄", "乕", "乚", "＊"})
            n.push_back(encoding::toGbk(utf8));
        return n;
    }();
    return all;
}

std::string joined(const std::vector<std::string>& model) {
    std::string out;
    for (const std::string& name : model)
        out += name + "*";
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);

    // join(parse(s)) is s with a "*" added when s does not already end with one.
    const std::string stored = in.ConsumeRandomLengthString(4096);
    const std::string rejoined = core::joinAdvances(core::parseAdvances(stored));
    if (stored.empty() || endsWithTerminator(stored)) {
        expect(rejoined == stored, "join(parse(s)) == s for s empty or ending with '*'");
    } else {
        expect(rejoined == stored + "*", "join(parse(s)) == s + '*' otherwise");
    }

    // Padding to twelve adds "0" items only; an item replaced in range is that item, out of
    // range it is refused.
    core::AdvanceList padded = core::parseAdvances(stored);
    const std::size_t parsedCount = padded.size();
    core::padAdvances(padded, 12);
    std::string zeros;
    for (std::size_t k = parsedCount; k < 12; ++k)
        zeros += "0*";
    expect(core::joinAdvances(padded) == rejoined + zeros, "padding appends \"0\" items");
    const std::size_t k = in.ConsumeIntegralInRange<std::size_t>(0, padded.size() + 1);
    const std::string text = in.ConsumeRandomLengthString(8);
    try {
        core::setAdvance(padded, k, text);
        expect(k >= 1 && k <= padded.size() && padded[k] == text, "setAdvance replaces item k");
    } catch (const std::out_of_range&) {
        expect(k == 0 || k > padded.size(), "setAdvance refuses only k outside 1..size");
    }

    core::AdvanceList items;
    const std::size_t itemCount = in.ConsumeIntegralInRange<std::size_t>(0, 16);
    for (std::size_t k = 0; k < itemCount; ++k)
        items.push_back(typedItem(in.ConsumeRandomLengthString(12)));
    expect(core::parseAdvances(core::joinAdvances(items)) == items,
           "parse(join(list)) == list for items without '*'");

    // Any selection: toggling a name it lacks appends it; one it has is removed.
    const std::string anySelection = in.ConsumeRandomLengthString(64);
    const std::string anyName = in.ConsumeRandomLengthString(4);
    const core::ToggleResult once = core::toggle(anySelection, anyName);
    expect(once.nowSelected == !core::isSelected(anySelection, anyName),
           "toggle selects exactly what was not selected");
    if (once.nowSelected) {
        expect(once.selection == anySelection + anyName + "*", "a new name is appended with '*'");
    } else {
        const std::size_t shorter = anySelection.size() - once.selection.size();
        expect(once.selection.size() <= anySelection.size() && shorter % (anyName.size() + 1) == 0,
               "a selected name is removed with its '*' wherever it stands");
    }

    // A selection built by toggles is the model's names in order, each followed by "*".
    std::string selection;
    std::vector<std::string> model;
    while (in.remaining_bytes() > 0) {
        const std::string& name = names()[in.ConsumeIntegral<std::uint8_t>() % names().size()];
        const auto at = std::find(model.begin(), model.end(), name);
        const bool wasSelected = at != model.end();

        const core::ToggleResult first = core::toggle(selection, name);
        const core::ToggleResult second = core::toggle(first.selection, name);
        expect(first.nowSelected == !wasSelected && second.nowSelected == wasSelected,
               "two toggles flip the name twice");
        if (!wasSelected) {
            expect(second.selection == selection, "toggling twice restores the selection");
        } else {
            std::vector<std::string> moved = model;
            std::erase(moved, name);
            moved.push_back(name);
            expect(second.selection == joined(moved),
                   "toggling a selected name twice moves it to the end, the rest as they were");
        }

        if (wasSelected)
            model.erase(at);
        else
            model.push_back(name);
        selection = first.selection;
        expect(selection == joined(model), "the selection holds the toggled names in order");
        for (const std::string& n : names()) {
            expect(core::isSelected(selection, n) ==
                       (std::find(model.begin(), model.end(), n) != model.end()),
                   "isSelected finds exactly the toggled names");
        }
    }
    return 0;
}
