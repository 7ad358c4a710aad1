#include "core/reminderLists.h"

#include "core/textRules.h"

namespace core {

bool isSelected(std::string_view selection, std::string_view name) {
    return gbkFind(selection, name) != std::string_view::npos;
}

ToggleResult toggle(std::string_view selection, std::string_view name) {
    if (!isSelected(selection, name)) {
        std::string added(selection);
        added += name;
        added += listTerminator;
        return {added, true};
    }
    const std::string item = std::string(name) + listTerminator;
    std::string out;
    std::size_t from = 0;
    for (std::size_t at; (at = gbkFind(selection, item, from)) != std::string_view::npos;) {
        out.append(selection, from, at - from);
        from = at + item.size();
    }
    out.append(selection, from);
    return {out, false};
}

AdvanceList parseAdvances(std::string_view stored) {
    AdvanceList list;
    std::size_t start = 0;
    for (std::size_t i = 0; i < stored.size(); i += gbkCharLength(stored, i)) {
        if (stored[i] == listTerminator) {
            list.push_back(std::string(stored.substr(start, i - start)));
            start = i + 1;
        }
    }
    if (start < stored.size()) list.push_back(std::string(stored.substr(start)));
    return list;
}

std::string joinAdvances(const AdvanceList& list) {
    std::string out;
    for (const std::string& item : list) {
        out += item;
        out += listTerminator;
    }
    return out;
}

void setAdvance(AdvanceList& list, std::size_t k, std::string text) { list.at(k) = std::move(text); }

void padAdvances(AdvanceList& list, std::size_t count) {
    while (list.size() < count) list.push_back("0");
}

} // namespace core
