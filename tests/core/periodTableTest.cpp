#include "core/periodTable.h"

#include <gtest/gtest.h>

using namespace core;

TEST(PeriodTable, NamesAndRangesInHourOrder) {
    EXPECT_EQ(PeriodTable[0].name, "辰");
    EXPECT_EQ(PeriodTable[0].rangeLabel, "1-5");
    EXPECT_EQ(PeriodTable[1].name, "巳");
    EXPECT_EQ(PeriodTable[6].name, "戌");
    EXPECT_EQ(PeriodTable[11].name, "卯");
    EXPECT_EQ(PeriodTable[11].rangeLabel, "55-60");
}

struct MomentCase {
    int minute, second, period, countdown, next;
};

TEST(PeriodTable, PeriodCountdownAndNextAtMoments) {
    const MomentCase cases[] = {
        {0, 0, 1, 300, 2},  {4, 59, 1, 1, 2},  {5, 0, 2, 300, 3},   {7, 15, 2, 165, 3},
        {59, 59, 12, 1, 1}, {55, 0, 12, 300, 1}, {30, 1, 7, 299, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.minute) + ":" + std::to_string(c.second));
        EXPECT_EQ(periodAt(c.minute), c.period);
        EXPECT_EQ(secondsToNextPeriod(c.minute, c.second), c.countdown);
        EXPECT_EQ(nextPeriod(periodAt(c.minute)), c.next);
    }
}

struct DueCase {
    int period;
    std::int64_t advance;
    int second;
};

TEST(PeriodTable, DueSecondOfAdvances) {
    const DueCase cases[] = {
        {2, 30, 270},    {1, 60, 3540},  {1, 0, 0},     {12, 0, 3300}, {1, 1, 3599},
        {7, 0, 1800},    {2, 300, 0},    // exactly the top of the hour
        {2, 400, 3500},                  // reaches back into the previous hour
        {2, -30, 330},                   // a negative advance falls due after the start
        {1, 3600, 0},    {1, 3601, 3599}, {12, 7200, 3300},
        {1, -2147483648LL, (3600 + 2147483648LL) % 3600},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("period " + std::to_string(c.period) + " advance " + std::to_string(c.advance));
        EXPECT_EQ(dueSecond(c.period, c.advance), c.second);
        EXPECT_TRUE(isDue(c.period, c.advance, c.second / 60, c.second % 60));
        EXPECT_FALSE(isDue(c.period, c.advance, (c.second + 1) % 3600 / 60, (c.second + 1) % 60));
    }
}

TEST(PeriodTable, ClockTextHasNoLeadingZeros) {
    EXPECT_EQ(clockText(9, 5, 7), "9:5:7");
    EXPECT_EQ(clockText(23, 59, 0), "23:59:0");
    EXPECT_EQ(clockText(0, 0, 0), "0:0:0");
    EXPECT_EQ(clockText(10, 40, 10), "10:40:10");
}
