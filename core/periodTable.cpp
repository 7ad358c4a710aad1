#include "core/periodTable.h"

#include "core/textRules.h"

namespace core {

int periodAt(int minute) { return minute / 5 + 1; }

int secondsToNextPeriod(int minute, int second) { return (5 - minute % 5) * 60 - second; }

int nextPeriod(int n) { return n == periodCount ? 1 : n + 1; }

int dueSecond(int n, std::int64_t advance) {
    const std::int64_t start = (n == 1 ? periodCount : n - 1) * std::int64_t{secondsPerPeriod};
    const std::int64_t due = (start - advance) % secondsPerHour;
    return static_cast<int>(due < 0 ? due + secondsPerHour : due);
}

bool isDue(int n, std::int64_t advance, int minute, int second) {
    return minute * 60 + second == dueSecond(n, advance);
}

std::string clockText(int hour, int minute, int second) {
    return intToText(hour) + ":" + intToText(minute) + ":" + intToText(second);
}

} // namespace core
