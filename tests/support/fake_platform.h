// A platform of the tests' own for the toolkit: windows and controls that
// only remember what they were told (geometry, texts, fonts, outline, state,
// which has the keyboard), a pointer that finds the window under it as a
// window system does and hands it over, a keyboard that types into the
// active window, and
// services whose answers the test chooses. Bitmaps are read with Qt's
// decoder, not the program's.
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
    bool modalEnded = false;
    Window *owner = nullptr;

    void setTitle(const ui::String &t) override { title = t; }
    void setSize(int w, int h) override { width = w, height = h; }
    void move(int nx, int ny) override { x = nx, y = ny; }
    ui::Rect frame() const override { return {x, y, width, height}; }
    ui::Rect screenArea() const override { return {0, 0, 1024, 768}; }
    void show(ui::NativeWindow *owner, bool m) override;
    void hide() override;
    bool shown() const override { return visible; }
    void setState(std::int16_t s) override { state = s; }
    void setRegion(const std::vector<ui::Rect> *spans) override { outline = spans ? *spans : std::vector<ui::Rect>{}; }
    void update() override {}
    void runModal() override;
    void endModal() override { modalEnded = true; }
    int popupMenu(const std::vector<ui::String> &captions) override;
    // The control a screen reader was last told has the keyboard.
    ui::Control *focusTold = nullptr;
    void accessibleChanged(ui::Control &c, ui::AccessibleChange what) override {
        if (what == ui::AccessibleChange::Focus) focusTold = &c;
    }
};

struct Control : ui::NativeControl {
    explicit Control(ui::Control &c) : control(c) {}
    ui::Control &control;
    ui::Rect geometry;
    bool visible = true;
    ui::String text;
    ui::FontDef font;
    std::vector<ui::String> items;
    int current = -1;
    bool focused = false; // has the keyboard

    void setGeometry(const ui::Rect &r) override { geometry = r; }
    void setVisible(bool v) override { visible = v; }
    void raise() override {}
    void setText(const ui::String &t) override { text = t; }
    void addItem(const ui::String &item) override { items.push_back(item); }
    void setCurrentItem(int row) override { current = row; }
    void setFont(const ui::FontDef &f) override { font = f; }
    void setFocus() override;
};

class Platform : public ui::Backend {
public:
    Platform();
    ~Platform() override;

    // Answers and hooks the test sets.
    ui::Version versionReported{5, 3};
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
    static void choose(ui::ListBox &list, int row) {
        native(list).current = row;
        list.nativeSelected(row);
    }

    // The list or text box of `form` under a point of it: the platform's own.
    static ui::Control *nativeAt(ui::Form &form, int cx, int cy);
    // The event loop is idle: the windows unloaded are freed.
    void flush() { ui::Form::freeUnloaded(); }

    static Window &window(ui::Form &f) { return dynamic_cast<Window &>(f.native()); }
    static Control &native(ui::Control &c) { return dynamic_cast<Control &>(c.native()); }
    // A bitmap of the program as Qt reads the file.
    static QImage bitmap(int id);

    std::unique_ptr<ui::NativeWindow> createWindow(ui::Form &form, const ui::WindowInfo &info) override;
    std::unique_ptr<ui::NativeControl> createControl(ui::Control &control, const ui::ControlInfo &info) override;
    double twipsPerPixelX() const override { return 15; }
    double twipsPerPixelY() const override { return 15; }
    ui::Picture loadBitmap(int id) override;
    ui::Image layoutPicture(const ui::String &name, int scale) override;
    ui::Image icon() override { return ui::Image(32, 32); }
    // Six pixels a letter, 13 high.
    ui::Rect textSize(const ui::FontDef &, const ui::String &text) override;
    // Whether the symbol font is installed; every other face is.
    bool symbolFont = false;
    bool hasFace(const ui::FontDef &font) override { return font.charset != 2 || symbolFont; }
    int msgBox(const ui::String &prompt, int, const ui::String &title) override;
    ui::String monthName(int month) override;
    ui::String appPath() override { return "/opt/lunivar"; }
    ui::Version version() override { return versionReported; }
    [[noreturn]] void end() override { throw Ended{}; }
    // Sounds: the program's own files, found under its folder; what plays is
    // recorded by the path last read; the clock is the test's.
    std::optional<ui::sound::Wave> readWave(const ui::String &path) override;
    bool startSound(ui::sound::Wave) override;
    void stopSound() override {}
    std::int64_t clock = 0;
    std::int64_t milliseconds() override { return clock; }

private:
    struct Hit {
        ui::Form *form = nullptr;
        ui::Control *native = nullptr; // a list or a text box, else the window's
        int cx = 0, cy = 0;            // the point in the window
    };
    Hit hit(int sx, int sy);
    void deliver(const Hit &h, ui::MouseEvent e);

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
