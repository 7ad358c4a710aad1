// The user's choices: which periods to be reminded of (ReminderSelection) and each period's
// advance in seconds (AdvanceList), with their stored forms. Every item of a stored list is
// followed by "*". All texts are GBK; searches and splits step over double-byte characters.
#pragma once

#include "core/oneBased.h"

#include <string>
#include <string_view>

namespace core {

using AdvanceList = OneBased<std::string>;

inline constexpr char listTerminator = '*';
inline constexpr std::string_view defaultAdvances = "0*0*0*0*0*0*0*0*0*0*0*0*";

// Whether name occurs anywhere in the selection (on a character boundary).
bool isSelected(std::string_view selection, std::string_view name);

struct ToggleResult {
    std::string selection;
    bool nowSelected;
};

// Not selected: name + "*" is appended. Selected: every name + "*" is removed.
ToggleResult toggle(std::string_view selection, std::string_view name);

// Each "*" ends one element (possibly empty); text after the last "*" is one more element
// unless it is empty. The empty text gives no elements.
AdvanceList parseAdvances(std::string_view stored);

// Every element followed by "*", all elements.
std::string joinAdvances(const AdvanceList& list);

// Element k (1-based) replaced; k outside 1..size throws std::out_of_range.
void setAdvance(AdvanceList& list, std::size_t k, std::string text);

// A list with fewer than twelve elements (a hand-edited or emptied setting) padded with "0",
// so every period has an advance; longer lists keep their extra elements.
void padAdvances(AdvanceList& list, std::size_t count);

} // namespace core
