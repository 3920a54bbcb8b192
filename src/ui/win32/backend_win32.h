#pragma once
// The toolkit on the Win32 API. Every window and control is a window of the
// system: a form is a frameless popup window, a picture box a window of our
// own class that shows its persistent image (a DIB section in a memory
// device context), a label a static control, a text box an edit control, a
// list a list box. Windows finds the control under the pointer; a press
// captures the pointer for the control until the last button is released.
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

// A persistent image: a top-down 32-bit DIB section selected into a memory DC.
class DibSurface : public Surface {
public:
    DibSurface(int width, int height);
    ~DibSurface() override;
    std::uint32_t *row(int y) override { return bits_ + std::size_t(y) * std::size_t(width()); }
    HDC dc() const { return dc_; }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr, old_ = nullptr;
    std::uint32_t *bits_ = nullptr;
};

class Win32Backend : public Backend {
public:
    HINSTANCE instance = GetModuleHandleW(nullptr);
    int modalDepth = 0;

    std::unique_ptr<NativeWindow> createWindow(Form &form) override;
    std::unique_ptr<NativeControl> createControl(Control &control) override;
    std::unique_ptr<Surface> createSurface(int width, int height) override;
    double twipsPerPixelX() const override;
    double twipsPerPixelY() const override;
    Picture loadBitmap(int id) override;
    Image layoutPicture(const String &name, int scale) override;
    Image icon() override { return Image(); } // the window takes icon group 1 itself
    Rect textSize(const FontDef &font, const String &text) override;
    int msgBox(const String &prompt, int style, const String &title) override;
    String monthName(int month) override;
    String appPath() override;
    String pathSeparator() const override { return "\\"; }
    Version version() override;
    [[noreturn]] void end() override;
    void deleteLater(std::unique_ptr<Form> form) override { dropped_.push_back(std::move(form)); }
    Region createRoundRectRgn(int x1, int y1, int x2, int y2, int w, int h) override;
    void bitBlt(Surface &dst, int x, int y, int w, int h, Surface &src, int sx, int sy) override;
    bool playSound(const String &path, unsigned flags) override;

    // The font of a layout's font entry (the default font for an empty one).
    HFONT font(const FontDef &def);
    // Whether a font's face is installed with the glyphs its letters are
    // used for (a symbol font's letters), or another face would stand in.
    bool hasFace(const FontDef &def);
    // Frees the windows unloaded while the last message was handled.
    void flushDropped();
    // Keys the windows share: Tab between controls, Enter and Escape for
    // the default and cancel buttons, Alt and a caption's access key.
    bool translateKey(const MSG &msg);

private:
    std::vector<std::unique_ptr<Form>> dropped_;
    std::map<std::wstring, HFONT> fonts_;
};

Win32Backend &backend();

// The native side of a window.
class FormWindow : public NativeWindow {
public:
    explicit FormWindow(Form &form);
    ~FormWindow() override;
    Form &form;
    HWND hwnd = nullptr;
    // The window's own picture: its back colour, its layout's picture and
    // the frame of a window that has one.
    std::unique_ptr<DibSurface> background;
    std::vector<Control *> tabOrder;

    void setTitle(const String &title) override;
    void setSize(int width, int height) override;
    void move(int x, int y) override;
    Rect frame() const override;
    Rect screenArea() const override;
    void show(NativeWindow *owner, bool modal) override;
    void hide() override;
    bool shown() const override { return IsWindowVisible(hwnd); }
    void setState(std::int16_t state) override;
    void setRegion(const Region *region, bool redraw) override;
    void update() override { InvalidateRect(hwnd, nullptr, FALSE); }
    void setTabOrder(const std::vector<Control *> &order) override { tabOrder = order; }
    void runModal() override;
    void endModal() override;
    int popupMenu(const std::vector<String> &captions) override;

    static FormWindow *of(HWND hwnd);
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

private:
    void paintBackground(int width, int height);
    bool applying_ = false, modalEnded_ = false, modal_ = false;
    HWND owner_ = nullptr;
};

// The native side of a control.
class ControlWindow : public NativeControl {
public:
    ControlWindow(Control &control, HWND hwnd);
    ~ControlWindow() override;
    Control &control;
    HWND hwnd;
    bool standIn = false; // a symbol font shown through a face standing in for it

    void setGeometry(const Rect &r) override;
    void setVisible(bool visible) override { ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE); }
    void raise() override { SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE); }
    void update() override;
    void setText(const String &text) override;
    void setForeColor(Color) override { update(); }
    void addItem(const String &item) override;
    void setCurrentItem(int row) override;

    static ControlWindow *of(HWND hwnd);
    static LRESULT CALLBACK pictureProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK labelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    WNDPROC systemProc = nullptr; // the static control's own procedure

private:
    void paintLabel();
};

// The mouse messages every window of ours hands to the toolkit.
bool mouseMessage(UINT msg, WPARAM wp, LPARAM lp, HWND capture, MouseEvent &e);

} // namespace ui::win32
