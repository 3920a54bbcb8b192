#pragma once
// What a platform gives the toolkit, by concern: a window that presents the
// frame the toolkit composes, text measured and drawn in the platform's own
// fonts, the native lists and text boxes, a sound output, and services (the
// screen, files, the clock, the locale, a message box, the events, the end
// of the process). Input flows the other way: each window hands the toolkit
// one stream of events (Form::handle). One backend is installed for the
// program's whole life: Qt on Linux, the Win32 API on Windows; the tests
// bring their own. Everything is in pixels of the toolkit (device pixels
// divided by the scale the backend shows them at), unless said otherwise.
#include "image.h"
#include "layout.h"
#include "types.h"
#include "wave.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace ui {

class Control;
class Form;

// Pixels, 0xFFRRGGBB, top row first, rows without a gap: a window's frame,
// a picture box's persistent image.
class Surface {
public:
    Surface(int width, int height)
        : width_(width), height_(height), pixels_(std::size_t(width) * std::size_t(height), 0xFF000000u) {}
    int width() const { return width_; }
    int height() const { return height_; }
    std::uint32_t *row(int y) { return pixels_.data() + std::size_t(y) * std::size_t(width_); }
    const std::uint32_t *row(int y) const { return pixels_.data() + std::size_t(y) * std::size_t(width_); }

private:
    int width_, height_;
    std::vector<std::uint32_t> pixels_;
};

// A block copy between surfaces; what falls outside either is clipped.
void copyPixels(Surface &dst, int x, int y, int w, int h, const Surface &src, int sx, int sy);

// A caption to draw: from (x, y), "&" marking the access key underlined.
struct TextRun {
    String caption;
    FontDef font;
    Color color = 0;
    int x = 0, y = 0;
};

// How a screen reader knows a window or a control.
enum class Role { None, Window, PushButton, Label, Text, List };
struct AccessibleInfo {
    Role role = Role::None; // None: not announced at all
    String name;
    String description;     // the tool tip
    String shortcut;        // the key that presses it, "Alt+П"
};

// What changed of a control that a screen reader follows: the keyboard came
// to it, or its name, value or description changed.
enum class AccessibleChange { Focus, Name, Value, Description };

// What the user did, as a window hands it to the toolkit.
struct Event {
    enum Type {
        PointerDown, PointerUp, PointerMove, DoubleClick, // x, y from the window's top-left corner
        Key,          // key, letter, repeat
        Activated,    // the window came to the front, or got the keyboard back
        FieldFocused, // the keyboard went into a field (a click): control
        Edited,       // the user changed a text box's text: control, text
        Selected,     // the user chose a list's row: control, row
        Pressed,      // a screen reader pressed a control: control
        Moved,        // the system moved the window: x, y
        Resized,      // the system sized the window: width, height
        StateChanged, // minimised, maximised or restored: state
        ScaleChanged, // the screen's scale changed
        Close,        // the system's close command
    } type = PointerMove;
    // Buttons and modifier keys, as bits.
    enum : int { LeftButton = 1, RightButton = 2, MiddleButton = 4 };
    enum : int { ShiftKey = 1, CtrlKey = 2, AltKey = 4 };
    int button = 0;    // the button pressed or released
    int buttons = 0;   // the buttons held after it
    int modifiers = 0;
    double x = 0, y = 0;
    int width = 0, height = 0;
    ui::Key key = ui::Key::Other;
    char32_t letter = 0; // Other: the character the key gives, or 0
    bool repeat = false; // the key held down, repeating
    std::int16_t state = 0;
    ui::Control *control = nullptr;
    String text;
    int row = -1;
};

// ---------------------------------------------------------------- the window

struct WindowInfo {
    String objectName;
    bool taskbar = true; // has a taskbar button; without one it stays above its owner
    bool icon = false;   // shows the program's icon
};

class NativeWindow {
public:
    virtual ~NativeWindow() = default;
    virtual void setTitle(const String &title) = 0;
    // Where it is on the screen and its size, the only size allowed.
    virtual void place(const Rect &frame) = 0;
    // The first show of an owned window passes its owner; a modal window
    // blocks the input of every other window of the program.
    virtual void setShown(bool shown, NativeWindow *owner, bool modal) = 0;
    virtual void setState(std::int16_t state) = 0;
    // Replaces the outline: the window shows only these pixels; nullptr
    // removes the outline, an empty list shows nothing.
    virtual void setRegion(const std::vector<Rect> *spans) = 0;
    // A part of the frame changed: the window shows Form::frame() there anew.
    virtual void present(const Rect &changed) = 0;
    // Shows a menu at the pointer ("-" is a separator line, "&" marks an
    // access key); the index of the item chosen, or -1.
    virtual int popupMenu(const std::vector<String> &captions) = 0;
    // Tells the screen reader what changed of one of the window's controls.
    virtual void accessibleChanged(Control &c, AccessibleChange what) = 0;
    // Where a program cannot place its own window (Environment::systemMoves),
    // the drag under way is handed to the system.
    virtual void startSystemMove() = 0;
};

// ---------------------------------------------------------------- native fields

// What a list or a text box is to show: the platform's own control does the
// editing, scrolling and selecting.
struct FieldInfo {
    Kind kind = Kind::TextBox;
    String objectName;     // "txtSign"
    String toolTip;
    String accessibleName;
    bool readOnly = false;
    int rowHeight = 0;     // a list's rows
};
struct FieldState {
    Rect place;            // in the window, its frame included
    bool visible = true;
    FontDef font;          // set before its first text
    String text;           // a text box's
    std::vector<String> items; // a list's
    int current = -1;      // a list's chosen row, or -1
};

// Items are added at the end, mostly: how many of `now` a list showing
// `shown` already has (the rest are to be added), or -1 when it is to be
// filled anew.
inline int itemsKept(const std::vector<String> &shown, const std::vector<String> &now) {
    const bool grown = now.size() >= shown.size() && std::equal(shown.begin(), shown.end(), now.begin());
    return grown ? int(shown.size()) : -1;
}

class NativeField {
public:
    virtual ~NativeField() = default;
    // Shows what `state` says, changing only what changed.
    virtual void sync(const FieldState &state) = 0;
    // The keyboard goes into the field, or (false) back to its window.
    virtual void setFocus(bool inside) = 0;
};

// ---------------------------------------------------------------- the backend

// Where the program runs.
struct Environment {
    int scale = 1;            // device pixels a pixel: 1, or 2 from 150 % on
    Rect workArea;            // where windows may go
    bool systemMoves = false; // windows are moved by the system only (Wayland)
    String appFolder;         // the executable's folder
    String separator = "/";   // between a folder and a name
};

class Backend {
public:
    // The backend in use; installing one replaces the last.
    static Backend &current();
    static void install(Backend *backend);
    virtual ~Backend() = default;

    // Services.
    virtual std::unique_ptr<NativeWindow> createWindow(Form &form, const WindowInfo &info) = 0;
    virtual std::unique_ptr<NativeField> createField(Control &control, const FieldInfo &info) = 0;
    virtual Environment environment() = 0;
    // A file's bytes, nothing when it cannot be read. ":/bmp/101.bmp",
    // ":/bmp/101@2x.png", ":/layout/main.png", ":/layout/main@2x.png" and
    // ":/icon/lunivar.ico" are the program's own pictures.
    virtual std::optional<std::vector<std::uint8_t>> readFile(const String &path) = 0;
    virtual int msgBox(const String &prompt, int style, const String &title) = 0;
    virtual String monthName(int month) = 0; // full, capital first letter, user's locale
    virtual std::int64_t milliseconds() = 0; // a clock that only goes forward
    // Hands the windows the events there are, waiting up to `maxMs` for
    // one (-1: as long as it takes).
    virtual void dispatchEvents(int maxMs) = 0;
    // Ends the process with status 0.
    [[noreturn]] virtual void exit() = 0;

    // Text, in the platform's fonts: a text's width and height; whether the
    // font's face is there with the glyphs of its letters (a symbol font's),
    // or another face would stand in for it; a caption drawn into a frame at
    // a scale, within `clip` (device pixels).
    virtual Rect measureText(const FontDef &font, const String &text) = 0;
    virtual bool hasFace(const FontDef &font) = 0;
    virtual void drawText(Surface &into, const Rect &clip, const TextRun &run, int scale) = 0;

    // Sound output: plays the samples without waiting, replacing what plays,
    // or (nullptr) stops what plays; false when there is nothing to play on.
    virtual bool play(const sound::Wave *wave) = 0;
};

// A plain file's bytes (never a folder, a device or a pipe) of at most
// `limit` bytes, for a backend whose paths are the C library's.
std::optional<std::vector<std::uint8_t>> readPlainFile(const String &path, std::int64_t limit);

} // namespace ui
