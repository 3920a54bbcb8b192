// A platform of the tests' own for the toolkit: windows that remember what
// they were told (place, title, outline, state) and present the frames the
// toolkit composes into memory, lists and text boxes that remember what they
// show and whether they have the keyboard, a pointer that finds the window
// under it as a window system does (and a list or field there) and hands the
// rest to the window, a keyboard that types into the active window, and
// services whose answers the test chooses. A text is drawn as a box as large
// as it measures, in its colour.
#pragma once

#include "ui/backend.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/picture.h"

#include <QImage>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace fake {

// What App::End throws instead of leaving the process.
struct Ended {};

struct Window : ui::NativeWindow {
    explicit Window(ui::Form &f) : form(f) {}
    ui::Form &form;
    ui::String title;
    int x = 0, y = 0, width = 0, height = 0;
    bool visible = false, modal = false;
    std::int16_t state = 0;
    std::vector<ui::Rect> outline; // empty: none
    bool nothing = false;          // shaped to nothing: gone
    Window *owner = nullptr;

    void setTitle(const ui::String &t) override { title = t; }
    void place(const ui::Rect &r) override { x = r.x, y = r.y, width = r.w, height = r.h; }
    void setShown(bool shown, ui::NativeWindow *owner, bool m) override;
    void setState(std::int16_t s) override { state = s; }
    void setRegion(const std::vector<ui::Rect> *spans) override {
        outline = spans ? *spans : std::vector<ui::Rect>{};
        nothing = spans && spans->empty();
    }
    void present(const ui::Rect &changed) override { presented = geom::unite(presented, changed); }
    int popupMenu(const std::vector<ui::String> &captions) override;
    // The control a screen reader was last told has the keyboard.
    ui::Control *focusTold = nullptr;
    // What it had a screen reader say at once, in order.
    std::vector<ui::String> said;
    void accessibleChanged(ui::Control &c, ui::AccessibleChange what) override {
        if (what == ui::AccessibleChange::Focus) focusTold = &c;
        if (what == ui::AccessibleChange::Description && !form.announcement().empty()) said.push_back(form.announcement());
    }
    void startSystemMove() override {}

    // What the window shows: the frames presented so far.
    const ui::Surface &screen();

private:
    ui::Rect presented;
    std::unique_ptr<ui::Surface> memory_;
};

struct Field : ui::NativeField {
    explicit Field(ui::Control &c) : control(c) {}
    ui::Control &control;
    ui::FieldState state;
    bool focused = false; // has the keyboard

    void sync(const ui::FieldState &s) override { state = s; }
    void setFocus(bool inside) override;
};

class Platform : public ui::Backend {
public:
    Platform();
    ~Platform() override;

    // Answers and hooks the test sets.
    // The item a popup menu chooses (-1 for none); asked while the menu is open.
    std::function<int(const std::vector<ui::String> &)> onPopup = [](const std::vector<ui::String> &) { return -1; };
    // Runs while a window is shown modally; the window must be unloaded by then.
    std::function<void(ui::Form &)> onModal = [](ui::Form &f) { f.Unload(); };

    // What the program did.
    std::vector<ui::String> sounds;  // paths played, in order
    std::vector<ui::String> messages; // message box texts, title after a "|"

    // The pointer, in screen pixels: moves, presses and releases go where a
    // window system sends them (from a press to its release, to the control
    // that got the press; a second press at the same place soon after is a
    // double click).
    void pointerMove(int sx, int sy);
    void pointerPress(int sx, int sy, std::int16_t button);
    void pointerRelease(int sx, int sy, std::int16_t button);
    void click(int sx, int sy) { pointerPress(sx, sy, ui::vbLeftButton), pointerRelease(sx, sy, ui::vbLeftButton); }
    void resetPointer() { grab_ = {}, lastPress_ = {}; }
    // A key pressed: it goes to the active window (the modal one while one
    // is shown); what the toolkit leaves alone goes to the control that has
    // the keyboard, and a list moves with its keys as a platform's does.
    void key(ui::Key key, std::int16_t shift = 0, char32_t letter = 0, bool repeat = false);

    // The user chooses a row of a list: the list shows it, then tells the program.
    static void choose(ui::ListBox &list, int row);

    // The list or text box of `form` under a point of it: the platform's own.
    static ui::Control *nativeAt(ui::Form &form, int cx, int cy);
    // Whether the keyboard is at `c`: in its field, or (for a control the
    // window draws) in the window itself, where the toolkit says.
    static bool keyboardAt(ui::Control &c);
    // The event loop is idle: the windows unloaded are freed.
    void flush() { ui::Form::freeUnloaded(); }

    static Window &window(ui::Form &f) { return dynamic_cast<Window &>(f.native()); }
    static Field &native(ui::Control &c) { return dynamic_cast<Field &>(*c.field()); }
    // A bitmap of the program as Qt reads the file.
    static QImage bitmap(int id);

    std::unique_ptr<ui::NativeWindow> createWindow(ui::Form &form, const ui::WindowInfo &info) override;
    std::unique_ptr<ui::NativeField> createField(ui::Control &control, const ui::FieldInfo &info) override;
    ui::Environment environment() override { return ui::Environment{1, {0, 0, 1024, 768}, false, "/opt/lunivar", "/"}; }
    // The program's pictures from the source tree; its sounds, found under
    // its folder, the same. The path read last is what plays.
    std::optional<std::vector<std::uint8_t>> readFile(const ui::String &path) override;
    int msgBox(const ui::String &prompt, int, const ui::String &title) override;
    ui::String monthName(int month) override;
    // The clock is the test's: waiting moves it on; the modal loop runs onModal.
    std::int64_t clock = 0;
    std::int64_t milliseconds() override { return clock; }
    void dispatchEvents(int maxMs) override;
    [[noreturn]] void exit() override { throw Ended{}; }
    // Six pixels a letter, 13 high; drawn as a box that size in the text's colour.
    ui::Rect measureText(const ui::FontDef &, const ui::String &text) override;
    // Whether the symbol font is installed; every other face is.
    bool symbolFont = false;
    bool hasFace(const ui::FontDef &font) override { return font.charset != 2 || symbolFont; }
    void drawText(ui::Surface &into, const ui::Rect &clip, const ui::TextRun &run, int scale) override;
    bool play(const ui::sound::Wave *wave) override;

private:
    struct Hit {
        ui::Form *form = nullptr;
        ui::Control *native = nullptr; // a list or a text box, else the window's
        int cx = 0, cy = 0;            // the point in the window
    };
    Hit hit(int sx, int sy);
    void deliver(const Hit &h, ui::Event::Type type, int button, int buttons);

    std::vector<Window *> windows_; // most recent on top
    ui::String read_;               // the sound file read last
    Hit grab_;                      // where a press went, until its release
    struct { int sx = -1, sy = -1; std::int16_t button = 0; } lastPress_;
    friend struct Window;
};

Platform &platform();

// The rows of tests/support/signs.tsv: index, name, glyph, symbol, pairs,
// stone, talisman, and the first and last day of the sign as month * 100 + day.
struct SignRow {
    int index;
    QString name, glyph, symbol, pairs, stone, talisman;
    int first, last;
};
const std::vector<SignRow> &signTable();

} // namespace fake
