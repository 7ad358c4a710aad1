#include "platform/toolkit/toolkit.h"

#include "platform/encoding/gbk.h"
#include "platform/shell/process.h"
#include "platform/threads/threads.h"
#include "platform/toolkit/controls.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QThread>
#include <QTimer>

#include <fontconfig/fontconfig.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace toolkit {

using namespace detail;

namespace {

QString toQString(std::string_view gbk) {
    return QString::fromStdString(encoding::toUtf8(gbk));
}
QString fromUtf8(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
std::string toGbk(const QString& s) {
    return encoding::toGbk(s.toStdString());
}

class FormWindow;

struct ControlEntry {
    QPointer<QWidget> widget;
    const ControlTemplate* design = nullptr;
    std::string tag; // GBK
    Picture picture;
};

struct WindowEntry {
    QPointer<FormWindow> widget;
    const FormTemplate* form = nullptr;
    std::map<std::int32_t, ControlEntry> controls;
    std::int32_t nextControl = 1;
};

// Everything below is touched on the GUI thread only; workers reach it through callOnGui.
struct Registry {
    std::map<std::int32_t, WindowEntry> windows;
    std::int32_t nextWindow = 1;
    std::vector<void (*)()> exitRoutines;
    bool loopRunning = false;
    std::vector<QPointer<QMessageBox>> boxes;
};

Registry& registry() {
    static Registry r;
    return r;
}

std::atomic<bool> shutdownBegun{false};

// What every edit box holds (GBK), kept by the GUI thread as it changes, so that a worker reads
// a box without waking the GUI thread and waiting for its answer: the reminder loop reads the
// advance boxes every second.
struct EditTexts {
    std::mutex m;
    std::map<std::pair<std::int32_t, std::int32_t>, std::string> texts; // guarded by m

    static std::pair<std::int32_t, std::int32_t> key(ControlRef ref) {
        return {ref.window, ref.control};
    }
    void set(ControlRef ref, std::string gbk) {
        std::lock_guard lock(m);
        texts[key(ref)] = std::move(gbk);
    }
    void erase(ControlRef ref) {
        std::lock_guard lock(m);
        texts.erase(key(ref));
    }
    std::optional<std::string> get(ControlRef ref) {
        std::lock_guard lock(m);
        auto it = texts.find(key(ref));
        if (it == texts.end()) return std::nullopt;
        return it->second;
    }
};

EditTexts& editTexts() {
    static EditTexts e;
    return e;
}

// A hidden owner keeps owned windows (the help window) off the taskbar.
QWidget* hiddenOwner() {
    static QPointer<QWidget> owner;
    if (!owner) owner = new QWidget(nullptr, Qt::Tool);
    return owner;
}

class FormWindow : public QWidget {
  public:
    FormWindow(const FormTemplate& form, ControlRef ref, QWidget* owner)
        : QWidget(owner, windowFlagsFor(owner)), form_(form), ref_(ref) {
        setAttribute(Qt::WA_DeleteOnClose);
        if (form.backgroundTile) tile_ = decodedPicture(form.backgroundTile(), false);
    }

    // The client size that makes the outer size, frame included, what the form says, but never
    // so small that a control is cut off.
    void fitOuterSize() {
        const QRect frame = frameGeometry();
        const QRect client = geometry();
        const int fw = frame.width() - client.width();
        const int fh = frame.height() - client.height();
        QSize wanted(form_.width - fw, form_.height - fh);
        wanted = wanted.expandedTo(contentSize());
        if (wanted != size()) setFixedSize(wanted);
    }

    QSize contentSize() const {
        QRect r;
        for (const QObject* child : children()) {
            if (const auto* w = qobject_cast<const QWidget*>(child); w && !w->isWindow()) {
                if (!w->isHidden()) r = r.united(w->geometry());
            }
        }
        return QSize(r.right() + 2, r.bottom() + 2).boundedTo(QSize(form_.width, form_.height));
    }

  protected:
    void closeEvent(QCloseEvent* e) override {
        if (!destroyingRaised_) {
            destroyingRaised_ = true;
            if (form_.onDestroying) form_.onDestroying(ref_);
        }
        e->accept();
    }

    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Escape) {
            if (form_.escapeCloses) close();
            e->accept();
            return;
        }
        QWidget::keyPressEvent(e);
    }

    void paintEvent(QPaintEvent*) override {
        if (tile_.isNull()) return;
        QPainter p(this);
        p.drawTiledPixmap(rect(), QPixmap::fromImage(tile_));
    }

    void showEvent(QShowEvent* e) override {
        QWidget::showEvent(e);
        // The window manager adds its frame after the window is mapped; measure it then.
        QTimer::singleShot(0, this, [this] { fitOuterSize(); });
        QTimer::singleShot(200, this, [this] { fitOuterSize(); });
    }

  private:
    static Qt::WindowFlags windowFlagsFor(QWidget* owner) {
        Qt::WindowFlags flags = (owner ? Qt::Dialog : Qt::Window) | Qt::CustomizeWindowHint |
                                Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
        return flags;
    }

    const FormTemplate& form_;
    ControlRef ref_;
    QImage tile_;
    bool destroyingRaised_ = false;
};

WindowEntry* windowEntry(ControlRef ref) {
    auto it = registry().windows.find(ref.window);
    if (it == registry().windows.end() || !it->second.widget) return nullptr;
    return &it->second;
}

ControlEntry* controlEntry(ControlRef ref) {
    WindowEntry* w = windowEntry(ref);
    if (!w || ref.control == 0) return nullptr;
    auto it = w->controls.find(ref.control);
    if (it == w->controls.end() || !it->second.widget) return nullptr;
    return &it->second;
}

// The widget a reference names: the window itself for control 0.
QWidget* widgetOf(ControlRef ref) {
    if (ref.control == 0) {
        WindowEntry* w = windowEntry(ref);
        return w ? w->widget.data() : nullptr;
    }
    ControlEntry* c = controlEntry(ref);
    return c ? c->widget.data() : nullptr;
}

void raise(Handler handler, ControlRef source) {
    if (handler) handler(source);
}

QWidget* createControl(const ControlTemplate& design, QWidget* parent, ControlRef ref) {
    QWidget* w = nullptr;
    const QString text = fromUtf8(design.text);
    switch (design.kind) {
    case Kind::TransparentLabel: {
        auto* label = new TransparentLabel(parent, design.multiLine);
        label->setText(text);
        label->events.mouseDown = [ref, h = design.onMouseDown] { raise(h, ref); };
        w = label;
        break;
    }
    case Kind::ImageButton: {
        auto* button = new ImageButton(parent);
        button->setGeometry(design.left, design.top, design.width, design.height);
        if (design.picture) button->setPicture(design.picture());
        button->events.clicked = [ref, h = design.onClicked] { raise(h, ref); };
        w = button;
        break;
    }
    case Kind::StyledButton: {
        auto* button = new StyledButton(parent);
        button->setText(text);
        if (design.picture) button->setPicture(design.picture());
        button->events.clicked = [ref, h = design.onClicked] { raise(h, ref); };
        w = button;
        break;
    }
    case Kind::EditBox: {
        auto* box = new EditBox(parent);
        box->setText(text);
        // Every change of the content reports one content change; the copy workers read is
        // brought up to date before the handler runs, which may wake a worker to read it.
        editTexts().set(ref, toGbk(text));
        box->events.contentChanged = [box, ref, h = design.onContentChanged] {
            editTexts().set(ref, toGbk(box->text()));
            raise(h, ref);
        };
        QObject::connect(box, &QObject::destroyed, [ref] { editTexts().erase(ref); });
        w = box;
        break;
    }
    case Kind::CheckBox: {
        auto* box = new CheckBox(text, parent);
        box->events.clicked = [ref, h = design.onClicked] { raise(h, ref); };
        w = box;
        break;
    }
    case Kind::GroupBox:
        w = new GroupBox(text, parent);
        break;
    }
    w->setGeometry(design.left, design.top, design.width, design.height);
    w->setFocusPolicy(design.tabStop ? Qt::StrongFocus : Qt::NoFocus);
    w->hide();
    return w;
}

ControlRef buildWindow(const FormTemplate& form, QWidget* owner) {
    Registry& r = registry();
    const ControlRef ref{r.nextWindow++, 0};
    auto* window = new FormWindow(form, ref, owner);
    WindowEntry& entry = r.windows[ref.window];
    entry.widget = window;
    entry.form = &form;
    QObject::connect(window, &QObject::destroyed, [id = ref.window] {
        Registry& reg = registry();
        reg.windows.erase(id);
        if (reg.windows.empty() && reg.loopRunning) QCoreApplication::exit(0);
    });

    std::vector<std::pair<QWidget*, bool>> shown;
    for (const ControlTemplate& design : form.controls) {
        QWidget* parent = window;
        if (!design.container.empty()) {
            const ControlRef container = control(ref, design.container);
            if (QWidget* c = widgetOf(container)) parent = c;
        }
        const ControlRef cref{ref.window, entry.nextControl++};
        QWidget* w = createControl(design, parent, cref);
        w->lower(); // earlier controls lie on top
        entry.controls[cref.control] =
            ControlEntry{w, &design, {}, design.picture ? design.picture() : Picture{}};
        shown.emplace_back(w, design.visible);
    }
    for (auto [w, visible] : shown)
        w->setVisible(visible);

    window->setWindowTitle(fromUtf8(form.caption));
    if (form.icon) window->setWindowIcon(QPixmap::fromImage(decodedPicture(form.icon(), false)));
    window->setFixedSize(QSize(form.width, form.height).expandedTo(window->contentSize()));
    window->fitOuterSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        window->move(s.x() + (s.width() - form.width) / 2, s.y() + (s.height() - form.height) / 2);
    }
    return ref;
}

void setWidgetText(ControlRef ref, const QString& text) {
    QWidget* w = widgetOf(ref);
    if (!w) return;
    if (ref.control == 0) {
        w->setWindowTitle(text);
    } else if (auto* label = dynamic_cast<TransparentLabel*>(w)) {
        label->setText(text);
    } else if (auto* box = dynamic_cast<EditBox*>(w)) {
        box->setContent(text);
    } else if (auto* group = dynamic_cast<QGroupBox*>(w)) {
        group->setTitle(text);
    } else if (auto* button = dynamic_cast<QAbstractButton*>(w)) {
        button->setText(text);
    }
}

QString widgetText(ControlRef ref) {
    QWidget* w = widgetOf(ref);
    if (!w) return {};
    if (ref.control == 0) return w->windowTitle();
    if (auto* label = dynamic_cast<TransparentLabel*>(w)) return label->text();
    if (auto* box = dynamic_cast<QLineEdit*>(w)) return box->text();
    if (auto* group = dynamic_cast<QGroupBox*>(w)) return group->title();
    if (auto* button = dynamic_cast<QAbstractButton*>(w)) return button->text();
    return {};
}

// Runs f on the GUI thread and hands back its result (R{} when the call could not be made).
template <class F> auto onGui(F f) -> decltype(f()) {
    decltype(f()) result{};
    callOnGui([&] { result = f(); });
    return result;
}

QMessageBox* makeBox(std::string_view textGbk, std::string_view titleGbk) {
    auto* box = new QMessageBox(QMessageBox::NoIcon, toQString(titleGbk), toQString(textGbk),
                                QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    registry().boxes.emplace_back(box);
    return box;
}

void applyLook(QApplication& app) {
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette palette = app.style()->standardPalette();
    const QColor face(0xF0, 0xF0, 0xF0); // the classic button-face colour
    palette.setColor(QPalette::Window, face);
    palette.setColor(QPalette::Button, face);
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::ButtonText, Qt::black);
    app.setPalette(palette);
    QFont font;
    font.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("sans-serif")});
    font.setPixelSize(12);
    app.setFont(font);
}

} // namespace

// ---- the hand-over from workers to the GUI thread -------------------------------------------

namespace {

// Works for the GUI thread wait in a queue of our own under a std::mutex; Qt only carries a
// bare wake-up event to this object of the GUI thread. Handing the works themselves through
// Qt's event queue would share their memory between the threads under Qt's own locks and
// reference counts, which ThreadSanitizer cannot see, so it could not check our code around them.
class GuiQueue final : public QObject {
  public:
    // False, queuing nothing, once the queue is closed.
    bool push(std::function<void()> work) {
        bool wake = false;
        {
            std::lock_guard lock(m_);
            if (!open_) return false;
            works_.push_back(std::move(work));
            wake = !std::exchange(wakePosted_, true);
        }
        if (wake) QCoreApplication::postEvent(this, new QEvent(QEvent::User));
        return true;
    }

    // Closes the queue and throws away what waits in it: each work's destructor runs, which
    // releases a worker waiting for it.
    void close() {
        std::deque<std::function<void()>> dropped;
        std::lock_guard lock(m_);
        open_ = false;
        dropped.swap(works_);
    }

    // For a new application: a wake-up the old one still held went with it.
    void reopen() {
        std::lock_guard lock(m_);
        open_ = true;
        wakePosted_ = false;
    }

  protected:
    // Our wake-up events, the only ones of a user type this object gets, end up here; the
    // event itself is not looked at, since its memory was handed over by Qt. Runs the works
    // one by one in the order queued, so that a work which runs a nested event loop does not
    // let later ones overtake earlier ones.
    void customEvent(QEvent*) override {
        for (;;) {
            std::function<void()> work;
            {
                std::lock_guard lock(m_);
                if (works_.empty()) {
                    wakePosted_ = false;
                    return;
                }
                work = std::move(works_.front());
                works_.pop_front();
            }
            work();
        }
    }

  private:
    std::mutex m_;
    std::deque<std::function<void()>> works_; // guarded by m_
    bool wakePosted_ = false;                 // guarded by m_
    bool open_ = true;                        // guarded by m_
};

// Made by whichever thread needs it first, and handed to the GUI thread. Needs the application.
GuiQueue& guiQueue() {
    static GuiQueue* const queue = [] {
        auto* q = new GuiQueue;
        q->moveToThread(QCoreApplication::instance()->thread());
        return q;
    }();
    return *queue;
}

} // namespace

// ---- the process ------------------------------------------------------------------------------

int run(int argc, char** argv, int (*entry)()) {
    static int args = argc; // QApplication keeps a reference to it
    // Fontconfig reads its whole configuration and caches the first time a font is looked up,
    // which Qt does only after it has connected to the display; started on another thread
    // now, the two overlap and the window comes up sooner.
    std::thread fontsReady([] { FcInit(); });
    QApplication app(args, argv);
    fontsReady.join();
    app.setQuitOnLastWindowClosed(false);
    applyLook(app);
    shutdownBegun = false;
    guiQueue().reopen();
    const std::filesystem::path exe = shell::executablePath();
    if (!exe.empty()) shell::setCurrentDirectory(exe.parent_path());

    const int result = entry();

    beginShutdown();
    for (void (*routine)() : registry().exitRoutines)
        routine();
    registry().exitRoutines.clear();
    for (const QPointer<QMessageBox>& box : registry().boxes)
        delete box.data();
    registry().boxes.clear();
    for (auto& [id, w] : registry().windows)
        delete w.widget.data();
    registry().windows.clear();
    delete hiddenOwner();
    return result;
}

void atExit(void (*routine)()) {
    registry().exitRoutines.push_back(routine);
}

void messageLoop() {
    Registry& r = registry();
    if (r.windows.empty()) return;
    r.loopRunning = true;
    QCoreApplication::exec();
    r.loopRunning = false;
}

void beginShutdown() {
    shutdownBegun = true;
    if (QCoreApplication::instance()) guiQueue().close();
}
bool shuttingDown() {
    return shutdownBegun;
}

bool isGuiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

bool postToGui(std::function<void()> work) {
    if (shutdownBegun || !QCoreApplication::instance()) return false;
    return guiQueue().push([work = std::move(work)] {
        if (!shutdownBegun) work();
    });
}

bool callOnGui(const std::function<void()>& work) {
    if (isGuiThread()) {
        work();
        return true;
    }
    if (shutdownBegun || !QCoreApplication::instance()) return false;

    enum class Stage { Pending, Running, Done, Cancelled };
    struct Call {
        std::mutex m;
        std::condition_variable cv;
        Stage stage = Stage::Pending;  // guarded by m
        bool stopping = false;         // guarded by m
        std::atomic<bool> over{false}; // Done or Cancelled; lets the waiter spin briefly

        void finish(Stage result) {
            {
                std::lock_guard lock(m);
                if (stage == Stage::Done || stage == Stage::Cancelled) return;
                stage = result;
                over = true;
            }
            cv.notify_all();
        }
    };
    // If the queued task is thrown away unrun (the application going down), the waiter is
    // still released.
    struct Release {
        explicit Release(std::shared_ptr<Call> c) : call(std::move(c)) {}
        Release(const Release&) = delete;
        ~Release() {
            bool pending;
            {
                std::lock_guard lock(call->m);
                pending = call->stage == Stage::Pending;
            }
            if (pending) call->finish(Stage::Cancelled);
        }
        std::shared_ptr<Call> call;
    };
    auto call = std::make_shared<Call>();
    auto release = std::make_shared<Release>(call);
    const bool queued = guiQueue().push([call, release, &work] {
        {
            std::unique_lock lock(call->m);
            if (call->stage != Stage::Pending) return;
            if (shutdownBegun) {
                lock.unlock();
                call->finish(Stage::Cancelled);
                return;
            }
            call->stage = Stage::Running;
        }
        work(); // the waiter cannot leave while the stage is Running
        call->finish(Stage::Done);
    });
    release.reset(); // when the work was not queued, this has released the waiter already
    if (!queued) return false;

    // The GUI thread mostly answers within microseconds; a short spin spares the worker going
    // to sleep and being woken again, once for every property it touches.
    if (std::thread::hardware_concurrency() > 1) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(200);
        while (!call->over.load(std::memory_order_acquire) &&
               std::chrono::steady_clock::now() < until) {
        }
    }

    // Made before the lock is taken: if the stop is already requested, the callback runs at
    // once and takes the lock itself.
    std::stop_callback onStop(threads::currentStopToken(), [&call] {
        {
            std::lock_guard lock(call->m);
            call->stopping = true;
        }
        call->cv.notify_all();
    });
    std::unique_lock lock(call->m);
    const auto finished = [&] {
        return call->stage == Stage::Done || call->stage == Stage::Cancelled;
    };
    call->cv.wait(lock, [&] { return finished() || call->stopping; });
    if (call->stage == Stage::Pending) { // asked to stop before the GUI thread took it
        call->stage = Stage::Cancelled;
        return false;
    }
    call->cv.wait(lock, finished); // Running: it is short, let it end
    return call->stage == Stage::Done;
}

// ---- windows ----------------------------------------------------------------------------------

ControlRef loadWindow(const FormTemplate& form) {
    if (!isGuiThread()) return {};
    const ControlRef ref = buildWindow(form, form.taskbarButton ? nullptr : hiddenOwner());
    raise(form.onCreated, ref);
    if (QWidget* w = widgetOf(ref)) {
        w->show();
        return ref;
    }
    return {};
}

bool showModal(const FormTemplate& form) {
    if (!isGuiThread()) return false;
    const ControlRef ref = buildWindow(form, form.taskbarButton ? nullptr : hiddenOwner());
    QPointer<QWidget> window = widgetOf(ref);
    raise(form.onCreated, ref);
    if (!window) return true;

    std::vector<std::pair<QPointer<QWidget>, bool>> others;
    for (auto& [id, entry] : registry().windows) {
        if (id == ref.window || !entry.widget) continue;
        others.emplace_back(entry.widget.data(), entry.widget->isEnabled());
        entry.widget->setEnabled(false);
    }
    QEventLoop loop;
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    window->show();
    window->activateWindow();
    loop.exec();
    for (auto& [w, wasEnabled] : others) {
        if (w) w->setEnabled(wasEnabled);
    }
    return true;
}

bool windowExists(ControlRef window) {
    return onGui([=] { return windowEntry(window) != nullptr; });
}

void closeWindow(ControlRef window) {
    callOnGui([=] {
        if (WindowEntry* w = windowEntry(window)) w->widget->close();
    });
}

ControlRef control(ControlRef window, std::string_view name) {
    return onGui([=] {
        WindowEntry* w = windowEntry(window);
        if (!w) return ControlRef{};
        for (const auto& [id, c] : w->controls) {
            if (c.design && c.design->name == name) return ControlRef{window.window, id};
        }
        return ControlRef{};
    });
}

ControlRef clone(ControlRef templateControl) {
    return onGui([=] {
        WindowEntry* w = windowEntry(templateControl);
        ControlEntry* t = controlEntry(templateControl);
        if (!w || !t) return ControlRef{};
        const ControlRef ref{templateControl.window, w->nextControl++};
        QWidget* widget = createControl(*t->design, t->widget->parentWidget(), ref);
        widget->stackUnder(t->widget);
        w->controls[ref.control] = ControlEntry{
            widget, t->design, {}, t->design->picture ? t->design->picture() : Picture{}};
        return ref;
    });
}

// ---- properties -------------------------------------------------------------------------------

int left(ControlRef ref) {
    return onGui([=] {
        QWidget* w = widgetOf(ref);
        return w ? w->x() : 0;
    });
}

int top(ControlRef ref) {
    return onGui([=] {
        QWidget* w = widgetOf(ref);
        return w ? w->y() : 0;
    });
}

int width(ControlRef ref) {
    return onGui([=] {
        QWidget* w = widgetOf(ref);
        return w ? (ref.control == 0 ? w->frameGeometry().width() : w->width()) : 0;
    });
}

int height(ControlRef ref) {
    return onGui([=] {
        QWidget* w = widgetOf(ref);
        return w ? (ref.control == 0 ? w->frameGeometry().height() : w->height()) : 0;
    });
}

void setLeft(ControlRef ref, int value) {
    callOnGui([=] {
        if (QWidget* w = widgetOf(ref)) w->move(value, w->y());
    });
}

void setTop(ControlRef ref, int value) {
    callOnGui([=] {
        if (QWidget* w = widgetOf(ref)) w->move(w->x(), value);
    });
}

bool visible(ControlRef ref) {
    return onGui([=] {
        QWidget* w = widgetOf(ref);
        return w && !w->isHidden();
    });
}

void setVisible(ControlRef ref, bool value) {
    callOnGui([=] {
        if (QWidget* w = widgetOf(ref)) w->setVisible(value);
    });
}

bool enabled(ControlRef ref) {
    return onGui([=] {
        QWidget* w = widgetOf(ref);
        return w && w->isEnabled();
    });
}

std::string text(ControlRef ref) {
    if (!isGuiThread()) {
        if (std::optional<std::string> box = editTexts().get(ref)) return std::move(*box);
    }
    return onGui([=] { return toGbk(widgetText(ref)); });
}

void setText(ControlRef ref, std::string_view gbk) {
    const QString text = toQString(gbk);
    callOnGui([&] { setWidgetText(ref, text); });
}

std::string tag(ControlRef ref) {
    return onGui([=] {
        ControlEntry* c = controlEntry(ref);
        return c ? c->tag : std::string();
    });
}

void setTag(ControlRef ref, std::string_view gbk) {
    callOnGui([&] {
        if (ControlEntry* c = controlEntry(ref)) c->tag = std::string(gbk);
    });
}

bool checked(ControlRef ref) {
    return onGui([=] {
        auto* box = dynamic_cast<QCheckBox*>(widgetOf(ref));
        return box && box->isChecked();
    });
}

void setChecked(ControlRef ref, bool value) {
    callOnGui([=] {
        if (auto* box = dynamic_cast<QCheckBox*>(widgetOf(ref))) box->setChecked(value);
    });
}

void setPicture(ControlRef ref, Picture png) {
    callOnGui([=] {
        ControlEntry* c = controlEntry(ref);
        if (!c) return;
        c->picture = png;
        QWidget* w = c->widget;
        if (auto* image = dynamic_cast<ImageButton*>(w)) image->setPicture(png);
        if (auto* styled = dynamic_cast<StyledButton*>(w)) styled->setPicture(png);
    });
}

Picture picture(ControlRef ref) {
    return onGui([=] {
        ControlEntry* c = controlEntry(ref);
        return c ? c->picture : Picture{};
    });
}

// ---- message boxes ----------------------------------------------------------------------------

void messageBox(std::string_view textGbk, std::string_view titleGbk, bool disableWindows) {
    if (isGuiThread()) {
        QPointer<QMessageBox> box = makeBox(textGbk, titleGbk);
        if (disableWindows) {
            box->setWindowModality(Qt::ApplicationModal);
            box->exec();
            return;
        }
        QEventLoop loop;
        QObject::connect(box, &QObject::destroyed, &loop, &QEventLoop::quit);
        box->show();
        loop.exec();
        return;
    }

    struct Wait {
        std::mutex m;
        std::condition_variable_any cv;
        bool closed = false;
        QPointer<QMessageBox> box; // GUI thread only
    };
    auto wait = std::make_shared<Wait>();
    const bool shown = callOnGui([&] {
        QMessageBox* box = makeBox(textGbk, titleGbk);
        box->setWindowModality(disableWindows ? Qt::ApplicationModal : Qt::NonModal);
        QObject::connect(box, &QObject::destroyed, [wait] {
            std::lock_guard lock(wait->m);
            wait->closed = true;
            wait->cv.notify_all();
        });
        wait->box = box;
        box->show();
        box->raise();
        box->activateWindow();
    });
    if (!shown) return;
    std::unique_lock lock(wait->m);
    wait->cv.wait(lock, threads::currentStopToken(), [&] { return wait->closed; });
    if (!wait->closed) {
        // The worker was asked to stop: its box goes with it.
        postToGui([wait] {
            if (wait->box) wait->box->close();
        });
    }
}

} // namespace toolkit

namespace toolkit::testing {
QWidget* widgetFor(ControlRef ref) {
    return isGuiThread() ? widgetOf(ref) : nullptr;
}
} // namespace toolkit::testing
