// The window toolkit on Qt's offscreen platform: controls behave as designed and properties can
// be used from worker threads without deadlock or use after destruction.
#include "platform/toolkit/toolkit.h"
#include "platform/encoding/gbk.h"
#include "platform/threads/threads.h"
#include "platform/toolkit/testing.h"

#include <QApplication>
#include <QBuffer>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <vector>

using namespace toolkit;

namespace {

// A 4 × 3 picture: a non-white 3 × 2 block at the top-left, the rest pure white.
std::vector<std::uint8_t> makePng();
Picture testPicture() {
    static const std::vector<std::uint8_t> bytes = makePng();
    return bytes;
}

std::vector<ControlRef> clicks;
std::vector<ControlRef> changes;
std::vector<ControlRef> presses;
void onClicked(ControlRef r) {
    clicks.push_back(r);
}
void onChanged(ControlRef r) {
    changes.push_back(r);
}
void onPressed(ControlRef r) {
    presses.push_back(r);
}

const ControlTemplate controls[] = {
    {.name = "label",
     .kind = Kind::TransparentLabel,
     .container = {},
     .left = 10,
     .top = 10,
     .width = 60,
     .height = 20,
     .visible = true,
     .tabStop = false,
     .text = "标签",
     .onMouseDown = onPressed},
    {.name = "image",
     .kind = Kind::ImageButton,
     .container = {},
     .left = 20,
     .top = 40,
     .width = 10,
     .height = 8,
     .visible = true,
     .tabStop = false,
     .text = {},
     .picture = testPicture,
     .onClicked = onClicked},
    {.name = "group",
     .kind = Kind::GroupBox,
     .container = {},
     .left = 100,
     .top = 40,
     .width = 100,
     .height = 40,
     .visible = true,
     .tabStop = false,
     .text = "组"},
    {.name = "check",
     .kind = Kind::CheckBox,
     .container = "group",
     .left = 5,
     .top = 12,
     .width = 60,
     .height = 24,
     .visible = true,
     .tabStop = true,
     .text = "选择",
     .onClicked = onClicked},
    {.name = "edit",
     .kind = Kind::EditBox,
     .container = {},
     .left = 10,
     .top = 90,
     .width = 40,
     .height = 20,
     .visible = false,
     .tabStop = true,
     .text = {},
     .onContentChanged = onChanged},
    {.name = "button",
     .kind = Kind::StyledButton,
     .container = {},
     .left = 60,
     .top = 90,
     .width = 30,
     .height = 30,
     .visible = false,
     .tabStop = true,
     .text = "超级按钮",
     .picture = testPicture,
     .onClicked = onClicked},
};

int createdCount = 0;
int destroyingCount = 0;
void onCreated(ControlRef) {
    ++createdCount;
}
void onDestroying(ControlRef) {
    ++destroyingCount;
}

const FormTemplate form{.name = "test",
                        .width = 300,
                        .height = 150,
                        .caption = "测试",
                        .onCreated = onCreated,
                        .onDestroying = onDestroying,
                        .controls = controls};
const FormTemplate modalForm{.name = "modal",
                             .width = 200,
                             .height = 100,
                             .caption = "模态",
                             .escapeCloses = true,
                             .taskbarButton = false};

std::vector<std::uint8_t> makePng() {
    // Written by hand so that this test does not depend on the picture tools: an RGBA PNG
    // made with Qt's own writer.
    QImage image(4, 3, QImage::Format_RGBA8888);
    image.fill(Qt::white);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            image.setPixelColor(x, y, QColor(20, 30, 40, 255));
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return {data.begin(), data.end()};
}

void clickWindowAt(QWidget* window, QPoint pos) {
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, pos);
}

} // namespace

class ToolkitTest : public QObject {
    Q_OBJECT

    ControlRef window;

  private slots:
    void init() {
        clicks.clear();
        changes.clear();
        presses.clear();
        createdCount = destroyingCount = 0;
        window = loadWindow(form);
        QVERIFY(!window.isNull());
        QVERIFY(QTest::qWaitForWindowExposed(testing::widgetFor(window)));
    }

    void cleanup() {
        if (windowExists(window)) closeWindow(window);
        QTest::qWait(1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void createdRaisedOnceBeforeShow() {
        QCOMPARE(createdCount, 1);
        QCOMPARE(text(window), encoding::toGbk("测试"));
        QVERIFY(!visible(control(window, "edit"))); // hidden templates stay hidden
        QVERIFY(visible(control(window, "label")));
        closeWindow(window);
        QCOMPARE(destroyingCount, 1);
        QTest::qWait(1);
        QVERIFY(!windowExists(window));
    }

    void controlsInGroupBoxUseItsCoordinates() {
        QWidget* check = testing::widgetFor(control(window, "check"));
        QCOMPARE(check->mapTo(check->window(), QPoint(0, 0)), QPoint(105, 52));
        QCOMPARE(left(control(window, "check")), 5);
    }

    void imageButtonTakesClicksOnlyOnItsPicture() {
        QWidget* w = testing::widgetFor(window);
        // The picture covers (20..22, 40..41); the control is 10 × 8.
        struct Case {
            QPoint at;
            bool clicked;
        };
        const Case cases[] = {
            {{20, 40}, true},  {{22, 41}, true},
            {{23, 40}, false}, // white column right of the block
            {{27, 41}, false}, // beyond the picture, inside the control
            {{21, 42}, false}, // white row below the block
            {{21, 46}, false},
        };
        for (const Case& c : cases) {
            clicks.clear();
            clickWindowAt(w, c.at);
            QCOMPARE(clicks.size(), std::size_t(c.clicked ? 1 : 0));
        }
        clicks.clear();
        QTest::mouseDClick(w->windowHandle(), Qt::LeftButton, {}, QPoint(21, 40));
        QCOMPARE(clicks.size(), std::size_t(2)); // a double click is two clicks
    }

    void labelReportsPress() {
        QWidget* label = testing::widgetFor(control(window, "label"));
        QTest::mousePress(label, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(presses.size(), std::size_t(1)); // on the press, before any release
        QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(presses.size(), std::size_t(1));
    }

    void checkBoxClickedOnlyByTheUser() {
        const ControlRef box = control(window, "check");
        setChecked(box, true);
        QVERIFY(checked(box));
        QVERIFY(clicks.empty());
        QTest::mouseClick(testing::widgetFor(box), Qt::LeftButton, {}, QPoint(8, 12));
        QCOMPARE(clicks.size(), std::size_t(1));
        QCOMPARE(clicks[0], box);
        QVERIFY(!checked(box)); // the click toggled it before the event
    }

    void editBoxTypingAndFocusOut() {
        const ControlRef edit = clone(control(window, "edit"));
        setVisible(edit, true);
        auto* line = static_cast<QLineEdit*>(testing::widgetFor(edit));
        struct Case {
            const char* typed;
            const char* afterTyping;
            const char* afterFocusOut;
        };
        const Case cases[] = {
            {"a", "", ""},       {"-5", "-5", "-5"}, {"12345", "1234", "1234"},
            {"007", "007", "7"}, {"0", "0", ""},     {"-", "-", ""},
            {"-0", "-0", ""},    {"12", "12", "12"}, {"1a2", "12", "12"},
        };
        for (const Case& c : cases) {
            setText(edit, "");
            line->setFocus();
            changes.clear();
            QTest::keyClicks(line, c.typed);
            QCOMPARE(line->text(), QString(c.afterTyping));
            const std::size_t typedChanges = changes.size();
            QCOMPARE(typedChanges, std::strlen(c.afterTyping));
            line->clearFocus();
            QCOMPARE(line->text(), QString(c.afterFocusOut));
            // Normalising raises one more change only when it changed the text.
            QCOMPARE(changes.size() - typedChanges,
                     std::size_t(std::strcmp(c.afterTyping, c.afterFocusOut) != 0 ? 1 : 0));
        }
        // A paste is not filtered (only cut to four characters).
        setText(edit, "");
        line->setFocus();
        line->insert("ab12x");
        QCOMPARE(line->text(), QString("ab12"));
        line->clearFocus();
        QCOMPARE(line->text(), QString(""));
        // Every write by the program raises the event once, even when nothing changes.
        changes.clear();
        setText(edit, "5");
        setText(edit, "5");
        QCOMPARE(changes.size(), std::size_t(2));
        QCOMPARE(changes[0], edit);
    }

    void clonesStandBehindTheirTemplateAndShareItsHandler() {
        const ControlRef templ = control(window, "button");
        const ControlRef a = clone(templ);
        const ControlRef b = clone(templ);
        QVERIFY(!a.isNull() && !b.isNull() && !(a == b));
        QVERIFY(!visible(a)); // hidden until the program shows it
        QCOMPARE(left(a), 60);
        QCOMPARE(text(a), encoding::toGbk("超级按钮"));
        setLeft(a, 60);
        setVisible(a, true);
        setVisible(b, true);
        setLeft(b, 60);
        // Stacking: the clone lies directly behind the template; a later clone directly
        // behind the template too, so in front of the earlier clone.
        QWidget* parent = testing::widgetFor(window);
        const QObjectList& order = parent->children(); // bottom to top
        const auto pos = [&](ControlRef r) { return order.indexOf(testing::widgetFor(r)); };
        QVERIFY(pos(a) < pos(b));
        QVERIFY(pos(b) < pos(templ));
        QVERIFY(pos(templ) == pos(b) + 1);
        setTag(a, "A");
        setText(a, encoding::toGbk("辰"));
        QCOMPARE(tag(a), std::string("A"));
        QCOMPARE(tag(templ), std::string());
        QTest::mouseClick(static_cast<QWidget*>(testing::widgetFor(b)), Qt::LeftButton);
        QCOMPARE(clicks.size(), std::size_t(1));
        QCOMPARE(clicks[0], b); // the template's handler, with the clone as source
        QCOMPARE(text(templ), encoding::toGbk("超级按钮")); // the template is untouched
    }

    void propertiesFromAWorkerThread() {
        const ControlRef label = control(window, "label");
        std::atomic<bool> done{false};
        std::string seen;
        std::jthread worker = threads::start([&] {
            setText(label, encoding::toGbk("来自线程"));
            seen = text(label);
            setLeft(label, 33);
            done = true;
        });
        QTRY_VERIFY(done.load());
        worker.join();
        QCOMPARE(seen, encoding::toGbk("来自线程"));
        QCOMPARE(left(label), 33);
    }

    void workerCallAfterTheWindowIsGoneDoesNothing() {
        const ControlRef label = control(window, "label");
        closeWindow(window);
        QTest::qWait(1);
        QVERIFY(!windowExists(window));
        std::string seen = "unset";
        std::atomic<bool> done{false};
        std::jthread worker = threads::start([&] {
            setText(label, "x");
            seen = text(label);
            done = true;
        });
        QTRY_VERIFY(done.load());
        worker.join();
        QCOMPARE(seen, std::string());
    }

    void stoppedWorkerIsReleasedWhileTheGuiThreadIsBusy() {
        // The GUI thread does not process events while it joins; the worker's pending call
        // must give way to the stop request instead of deadlocking.
        const ControlRef label = control(window, "label");
        std::atomic<bool> started{false};
        std::jthread worker = threads::start([&] {
            started = true;
            for (int i = 0; i < 1000 && !threads::stopRequested(); ++i)
                setText(label, "y");
        });
        while (!started)
            std::this_thread::yield();
        worker.request_stop();
        worker.join(); // must return
        QVERIFY(true);
    }

    void workerBoxClosesWhenTheWorkerIsStopped() {
        std::atomic<bool> returned{false};
        std::jthread worker = threads::start([&] {
            messageBox(encoding::toGbk("巳时辰到啦"), encoding::toGbk("到点了"), false);
            returned = true;
        });
        QTRY_VERIFY(QApplication::topLevelWidgets().size() > 0 && [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible() && w->windowTitle() == QString("到点了")) return true;
            return false;
        }());
        QVERIFY(enabled(window)); // an alert box disables nothing
        worker.request_stop();
        worker.join();
        QVERIFY(returned.load());
        QTRY_VERIFY([] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible() && w->windowTitle() == QString("到点了")) return false;
            return true;
        }());
    }

    void modalWindowDisablesTheOthersAndRestoresThem() {
        const ControlRef other = loadWindow(form);
        QWidget* otherWidget = testing::widgetFor(other);
        otherWidget->setEnabled(false); // its former state must come back as it was
        bool duringMain = true;
        bool duringOther = true;
        QTimer::singleShot(50, [&] {
            duringMain = enabled(window);
            duringOther = enabled(other);
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->isVisible() && w->windowTitle() == QString("模态")) {
                    QTest::keyClick(w, Qt::Key_Escape); // Esc closes this one
                }
            }
        });
        QVERIFY(showModal(modalForm));
        QVERIFY(!duringMain);
        QVERIFY(!duringOther);
        QVERIFY(enabled(window));
        QVERIFY(!enabled(other));
        closeWindow(other);
    }

    void escapeDoesNotCloseAnOrdinaryWindow() {
        QTest::keyClick(testing::widgetFor(window), Qt::Key_Escape);
        QTest::qWait(1);
        QVERIFY(windowExists(window));
    }
};

QTEST_MAIN(ToolkitTest)
#include "toolkitTest.moc"
