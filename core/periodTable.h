// The twelve in-game periods of every real hour and all time arithmetic on them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace core {

struct Period {
    std::string_view name;       // one Chinese character, UTF-8 here; GBK once copied into the program state
    std::string_view rangeLabel; // display text only
};

inline constexpr int periodCount = 12;
inline constexpr int secondsPerPeriod = 300;
inline constexpr int secondsPerHour = 3600;

// Numbered 1..12 in this order; the number is the period's place in the hour.
inline constexpr std::array<Period, periodCount> PeriodTable{{
    {"辰", "1-5"},
    {"巳", "5-10"},
    {"午", "10-15"},
    {"未", "15-20"},
    {"申", "20-25"},
    {"酉", "25-30"},
    {"戌", "30-35"},
    {"亥", "35-40"},
    {"子", "40-45"},
    {"丑", "45-50"},
    {"寅", "50-55"},
    {"卯", "55-60"},
}};

// Period number 1..12 of a minute 0..59.
int periodAt(int minute);

// Whole seconds until the next period begins, 1..300.
int secondsToNextPeriod(int minute, int second);

// The period after n; 1 follows 12.
int nextPeriod(int n);

// Second of the hour (0..3599) at which the reminder for period n with the given advance falls
// due. Period 1 is reckoned as starting at the top of the next hour. Advances that reach past
// the hour wrap around it, so every advance names a second the clock really shows.
int dueSecond(int n, std::int64_t advance);

// Whether minute:second is the due second of period n with the given advance.
bool isDue(int n, std::int64_t advance, int minute, int second);

// "9:5:7" — decimal, no leading zeros.
std::string clockText(int hour, int minute, int second);

} // namespace core
