// The main window as the user meets it: built from the settings file, every action stored at
// once. Each test runs in a fresh run directory with its own HOME.
#include "app/programEntry.h"
#include "assets/embedded.h"
#include "core/textRules.h"
#include "platform/encoding/gbk.h"
#include "platform/threads/threads.h"
#include "platform/toolkit/testing.h"
#include "settings/settingsFile.h"
#include "tests/support/testFiles.h"
#include "ui/forms.h"
#include "ui/programState.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <cstdlib>
#include <filesystem>

using namespace ui;
using encoding::toGbk;
using testsupport::readBytes;
namespace fs = std::filesystem;

namespace {

// The settings file's content from lines given in UTF-8, as the program stores it.
std::string iniBytes(std::initializer_list<const char*> lines) {
    std::string out = toGbk("[设置]") + "\r\n";
    for (const char* l : lines)
        out += toGbk(l) + "\r\n";
    return out;
}

bool sameTopLevel(const char* title) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == QString::fromUtf8(title)) return true;
    return false;
}

void closeTopLevelLater(const char* title, std::function<void()> whileOpen = {}) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    auto ticks = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout,
                     [timer, ticks, t = QString::fromUtf8(title), whileOpen] {
                         if (++*ticks > 500) { // nothing came up: do not linger into the next test
                             timer->deleteLater();
                             return;
                         }
                         for (QWidget* w : QApplication::topLevelWidgets()) {
                             if (w->isVisible() && w->windowTitle() == t) {
                                 if (whileOpen) whileOpen();
                                 if (auto* box = qobject_cast<QMessageBox*>(w))
                                     box->accept();
                                 else
                                     w->close();
                                 timer->deleteLater();
                                 return;
                             }
                         }
                     });
    timer->start();
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    fs::path run;
    fs::path ini;
    fs::path desktop;

    void start(const std::string& iniContent) {
        if (!iniContent.empty()) testsupport::writeBytes(ini, iniContent);
        app::allocateProgramState();
        QVERIFY(!toolkit::loadWindow(mainForm).isNull());
    }

    void stop() {
        if (toolkit::windowExists(mainWindow)) toolkit::closeWindow(mainWindow);
        QTRY_VERIFY(!toolkit::windowExists(mainWindow));
        stopBackgroundThreads();
        app::releaseProgramState();
    }

    toolkit::ControlRef box(std::string_view name) { return mainControl(name); }

    void click(toolkit::ControlRef ref) {
        QWidget* w = toolkit::testing::widgetFor(ref);
        QVERIFY(w);
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(8, w->height() / 2));
    }

  private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        run = fs::path(dir->path().toStdString()) / "运行";
        fs::create_directories(run);
        const fs::path home = fs::path(dir->path().toStdString()) / "home";
        desktop = home / "Desktop";
        fs::create_directories(desktop);
        setenv("HOME", home.c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        settings::setRunDirectory(run);
        ini = run / "Vorlane时辰提醒.ini";
    }

    void cleanup() { stop(); }

    void defaultsOnASecondStart() {
        start(iniBytes({"第一次启动=1"}));
        QCOMPARE(toolkit::text(mainWindow), toGbk("Vorlane时辰提醒工具"));
        for (int k = 1; k <= 12; ++k) {
            QCOMPARE(toolkit::picture(periodButtons[k]).data(), assets::periodUnselected().data());
            QCOMPARE(toolkit::text(advanceBoxes[k]), std::string("0"));
            QVERIFY(toolkit::visible(periodButtons[k]));
        }
        QVERIFY(toolkit::checked(box(names::musicBox)));
        QVERIFY(toolkit::checked(box(names::beepBox)));
        QVERIFY(toolkit::checked(box(names::messageBoxBox)));
        QVERIFY(!toolkit::checked(box(names::launcherBox)));
        QVERIFY(toolkit::checked(box(names::iconBox)));
        QVERIFY(fs::exists(desktop / "导航.url"));
        QCOMPARE(fs::file_size(run / "报警.wav"), std::uintmax_t(54010));
        // The start stores the advance list back in its normalised form.
        QCOMPARE(readBytes(ini),
                 iniBytes({"第一次启动=1", "提醒时间段设置=0*0*0*0*0*0*0*0*0*0*0*0*"}));
    }

    void columnsStandInTheirPlaces() {
        start(iniBytes({"第一次启动=1", "提醒时辰列表=辰*卯*"}));
        QCOMPARE(toolkit::picture(periodButtons[1]).data(), assets::periodSelected().data());
        QCOMPARE(toolkit::picture(periodButtons[12]).data(), assets::periodSelected().data());
        for (int k = 2; k <= 11; ++k)
            QCOMPARE(toolkit::picture(periodButtons[k]).data(), assets::periodUnselected().data());
        for (int k = 1; k <= 12; ++k) {
            QCOMPARE(toolkit::left(periodButtons[k]), 46 + 40 * (k - 1));
            QCOMPARE(toolkit::left(advanceBoxes[k]), 48 + 40 * (k - 1));
            QCOMPARE(toolkit::left(rangeLabels[k]), 51 + 40 * (k - 1));
        }
        QCOMPARE(toolkit::left(periodButtons[12]) + toolkit::width(periodButtons[12]), 516);
        QCOMPARE(toolkit::text(periodButtons[3]), toGbk("午"));
        QCOMPARE(toolkit::tag(periodButtons[3]), toGbk("午"));
        QCOMPARE(toolkit::tag(advanceBoxes[3]), std::string("3"));
        QCOMPARE(toolkit::text(rangeLabels[1]), std::string("1-5"));
        QCOMPARE(toolkit::text(rangeLabels[12]), std::string("55-60"));
        // The templates stay as the form made them.
        QVERIFY(!toolkit::visible(box(names::periodButtonTemplate)));
        QVERIFY(!toolkit::visible(box(names::advanceBoxTemplate)));
        QCOMPARE(toolkit::text(box(names::rangeLabelTemplate)), toGbk("时间段"));
        // Every control lies inside the client area.
        QWidget* window = toolkit::testing::widgetFor(mainWindow);
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (!w->isVisible()) continue;
            const QRect r(w->mapTo(window, QPoint(0, 0)), w->size());
            QVERIFY2(window->rect().contains(r), qPrintable(w->metaObject()->className()));
        }
    }

    void longAndShortAdvanceListsAreHandled() {
        start(iniBytes({"第一次启动=1", "提醒时间段设置=1*2*3*4*5*6*7*8*9*10*11*12*13*14*"}));
        toolkit::setText(advanceBoxes[2], "30");
        QCOMPARE(settings::readSetting(settings::Key::Advances),
                 std::string("1*30*3*4*5*6*7*8*9*10*11*12*13*14*"));
        stop();
        start(iniBytes({"第一次启动=1", "提醒时间段设置=5*7*"}));
        QCOMPARE(toolkit::text(advanceBoxes[2]), std::string("7"));
        QCOMPARE(toolkit::text(advanceBoxes[12]), std::string("0"));
        QCOMPARE(settings::readSetting(settings::Key::Advances),
                 std::string("5*7*0*0*0*0*0*0*0*0*0*0*"));
        stop();
        start(iniBytes({"第一次启动=1", "提醒时间段设置="})); // emptied by hand
        QCOMPARE(toolkit::text(advanceBoxes[1]), std::string("0"));
    }

    void togglingAPeriodTwiceRestoresIt() {
        start(iniBytes({"第一次启动=1"}));
        const toolkit::ControlRef noon = periodButtons[3];
        click(noon);
        QCOMPARE(currentSelection(), toGbk("午*"));
        QCOMPARE(toolkit::picture(noon).data(), assets::periodSelected().data());
        QCOMPARE(settings::readSetting(settings::Key::Selection), toGbk("午*"));
        click(noon);
        QCOMPARE(currentSelection(), std::string());
        QCOMPARE(toolkit::picture(noon).data(), assets::periodUnselected().data());
        QVERIFY(readBytes(ini).find(toGbk("提醒时辰列表=") + "\r\n") != std::string::npos);
    }

    void clearedAdvanceBoxBecomesZero() {
        start(iniBytes({"第一次启动=1", "提醒时间段设置=1*2*3*4*5*6*7*8*9*10*11*12*"}));
        QLineEdit* edit = static_cast<QLineEdit*>(toolkit::testing::widgetFor(advanceBoxes[4]));
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text(), QString("0"));
        QCOMPARE(settings::readSetting(settings::Key::Advances),
                 std::string("1*2*3*0*5*6*7*8*9*10*11*12*"));
        QTest::keyClicks(edit, "5");
        QCOMPARE(settings::readSetting(settings::Key::Advances),
                 std::string("1*2*3*05*5*6*7*8*9*10*11*12*"));
    }

    // A reminder thread sleeping until its next due second must look again at once, and read
    // what was typed, not what the box held before.
    void clicksAndTypingWakeTheReminderThread() {
        start(iniBytes({"第一次启动=1"}));
        std::stop_token changed = reminderInputsChanged.token();
        click(periodButtons[2]);
        QVERIFY(changed.stop_requested());

        changed = reminderInputsChanged.token();
        QLineEdit* edit = static_cast<QLineEdit*>(toolkit::testing::widgetFor(advanceBoxes[2]));
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, "45");
        QVERIFY(changed.stop_requested());

        std::atomic<bool> done{false};
        std::string seen;
        std::jthread reader = threads::start([&] {
            seen = toolkit::text(advanceBoxes[2]);
            done = true;
        });
        QTRY_VERIFY(done.load());
        QCOMPARE(seen, std::string("45"));
    }

    void alertMethodsAreStoredTogether() {
        start(iniBytes({"第一次启动=1"}));
        click(box(names::launcherBox));
        const std::string content = readBytes(ini);
        const auto at = [&](const char* line) { return content.find(toGbk(line)); };
        QVERIFY(at("蜂鸣=1") < at("提示框=1"));
        QVERIFY(at("提示框=1") < at("音乐=1"));
        QVERIFY(at("音乐=1") < at("启动登录器=1"));
        QVERIFY(at("启动登录器=1") != std::string::npos);
    }

    void lastAlertMethodCannotBeCleared() {
        start(iniBytes({"第一次启动=1", "音乐=0", "提示框=0", "蜂鸣=1"}));
        const std::string before = readBytes(ini);
        bool warned = false;
        closeTopLevelLater("警告", [&] {
            warned = true;
            // The warning keeps the main window from taking input while it is open.
            QVERIFY(QApplication::activeModalWidget() != nullptr);
        });
        click(box(names::beepBox));
        QVERIFY(warned);
        QVERIFY(!toolkit::checked(box(names::beepBox))); // stays cleared on screen
        QCOMPARE(readBytes(ini), before);
    }

    void windowReopensWhereItWasClosed_data() {
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::newRow("on screen") << 120 << 80;
        QTest::newRow("past the left edge") << -40 << 15;
    }

    void windowReopensWhereItWasClosed() {
        QFETCH(int, left);
        QFETCH(int, top);
        start(iniBytes({"第一次启动=1"}));
        toolkit::setLeft(mainWindow, left);
        toolkit::setTop(mainWindow, top);
        stop();
        QCOMPARE(settings::readSetting(settings::Key::Left), core::intToText(left));
        QCOMPARE(settings::readSetting(settings::Key::Top), core::intToText(top));
        start({});
        QCOMPARE(toolkit::left(mainWindow), left);
        QCOMPARE(toolkit::top(mainWindow), top);
    }

    void firstStartShowsHelpAloneThenStoresTheMarker() {
        bool mainShownMeanwhile = true;
        bool mainEnabledMeanwhile = true;
        closeTopLevelLater("此窗口仅第一次使用出现 需再次打开点击帮助", [&] {
            mainShownMeanwhile = toolkit::visible(mainWindow);
            mainEnabledMeanwhile = toolkit::enabled(mainWindow);
        });
        start({});
        QVERIFY(!mainShownMeanwhile);
        QVERIFY(!mainEnabledMeanwhile);
        QVERIFY(toolkit::enabled(mainWindow));
        QVERIFY(toolkit::visible(mainWindow));
        QCOMPARE(settings::readSetting(settings::Key::FirstStart), std::string("1"));
        stop();
        // The first-start file: exactly these lines, in this order.
        const std::string content = readBytes(ini);
        QVERIFY(content.rfind(iniBytes({"第一次启动=1", "提醒时间段设置=0*0*0*0*0*0*0*0*0*0*0*0*"}),
                              0) == 0);
        QVERIFY(content.find(toGbk("左边=")) != std::string::npos);
        QVERIFY(content.find(toGbk("顶边=")) > content.find(toGbk("左边=")));
        start({}); // second start: no help window
        QVERIFY(!sameTopLevel("此窗口仅第一次使用出现 需再次打开点击帮助"));
    }

    void helpLabelOpensHelpOnThePress() {
        start(iniBytes({"第一次启动=1"}));
        bool mainEnabledMeanwhile = true;
        closeTopLevelLater("此窗口仅第一次使用出现 需再次打开点击帮助",
                           [&] { mainEnabledMeanwhile = toolkit::enabled(mainWindow); });
        QTest::mousePress(toolkit::testing::widgetFor(box(names::helpLabel)), Qt::LeftButton);
        QVERIFY(!mainEnabledMeanwhile);
        QVERIFY(toolkit::enabled(mainWindow));
    }

    void iconBoxSwitchesTheShortcut() {
        start(iniBytes({"第一次启动=1", "桌面导航="}));
        QVERIFY(!toolkit::checked(box(names::iconBox)));
        QVERIFY(!fs::exists(desktop / "导航.url"));
        click(box(names::iconBox));
        QVERIFY(fs::exists(desktop / "导航.url"));
        QCOMPARE(settings::readSetting(settings::Key::DesktopLink), std::string("1"));
        click(box(names::iconBox));
        QVERIFY(!fs::exists(desktop / "导航.url"));
        QCOMPARE(settings::readSetting(settings::Key::DesktopLink), std::string("0"));
    }

    void garbageSettingsStillGiveAWorkingWindow() {
        std::string garbage;
        for (int i = 0; i < 5000; ++i)
            garbage += static_cast<char>((i * 7919) % 256);
        closeTopLevelLater("此窗口仅第一次使用出现 需再次打开点击帮助"); // no marker in there
        start(garbage);
        QVERIFY(toolkit::visible(mainWindow));
        for (int k = 1; k <= 12; ++k)
            QVERIFY(!toolkit::text(advanceBoxes[k]).empty());
    }
};

QTEST_MAIN(MainWindowTest)
#include "mainWindowTest.moc"
