#pragma once
// The toolkit on the Win32 API. A form is a frameless popup window of the
// system; its lists and text boxes are list boxes and edit controls of the
// system, windows of their own. Its picture boxes and labels have no window:
// the form's window paints them, from the pixels and texts the toolkit
// decides, and hands the pointer to the toolkit, which finds the one under
// it; a press captures the pointer for the window until the last button is
// released. The
// toolkit's pixels are shown at a whole scale of device pixels.
#include "ui/backend.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/picture.h"
#include "ui/platform.h"

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace ui::win32 {

std::wstring wide(const String &s);
String utf8(const wchar_t *s, int length = -1);

class Win32Backend : public Backend {
public:
    HINSTANCE instance = GetModuleHandleW(nullptr);

    std::unique_ptr<NativeWindow> createWindow(Form &form, const WindowInfo &info) override;
    std::unique_ptr<NativeControl> createControl(Control &control, const ControlInfo &info) override;
    int pictureScale() const override { return scale; }
    double twipsPerPixelX() const override { return 15; }
    double twipsPerPixelY() const override { return 15; }
    Picture loadBitmap(int id) override;
    Image layoutPicture(const String &name, int scale) override;
    Image icon() override { return Image(); } // the window takes icon group 1 itself
    Rect textSize(const FontDef &font, const String &text) override;
    bool hasFace(const FontDef &font) override;
    int msgBox(const String &prompt, int style, const String &title) override;
    String monthName(int month) override;
    String appPath() override;
    String pathSeparator() const override { return "\\"; }
    Version version() override;
    std::optional<sound::Wave> readWave(const String &path) override;
    bool startSound(sound::Wave wave) override;
    void stopSound() override;
    std::int64_t milliseconds() override { return std::int64_t(GetTickCount64()); }
    [[noreturn]] void end() override;

    // Device pixels a pixel of the toolkit: the screen's dots per inch over
    // 96, made whole.
    int scale = 1;
    // The font of a layout's font entry (the default font for an empty one),
    // at the scale.
    HFONT font(const FontDef &def);
    // Keys the toolkit acts on, given to the window that has the keyboard:
    // true when it did, and the message is not to be dispatched.
    bool translateKey(const MSG &msg);

private:
    std::map<std::wstring, HFONT> fonts_;
    HDC measuring_ = nullptr;         // where texts are measured
    std::vector<std::uint8_t> sound_; // the wave file that plays, in memory
};

Win32Backend &backend();

// A function of a system library that is loaded the first time one of its
// functions is asked for (the program starts without it); null when the
// library or the function is not there.
FARPROC systemProc(const wchar_t *library, const char *name);
template <class F> F systemFunction(const wchar_t *library, const char *name) {
    return reinterpret_cast<F>(reinterpret_cast<void *>(systemProc(library, name)));
}

// The scale the toolkit's pixels are shown at on a screen of `dpi` dots per inch.
int scaleOf(int dpi);

class ControlSide;
class Painted;

// The native side of a window.
class FormWindow : public NativeWindow {
public:
    FormWindow(Form &form, const WindowInfo &info);
    ~FormWindow() override;
    Form &form;
    HWND hwnd = nullptr;
    std::vector<ControlSide *> controls; // in the order they were made
    HWND tips = nullptr;                 // the tool tips of its painted controls

    void setTitle(const String &title) override;
    void setSize(int width, int height) override;
    void move(int x, int y) override;
    Rect frame() const override;
    Rect screenArea() const override;
    void show(NativeWindow *owner, bool modal) override;
    void hide() override;
    bool shown() const override { return IsWindowVisible(hwnd); }
    void setState(std::int16_t state) override;
    void setRegion(const std::vector<Rect> *spans) override;
    void update() override { InvalidateRect(hwnd, nullptr, FALSE); }
    void runModal() override;
    void endModal() override { modalEnded_ = true; }
    int popupMenu(const std::vector<String> &captions) override;
    void accessibleChanged(Control &c, AccessibleChange what) override;

    // Device pixels of the window's client area to paint again.
    void invalidate(const Rect &logical);

    static FormWindow *of(HWND hwnd);
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    // Posted to press a control (its place in the form's controls in the
    // LPARAM) once a screen reader's call has returned.
    static constexpr UINT PressMessage = WM_APP + 1;
    // The timer that tells a screen reader again which child has the keyboard.
    static constexpr UINT_PTR FocusTimer = 1;

private:
    void paint();
    void paintControl(Painted &c, HDC dc, const RECT &clip);
    bool mouse(UINT msg, WPARAM wp, LPARAM lp);

    bool applying_ = false, modalEnded_ = false, modal_ = false;
    HWND owner_ = nullptr;
    // What the window shows, composed before it goes to the screen.
    HDC bufferDc_ = nullptr;
    HBITMAP buffer_ = nullptr, oldBuffer_ = nullptr;
    std::uint32_t *bits_ = nullptr;
    int bufferW_ = 0, bufferH_ = 0;
};

// The native side of a control on Windows.
class ControlSide : public NativeControl {
public:
    ControlSide(Control &c, FormWindow &window) : control(c), window(window) {}
    ~ControlSide() override;
    Control &control;
    FormWindow &window;
    // Its place in the form's client area, pixels of the toolkit.
    Rect placeInWindow() const;
    // Device pixels on the screen.
    RECT screenRect() const;
    bool visibleOnScreen() const;
    bool hasKeyboard() const;
    // A list box or an edit control: a window of the system.
    virtual HWND systemWindow() const { return nullptr; }
    // The screen's scale changed.
    virtual void rescale() {}

    Rect rect;            // in the container's pixels
    bool visible = true;
    long z = 0;           // stacking among siblings: higher lies above
    ControlSide *container = nullptr;
};

// A picture box or a label: painted by its window.
class Painted : public ControlSide {
public:
    Painted(Control &c, FormWindow &window, const ControlInfo &info);
    void setGeometry(const Rect &r) override;
    void setVisible(bool visible) override;
    void raise() override;
    void update() override;
    void setText(const String &) override { update(); }
    void setFocus() override { SetFocus(window.hwnd); }

private:
    UINT_PTR tip_ = 0; // its tool tip, if it has one
};

// A list box or an edit control.
class SystemControl : public ControlSide {
public:
    SystemControl(Control &c, FormWindow &window, HWND hwnd, const ControlInfo &info);
    ~SystemControl() override;
    HWND hwnd;
    HWND systemWindow() const override { return hwnd; }

    void setGeometry(const Rect &r) override;
    void setVisible(bool visible) override;
    void raise() override;
    void setText(const String &text) override { SetWindowTextW(hwnd, wide(text).c_str()); }
    void setFont(const FontDef &font) override;
    void addItem(const String &item) override;
    void setCurrentItem(int row) override;
    void setFocus() override { SetFocus(hwnd); }
    void rescale() override;

    static SystemControl *of(HWND hwnd);
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

private:
    WNDPROC systemProc_ = nullptr; // the system control's own procedure
    FontDef font_;
    int rowHeight_ = 0;
    bool quiet_ = false; // not drawing while items are added before the window shows
    friend class FormWindow;
};

// What a screen reader asks a window for (accessible.cpp): the accessible
// object of the form's client, or of a control (control null: the form's);
// 0 when the question is not that one. A window or control that goes is
// forgotten, and its object answers no more.
LRESULT answerGetObject(Form &form, Control *control, WPARAM wp, LPARAM lp);
void forgetAccessible(const void *formOrControl);
// Raises the event a screen reader follows for a change of a control.
void tellAccessible(Form &form, Control &control, AccessibleChange what);

} // namespace ui::win32
