#include "core/reminderLists.h"
#include "platform/encoding/gbk.h"

#include <gtest/gtest.h>

#include <vector>

using namespace core;
using encoding::toGbk;

namespace {
std::vector<std::string> items(const AdvanceList& list) { return {list.begin(), list.end()}; }
} // namespace

struct ToggleCase {
    std::string before, name, after;
    bool nowSelected;
};

TEST(ReminderSelection, Toggle) {
    const ToggleCase cases[] = {
        {"", "辰", "辰*", true},
        {"辰*", "辰", "", false},
        {"子*辰*子*", "子", "辰*", false},
        {"子*辰*", "午", "子*辰*午*", true},
        {"午*未*", "未", "午*", false},
        {"junk", "午", "junk午*", true}, // stray text is kept, never validated
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before + " / " + c.name);
        const ToggleResult r = toggle(toGbk(c.before), toGbk(c.name));
        EXPECT_EQ(r.selection, toGbk(c.after));
        EXPECT_EQ(r.nowSelected, c.nowSelected);
        EXPECT_EQ(isSelected(r.selection, toGbk(c.name)), c.nowSelected);
    }
}

TEST(ReminderSelection, MatchNeverStartsInsideADoubleByteCharacter) {
    // Two characters whose bytes, read across their boundary, spell a third one.
    const std::string outer = "\xB0\xA1\xB0\xA1"; // 啊啊
    const std::string inner = "\xA1\xB0";         // 「 in GBK
    EXPECT_FALSE(isSelected(outer, inner));
    EXPECT_EQ(toggle(outer + "*", inner).selection, outer + "*" + inner + "*");
    EXPECT_FALSE(isSelected("", toGbk("辰")));
}

struct ParseCase {
    std::string stored;
    std::vector<std::string> items;
};

TEST(AdvanceList, ParseAndJoin) {
    const ParseCase cases[] = {
        {"0*0*0*0*0*0*0*0*0*0*0*0*", std::vector<std::string>(12, "0")},
        {"5*10", {"5", "10"}},
        {"5**", {"5", ""}},
        {"", {}},
        {"*", {""}},
        {"30*-5*abc*", {"30", "-5", "abc"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(items(parseAdvances(c.stored)), c.items);
    }
    EXPECT_EQ(joinAdvances(parseAdvances(defaultAdvances)), defaultAdvances);
    EXPECT_EQ(joinAdvances(parseAdvances("5*10")), "5*10*");
}

TEST(AdvanceList, FourteenItemsSurviveAChangeAndASave) {
    const std::string stored = "1*2*3*4*5*6*7*8*9*10*11*12*13*14*";
    AdvanceList list = parseAdvances(stored);
    ASSERT_EQ(list.size(), 14u);
    setAdvance(list, 3, "30");
    EXPECT_EQ(joinAdvances(list), "1*2*30*4*5*6*7*8*9*10*11*12*13*14*");
}

TEST(AdvanceList, BoundsAreChecked) {
    AdvanceList list = parseAdvances("1*2*");
    EXPECT_THROW(setAdvance(list, 0, "x"), std::out_of_range);
    EXPECT_THROW(setAdvance(list, 3, "x"), std::out_of_range);
    EXPECT_THROW((void)list[3], std::out_of_range);
    setAdvance(list, 2, "x");
    EXPECT_EQ(list[2], "x");
}

TEST(AdvanceList, ShortListIsPaddedLongListKept) {
    AdvanceList shortList = parseAdvances("5*7*");
    padAdvances(shortList, 12);
    EXPECT_EQ(joinAdvances(shortList), "5*7*0*0*0*0*0*0*0*0*0*0*");
    AdvanceList empty = parseAdvances("");
    padAdvances(empty, 12);
    EXPECT_EQ(joinAdvances(empty), defaultAdvances);
    AdvanceList longList = parseAdvances("1*2*3*4*5*6*7*8*9*10*11*12*13*");
    padAdvances(longList, 12);
    EXPECT_EQ(longList.size(), 13u);
}
