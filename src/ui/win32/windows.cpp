// The windows and controls on the Win32 API.
#include "backend_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

namespace ui::win32 {

namespace {

const wchar_t FormClass[] = L"LunivarForm";

int scaled(int v) { return v * backend().scale; }
RECT deviceRect(const Rect &r) { return RECT{scaled(r.x), scaled(r.y), scaled(r.x + r.w), scaled(r.y + r.h)}; }

// The native sides the toolkit holds are this backend's own.
FormWindow &windowOf(NativeWindow &w) { return static_cast<FormWindow &>(w); }
ControlSide &sideOf(const Control &c) { return static_cast<ControlSide &>(c.native()); }

std::int16_t buttonsOf(WPARAM wp) {
    return std::int16_t((wp & MK_LBUTTON ? vbLeftButton : 0) | (wp & MK_RBUTTON ? vbRightButton : 0) |
                        (wp & MK_MBUTTON ? vbMiddleButton : 0));
}

// The tool tips of a window: one for a whole window of the system, or for a
// rectangle of its client area.
HWND toolTips() {
    static HWND tips = [] {
        // The common controls are loaded here, not when the program starts:
        // on some systems loading them waits for the desktop.
        if (auto init = systemFunction<decltype(&InitCommonControlsEx)>(L"comctl32.dll", "InitCommonControlsEx")) {
            INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
            init(&icc);
        }
        return CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, nullptr,
                               nullptr, backend().instance, nullptr);
    }();
    return tips;
}

void addToolTip(HWND owner, UINT_PTR id, bool wholeWindow, const RECT &r, const String &text) {
    std::wstring w = wide(text);
    TOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_SUBCLASS | (wholeWindow ? TTF_IDISHWND : 0);
    ti.hwnd = wholeWindow ? GetParent(owner) : owner;
    ti.uId = wholeWindow ? UINT_PTR(owner) : id;
    ti.rect = r;
    ti.lpszText = w.data();
    SendMessageW(toolTips(), TTM_ADDTOOLW, 0, LPARAM(&ti));
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
        return true;
    }();
    (void)done;
}

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

// Nothing is drawn for a window that is not on the screen yet.
UINT quietUntilShown(HWND hwnd) { return IsWindowVisible(GetAncestor(hwnd, GA_ROOT)) ? 0 : SWP_NOREDRAW; }

} // namespace

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
    if (bufferDc_) SelectObject(bufferDc_, oldBuffer_), DeleteObject(buffer_), DeleteDC(bufferDc_);
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
    if (owner) owner_ = windowOf(*owner).hwnd, SetWindowLongPtrW(hwnd, GWLP_HWNDPARENT, LONG_PTR(owner_));
    modal_ = modal;
    if (modal && owner_) EnableWindow(owner_, FALSE);
    for (ControlSide *c : controls)
        if (auto *s = dynamic_cast<SystemControl *>(c); s && s->quiet_) SendMessageW(s->hwnd, WM_SETREDRAW, TRUE, 0), s->quiet_ = false;
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

void FormWindow::accessibleChanged(Control &c, AccessibleChange what) { tellAccessible(form, c, what); }

void FormWindow::invalidate(const Rect &logical) {
    const RECT r = deviceRect(logical);
    InvalidateRect(hwnd, &r, FALSE);
}

FormWindow *FormWindow::of(HWND hwnd) { return reinterpret_cast<FormWindow *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

// ---------------------------------------------------------------- painting

void FormWindow::paint() {
    // The window's picture, then its painted controls from the lowest up,
    // each a container first and its children on it; composed off the
    // screen, then shown.
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    const int s = backend().scale;
    const Pixels image = form.image(s);
    if (image.width != bufferW_ || image.height != bufferH_ || !bufferDc_) {
        if (bufferDc_) SelectObject(bufferDc_, oldBuffer_), DeleteObject(buffer_), DeleteDC(bufferDc_);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = image.width;
        bi.bmiHeader.biHeight = -image.height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void *bits = nullptr;
        bufferDc_ = CreateCompatibleDC(dc);
        buffer_ = CreateDIBSection(bufferDc_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        oldBuffer_ = HBITMAP(SelectObject(bufferDc_, buffer_));
        bits_ = static_cast<std::uint32_t *>(bits);
        bufferW_ = image.width, bufferH_ = image.height;
        SetBkMode(bufferDc_, TRANSPARENT);
    }
    if (bits_) {
        for (int y = 0; y < image.height; ++y)
            std::memcpy(bits_ + std::size_t(y) * std::size_t(bufferW_), image.row(y), std::size_t(image.width) * 4);
        std::vector<Painted *> top;
        for (ControlSide *c : controls)
            if (!c->container)
                if (auto *p = dynamic_cast<Painted *>(c)) top.push_back(p);
        std::stable_sort(top.begin(), top.end(), [](Painted *a, Painted *b) { return a->z < b->z; });
        const RECT all{0, 0, bufferW_, bufferH_};
        for (Painted *p : top) paintControl(*p, bufferDc_, all);
        GdiFlush();
        const RECT &r = ps.rcPaint;
        BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, bufferDc_, r.left, r.top, SRCCOPY);
    }
    EndPaint(hwnd, &ps);
}

void FormWindow::paintControl(Painted &c, HDC dc, const RECT &clip) {
    if (!c.visible) return;
    const int s = backend().scale;
    const RECT whole = deviceRect(c.placeInWindow());
    RECT r;
    if (!IntersectRect(&r, &whole, &clip)) return;
    if (auto *box = dynamic_cast<PictureBox *>(&c.control)) {
        GdiFlush(); // the text drawn before is in the pixels
        const Surface &shown = box->shown(s);
        for (int y = r.top; y < r.bottom; ++y) {
            const int sy = y - whole.top, sx = r.left - whole.left;
            if (sy >= shown.height() || sx >= shown.width()) continue;
            const int n = std::min<int>(r.right - r.left, shown.width() - sx);
            std::memcpy(bits_ + std::size_t(y) * std::size_t(bufferW_) + std::size_t(r.left), shown.row(sy) + sx, std::size_t(n) * 4);
        }
    } else if (auto *label = dynamic_cast<Label *>(&c.control)) {
        // Its own caption: what lies under it is painted already.
        const TextRun t = label->drawing(s).texts.back();
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
        SelectObject(dc, backend().font(t.font));
        SetTextColor(dc, COLORREF(t.color & 0xFFFFFF)); // both 0xBBGGRR
        std::wstring text = wide(t.caption);
        RECT at{whole.left, whole.top, whole.left + 10000, whole.top + 10000};
        DrawTextW(dc, text.c_str(), int(text.size()), &at, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOCLIP);
        RestoreDC(dc, saved);
    }
    std::vector<Painted *> children;
    for (ControlSide *k : controls)
        if (k->container == &c)
            if (auto *p = dynamic_cast<Painted *>(k)) children.push_back(p);
    std::stable_sort(children.begin(), children.end(), [](Painted *a, Painted *b) { return a->z < b->z; });
    for (Painted *k : children) paintControl(*k, dc, r);
}

// ---------------------------------------------------------------- the pointer

bool FormWindow::mouse(UINT msg, WPARAM wp, LPARAM lp) {
    using K = MouseEvent::Kind;
    static const struct { UINT msg; K kind; std::int16_t button; } table[] = {
        {WM_MOUSEMOVE, K::Move, 0},
        {WM_LBUTTONDOWN, K::Down, vbLeftButton},          {WM_LBUTTONUP, K::Up, vbLeftButton},
        {WM_LBUTTONDBLCLK, K::DoubleClick, vbLeftButton}, {WM_RBUTTONDOWN, K::Down, vbRightButton},
        {WM_RBUTTONUP, K::Up, vbRightButton},             {WM_RBUTTONDBLCLK, K::DoubleClick, vbRightButton},
        {WM_MBUTTONDOWN, K::Down, vbMiddleButton},        {WM_MBUTTONUP, K::Up, vbMiddleButton},
        {WM_MBUTTONDBLCLK, K::DoubleClick, vbMiddleButton},
    };
    for (const auto &t : table) {
        if (t.msg != msg) continue;
        const std::int16_t shift = std::int16_t((wp & MK_SHIFT ? vbShiftMask : 0) | (wp & MK_CONTROL ? vbCtrlMask : 0) |
                                                (GetKeyState(VK_MENU) < 0 ? vbAltMask : 0));
        const double s = backend().scale;
        // The window keeps the pointer from a press to the release of the
        // last button; the toolkit decides which of its controls has it.
        const std::int16_t held = buttonsOf(wp);
        if (t.kind == K::Down || t.kind == K::DoubleClick) SetCapture(hwnd);
        if (t.kind == K::Up && !held) ReleaseCapture();
        form.nativePointer(MouseEvent{t.kind, t.button, held, shift, short(LOWORD(lp)) / s, short(HIWORD(lp)) / s});
        return true;
    }
    return false;
}

LRESULT CALLBACK FormWindow::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    FormWindow *window = of(hwnd);
    if (!window) return DefWindowProcW(hwnd, msg, wp, lp);
    FormWindow &self = *window;
    Form *form = &self.form;
    if (self.mouse(msg, wp, lp)) return 0;
    const int s = backend().scale;
    switch (msg) {
    case WM_PAINT:
        self.paint();
        return 0;
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
                for (ControlSide *c : f->controls) c->rescale();
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
    case WM_TIMER:
        if (wp == FocusTimer) {
            KillTimer(hwnd, FocusTimer);
            const std::vector<Control *> children = form->accessibleChildren();
            for (std::size_t i = 0; i < children.size(); ++i)
                if (GetFocus() == hwnd && children[i]->hasFocus())
                    NotifyWinEvent(EVENT_OBJECT_FOCUS, hwnd, OBJID_CLIENT, LONG(i) + 1);
        }
        return 0;
    case PressMessage:
        if (std::size_t(lp) < form->controls().size()) form->controls()[std::size_t(lp)]->nativePress();
        return 0;
    case WM_COMMAND:
        if (auto *c = lp ? SystemControl::of(HWND(lp)) : nullptr) {
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

ControlSide::~ControlSide() {
    forgetAccessible(&control);
    auto &list = window.controls;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

Rect ControlSide::placeInWindow() const {
    Rect r = rect;
    for (const ControlSide *c = container; c; c = c->container) r.x += c->rect.x, r.y += c->rect.y;
    return r;
}

RECT ControlSide::screenRect() const {
    RECT r = deviceRect(placeInWindow());
    MapWindowPoints(window.hwnd, nullptr, reinterpret_cast<POINT *>(&r), 2);
    return r;
}

bool ControlSide::visibleOnScreen() const {
    for (const ControlSide *c = this; c; c = c->container)
        if (!c->visible) return false;
    return IsWindowVisible(window.hwnd);
}

bool ControlSide::hasKeyboard() const {
    const HWND focus = GetFocus();
    return systemWindow() ? focus == systemWindow() : focus == window.hwnd && control.hasFocus();
}

namespace {
long stacking = 0;
}

Painted::Painted(Control &c, FormWindow &w, const ControlInfo &info) : ControlSide(c, w) {
    z = ++stacking;
    if (!info.toolTip.empty()) {
        tip_ = UINT_PTR(this);
        addToolTip(w.hwnd, tip_, false, RECT{}, info.toolTip);
    }
}

void Painted::setGeometry(const Rect &r) {
    window.invalidate(placeInWindow());
    rect = r;
    window.invalidate(placeInWindow());
    if (tip_) {
        TOOLINFOW ti{};
        ti.cbSize = sizeof ti;
        ti.hwnd = window.hwnd;
        ti.uId = tip_;
        ti.rect = deviceRect(placeInWindow());
        SendMessageW(toolTips(), TTM_NEWTOOLRECTW, 0, LPARAM(&ti));
    }
}

void Painted::setVisible(bool v) {
    visible = v;
    update();
}

void Painted::raise() {
    z = ++stacking;
    update();
}

void Painted::update() { window.invalidate(placeInWindow()); }

SystemControl::SystemControl(Control &c, FormWindow &w, HWND h, const ControlInfo &info)
    : ControlSide(c, w), hwnd(h), rowHeight_(info.rowHeight) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, LONG_PTR(this));
    if (!info.toolTip.empty()) addToolTip(hwnd, 0, true, RECT{}, info.toolTip);
    systemProc_ = WNDPROC(SetWindowLongPtrW(hwnd, GWLP_WNDPROC, LONG_PTR(SystemControl::proc)));
}

SystemControl::~SystemControl() {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    DestroyWindow(hwnd);
}

SystemControl *SystemControl::of(HWND hwnd) { return reinterpret_cast<SystemControl *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

void SystemControl::setGeometry(const Rect &r) {
    if (r == rect) return;
    rect = r;
    const RECT d = deviceRect(placeInWindow());
    SetWindowPos(hwnd, nullptr, d.left, d.top, d.right - d.left, d.bottom - d.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | quietUntilShown(hwnd));
}

void SystemControl::setVisible(bool v) {
    visible = v;
    if (bool(GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE) != v) ShowWindow(hwnd, v ? SW_SHOWNA : SW_HIDE);
}

void SystemControl::raise() {
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | quietUntilShown(hwnd));
}

void SystemControl::setFont(const FontDef &font) {
    font_ = font;
    SendMessageW(hwnd, WM_SETFONT, WPARAM(backend().font(font)), TRUE);
}

void SystemControl::rescale() {
    SendMessageW(hwnd, WM_SETFONT, WPARAM(backend().font(font_)), FALSE);
    if (rowHeight_ && dynamic_cast<ListBox *>(&control)) SendMessageW(hwnd, LB_SETITEMHEIGHT, 0, LPARAM(scaled(rowHeight_)));
}

void SystemControl::addItem(const String &item) {
    // Before the window shows, the list does not draw itself item by item.
    if (!quiet_ && !IsWindowVisible(window.hwnd)) SendMessageW(hwnd, WM_SETREDRAW, FALSE, 0), quiet_ = true;
    SendMessageW(hwnd, LB_ADDSTRING, 0, LPARAM(wide(item).c_str()));
}

void SystemControl::setCurrentItem(int row) { SendMessageW(hwnd, LB_SETCURSEL, WPARAM(row), 0); }

LRESULT CALLBACK SystemControl::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    // A list or a field: the system's, but for what a screen reader asks.
    SystemControl *self = of(hwnd);
    if (self && msg == WM_GETOBJECT)
        if (LRESULT answer = answerGetObject(self->control.form(), &self->control, wp, lp)) return answer;
    return CallWindowProcW(self ? self->systemProc_ : DefWindowProcW, hwnd, msg, wp, lp);
}

// ---------------------------------------------------------------- creating them

std::unique_ptr<NativeWindow> Win32Backend::createWindow(Form &form, const WindowInfo &info) {
    return std::make_unique<FormWindow>(form, info);
}

std::unique_ptr<NativeControl> Win32Backend::createControl(Control &c, const ControlInfo &info) {
    FormWindow &window = windowOf(c.form().native());
    ControlSide *container = c.container() ? &sideOf(*c.container()) : nullptr;
    std::unique_ptr<ControlSide> side;
    if (info.kind == Kind::PictureBox || info.kind == Kind::Label) {
        side = std::make_unique<Painted>(c, window, info);
    } else {
        const bool list = info.kind == Kind::ListBox;
        Rect place = info.place; // in the window's client area
        for (const ControlSide *k = container; k; k = k->container) place.x += k->rect.x, place.y += k->rect.y;
        const RECT at = deviceRect(place);
        const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP |
                            (list ? WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT
                                  : ES_AUTOHSCROLL | (info.readOnly ? ES_READONLY : 0));
        HWND h = CreateWindowExW(WS_EX_CLIENTEDGE, list ? L"LISTBOX" : L"EDIT", L"", style, at.left, at.top,
                                 at.right - at.left, at.bottom - at.top, window.hwnd, nullptr, instance, nullptr);
        auto system = std::make_unique<SystemControl>(c, window, h, info);
        system->rect = info.place;
        system->setFont(FontDef{});
        if (list) SendMessageW(h, LB_SETITEMHEIGHT, 0, LPARAM(scaled(info.rowHeight))); // the rows the layouts are drawn for
        side = std::move(system);
    }
    side->container = container;
    window.controls.push_back(side.get());
    return side;
}

} // namespace ui::win32
