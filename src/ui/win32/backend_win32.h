#pragma once
// The toolkit on the Win32 API. Every window and control is a window of the
// system: a form is a frameless popup window, a picture box a window of our
// own class, a label a static control painted by us, a text box an edit
// control, a list a list box. They show the pixels and texts the toolkit
// decides and hand it the pointer, the keys and the focus. Windows finds the
// control under the pointer; a press captures the pointer for the control
// until the last button is released. The toolkit's pixels are shown at a
// whole scale of device pixels.
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
    bool playSound(const String &path, unsigned flags) override;
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
    std::vector<std::uint8_t> sound_; // the wave that plays, read into memory
    ULONGLONG soundEnds_ = 0;         // when it has been heard: its length and the device's latency
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

// Shows the toolkit's pixels on a device context at (x, y).
void showPixels(HDC dc, int x, int y, const Pixels &px);

// The native side of a window.
class FormWindow : public NativeWindow {
public:
    FormWindow(Form &form, const WindowInfo &info);
    ~FormWindow() override;
    Form &form;
    HWND hwnd = nullptr;

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
    void update() override { RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN); }
    void runModal() override;
    void endModal() override { modalEnded_ = true; }
    int popupMenu(const std::vector<String> &captions) override;

    static FormWindow *of(HWND hwnd);
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    // Posted to press a control (its window in the LPARAM) once a screen
    // reader's call has returned.
    static constexpr UINT PressMessage = WM_APP + 1;

private:
    bool applying_ = false, modalEnded_ = false, modal_ = false;
    HWND owner_ = nullptr;
};

// The native side of a control.
class ControlWindow : public NativeControl {
public:
    ControlWindow(Control &control, HWND hwnd, const ControlInfo &info);
    ~ControlWindow() override;
    Control &control;
    HWND hwnd;
    int rowHeight = 0;

    void setGeometry(const Rect &r) override;
    void setVisible(bool visible) override;
    void raise() override;
    void update() override { RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN); }
    void setText(const String &text) override { SetWindowTextW(hwnd, wide(text).c_str()); }
    void setFont(const FontDef &font) override;
    void addItem(const String &item) override;
    void setCurrentItem(int row) override;
    void setFocus() override { SetFocus(hwnd); }
    // The screen's scale changed: fonts and rows at the new one.
    void rescale();

    static ControlWindow *of(HWND hwnd);
    static LRESULT CALLBACK pictureProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK labelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK systemControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    WNDPROC systemProc = nullptr; // the system control's own procedure

private:
    FontDef font_; // a text box's, once it has one
    bool hasFont_ = false;
};

// The mouse messages every window of ours hands to the toolkit, in its pixels.
bool mouseMessage(UINT msg, WPARAM wp, LPARAM lp, HWND capture, MouseEvent &e);

// What a screen reader asks a window for (accessible.cpp): the accessible
// object of the form's client, or of a control (control null: the form's);
// 0 when the question is not that one. A window or control that goes is
// forgotten, and its object answers no more.
LRESULT answerGetObject(Form &form, Control *control, WPARAM wp, LPARAM lp);
void forgetAccessible(const void *formOrControl);

} // namespace ui::win32
