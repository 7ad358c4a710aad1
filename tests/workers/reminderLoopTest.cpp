// The reminder loop on a hand-driven clock: which seconds are due, and the loop's pace, live
// inputs and stop.
#include "workers/reminderLoop.h"

#include "workerWatch.h"
#include "workers/manualClock.h"

#include "core/periodTable.h"
#include "platform/encoding/gbk.h"
#include "platform/threads/threads.h"
#include "tests/support/workerWindow.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

using namespace workers;
using namespace std::chrono_literals;

namespace {

// ---- the plain decision --------------------------------------------------------------------

// Seconds of a day whose hour starts at a whole hour of the epoch, so second % 3600 is the
// second of the hour.
constexpr std::int64_t hourStart = 1705276800 + 10 * 3600;
int ofHour(std::int64_t second) {
    return static_cast<int>(second % 3600);
}

Advances advancesOf(std::initializer_list<std::pair<int, std::int64_t>> selected) {
    Advances advances;
    for (auto [k, advance] : selected) {
        advances[k - 1] = advance;
    }
    return advances;
}

struct DueCase {
    const char* what;
    std::optional<std::int64_t> lastExamined; // relative to hourStart
    std::int64_t now;
    Advances advances;
    std::vector<DueAlert> delivered;
    std::vector<DueAlert> expected;
};

DueAlert at(int k, std::int64_t second) {
    return {k, hourStart + second};
}

TEST(DueAlerts, WhichSecondsArelookedAtAndWhatFallsDue) {
    // 巳 with 30 is due at second 270; 午 with 328 at 272; 辰 with 3330 at 270; 辰 with 0 at 0.
    const Advances siAt270 = advancesOf({{2, 30}});
    const DueCase cases[] = {
        {"first pass in the due second", std::nullopt, 270, siAt270, {}, {at(2, 270)}},
        {"first pass after it", std::nullopt, 271, siAt270, {}, {}},
        {"next second", 269, 270, siAt270, {}, {at(2, 270)}},
        {"slipped by one", 269, 271, siAt270, {}, {at(2, 270)}},
        {"slipped, caught at the gap limit", 265, 270, siAt270, {}, {at(2, 270)}},
        {"slipped, due second at the far end", 270 - 1, 270 + 4, siAt270, {}, {at(2, 270)}},
        {"gap too long is not replayed", 264, 271, siAt270, {}, {}},
        {"gap too long, current second still counts", 200, 270, siAt270, {}, {at(2, 270)}},
        {"already delivered", 269, 270, siAt270, {at(2, 270)}, {}},
        {"clock stepped back onto a delivered second", 272, 270, siAt270, {at(2, 270)}, {}},
        {"clock stepped back onto a new second", 272, 270, siAt270, {}, {at(2, 270)}},
        {"same second again", 270, 270, siAt270, {at(2, 270)}, {}},
        {"not selected", 269, 270, advancesOf({{3, 30}}), {}, {}},
        {"two periods in one second, in period order",
         269,
         270,
         advancesOf({{2, 30}, {1, 3330}}),
         {},
         {at(1, 270), at(2, 270)}},
        {"oldest second first",
         269,
         272,
         advancesOf({{3, 328}, {2, 30}}),
         {},
         {at(2, 270), at(3, 272)}},
        {"only the undelivered one of two",
         269,
         270,
         advancesOf({{2, 30}, {1, 3330}}),
         {at(1, 270)},
         {at(2, 270)}},
        {"辰 with 0 at the top of the hour", 3599, 3600, advancesOf({{1, 0}}), {}, {at(1, 3600)}},
        {"辰 with 60 at minute 59", 3539, 3540, advancesOf({{1, 60}}), {}, {at(1, 3540)}},
    };
    for (const DueCase& c : cases) {
        SCOPED_TRACE(c.what);
        ReminderMemory memory;
        if (c.lastExamined) {
            memory.lastExamined = hourStart + *c.lastExamined;
        }
        memory.delivered = c.delivered;
        EXPECT_EQ(dueAlerts(memory, hourStart + c.now, c.advances, ofHour), c.expected);
    }
}

TEST(DueAlerts, RememberPassSkipsTheSecondsAnAlertHeldUp) {
    struct Case {
        const char* what;
        std::int64_t sampled, finished;
        bool delivered;
        std::int64_t lastExamined;
    };
    const Case cases[] = {
        {"nothing delivered, a slow pass is caught up next time", 100, 103, false, 100},
        {"a quick alert", 100, 100, true, 100},
        {"an alert that ended in the next second leaves that second open", 100, 101, true, 100},
        {"a box open for seconds", 100, 104, true, 103},
        {"clock stepped back during the box", 100, 90, true, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ReminderMemory memory;
        const std::vector<DueAlert> delivered =
            c.delivered ? std::vector<DueAlert>{{2, c.sampled}} : std::vector<DueAlert>{};
        rememberPass(memory, c.sampled, c.finished, delivered);
        EXPECT_EQ(memory.lastExamined, c.lastExamined);
        EXPECT_EQ(memory.delivered, delivered);
    }
}

TEST(DueAlerts, NextDueSecondIsTheFirstWithinAMinute) {
    const SecondOfHour ofHour = [](std::int64_t second) { return static_cast<int>(second % 3600); };
    struct Case {
        const char* name;
        std::int64_t after;
        Advances advances;
        std::int64_t expected;
    };
    const Case cases[] = {
        {"nothing selected", 100, {}, 160},
        {"巳 with 30 in 3 s", 267, advancesOf({{2, 30}}), 270},
        {"巳 with 30 right now is the next hour's", 270, advancesOf({{2, 30}}), 330},
        {"the nearer of two", 200, advancesOf({{2, 30}, {3, 350}}), 250},
        {"辰 with 0 over the top of the hour", 3590, advancesOf({{1, 0}}), 3600},
        {"59 s ahead still counts", 211, advancesOf({{2, 30}}), 270},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(nextDueSecond(c.after, c.advances, ofHour), c.expected);
    }
}

TEST(DueAlerts, DeliveriesAreForgottenAfterAnHour) {
    ReminderMemory memory;
    const DueAlert old{2, 1000};
    rememberPass(memory, 1000, 1000, std::vector{old});
    rememberPass(memory, 1000 + deliveryMemorySeconds, 1000 + deliveryMemorySeconds, {});
    EXPECT_EQ(memory.delivered, std::vector{old}); // a step back by an hour still finds it
    rememberPass(memory, 1001 + deliveryMemorySeconds, 1001 + deliveryMemorySeconds, {});
    EXPECT_TRUE(memory.delivered.empty());
}

// ---- the loop on a manual clock --------------------------------------------------------------

std::shared_ptr<const std::string> selectionOf(std::string_view utf8) {
    return std::make_shared<const std::string>(encoding::toGbk(utf8));
}

struct Delivery {
    int period;
    LocalTime at;
    bool operator==(const Delivery& o) const {
        return period == o.period && at.hour == o.at.hour && at.minute == o.at.minute &&
               at.second == o.at.second;
    }
};

using Deliveries = std::vector<Delivery>;

std::ostream& operator<<(std::ostream& out, const Delivery& d) {
    return out << d.period << "@" << d.at.hour << ":" << d.at.minute << ":" << d.at.second;
}

class ReminderLoop : public ::testing::Test {
  protected:
    void TearDown() override {
        if (loop.joinable()) {
            workertest::stopAndJoin(loop);
        }
    }

    void start(LocalTime from, std::string_view selectionUtf8) {
        clock.set(ManualClock::at(from.hour, from.minute, from.second));
        selection.store(selectionOf(selectionUtf8));
        loop = startReminderLoop({.selection = &selection,
                                  .changes = &changes,
                                  .periodNames = testsupport::gbkPeriodNames(),
                                  .advanceText = [this](int k) { return advanceText(k); },
                                  .deliver = [this](int k) { deliver(k); },
                                  .clock = &clock});
        ASSERT_TRUE(clock.waitForSleepers());
    }

    // Moves the clock on and waits until the loop has made its pass.
    void step(std::chrono::seconds by = 1s) {
        clock.advance(by);
        ASSERT_TRUE(clock.waitForSleepers());
    }

    void stepUntil(LocalTime until) {
        const TimePoint end = ManualClock::at(until.hour, until.minute, until.second);
        while (clock.now() < end) {
            step();
        }
    }

    // Changes an input as the window does, and waits until a running loop has looked again.
    void setAdvance(int k, std::string_view text) {
        {
            std::lock_guard lock(mutex);
            advances[k - 1] = text;
        }
        inputsChanged();
    }

    void select(std::shared_ptr<const std::string> newSelection) {
        selection.store(std::move(newSelection));
        inputsChanged();
    }

    void inputsChanged() {
        changes.raise();
        if (loop.joinable()) {
            ASSERT_TRUE(clock.waitForSleepers());
        }
    }

    int advanceReads() {
        std::lock_guard lock(mutex);
        return reads;
    }

    std::vector<Delivery> deliveries() {
        std::lock_guard lock(mutex);
        return delivered;
    }

    std::string advanceText(int k) {
        std::lock_guard lock(mutex);
        ++reads;
        return advances.at(k - 1);
    }

    void deliver(int k) {
        std::unique_lock lock(mutex);
        delivered.push_back({k, clock.localTime(clock.now())});
        ++deliverCalls;
        changed.notify_all();
        // Holds the loop like an open alert box until released or stopped.
        changed.wait(lock, threads::currentStopToken(), [&] { return !holdDeliveries; });
    }

    ManualClock clock{ManualClock::at(0, 0, 0)};
    SharedSelection selection;
    InputsChanged changes;
    std::mutex mutex;
    std::condition_variable_any changed;
    std::array<std::string, core::periodCount> advances{"0", "0", "0", "0", "0", "0",
                                                        "0", "0", "0", "0", "0", "0"};
    std::vector<Delivery> delivered;
    int deliverCalls = 0;
    int reads = 0;
    bool holdDeliveries = false;
    std::jthread loop;
};

TEST_F(ReminderLoop, SiWithThirtyIsDueAtMinuteFourSecondThirtyOfEveryHour) {
    setAdvance(2, "30");
    start({10, 4, 0}, "巳*");
    stepUntil({11, 4, 40});
    EXPECT_EQ(deliveries(), (Deliveries{{2, {10, 4, 30}}, {2, {11, 4, 30}}}));
}

TEST_F(ReminderLoop, ChenIsDueBeforeTheTopOfTheHourByItsAdvance) {
    struct Case {
        const char* advance;
        LocalTime due;
    };
    const Case cases[] = {{"60", {10, 59, 0}}, {"0", {11, 0, 0}}, {"０３", {10, 59, 57}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.advance);
        setAdvance(1, encoding::toGbk(c.advance));
        start({10, 58, 50}, "辰*");
        stepUntil({11, 0, 10});
        EXPECT_EQ(deliveries(), (Deliveries{{1, c.due}}));
        workertest::stopAndJoin(loop);
        delivered.clear();
    }
}

TEST_F(ReminderLoop, ChangedAdvanceAndSelectionCountFromTheNextPass) {
    setAdvance(2, "30");
    start({10, 4, 27}, "巳*");
    step(); // the pass of :28 is done and the loop sleeps
    setAdvance(2, "31");
    stepUntil({10, 4, 40}); // due at :29 now, no longer at :30
    EXPECT_EQ(deliveries(), (Deliveries{{2, {10, 4, 29}}}));

    select(selectionOf(""));
    stepUntil({11, 4, 40});
    EXPECT_EQ(deliveries().size(), 1u);

    stepUntil({12, 4, 28});
    select(selectionOf("午*巳*"));
    stepUntil({12, 4, 40});
    EXPECT_EQ(deliveries(), (Deliveries{{2, {10, 4, 29}}, {2, {12, 4, 29}}}));
}

TEST_F(ReminderLoop, SleepsThroughTheSecondsWithNothingDue) {
    setAdvance(2, "30");
    start({10, 4, 0}, "巳*");
    EXPECT_EQ(advanceReads(), 1);
    stepUntil({10, 4, 29}); // nothing due: no pass
    EXPECT_EQ(advanceReads(), 1);
    step(); // :30
    EXPECT_EQ(advanceReads(), 2);
    EXPECT_EQ(deliveries(), (Deliveries{{2, {10, 4, 30}}}));
    stepUntil({10, 5, 30}); // nothing due within a minute: one pass to look again
    EXPECT_EQ(advanceReads(), 3);
}

TEST_F(ReminderLoop, SlippedPassIsCaughtUpOnce) {
    setAdvance(2, "30");
    start({10, 4, 29}, "巳*");
    step(2s); // the pass of :30 never happens
    stepUntil({10, 4, 40});
    EXPECT_EQ(deliveries(), (Deliveries{{2, {10, 4, 31}}}));
}

TEST_F(ReminderLoop, ClockSteppedBackDoesNotDeliverTwice) {
    setAdvance(2, "30");
    start({10, 4, 29}, "巳*");
    step();
    clock.set(ManualClock::at(10, 4, 27)); // wakes the loop for a pass at :27
    ASSERT_TRUE(clock.waitForSleepers());
    stepUntil({10, 4, 40});
    EXPECT_EQ(deliveries(), (Deliveries{{2, {10, 4, 30}}}));
}

TEST_F(ReminderLoop, GapOfAMinuteIsNotReplayed) {
    setAdvance(2, "30");
    start({10, 4, 0}, "巳*");
    step(60s); // asleep through 10:04:30
    stepUntil({10, 5, 10});
    EXPECT_TRUE(deliveries().empty());
}

TEST_F(ReminderLoop, SecondsThatPassWhileAnAlertIsOpenAreNotAlertedAfterwards) {
    setAdvance(2, "30");  // due at :30
    setAdvance(3, "328"); // due at :32, while the alert of :30 is still open
    holdDeliveries = true;
    start({10, 4, 29}, "巳*午*");
    clock.advance(1s);
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, 20s, [&] { return deliverCalls == 1; }));
    }
    clock.advance(3s); // the box stays open until :33
    {
        std::lock_guard lock(mutex);
        holdDeliveries = false;
        changed.notify_all();
    }
    ASSERT_TRUE(clock.waitForSleepers());
    stepUntil({10, 4, 40});
    EXPECT_EQ(deliveries(), (Deliveries{{2, {10, 4, 30}}}));
}

TEST_F(ReminderLoop, StopDuringAnOpenAlertEndsTheLoopWithoutAnotherAlert) {
    setAdvance(1, "3330"); // 辰 and 巳 both due at :30
    setAdvance(2, "30");
    holdDeliveries = true;
    start({10, 4, 29}, "巳*辰*");
    clock.advance(1s);
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, 20s, [&] { return deliverCalls == 1; }));
    }
    workertest::stopAndJoin(loop); // the held delivery gives way to the stop, as a box does
    EXPECT_EQ(deliveries(), (Deliveries{{1, {10, 4, 30}}}));
}

TEST_F(ReminderLoop, SelectionNeverSetIsEmpty) {
    setAdvance(2, "30");
    start({10, 4, 29}, "巳*");
    select(nullptr);
    stepUntil({10, 4, 31});
    EXPECT_TRUE(deliveries().empty());
}

} // namespace
