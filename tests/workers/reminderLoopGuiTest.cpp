// The reminder loop against real advance boxes and a real alert box (Qt offscreen), driven by a
// manual clock: the boxes are read live, and a stop from the GUI thread, as the image button
// does it, ends the loop at once even while its alert box is open.
#include "workers/reminderLoop.h"

#include "workerWatch.h"
#include "workers/alerts.h"
#include "workers/manualClock.h"

#include "platform/encoding/gbk.h"
#include "platform/toolkit/toolkit.h"
#include "tests/support/workerWindow.h"

#include <QMessageBox>
#include <QTest>

#include <mutex>
#include <vector>

using namespace toolkit;
using namespace workers;
using namespace std::chrono_literals;

namespace {

int openAlertBoxes() {
    int open = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMessageBox*>(w) && w->isVisible()) {
            ++open;
        }
    }
    return open;
}

} // namespace

class ReminderLoopGuiTest : public QObject {
    Q_OBJECT

    ManualClock clock{ManualClock::at(0, 0, 0)};
    SharedSelection selection;
    InputsChanged changes;
    testsupport::WorkerWindow win;
    std::mutex mutex;
    std::vector<int> delivered;
    std::jthread loop;

    ReminderInputs inputs() {
        ReminderInputs in = testsupport::reminderInputs(win, &selection);
        in.clock = &clock;
        in.changes = &changes;
        return in;
    }

    void step() {
        clock.advance(1s);
        QTRY_COMPARE_WITH_TIMEOUT(clock.sleepers(), 1, 20000);
    }

  private slots:
    void init() {
        win = testsupport::openWorkerWindow();
        QVERIFY(!win.window.isNull());
        setChecked(win.alerts.messageBoxBox, true);
        delivered.clear();
    }

    void cleanup() {
        if (loop.joinable()) workertest::stopAndJoin(loop);
        closeWindow(win.window);
        QTest::qWait(1);
    }

    void editedBoxCountsFromTheNextPass() {
        setText(win.advanceBoxes[1], "30");
        selection.store(std::make_shared<const std::string>(encoding::toGbk("巳*")));
        clock.set(ManualClock::at(10, 4, 26));
        ReminderInputs in = inputs();
        in.deliver = [this](int k) {
            std::lock_guard lock(mutex);
            delivered.push_back(k);
        };
        loop = startReminderLoop(in);
        QTRY_COMPARE_WITH_TIMEOUT(clock.sleepers(), 1, 20000);
        setText(win.advanceBoxes[1], encoding::toGbk("３２")); // full-width: due at :28, not :30
        changes.raise();                                       // as the box's handler does
        QTRY_COMPARE_WITH_TIMEOUT(clock.sleepers(), 1, 20000);
        step(); // :27
        step(); // :28
        {
            std::lock_guard lock(mutex);
            QCOMPARE(delivered, std::vector<int>{2});
        }
        step(); // :29
        step(); // :30
        std::lock_guard lock(mutex);
        QCOMPARE(delivered, std::vector<int>{2});
    }

    void stopFromTheGuiThreadWhileTheAlertBoxIsOpen() {
        setText(win.advanceBoxes[0], "3330"); // 辰 and 巳 both due at :30; 辰 comes first
        setText(win.advanceBoxes[1], "30");
        selection.store(std::make_shared<const std::string>(encoding::toGbk("辰*巳*")));
        clock.set(ManualClock::at(10, 4, 29));
        ReminderInputs in = inputs();
        in.deliver = [this](int k) {
            {
                std::lock_guard lock(mutex);
                delivered.push_back(k);
            }
            deliverAlert(k, win.alerts);
        };
        loop = startReminderLoop(in);
        QTRY_COMPARE_WITH_TIMEOUT(clock.sleepers(), 1, 20000);
        clock.advance(1s);
        QTRY_COMPARE_WITH_TIMEOUT(openAlertBoxes(), 1, 20000);
        // As the image button does it: on the GUI thread, without serving events meanwhile.
        loop.request_stop();
        workertest::joinOrAbort(loop);
        QTRY_COMPARE_WITH_TIMEOUT(openAlertBoxes(), 0, 20000);
        std::lock_guard lock(mutex);
        QCOMPARE(delivered, std::vector<int>{1});
    }
};

QTEST_MAIN(ReminderLoopGuiTest)
#include "reminderLoopGuiTest.moc"
