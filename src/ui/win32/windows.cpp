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

int buttonsOf(WPARAM wp) {
    return (wp & MK_LBUTTON ? Event::LeftButton : 0) | (wp & MK_RBUTTON ? Event::RightButton : 0) |
           (wp & MK_MBUTTON ? Event::MiddleButton : 0);
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
    forgetAccessible(form);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    DestroyWindow(hwnd);
}

void FormWindow::setTitle(const String &title) { SetWindowTextW(hwnd, wide(title).c_str()); }

void FormWindow::place(const Rect &r) {
    applying_ = true;
    SetWindowPos(hwnd, nullptr, scaled(r.x), scaled(r.y), scaled(r.w), scaled(r.h), SWP_NOZORDER | SWP_NOACTIVATE);
    applying_ = false;
}

void FormWindow::setShown(bool shown, NativeWindow *owner, bool modal) {
    if (!shown) {
        // The owner takes input again before this window goes, so that it is activated.
        if (modal_ && owner_) EnableWindow(owner_, TRUE);
        modal_ = false;
        ShowWindow(hwnd, SW_HIDE);
        if (owner_) SetForegroundWindow(owner_);
        return;
    }
    // An owned window stays above its owner and has no taskbar button.
    if (owner) owner_ = windowOf(*owner).hwnd, SetWindowLongPtrW(hwnd, GWLP_HWNDPARENT, LONG_PTR(owner_));
    modal_ = modal;
    if (modal && owner_) EnableWindow(owner_, FALSE);
    for (auto &c : form.controls())
        if (auto *s = static_cast<SystemControl *>(c->field()); s && s->quiet_)
            SendMessageW(s->hwnd, WM_SETREDRAW, TRUE, 0), s->quiet_ = false;
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
}

void FormWindow::present(const Rect &r) {
    const RECT d = deviceRect(r);
    InvalidateRect(hwnd, &d, FALSE);
}

FormWindow *FormWindow::of(HWND hwnd) { return reinterpret_cast<FormWindow *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

void FormWindow::accessibleChanged(Control &c, AccessibleChange what) { tellAccessible(form, c, what); }

void FormWindow::setState(std::int16_t state) {
    applying_ = true;
    ShowWindow(hwnd, state == vbMinimized ? SW_MINIMIZE : state == vbMaximized ? SW_MAXIMIZE : SW_RESTORE);
    applying_ = false;
}

void FormWindow::setRegion(const std::vector<Rect> *spans) {
    // The region belongs to the system from now on. An empty one shows
    // nothing, at once (hiding the window may wait for a window manager).
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

void FormWindow::paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    const Surface &frame = form.frame(backend().scale);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = frame.width();
    bi.bmiHeader.biHeight = -frame.height();
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    const RECT &r = ps.rcPaint;
    SetDIBitsToDevice(dc, r.left, r.top, DWORD(r.right - r.left), DWORD(r.bottom - r.top), r.left, frame.height() - r.bottom, 0,
                      UINT(frame.height()), frame.row(0), &bi, DIB_RGB_COLORS);
    EndPaint(hwnd, &ps);
    placeToolTips();
}

void FormWindow::placeToolTips() {
    // One tool a painted control with a tip, where it is now.
    const auto &controls = form.controls();
    tipPlaces_.resize(controls.size());
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const Control &c = *controls[i];
        if (c.field() || c.def().toolTip.empty()) continue;
        const Rect at = c.shownInWindow() ? c.placeInFrame() : Rect{};
        if (tipPlaces_[i] == at) continue;
        const bool added = tipPlaces_[i].has_value();
        tipPlaces_[i] = at;
        std::wstring text = wide(c.def().toolTip);
        TOOLINFOW ti{};
        ti.cbSize = sizeof ti;
        ti.uFlags = TTF_SUBCLASS;
        ti.hwnd = hwnd;
        ti.uId = i + 1;
        ti.rect = deviceRect(at);
        ti.lpszText = text.data();
        SendMessageW(toolTips(), added ? TTM_NEWTOOLRECTW : TTM_ADDTOOLW, 0, LPARAM(&ti));
    }
}

// ---------------------------------------------------------------- the pointer

bool FormWindow::mouse(UINT msg, WPARAM wp, LPARAM lp) {
    using E = Event;
    static const struct { UINT msg; E::Type type; int button; } table[] = {
        {WM_MOUSEMOVE, E::PointerMove, 0},
        {WM_LBUTTONDOWN, E::PointerDown, E::LeftButton},     {WM_LBUTTONUP, E::PointerUp, E::LeftButton},
        {WM_LBUTTONDBLCLK, E::DoubleClick, E::LeftButton},   {WM_RBUTTONDOWN, E::PointerDown, E::RightButton},
        {WM_RBUTTONUP, E::PointerUp, E::RightButton},        {WM_RBUTTONDBLCLK, E::DoubleClick, E::RightButton},
        {WM_MBUTTONDOWN, E::PointerDown, E::MiddleButton},   {WM_MBUTTONUP, E::PointerUp, E::MiddleButton},
        {WM_MBUTTONDBLCLK, E::DoubleClick, E::MiddleButton},
    };
    for (const auto &t : table) {
        if (t.msg != msg) continue;
        Event e;
        e.type = t.type;
        e.button = t.button;
        e.buttons = buttonsOf(wp);
        e.modifiers = (wp & MK_SHIFT ? Event::ShiftKey : 0) | (wp & MK_CONTROL ? Event::CtrlKey : 0) |
                      (GetKeyState(VK_MENU) < 0 ? Event::AltKey : 0);
        const double s = backend().scale;
        e.x = short(LOWORD(lp)) / s, e.y = short(HIWORD(lp)) / s;
        // The window keeps the pointer from a press to the release of the
        // last button; the toolkit decides which of its controls has it.
        if (t.type == Event::PointerDown || t.type == Event::DoubleClick) SetCapture(hwnd);
        if (t.type == Event::PointerUp && !e.buttons) ReleaseCapture();
        hand(e);
        return true;
    }
    return false;
}

bool FormWindow::hand(Event e) { return form.handle(e); }

namespace {
Event event(Event::Type type) {
    Event e;
    e.type = type;
    return e;
}
} // namespace

LRESULT CALLBACK FormWindow::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    FormWindow *window = of(hwnd);
    if (!window) return DefWindowProcW(hwnd, msg, wp, lp);
    FormWindow &self = *window;
    Form *form = &self.form;
    if (self.mouse(msg, wp, lp)) return 0;
    Event e;
    const int s = backend().scale;
    switch (msg) {
    case WM_PAINT:
        self.paint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        if (!self.applying_) {
            e = event(Event::StateChanged);
            e.state = wp == SIZE_MINIMIZED ? vbMinimized : wp == SIZE_MAXIMIZED ? vbMaximized : vbNormal;
            self.hand(e);
            if (wp != SIZE_MINIMIZED) {
                e = event(Event::Resized);
                e.width = LOWORD(lp) / s, e.height = HIWORD(lp) / s;
                self.hand(e);
            }
        }
        return 0;
    case WM_MOVE:
        if (!self.applying_) {
            e = event(Event::Moved);
            e.x = short(LOWORD(lp)) / s, e.y = short(HIWORD(lp)) / s;
            self.hand(e);
        }
        return 0;
    case WM_ACTIVATE:
        // Activated again (after a modal window, a restore, Alt+Tab): the
        // keyboard goes back to the control that had it.
        if (LOWORD(wp) != WA_INACTIVE && !HIWORD(wp)) {
            self.hand(event(Event::Activated));
            return 0;
        }
        break;
    case WM_SETFOCUS:
        self.hand(event(Event::Activated));
        return 0;
    case WM_DPICHANGED:
        // Moved to a screen of another scale: everything drawn and placed
        // anew at it, where the system suggests.
        if (const int now = scaleOf(HIWORD(wp)); now != backend().scale) {
            backend().scale = now;
            for (Form *f : Form::all()) f->handle(event(Event::ScaleChanged));
            const RECT *r = reinterpret_cast<const RECT *>(lp);
            self.applying_ = true;
            SetWindowPos(hwnd, nullptr, r->left, r->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            self.applying_ = false;
        }
        return 0;
    case WM_CLOSE:
        // The system's close: the window decides through its unload handlers.
        self.hand(event(Event::Close));
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
        if (std::size_t(lp) < form->controls().size()) {
            e = event(Event::Pressed);
            e.control = form->controls()[std::size_t(lp)].get();
            self.hand(e);
        }
        return 0;
    case WM_COMMAND:
        if (auto *c = lp ? SystemControl::of(HWND(lp)) : nullptr; c && !c->syncing_) {
            // A list's selection or a field's text changed by the user; the
            // keyboard arrived in a list or a field.
            const bool list = dynamic_cast<ListBox *>(&c->control);
            const WORD code = HIWORD(wp);
            e.control = &c->control;
            if (list && code == LBN_SELCHANGE) {
                e.type = Event::Selected, e.row = int(SendMessageW(HWND(lp), LB_GETCURSEL, 0, 0));
            } else if (!list && code == EN_CHANGE) {
                std::wstring text(std::size_t(GetWindowTextLengthW(HWND(lp))) + 1, L'\0');
                text.resize(std::size_t(GetWindowTextW(HWND(lp), text.data(), int(text.size()))));
                e.type = Event::Edited, e.text = utf8(text.c_str(), int(text.size()));
            } else if (code == LBN_SETFOCUS || code == EN_SETFOCUS) {
                e.type = Event::FieldFocused;
            } else {
                return 0;
            }
            self.hand(e);
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

// ---------------------------------------------------------------- lists and fields

SystemControl::SystemControl(Control &c, FormWindow &w, HWND h, const FieldInfo &info)
    : control(c), window(w), hwnd(h), rowHeight_(info.rowHeight) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, LONG_PTR(this));
    if (!info.toolTip.empty()) addToolTip(hwnd, 0, true, RECT{}, info.toolTip);
    systemProc_ = WNDPROC(SetWindowLongPtrW(hwnd, GWLP_WNDPROC, LONG_PTR(SystemControl::proc)));
}

SystemControl::~SystemControl() {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    DestroyWindow(hwnd);
}

SystemControl *SystemControl::of(HWND hwnd) { return reinterpret_cast<SystemControl *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

void SystemControl::sync(const FieldState &state) {
    syncing_ = true;
    const int s = backend().scale;
    const bool rescaled = s != shownScale_;
    if (rescaled || state.place != shown_.place) {
        const RECT d = deviceRect(state.place);
        SetWindowPos(hwnd, nullptr, d.left, d.top, d.right - d.left, d.bottom - d.top,
                     SWP_NOZORDER | SWP_NOACTIVATE | quietUntilShown(hwnd));
    }
    if (rescaled || !(state.font == shown_.font))
        SendMessageW(hwnd, WM_SETFONT, WPARAM(backend().font(state.font, s)), !rescaled);
    const bool list = dynamic_cast<ListBox *>(&control);
    // The rows the layouts are drawn for, whatever the font.
    if (rescaled && list) SendMessageW(hwnd, LB_SETITEMHEIGHT, 0, LPARAM(rowHeight_ * s));
    if (state.visible != bool(GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE)) ShowWindow(hwnd, state.visible ? SW_SHOWNA : SW_HIDE);
    if (!list && (shownScale_ == 0 || state.text != shown_.text)) SetWindowTextW(hwnd, wide(state.text).c_str());
    if (list && state.items != shown_.items) {
        // Before the window shows, the list does not draw itself item by item.
        if (!quiet_ && !IsWindowVisible(window.hwnd)) SendMessageW(hwnd, WM_SETREDRAW, FALSE, 0), quiet_ = true;
        const int kept = itemsKept(shown_.items, state.items);
        if (kept < 0) SendMessageW(hwnd, LB_RESETCONTENT, 0, 0);
        for (std::size_t i = std::size_t(std::max(kept, 0)); i < state.items.size(); ++i)
            SendMessageW(hwnd, LB_ADDSTRING, 0, LPARAM(wide(state.items[i]).c_str()));
    }
    if (list && int(SendMessageW(hwnd, LB_GETCURSEL, 0, 0)) != state.current) SendMessageW(hwnd, LB_SETCURSEL, WPARAM(state.current), 0);
    shown_ = state;
    shownScale_ = s;
    syncing_ = false;
}

void SystemControl::setFocus(bool inside) {
    if (inside) SetFocus(hwnd);
    else if (GetFocus() == hwnd) SetFocus(window.hwnd);
}

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

std::unique_ptr<NativeField> Win32Backend::createField(Control &c, const FieldInfo &info) {
    FormWindow &window = windowOf(c.form().native());
    const bool list = info.kind == Kind::ListBox;
    const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP |
                        (list ? WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT
                              : ES_AUTOHSCROLL | (info.readOnly ? ES_READONLY : 0));
    HWND h = CreateWindowExW(WS_EX_CLIENTEDGE, list ? L"LISTBOX" : L"EDIT", L"", style, 0, 0, 0, 0, window.hwnd, nullptr,
                             instance, nullptr);
    return std::make_unique<SystemControl>(c, window, h, info);
}

} // namespace ui::win32
