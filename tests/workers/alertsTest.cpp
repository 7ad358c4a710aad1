// Alert delivery on real check boxes (Qt offscreen): the message box, the launcher and their
// order, a stop closing an open box, and the sounds captured through SDL's disk audio driver.
#include "workers/alerts.h"

#include "workerWatch.h"

#include "platform/encoding/gbk.h"
#include "platform/sound/sound.h"
#include "platform/threads/threads.h"
#include "platform/toolkit/toolkit.h"
#include "settings/settingsFile.h"
#include "tests/platform/soundCapture.h"
#include "tests/support/testFiles.h"
#include "tests/support/workerWindow.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sys/prctl.h>
#include <sys/wait.h>

using namespace toolkit;
using namespace workers;
using testsupport::writeBytes;
namespace fs = std::filesystem;

namespace {

QMessageBox* openAlertBox() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (box && box->isVisible() && box->windowTitle() == QString("到点了")) {
            return box;
        }
    }
    return nullptr;
}

// What launchDetached started: with this process as child subreaper, a started program is
// our child once the launcher step has returned.
bool programWasStarted() {
    int status = 0;
    const pid_t reaped = waitpid(-1, &status, WNOHANG);
    if (reaped == -1 && errno == ECHILD) {
        return false;
    }
    if (reaped == 0) {
        waitpid(-1, &status, 0); // still running: let it end
    }
    return true;
}

} // namespace

class AlertsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    ControlRef window;
    AlertInputs inputs;
    fs::path launcherScript;
    fs::path launcherMarker;

    fs::path root() const { return dir.path().toStdString(); }

    void check(bool beep, bool music, bool box, bool launcher) {
        setChecked(inputs.beepBox, beep);
        setChecked(inputs.musicBox, music);
        setChecked(inputs.messageBoxBox, box);
        setChecked(inputs.launcherBox, launcher);
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        QCOMPARE(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
        settings::setSettingsPath(root() / "settings.ini");
        soundcapture::useDiskAudio();
        // The launched program notes where it ran.
        fs::create_directories(root() / "game");
        launcherScript = root() / "game" / "launcher.sh";
        launcherMarker = root() / "game" / "started";
        std::ofstream(launcherScript) << "#!/bin/sh\npwd > started\n";
        fs::permissions(launcherScript, fs::perms::owner_all);
    }

    void cleanupTestCase() { sound::shutdown(); }

    void init() {
        const testsupport::WorkerWindow w = testsupport::openWorkerWindow();
        window = w.window;
        QVERIFY(!window.isNull());
        inputs = w.alerts;
        settings::writeSetting(settings::Key::GamePath, "");
        settings::writeSetting(settings::Key::MusicPath, "");
        fs::remove(launcherMarker);
    }

    void cleanup() {
        if (windowExists(window)) closeWindow(window);
        QTest::qWait(1);
        QVERIFY(!programWasStarted()); // every test reaped what it started
    }

    void boxNamesThePeriodAndWaitsUntilClosed() {
        check(false, false, true, false);
        std::atomic<bool> returned{false};
        std::jthread worker = threads::start([&] {
            deliverAlert(9, inputs);
            returned = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(openAlertBox() != nullptr, 20000);
        QMessageBox* box = openAlertBox();
        QCOMPARE(box->text(), QString("子时辰到啦"));
        QCOMPARE(box->buttons().size(), qsizetype(1));
        QVERIFY(enabled(window)); // the alert disables no window and blocks no input
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QTest::qWait(20);
        QVERIFY(!returned.load());
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(returned.load(), 20000);
        workertest::joinOrAbort(worker);
    }

    void launcherStartsTheGamePathInItsFolder_data() {
        QTest::addColumn<bool>("launcherChecked");
        QTest::addColumn<QString>("gamePath");
        QTest::addColumn<bool>("started");
        const QString script = QString::fromStdString(launcherScript.string());
        QTest::newRow("checked") << true << script << true;
        QTest::newRow("no game path") << true << QString() << false;
        QTest::newRow("not a file") << true << script + ".missing" << false;
        QTest::newRow("clear") << false << script << false;
    }

    void launcherStartsTheGamePathInItsFolder() {
        QFETCH(bool, launcherChecked);
        QFETCH(QString, gamePath);
        QFETCH(bool, started);
        check(false, false, false, launcherChecked);
        settings::writeSetting(settings::Key::GamePath, encoding::toGbk(gamePath.toStdString()));
        deliverAlert(1, inputs);
        QCOMPARE(programWasStarted(), started);
        if (started) {
            std::string ranIn;
            std::getline(std::ifstream(launcherMarker), ranIn);
            QCOMPARE(fs::path(ranIn), launcherScript.parent_path());
        }
    }

    void launcherComesAfterTheBoxIsClosed() {
        check(false, false, true, true);
        settings::writeSetting(settings::Key::GamePath, launcherScript.string());
        std::atomic<bool> returned{false};
        std::jthread worker = threads::start([&] {
            deliverAlert(3, inputs);
            returned = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(openAlertBox() != nullptr, 20000);
        QVERIFY(!programWasStarted());
        openAlertBox()->button(QMessageBox::Ok)->click();
        QTRY_VERIFY_WITH_TIMEOUT(returned.load(), 20000); // it reads the launcher box on our thread
        workertest::joinOrAbort(worker);
        QVERIFY(programWasStarted());
    }

    void stopClosesTheBoxAndStartsNothingMore() {
        check(false, false, true, true);
        settings::writeSetting(settings::Key::GamePath, launcherScript.string());
        std::jthread worker = threads::start([&] { deliverAlert(3, inputs); });
        QTRY_VERIFY_WITH_TIMEOUT(openAlertBox() != nullptr, 20000);
        workertest::stopAndJoin(worker);
        QTRY_VERIFY_WITH_TIMEOUT(openAlertBox() == nullptr, 20000);
        QVERIFY(!programWasStarted());
    }

    void soundsAsTheBoxesSay() {
        const fs::path shortTone = root() / "short.wav";
        const fs::path longTone = root() / "long.wav";
        const fs::path garbage = root() / "garbage.wav";
        writeBytes(shortTone, soundcapture::wavFile(22050, 16, 1,
                                                    soundcapture::tone(440, 0.4, 22050, 1, 0.5)));
        writeBytes(longTone, soundcapture::wavFile(22050, 16, 1,
                                                   soundcapture::tone(440, 1.2, 22050, 1, 0.5)));
        writeBytes(garbage, std::vector<std::uint8_t>(4000, 0x5A));
        struct Case {
            const char* what;
            bool beep, music;
            fs::path musicPath;
            double fromSeconds, toSeconds;
        };
        const Case cases[] = {
            {"nothing checked", false, false, longTone, 0, 0},
            {"beep", true, false, longTone, 0.05, 0.3},
            {"music from 音乐路径", false, true, longTone, 1.1, 1.3},
            {"音乐路径 read again at the next alert", false, true, shortTone, 0.3, 0.5},
            {"music that is no sound", false, true, garbage, 0, 0},
            {"beep over the music", true, true, shortTone, 0.3, 0.5},
        };
        for (const Case& c : cases) {
            check(c.beep, c.music, false, false);
            settings::writeSetting(settings::Key::MusicPath, encoding::toGbk(c.musicPath.string()));
            const soundcapture::Samples samples =
                soundcapture::capture([&] { deliverAlert(2, inputs); });
            const double seconds = soundcapture::soundingSeconds(samples);
            if (seconds < c.fromSeconds || seconds > c.toSeconds) {
                QFAIL(qPrintable(QString("%1: %2 s of sound").arg(c.what).arg(seconds)));
            }
        }
    }
};

QTEST_MAIN(AlertsTest)
#include "alertsTest.moc"
