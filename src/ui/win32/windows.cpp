// The windows and controls on the Win32 API.
#include "backend_win32.h"

#include <commctrl.h>

#include <algorithm>

namespace ui::win32 {

namespace {

const wchar_t FormClass[] = L"LunivarForm";
const wchar_t PictureClass[] = L"LunivarPicture";

COLORREF colorref(Color c) { return COLORREF(c & 0xFFFFFF); } // both 0xBBGGRR


HWND windowOf(NativeWindow &w) { return dynamic_cast<FormWindow &>(w).hwnd; }
HWND windowOf(NativeControl &c) { return dynamic_cast<ControlWindow &>(c).hwnd; }

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
        e = MouseEvent{t.kind, t.button, buttonsOf(wp), shift, double(short(LOWORD(lp))), double(short(HIWORD(lp)))};
        // From a press to the release of the last button, the pointer is the pressed window's.
        if (t.kind == K::Down || t.kind == K::DoubleClick) SetCapture(capture);
        else if (t.kind == K::Up && !(wp & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) ReleaseCapture();
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- the window

FormWindow::FormWindow(Form &f) : form(f) {
    registerClasses();
    const FormDef &def = f.def();
    hwnd = CreateWindowExW(def.showInTaskbar ? WS_EX_APPWINDOW : WS_EX_TOOLWINDOW, FormClass, L"",
                           WS_POPUP | WS_CLIPCHILDREN | WS_MINIMIZEBOX | WS_SYSMENU, 0, 0, 1, 1, nullptr, nullptr,
                           backend().instance, nullptr);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, LONG_PTR(this));
    if (def.icon) {
        SendMessageW(hwnd, WM_SETICON, ICON_BIG, LPARAM(LoadIconW(backend().instance, MAKEINTRESOURCEW(1))));
        SendMessageW(hwnd, WM_SETICON, ICON_SMALL, LPARAM(LoadIconW(backend().instance, MAKEINTRESOURCEW(1))));
    }
}

FormWindow::~FormWindow() {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    DestroyWindow(hwnd);
}

void FormWindow::setTitle(const String &title) { SetWindowTextW(hwnd, wide(title).c_str()); }

void FormWindow::paintBackground(int width, int height) {
    background = std::make_unique<DibSurface>(width, height);
    const std::uint32_t back = pixelOf(form.BackColor());
    for (int y = 0; y < height; ++y) std::fill_n(background->row(y), width, back);
    const Image &pic = form.picture();
    const int fw = form.framePx();
    for (int y = 0; y < pic.height && fw + y < height; ++y)
        for (int x = 0; x < pic.width && fw + x < width; ++x) background->row(fw + y)[fw + x] = pic.at(x, y);
    if (fw > 0) {
        // A raised frame of our own drawing around the client area.
        HDC dc = background->dc();
        RECT r{0, 0, width, height};
        for (int i = 0; i < fw; ++i) {
            const RECT edge{i, i, width - i, height - i};
            FrameRect(dc, &edge, HBRUSH(GetStockObject(i < 2 ? (i == 0 ? DKGRAY_BRUSH : GRAY_BRUSH) : LTGRAY_BRUSH)));
        }
        const RECT inner{fw - 1, fw - 1, width - fw + 1, height - fw + 1};
        FrameRect(dc, &inner, HBRUSH(GetStockObject(GRAY_BRUSH)));
        (void)r;
        GdiFlush();
    }
}

void FormWindow::setSize(int width, int height) {
    applying_ = true;
    SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    applying_ = false;
    paintBackground(width, height);
}

void FormWindow::move(int x, int y) {
    applying_ = true;
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    applying_ = false;
}

Rect FormWindow::frame() const {
    RECT r;
    GetWindowRect(hwnd, &r);
    return Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

Rect FormWindow::screenArea() const {
    RECT r;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
    return Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void FormWindow::show(NativeWindow *owner, bool modal) {
    // An owned window stays above its owner and has no taskbar button.
    if (owner) owner_ = windowOf(*owner), SetWindowLongPtrW(hwnd, GWLP_HWNDPARENT, LONG_PTR(owner_));
    modal_ = modal;
    if (modal && owner_) EnableWindow(owner_, FALSE);
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
    if (!tabOrder.empty()) SetFocus(windowOf(tabOrder.front()->native()));
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

void FormWindow::setRegion(const Region *region, bool redraw) {
    // The region belongs to the system from now on.
    SetWindowRgn(hwnd, region ? HRGN(region->handle) : nullptr, redraw);
}

void FormWindow::runModal() {
    modalEnded_ = false;
    ++backend().modalDepth;
    MSG msg;
    while (!modalEnded_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (backend().translateKey(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    --backend().modalDepth;
}

void FormWindow::endModal() { modalEnded_ = true; }

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
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (self.background) {
            const RECT &r = ps.rcPaint;
            BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, self.background->dc(), r.left, r.top, SRCCOPY);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        if (!self.applying_) {
            if (wp == SIZE_MINIMIZED) form->nativeStateChanged(vbMinimized);
            else form->nativeStateChanged(wp == SIZE_MAXIMIZED ? vbMaximized : vbNormal),
                 form->nativeResized(LOWORD(lp), HIWORD(lp));
        }
        return 0;
    case WM_MOVE:
        if (!self.applying_) form->nativeMoved(short(LOWORD(lp)), short(HIWORD(lp)));
        return 0;
    case WM_CLOSE:
        // The system's close: the window decides through its unload handlers.
        form->nativeClose();
        return 0;
    case WM_COMMAND:
        // A list's selection changed by the user.
        if (HIWORD(wp) == LBN_SELCHANGE)
            if (auto *list = dynamic_cast<ListBox *>(&ControlWindow::of(HWND(lp))->control))
                list->nativeSelected(int(SendMessageW(HWND(lp), LB_GETCURSEL, 0, 0)));
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        // Fields and lists are white with black text, read-only or not.
        SetBkColor(HDC(wp), RGB(255, 255, 255));
        SetTextColor(HDC(wp), RGB(0, 0, 0));
        return LRESULT(GetStockObject(WHITE_BRUSH));
    default:
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

// ---------------------------------------------------------------- controls

ControlWindow::ControlWindow(Control &c, HWND h) : control(c), hwnd(h) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, LONG_PTR(this));
    const ControlDef &d = c.def();
    if (!d.toolTip.empty()) addToolTip(hwnd, d.toolTip);
}

ControlWindow::~ControlWindow() {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    DestroyWindow(hwnd);
}

ControlWindow *ControlWindow::of(HWND hwnd) { return reinterpret_cast<ControlWindow *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

void ControlWindow::setGeometry(const Rect &r) { MoveWindow(hwnd, r.x, r.y, r.w, r.h, TRUE); }

void ControlWindow::update() {
    // A picture box's labels are drawn over its image: they are drawn anew too.
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void ControlWindow::setText(const String &text) {
    std::wstring w = wide(text);
    if (standIn) {
        const SymbolStandIn &s = control.def().font.standIn;
        std::wstring shown;
        for (wchar_t c : w) {
            const char32_t out = char32_t(c) >= s.first && char32_t(c) <= s.last ? s.symbol + (char32_t(c) - s.first) : c;
            shown += wchar_t(out); // the zodiac's signs lie in the 16-bit plane
        }
        w = shown;
    }
    SetWindowTextW(hwnd, w.c_str());
    // A label is drawn over its container, and the labels above it over it.
    if (dynamic_cast<Label *>(&control)) RedrawWindow(GetParent(hwnd), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void ControlWindow::addItem(const String &item) { SendMessageW(hwnd, LB_ADDSTRING, 0, LPARAM(wide(item).c_str())); }

void ControlWindow::setCurrentItem(int row) { SendMessageW(hwnd, LB_SETCURSEL, WPARAM(row), 0); }

LRESULT CALLBACK ControlWindow::pictureProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    ControlWindow *self = of(hwnd);
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    auto &box = dynamic_cast<PictureBox &>(self->control);
    MouseEvent e;
    if (mouseMessage(msg, wp, lp, hwnd, e)) {
        box.nativeMouse(e);
        return 0;
    }
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        auto &image = dynamic_cast<DibSurface &>(box.surface());
        BitBlt(dc, 0, 0, image.width(), image.height(), image.dc(), 0, 0, SRCCOPY);
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (msg == WM_ERASEBKGND) return 1;
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
        self->paintLabel();
        return 0;
    }
    if (self && msg == WM_ERASEBKGND) return 1;
    return CallWindowProcW(self ? self->systemProc : DefWindowProcW, hwnd, msg, wp, lp);
}

void ControlWindow::paintLabel() {
    // A transparent label: its container's picture under it, the captions of
    // the labels below it that it covers (the title's shadow), then its own.
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    HWND parent = GetParent(hwnd);
    POINT at{0, 0};
    MapWindowPoints(hwnd, parent, &at, 1);
    DibSurface *under = control.container() ? dynamic_cast<DibSurface *>(&dynamic_cast<PictureBox *>(control.container())->surface())
                                            : dynamic_cast<FormWindow &>(control.form().native()).background.get();
    if (under) BitBlt(dc, 0, 0, rc.right, rc.bottom, under->dc(), at.x, at.y, SRCCOPY);
    SetBkMode(dc, TRANSPARENT);
    const auto &table = control.form().def().controls;
    auto place = [&](const Control &c) {
        return std::find_if(table.begin(), table.end(), [&](const ControlDef &d) { return d.name == c.Name() && d.index == c.Index(); }) - table.begin();
    };
    auto draw = [&](Label &l, HWND h) {
        RECT r;
        GetWindowRect(h, &r);
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT *>(&r), 2);
        HGDIOBJ old = SelectObject(dc, backend().font(l.def().font));
        SetTextColor(dc, colorref(l.ForeColor()));
        std::wstring text = wide(l.Caption());
        DrawTextW(dc, text.c_str(), int(text.size()), &r, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOCLIP);
        SelectObject(dc, old);
    };
    for (auto it = table.rbegin(); it != table.rend(); ++it) {
        Control *c = control.form().find(it->name, it->index);
        auto *l = dynamic_cast<Label *>(c);
        if (!l || l->container() != control.container() || place(*l) <= place(control) || !l->Visible()) continue;
        draw(*l, windowOf(l->native()));
    }
    draw(dynamic_cast<Label &>(control), hwnd);
    EndPaint(hwnd, &ps);
}

// ---------------------------------------------------------------- creating them

std::unique_ptr<NativeWindow> Win32Backend::createWindow(Form &form) { return std::make_unique<FormWindow>(form); }

std::unique_ptr<NativeControl> Win32Backend::createControl(Control &c) {
    registerClasses();
    HWND parent = c.container() ? windowOf(c.container()->native()) : windowOf(c.form().native());
    const DWORD child = WS_CHILD | WS_CLIPSIBLINGS;
    const ControlDef &d = c.def();
    HWND h = nullptr;
    std::unique_ptr<ControlWindow> w;
    if (dynamic_cast<PictureBox *>(&c)) {
        h = CreateWindowExW(0, PictureClass, L"", child | WS_CLIPCHILDREN, 0, 0, 1, 1, parent, nullptr, instance, nullptr);
        w = std::make_unique<ControlWindow>(c, h);
    } else if (auto *l = dynamic_cast<Label *>(&c)) {
        h = CreateWindowExW(0, L"STATIC", wide(l->Caption()).c_str(), child | SS_LEFT | SS_NOTIFY, 0, 0, 1, 1, parent,
                            nullptr, instance, nullptr);
        w = std::make_unique<ControlWindow>(c, h);
        w->systemProc = WNDPROC(SetWindowLongPtrW(h, GWLP_WNDPROC, LONG_PTR(ControlWindow::labelProc)));
    } else if (dynamic_cast<TextBox *>(&c)) {
        h = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", child | WS_TABSTOP | ES_AUTOHSCROLL | (d.locked ? ES_READONLY : 0),
                            0, 0, 1, 1, parent, nullptr, instance, nullptr);
        w = std::make_unique<ControlWindow>(c, h);
        // A symbol font that is not installed: the layout names the face that
        // stands in for it and the characters its letters are shown as.
        w->standIn = !d.font.standIn.face.empty() && !hasFace(d.font);
        FontDef shown = d.font;
        if (w->standIn) shown.face = d.font.standIn.face, shown.charset = 0;
        SendMessageW(h, WM_SETFONT, WPARAM(font(shown)), FALSE);
    } else {
        h = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                            child | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT, 0, 0,
                            1, 1, parent, nullptr, instance, nullptr);
        w = std::make_unique<ControlWindow>(c, h);
        SendMessageW(h, WM_SETFONT, WPARAM(font(d.font)), FALSE);
        SendMessageW(h, LB_SETITEMHEIGHT, 0, 13); // the rows the layouts are drawn for
    }
    return w;
}

} // namespace ui::win32
