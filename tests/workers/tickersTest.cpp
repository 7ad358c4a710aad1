// The countdown and clock tickers on real controls (Qt offscreen) and a hand-driven clock.
#include "workers/tickers.h"

#include "workerWatch.h"
#include "workers/manualClock.h"

#include "platform/encoding/gbk.h"
#include "platform/toolkit/toolkit.h"
#include "tests/support/workerWindow.h"

#include <QTest>

#include <atomic>
#include <thread>

using namespace toolkit;
using namespace workers;
using namespace std::chrono_literals;

namespace {

const ControlTemplate controls[] = {
    {.name = "button",
     .kind = Kind::StyledButton,
     .left = 0,
     .top = 60,
     .width = 30,
     .height = 30,
     .visible = false},
    {.name = "countdown",
     .kind = Kind::TransparentLabel,
     .left = 5,
     .top = 10,
     .width = 104,
     .height = 40,
     .visible = true,
     .multiLine = true},
    {.name = "clock",
     .kind = Kind::TransparentLabel,
     .left = 400,
     .top = 10,
     .width = 80,
     .height = 20,
     .visible = true},
};

const FormTemplate form{.name = "tickers", .width = 536, .height = 191, .controls = controls};

} // namespace

class TickersTest : public QObject {
    Q_OBJECT

    ManualClock clock{ManualClock::at(0, 0, 0)};
    TickerInputs inputs;
    std::jthread countdown;
    std::jthread clockTicker;

    // Waits until every running ticker has queued its pass and waits again, then runs the
    // passes they queued.
    void settle(int running) {
        QTRY_COMPARE_WITH_TIMEOUT(clock.sleepers(), running, 20000);
        QCoreApplication::sendPostedEvents();
    }

    // Moves the clock on and lets the running tickers make their passes.
    void moveTo(TimePoint moment, int running) {
        clock.set(moment);
        settle(running);
    }

  private slots:
    void init() {
        clock.set(ManualClock::at(0, 0, 0));
        inputs = {};
        inputs.mainWindow = loadWindow(form);
        QVERIFY(!inputs.mainWindow.isNull());
        inputs.countdownLabel = control(inputs.mainWindow, "countdown");
        inputs.clockLabel = control(inputs.mainWindow, "clock");
        const ControlRef templ = control(inputs.mainWindow, "button");
        for (int k = 0; k < core::periodCount; ++k) {
            inputs.periodButtons[k] = clone(templ);
            setLeft(inputs.periodButtons[k], 20 + 40 * k);
            setVisible(inputs.periodButtons[k], true);
        }
        inputs.periodNames = testsupport::gbkPeriodNames();
        inputs.clock = &clock;
    }

    void cleanup() {
        for (std::jthread* ticker : {&countdown, &clockTicker}) {
            if (ticker->joinable()) {
                workertest::stopAndJoin(*ticker);
            }
        }
        if (windowExists(inputs.mainWindow)) {
            closeWindow(inputs.mainWindow);
        }
        QTest::qWait(1);
    }

    void countdownStandsOverTheCurrentPeriod() {
        clock.set(ManualClock::at(10, 7, 15));
        countdown = startCountdownTicker(inputs);
        settle(1);
        struct Case {
            TimePoint at;
            const char* firstLine;
            int period;
        };
        const Case cases[] = {
            {ManualClock::at(10, 7, 15), "还有165秒进入午", 2},
            {ManualClock::at(10, 59, 59), "还有1秒进入辰", 12},
            {ManualClock::at(11, 0, 0), "还有300秒进入巳", 1},
            {ManualClock::at(11, 4, 59), "还有1秒进入巳", 1},
            {ManualClock::at(11, 5, 0), "还有300秒进入午", 2},
        };
        for (const Case& c : cases) {
            moveTo(c.at, 1);
            QCOMPARE(text(inputs.countdownLabel),
                     encoding::toGbk(std::string(c.firstLine) + "\r\n       ↓"));
            // Centred over the button: label 104 and button 30 wide.
            QCOMPARE(left(inputs.countdownLabel), left(inputs.periodButtons[c.period - 1]) - 37);
            QCOMPARE(top(inputs.countdownLabel), 10);
        }
    }

    void clockShowsEverySecondWithoutLeadingZeros() {
        clock.set(ManualClock::at(9, 5, 7));
        clockTicker = startClockTicker(inputs);
        settle(1);
        QCOMPARE(text(inputs.clockLabel), std::string("9:5:7"));
        const char* const shown[] = {"9:5:8", "9:5:9", "9:5:10", "9:5:11"};
        for (const char* expected : shown) {
            moveTo(clock.now() + 1s, 1);
            QCOMPARE(text(inputs.clockLabel), std::string(expected));
        }
        moveTo(ManualClock::at(23, 59, 59), 1);
        QCOMPARE(text(inputs.clockLabel), std::string("23:59:59"));
        moveTo(clock.now() + 1s, 1);
        QCOMPARE(text(inputs.clockLabel), std::string("0:0:0"));
    }

    void aBusyGuiThreadGetsOnePassShowingTheLatestSecond() {
        clock.set(ManualClock::at(9, 5, 7));
        clockTicker = startClockTicker(inputs);
        settle(1);
        // Three seconds pass while the GUI thread runs nothing.
        for (int i = 0; i < 3; ++i) {
            clock.advance(1s);
            QVERIFY(clock.waitForSleepers(1));
        }
        QCOMPARE(text(inputs.clockLabel), std::string("9:5:7"));
        setText(inputs.clockLabel, "mark");
        QCoreApplication::sendPostedEvents();
        QCOMPARE(text(inputs.clockLabel), std::string("9:5:10"));
        // One pass was queued for the three seconds: nothing else overwrites the label.
        setText(inputs.clockLabel, "mark");
        QCoreApplication::sendPostedEvents();
        QCOMPARE(text(inputs.clockLabel), std::string("mark"));
    }

    void bothEndByThemselvesOnceTheWindowIsGone() {
        clock.set(ManualClock::at(10, 0, 0));
        countdown = startCountdownTicker(inputs);
        clockTicker = startClockTicker(inputs);
        settle(2);
        closeWindow(inputs.mainWindow);
        QTest::qWait(1);
        QVERIFY(!windowExists(inputs.mainWindow));
        // The passes of the next second find the window gone; the tickers end at the one after.
        clock.advance(1s);
        settle(2);
        clock.advance(1s);
        // Joined without a stop request, while the GUI thread keeps serving their calls.
        std::atomic<int> ended{0};
        std::thread joiner([&] {
            workertest::joinOrAbort(countdown);
            workertest::joinOrAbort(clockTicker);
            ended = 2;
        });
        QTRY_COMPARE_WITH_TIMEOUT(ended.load(), 2, 20000);
        joiner.join();
    }

    void stopWhileAPassIsQueuedForTheBusyGuiThread() {
        clock.set(ManualClock::at(10, 0, 0));
        countdown = startCountdownTicker(inputs);
        clockTicker = startClockTicker(inputs);
        settle(2);
        const std::string before = text(inputs.clockLabel);
        clock.advance(1s); // both wake and queue a pass; the GUI thread is busy joining them
        workertest::stopAndJoin(countdown);
        workertest::stopAndJoin(clockTicker);
        QTest::qWait(1); // a call left queued for the GUI thread must not run any more
        QCOMPARE(text(inputs.clockLabel), before);
    }
};

QTEST_MAIN(TickersTest)
#include "tickersTest.moc"
