// The windows and controls on the Win32 API.
#include "backend_win32.h"

#include <commctrl.h>

#include <algorithm>

namespace ui::win32 {

namespace {

const wchar_t FormClass[] = L"LunivarForm";
const wchar_t PictureClass[] = L"LunivarPicture";

int scaled(int v) { return v * backend().scale; }

// The native sides the toolkit holds are this backend's own.
HWND windowOf(NativeWindow &w) { return static_cast<FormWindow &>(w).hwnd; }

BOOL CALLBACK addFormWindow(HWND h, LPARAM list) {
    wchar_t name[32] = {};
    GetClassNameW(h, name, 32);
    if (!lstrcmpW(name, FormClass)) reinterpret_cast<std::vector<HWND> *>(list)->push_back(h);
    return TRUE;
}

// The program's windows of the form class, on this thread.
std::vector<HWND> allWindows() {
    std::vector<HWND> out;
    EnumThreadWindows(GetCurrentThreadId(), addFormWindow, LPARAM(&out));
    return out;
}
HWND windowOf(NativeControl &c) { return static_cast<ControlWindow &>(c).hwnd; }

std::int16_t buttonsOf(WPARAM wp) {
    return std::int16_t((wp & MK_LBUTTON ? vbLeftButton : 0) | (wp & MK_RBUTTON ? vbRightButton : 0) |
                        (wp & MK_MBUTTON ? vbMiddleButton : 0));
}

// A tool tip for a window.
void addToolTip(HWND hwnd, const String &text) {
    static HWND tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                                       nullptr, nullptr, backend().instance, nullptr);
    std::wstring w = wide(text);
    TOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = GetParent(hwnd);
    ti.uId = UINT_PTR(hwnd);
    ti.lpszText = w.data();
    SendMessageW(tips, TTM_ADDTOOLW, 0, LPARAM(&ti));
}

void registerClasses() {
    static const bool done = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.hInstance = backend().instance;
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // the arrow
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = FormWindow::proc;
        wc.lpszClassName = FormClass;
        wc.hIcon = LoadIconW(backend().instance, MAKEINTRESOURCEW(1));
        RegisterClassExW(&wc);
        wc.hIcon = nullptr;
        wc.lpfnWndProc = ControlWindow::pictureProc;
        wc.lpszClassName = PictureClass;
        RegisterClassExW(&wc);
        return true;
    }();
    (void)done;
}

} // namespace

void showPixels(HDC dc, int x, int y, const Pixels &px) {
    if (!px.first || px.width <= 0 || px.height <= 0) return;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = px.stride;
    bi.bmiHeader.biHeight = -px.height; // top row first
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    SetDIBitsToDevice(dc, x, y, DWORD(px.width), DWORD(px.height), 0, 0, 0, UINT(px.height), px.first, &bi,
                      DIB_RGB_COLORS);
}

bool mouseMessage(UINT msg, WPARAM wp, LPARAM lp, HWND capture, MouseEvent &e) {
    using K = MouseEvent::Kind;
    static const struct { UINT msg; K kind; std::int16_t button; } table[] = {
        {WM_MOUSEMOVE, K::Move, 0},
        {WM_LBUTTONDOWN, K::Down, vbLeftButton},        {WM_LBUTTONUP, K::Up, vbLeftButton},
        {WM_LBUTTONDBLCLK, K::DoubleClick, vbLeftButton}, {WM_RBUTTONDOWN, K::Down, vbRightButton},
        {WM_RBUTTONUP, K::Up, vbRightButton},           {WM_RBUTTONDBLCLK, K::DoubleClick, vbRightButton},
        {WM_MBUTTONDOWN, K::Down, vbMiddleButton},      {WM_MBUTTONUP, K::Up, vbMiddleButton},
        {WM_MBUTTONDBLCLK, K::DoubleClick, vbMiddleButton},
    };
    for (const auto &t : table) {
        if (t.msg != msg) continue;
        const std::int16_t shift = std::int16_t((wp & MK_SHIFT ? vbShiftMask : 0) | (wp & MK_CONTROL ? vbCtrlMask : 0) |
                                                (GetKeyState(VK_MENU) < 0 ? vbAltMask : 0));
        const double s = backend().scale;
        e = MouseEvent{t.kind, t.button, buttonsOf(wp), shift, short(LOWORD(lp)) / s, short(HIWORD(lp)) / s};
        // From a press to the release of the last button, the pointer is the pressed window's.
        if (t.kind == K::Down || t.kind == K::DoubleClick) SetCapture(capture);
        else if (t.kind == K::Up && !(wp & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) ReleaseCapture();
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- the window

FormWindow::FormWindow(Form &f, const WindowInfo &info) : form(f) {
    registerClasses();
    hwnd = CreateWindowExW(info.taskbar ? WS_EX_APPWINDOW : WS_EX_TOOLWINDOW, FormClass, L"",
                           WS_POPUP | WS_CLIPCHILDREN | WS_MINIMIZEBOX | WS_SYSMENU, 0, 0, 1, 1, nullptr, nullptr,
                           backend().instance, nullptr);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, LONG_PTR(this));
    if (info.icon) {
        SendMessageW(hwnd, WM_SETICON, ICON_BIG, LPARAM(LoadIconW(backend().instance, MAKEINTRESOURCEW(1))));
        SendMessageW(hwnd, WM_SETICON, ICON_SMALL, LPARAM(LoadIconW(backend().instance, MAKEINTRESOURCEW(1))));
    }
}

FormWindow::~FormWindow() {
    forgetAccessible(&form);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    DestroyWindow(hwnd);
}

void FormWindow::setTitle(const String &title) { SetWindowTextW(hwnd, wide(title).c_str()); }

void FormWindow::setSize(int width, int height) {
    applying_ = true;
    SetWindowPos(hwnd, nullptr, 0, 0, scaled(width), scaled(height), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    applying_ = false;
    update();
}

void FormWindow::move(int x, int y) {
    applying_ = true;
    SetWindowPos(hwnd, nullptr, scaled(x), scaled(y), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    applying_ = false;
}

Rect FormWindow::frame() const {
    RECT r;
    GetWindowRect(hwnd, &r);
    const int s = backend().scale;
    return Rect{r.left / s, r.top / s, (r.right - r.left) / s, (r.bottom - r.top) / s};
}

Rect FormWindow::screenArea() const {
    RECT r;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
    const int s = backend().scale;
    return Rect{r.left / s, r.top / s, (r.right - r.left) / s, (r.bottom - r.top) / s};
}

void FormWindow::show(NativeWindow *owner, bool modal) {
    // An owned window stays above its owner and has no taskbar button.
    if (owner) owner_ = windowOf(*owner), SetWindowLongPtrW(hwnd, GWLP_HWNDPARENT, LONG_PTR(owner_));
    modal_ = modal;
    if (modal && owner_) EnableWindow(owner_, FALSE);
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
}

void FormWindow::hide() {
    // The owner takes input again before this window goes, so that it is activated.
    if (modal_ && owner_) EnableWindow(owner_, TRUE);
    modal_ = false;
    ShowWindow(hwnd, SW_HIDE);
    if (owner_) SetForegroundWindow(owner_);
}

void FormWindow::setState(std::int16_t state) {
    applying_ = true;
    ShowWindow(hwnd, state == vbMinimized ? SW_MINIMIZE : state == vbMaximized ? SW_MAXIMIZE : SW_RESTORE);
    applying_ = false;
}

void FormWindow::setRegion(const std::vector<Rect> *spans) {
    // The region belongs to the system from now on.
    HRGN region = nullptr;
    if (spans) {
        region = CreateRectRgn(0, 0, 0, 0);
        for (const Rect &r : *spans) {
            HRGN band = CreateRectRgn(scaled(r.x), scaled(r.y), scaled(r.x + r.w), scaled(r.y + r.h));
            CombineRgn(region, region, band, RGN_OR);
            DeleteObject(band);
        }
    }
    SetWindowRgn(hwnd, region, TRUE);
}

void FormWindow::runModal() {
    modalEnded_ = false;
    MSG msg;
    while (!modalEnded_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (backend().translateKey(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

int FormWindow::popupMenu(const std::vector<String> &captions) {
    HMENU menu = CreatePopupMenu();
    for (std::size_t i = 0; i < captions.size(); ++i)
        if (captions[i] == "-") AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        else AppendMenuW(menu, MF_STRING, UINT_PTR(i + 1), wide(captions[i]).c_str());
    POINT at;
    GetCursorPos(&at);
    SetForegroundWindow(hwnd);
    const int chosen = int(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, 0, hwnd, nullptr));
    PostMessageW(hwnd, WM_NULL, 0, 0);
    DestroyMenu(menu);
    return chosen - 1;
}

FormWindow *FormWindow::of(HWND hwnd) { return reinterpret_cast<FormWindow *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

LRESULT CALLBACK FormWindow::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    FormWindow *window = of(hwnd);
    if (!window) return DefWindowProcW(hwnd, msg, wp, lp);
    FormWindow &self = *window;
    Form *form = &self.form;
    MouseEvent e;
    if (mouseMessage(msg, wp, lp, hwnd, e)) {
        form->nativeMouse(e);
        return 0;
    }
    const int s = backend().scale;
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        showPixels(dc, 0, 0, form->image(s));
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        if (!self.applying_) {
            if (wp == SIZE_MINIMIZED) form->nativeStateChanged(vbMinimized);
            else form->nativeStateChanged(wp == SIZE_MAXIMIZED ? vbMaximized : vbNormal),
                 form->nativeResized(LOWORD(lp) / s, HIWORD(lp) / s);
        }
        return 0;
    case WM_MOVE:
        if (!self.applying_) form->nativeMoved(short(LOWORD(lp)) / s, short(HIWORD(lp)) / s);
        return 0;
    case WM_ACTIVATE:
        // Activated again (after a modal window, a restore, Alt+Tab): the
        // keyboard goes back to the control that had it.
        if (LOWORD(wp) != WA_INACTIVE && !HIWORD(wp)) {
            form->nativeActivated();
            return 0;
        }
        break;
    case WM_SETFOCUS:
        form->nativeActivated();
        return 0;
    case WM_DPICHANGED:
        // Moved to a screen of another scale: everything drawn and placed
        // anew at it, where the system suggests.
        if (const int now = scaleOf(HIWORD(wp)); now != backend().scale) {
            backend().scale = now;
            for (HWND w : allWindows()) {
                FormWindow *f = FormWindow::of(w);
                if (!f) continue;
                for (auto &c : f->form.controls()) static_cast<ControlWindow &>(c->native()).rescale();
                f->form.nativeScaleChanged();
            }
            const RECT *r = reinterpret_cast<const RECT *>(lp);
            self.applying_ = true;
            SetWindowPos(hwnd, nullptr, r->left, r->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            self.applying_ = false;
        }
        return 0;
    case WM_CLOSE:
        // The system's close: the window decides through its unload handlers.
        form->nativeClose();
        return 0;
    case WM_GETOBJECT:
        if (LRESULT answer = answerGetObject(*form, nullptr, wp, lp)) return answer;
        break;
    case PressMessage:
        if (auto *c = ControlWindow::of(HWND(lp))) c->control.nativePress();
        return 0;
    case WM_COMMAND:
        if (auto *c = lp ? ControlWindow::of(HWND(lp)) : nullptr) {
            // A list's selection changed by the user; the keyboard arrived in a list or a field.
            if (HIWORD(wp) == LBN_SELCHANGE)
                if (auto *list = dynamic_cast<ListBox *>(&c->control))
                    list->nativeSelected(int(SendMessageW(HWND(lp), LB_GETCURSEL, 0, 0)));
            if (HIWORD(wp) == LBN_SETFOCUS || HIWORD(wp) == EN_SETFOCUS) c->control.nativeFocusIn();
        }
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        // Fields and lists are white with black text, read-only or not.
        SetBkColor(HDC(wp), RGB(255, 255, 255));
        SetTextColor(HDC(wp), RGB(0, 0, 0));
        return LRESULT(GetStockObject(WHITE_BRUSH));
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// ---------------------------------------------------------------- controls

ControlWindow::ControlWindow(Control &c, HWND h, const ControlInfo &info) : control(c), hwnd(h), rowHeight(info.rowHeight) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, LONG_PTR(this));
    if (!info.toolTip.empty()) addToolTip(hwnd, info.toolTip);
}

ControlWindow::~ControlWindow() {
    forgetAccessible(&control);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    DestroyWindow(hwnd);
}

ControlWindow *ControlWindow::of(HWND hwnd) { return reinterpret_cast<ControlWindow *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

namespace {
// Nothing is drawn for a window that is not on the screen yet.
UINT quietUntilShown(HWND hwnd) { return IsWindowVisible(GetAncestor(hwnd, GA_ROOT)) ? 0 : SWP_NOREDRAW; }
} // namespace

void ControlWindow::setGeometry(const Rect &r) {
    SetWindowPos(hwnd, nullptr, scaled(r.x), scaled(r.y), scaled(r.w), scaled(r.h),
                 SWP_NOZORDER | SWP_NOACTIVATE | quietUntilShown(hwnd));
}

void ControlWindow::setVisible(bool visible) {
    if (bool(GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE) != visible) ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE);
}

void ControlWindow::raise() {
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | quietUntilShown(hwnd));
}

void ControlWindow::setFont(const FontDef &font) {
    font_ = font, hasFont_ = true;
    SendMessageW(hwnd, WM_SETFONT, WPARAM(backend().font(font)), TRUE);
}

void ControlWindow::rescale() {
    if (hasFont_) SendMessageW(hwnd, WM_SETFONT, WPARAM(backend().font(font_)), FALSE);
    if (rowHeight && dynamic_cast<ListBox *>(&control)) SendMessageW(hwnd, LB_SETITEMHEIGHT, 0, LPARAM(scaled(rowHeight)));
}

void ControlWindow::addItem(const String &item) { SendMessageW(hwnd, LB_ADDSTRING, 0, LPARAM(wide(item).c_str())); }

void ControlWindow::setCurrentItem(int row) { SendMessageW(hwnd, LB_SETCURSEL, WPARAM(row), 0); }

LRESULT CALLBACK ControlWindow::pictureProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    ControlWindow *self = of(hwnd);
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    auto &box = static_cast<PictureBox &>(self->control); // this class is the picture boxes' alone
    MouseEvent e;
    if (mouseMessage(msg, wp, lp, hwnd, e)) {
        box.nativeMouse(e);
        return 0;
    }
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        const Surface &shown = box.shown(backend().scale);
        showPixels(dc, 0, 0, shown.pixels(Rect{0, 0, shown.width(), shown.height()}));
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (msg == WM_ERASEBKGND) return 1;
    if (msg == WM_GETOBJECT)
        if (LRESULT answer = answerGetObject(box.form(), &box, wp, lp)) return answer;
    return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK ControlWindow::labelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    ControlWindow *self = of(hwnd);
    MouseEvent e;
    if (self && mouseMessage(msg, wp, lp, hwnd, e)) {
        self->control.nativeMouse(e);
        return 0;
    }
    if (self && msg == WM_PAINT) {
        // What lies under the label, then the captions it shows.
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        const int s = backend().scale;
        const LabelDrawing d = static_cast<Label &>(self->control).drawing(s); // as this procedure is labels' alone
        showPixels(dc, d.under.x, d.under.y, d.under);
        SetBkMode(dc, TRANSPARENT);
        for (const TextRun &t : d.texts) {
            HGDIOBJ old = SelectObject(dc, backend().font(t.font));
            SetTextColor(dc, COLORREF(t.color & 0xFFFFFF)); // both 0xBBGGRR
            std::wstring text = wide(t.caption);
            RECT r{t.x * s, t.y * s, 10000, 10000};
            DrawTextW(dc, text.c_str(), int(text.size()), &r, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOCLIP);
            SelectObject(dc, old);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (self && msg == WM_ERASEBKGND) return 1;
    if (self && msg == WM_GETOBJECT)
        if (LRESULT answer = answerGetObject(self->control.form(), &self->control, wp, lp)) return answer;
    return CallWindowProcW(self ? self->systemProc : DefWindowProcW, hwnd, msg, wp, lp);
}

LRESULT CALLBACK ControlWindow::systemControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    // A list or a field: the system's, but for what a screen reader asks.
    ControlWindow *self = of(hwnd);
    if (self && msg == WM_GETOBJECT)
        if (LRESULT answer = answerGetObject(self->control.form(), &self->control, wp, lp)) return answer;
    return CallWindowProcW(self ? self->systemProc : DefWindowProcW, hwnd, msg, wp, lp);
}

// ---------------------------------------------------------------- creating them

std::unique_ptr<NativeWindow> Win32Backend::createWindow(Form &form, const WindowInfo &info) {
    return std::make_unique<FormWindow>(form, info);
}

std::unique_ptr<NativeControl> Win32Backend::createControl(Control &c, const ControlInfo &info) {
    registerClasses();
    HWND parent = c.container() ? windowOf(c.container()->native()) : windowOf(c.form().native());
    const DWORD child = WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE;
    std::unique_ptr<ControlWindow> w;
    switch (info.kind) {
    case Kind::PictureBox:
        w = std::make_unique<ControlWindow>(
            c, CreateWindowExW(0, PictureClass, L"", child | WS_CLIPCHILDREN, 0, 0, 1, 1, parent, nullptr, instance, nullptr), info);
        break;
    case Kind::Label: {
        HWND h = CreateWindowExW(0, L"STATIC", L"", child | SS_LEFT | SS_NOTIFY, 0, 0, 1, 1, parent, nullptr, instance, nullptr);
        w = std::make_unique<ControlWindow>(c, h, info);
        w->systemProc = WNDPROC(SetWindowLongPtrW(h, GWLP_WNDPROC, LONG_PTR(ControlWindow::labelProc)));
        break;
    }
    case Kind::TextBox:
        w = std::make_unique<ControlWindow>(
            c, CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", child | WS_TABSTOP | ES_AUTOHSCROLL | (info.readOnly ? ES_READONLY : 0),
                               0, 0, 1, 1, parent, nullptr, instance, nullptr), info);
        w->setFont(FontDef{});
        w->systemProc = WNDPROC(SetWindowLongPtrW(w->hwnd, GWLP_WNDPROC, LONG_PTR(ControlWindow::systemControlProc)));
        break;
    case Kind::ListBox:
        w = std::make_unique<ControlWindow>(
            c, CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                               child | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT, 0, 0,
                               1, 1, parent, nullptr, instance, nullptr), info);
        w->setFont(FontDef{});
        SendMessageW(w->hwnd, LB_SETITEMHEIGHT, 0, LPARAM(scaled(info.rowHeight))); // the rows the layouts are drawn for
        w->systemProc = WNDPROC(SetWindowLongPtrW(w->hwnd, GWLP_WNDPROC, LONG_PTR(ControlWindow::systemControlProc)));
        break;
    }
    return w;
}

} // namespace ui::win32
