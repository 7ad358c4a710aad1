// Our window toolkit on Qt 6 Widgets: windows built from form tables, six control kinds,
// clones, properties addressed by control reference, modal windows and the message loop.
// Texts crossing this interface are GBK byte strings unless marked UTF-8; the toolkit alone
// turns them into QStrings.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace toolkit {

// (window id, control id). Control id 0 addresses the window itself; (0, 0) refers to nothing.
struct ControlRef {
    std::int32_t window = 0;
    std::int32_t control = 0;

    bool isNull() const { return window == 0 && control == 0; }
    bool operator==(const ControlRef&) const = default;
};

enum class Kind { TransparentLabel, ImageButton, StyledButton, EditBox, CheckBox, GroupBox };

// An event handler; source is the control (or window) that raised the event. A clone's events
// reach its template's handler with the clone as source.
using Handler = void (*)(ControlRef source);

// PNG bytes held in the program.
using Picture = std::span<const std::uint8_t>;
using PictureSource = Picture (*)();

struct ControlTemplate {
    std::string_view name = {}; // UTF-8
    Kind kind = Kind::TransparentLabel;
    std::string_view container = {}; // empty: the window's client area; else a group box's name
    int left = 0, top = 0, width = 0, height = 0;
    bool visible = false;
    bool tabStop = false;
    std::string_view text = {};         // UTF-8: caption, label text or edit content
    bool multiLine = false;             // transparent label: honour line breaks, wrap, top-aligned
    PictureSource picture = nullptr;    // image button and styled button
    Handler onClicked = nullptr;        // buttons and check boxes (user clicks only)
    Handler onContentChanged = nullptr; // edit boxes
    Handler onMouseDown = nullptr;      // left button pressed over the control
};

struct FormTemplate {
    std::string_view name = {}; // UTF-8
    int width = 0, height = 0;  // outer size, frame and title bar included
    std::string_view caption = {};
    PictureSource icon = nullptr;
    PictureSource backgroundTile = nullptr; // tiled from the client area's top-left corner
    bool escapeCloses = false;
    bool taskbarButton = true;
    Handler onCreated = nullptr;    // before the window is first shown
    Handler onDestroying = nullptr; // when the window is closed
    std::span<const ControlTemplate> controls = {};
};

// ---- the process ------------------------------------------------------------------------

// Initialises the toolkit (makes the executable's folder the current directory), calls entry
// on the main thread, then runs the end-of-process routines in registration order, once each.
// Returns entry's result.
int run(int argc, char** argv, int (*entry)());

// Registers a routine for the normal end of the process.
void atExit(void (*routine)());

// Dispatches events while at least one window is loaded; returns at once when none is.
void messageLoop();

// From here on, marshalled calls from workers do nothing and return defaults. Called by the
// end of the process before the workers are joined and the windows go away.
void beginShutdown();
bool shuttingDown();

bool isGuiThread();

// The one way a worker thread gets work done on the GUI thread: runs work there and waits
// for it. On the GUI thread it runs at once. Returns false, without running work, once the
// shutdown has begun or when the calling worker is asked to stop while it waits.
bool callOnGui(const std::function<void()>& work);

// Its form for work that needs no answer: queues work for the GUI thread and returns at once,
// sparing the worker a second wake-up for the answer. Queued works run in the order queued,
// unless the shutdown has begun by then. Returns false, queuing nothing, once it has begun.
bool postToGui(std::function<void()> work);

// ---- windows -----------------------------------------------------------------------------

// Builds a window from its form, hidden and centred; raises created, then shows it.
// Returns the window's reference, or (0, 0) when it could not be made.
ControlRef loadWindow(const FormTemplate& form);

// Builds the window, raises created, shows it modally: every other top-level window is
// disabled until it is closed and given its former state back. Returns false when the window
// could not be made.
bool showModal(const FormTemplate& form);

bool windowExists(ControlRef window);

// Closes a window as the user would (raising its destroying event).
void closeWindow(ControlRef window);

// The control of that name (UTF-8) on the window, or (0, 0).
ControlRef control(ControlRef window, std::string_view name);

// A new control made from the template's design-time settings, in the same container, placed
// directly behind the template and hidden. (0, 0) on failure.
ControlRef clone(ControlRef templateControl);

// ---- properties: from any thread ------------------------------------------------------------
// A window's left and top are screen coordinates of its frame; a control's are relative to its
// container. Reading a property of a control that does not exist gives 0 / false / "".

int left(ControlRef ref);
int top(ControlRef ref);
int width(ControlRef ref);
int height(ControlRef ref);
void setLeft(ControlRef ref, int value);
void setTop(ControlRef ref, int value);

bool visible(ControlRef ref);
void setVisible(ControlRef ref, bool value);
bool enabled(ControlRef ref);

// Window caption, button caption, label text or edit-box content (GBK). A worker reads an edit
// box's content without a trip to the GUI thread.
std::string text(ControlRef ref);
void setText(ControlRef ref, std::string_view gbk);

std::string tag(ControlRef ref);
void setTag(ControlRef ref, std::string_view gbk);

// Check boxes. Setting the state from the program raises no clicked event.
bool checked(ControlRef ref);
void setChecked(ControlRef ref, bool value);

// The normal picture of an image button or styled button; redraws at once.
void setPicture(ControlRef ref, Picture png);
// The picture last given to the control (its design-time one until then); empty for none.
Picture picture(ControlRef ref);

// ---- message boxes ---------------------------------------------------------------------------

// A box with one OK button and no icon. disableWindows: the program's other windows take no
// input while it is open. On the GUI thread it returns when the box is closed; on a worker the
// box is shown by the GUI thread and the worker waits until it is closed, or until the worker is
// asked to stop, which closes the box.
void messageBox(std::string_view textGbk, std::string_view titleGbk, bool disableWindows);

} // namespace toolkit
