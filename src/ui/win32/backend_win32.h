#pragma once
// The toolkit on the Win32 API. A form is a frameless popup window of the
// system that shows the frame the toolkit composes and hands it what the
// user does; its lists and text boxes are list boxes and edit controls of the
// system, windows of their own. A press captures the pointer for the window
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
    std::unique_ptr<NativeField> createField(Control &control, const FieldInfo &info) override;
    Environment environment() override;
    std::optional<std::vector<std::uint8_t>> readFile(const String &path) override;
    int msgBox(const String &prompt, int style, const String &title) override;
    String monthName(int month) override;
    std::int64_t milliseconds() override { return std::int64_t(GetTickCount64()); }
    void dispatchEvents(int maxMs) override;
    [[noreturn]] void exit() override { ExitProcess(0); }
    Rect measureText(const FontDef &font, const String &text) override;
    bool hasFace(const FontDef &font) override;
    void drawText(Surface &into, const Rect &clip, const TextRun &run, int scale) override;
    bool play(const sound::Wave *wave) override;

    // Device pixels a pixel of the toolkit: the screen's dots per inch over
    // 96, made whole.
    int scale = 1;
    // The font of a layout's font entry (the default font for an empty one),
    // at a scale.
    HFONT font(const FontDef &def, int scale);
    // A message taken from the queue: the keys the toolkit acts on go to the
    // window that has the keyboard, the rest is dispatched.
    void handOut(const MSG &msg);

private:
    bool translateKey(const MSG &msg);
    std::map<std::wstring, HFONT> fonts_;
    HDC measuring_ = nullptr;         // where texts are measured
    HDC drawing_ = nullptr;           // where texts are drawn, into `canvas_`
    HBITMAP canvas_ = nullptr;
    std::uint32_t *canvasBits_ = nullptr;
    int canvasW_ = 0, canvasH_ = 0;
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

// The native side of a window.
class FormWindow : public NativeWindow {
public:
    FormWindow(Form &form, const WindowInfo &info);
    ~FormWindow() override;
    Form &form;
    HWND hwnd = nullptr;

    void setTitle(const String &title) override;
    void place(const Rect &frame) override;
    void setShown(bool shown, NativeWindow *owner, bool modal) override;
    void setState(std::int16_t state) override;
    void setRegion(const std::vector<Rect> *spans) override;
    void present(const Rect &changed) override;
    int popupMenu(const std::vector<String> &captions) override;
    void accessibleChanged(Control &c, AccessibleChange what) override;
    void startSystemMove() override {}

    // Hands the toolkit an event; true when it acted on a key.
    bool hand(Event e);
    static FormWindow *of(HWND hwnd);
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    // Posted to press a control (its place in the form's controls in the
    // LPARAM) once a screen reader's call has returned.
    static constexpr UINT PressMessage = WM_APP + 1;
    // The timer that tells a screen reader again which child has the keyboard.
    static constexpr UINT_PTR FocusTimer = 1;

private:
    void paint();
    void placeToolTips();
    bool mouse(UINT msg, WPARAM wp, LPARAM lp);

    bool applying_ = false, modal_ = false;
    HWND owner_ = nullptr;
    std::vector<std::optional<Rect>> tipPlaces_; // where the tool tips of the painted controls are, by control
};

// A list box or an edit control of the system.
class SystemControl : public NativeField {
public:
    SystemControl(Control &c, FormWindow &window, HWND hwnd, const FieldInfo &info);
    ~SystemControl() override;
    Control &control;
    FormWindow &window;
    HWND hwnd;

    void sync(const FieldState &state) override;
    void setFocus(bool inside) override;
    bool visible() const { return shown_.visible; }

    static SystemControl *of(HWND hwnd);
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

private:
    WNDPROC systemProc_ = nullptr; // the system control's own procedure
    FieldState shown_;
    int shownScale_ = 0;           // the scale its place and font are for
    int rowHeight_ = 0;
    bool quiet_ = false; // not drawing while items are added before the window shows
    bool syncing_ = false;
    friend class FormWindow;
};

// What a screen reader asks a window for (accessible.cpp): the accessible
// object of the form's client, or of a control (control null: the form's);
// 0 when the question is not that one. A window or control that goes is
// forgotten, and its object answers no more.
LRESULT answerGetObject(Form &form, Control *control, WPARAM wp, LPARAM lp);
void forgetAccessible(const Form &form);
// Raises the event a screen reader follows for a change of a control.
void tellAccessible(Form &form, Control &control, AccessibleChange what);

} // namespace ui::win32
