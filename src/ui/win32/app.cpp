// The program on the Win32 API: start-up, the message loop, the backend's
// services and the platform calls as the system makes them.
#include "backend_win32.h"
#include "ui/app.h"

#include "version.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <algorithm>
#include <cwctype>

namespace ui {

namespace win32 {

namespace {
Win32Backend *current = nullptr;
} // namespace

Win32Backend &backend() { return *current; }

std::wstring wide(const String &s) {
    if (s.empty()) return std::wstring();
    std::wstring w(std::size_t(MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), w.data(), int(w.size()));
    return w;
}

String utf8(const wchar_t *s, int length) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, s, length, nullptr, 0, nullptr, nullptr);
    String out(std::size_t(std::max(n, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s, length, out.data(), n, nullptr, nullptr);
    if (length < 0 && !out.empty()) out.pop_back(); // the terminating zero
    return out;
}

DibSurface::DibSurface(int width, int height) : Surface(width, height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height; // top row first
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    old_ = HBITMAP(SelectObject(dc_, bitmap_));
    bits_ = static_cast<std::uint32_t *>(bits);
}

DibSurface::~DibSurface() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

// ---------------------------------------------------------------- services

std::unique_ptr<Surface> Win32Backend::createSurface(int width, int height) {
    return std::make_unique<DibSurface>(width, height);
}

namespace {
int screenDpi(int axis) {
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, axis);
    ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

// A resource of the executable as bytes.
std::span<const std::uint8_t> resource(const wchar_t *name, const wchar_t *type) {
    HRSRC r = FindResourceW(backend().instance, name, type);
    HGLOBAL g = r ? LoadResource(backend().instance, r) : nullptr;
    const void *p = g ? LockResource(g) : nullptr;
    return p ? std::span(static_cast<const std::uint8_t *>(p), SizeofResource(backend().instance, r)) : std::span<const std::uint8_t>();
}
} // namespace

double Win32Backend::twipsPerPixelX() const { return 1440.0 / screenDpi(LOGPIXELSX); }
double Win32Backend::twipsPerPixelY() const { return 1440.0 / screenDpi(LOGPIXELSY); }

Picture Win32Backend::loadBitmap(int id) {
    const auto img = decodeDib(resource(MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(2))); // RT_BITMAP
    return img ? Picture{*img, Image(), id} : Picture();
}

Image Win32Backend::layoutPicture(const String &name, int) {
    std::wstring upper = wide(name);
    std::transform(upper.begin(), upper.end(), upper.begin(), [](wchar_t c) { return wchar_t(std::towupper(c)); });
    return decodeDib(resource(upper.c_str(), MAKEINTRESOURCEW(2))).value_or(Image());
}

HFONT Win32Backend::font(const FontDef &def) {
    // The default: the 8-point dialog font of the system.
    const std::wstring face = def.face.empty() ? L"MS Shell Dlg" : wide(def.face);
    const double points = def.points > 0 ? def.points : 8;
    const std::wstring key = face + L"/" + std::to_wstring(points) + L"/" + std::to_wstring(def.weight) + L"/" +
                             std::to_wstring(def.charset);
    HFONT &f = fonts_[key];
    if (!f)
        f = CreateFontW(-MulDiv(int(points * 100), screenDpi(LOGPIXELSY), 7200), 0, 0, 0, def.weight, FALSE, FALSE, FALSE,
                        DWORD(def.charset ? def.charset : DEFAULT_CHARSET), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                        DEFAULT_QUALITY, DEFAULT_PITCH, face.c_str());
    return f;
}

bool Win32Backend::hasFace(const FontDef &def) {
    // The system gives another face when the one asked for is not there:
    // ask which face was chosen, and whether it has the letters' glyphs.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font(def));
    wchar_t chosen[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, chosen);
    bool ok = lstrcmpiW(chosen, wide(def.face).c_str()) == 0;
    if (ok && def.standIn.last >= def.standIn.first) {
        std::wstring letters;
        for (char32_t c = def.standIn.first; c <= def.standIn.last; ++c) letters += wchar_t(c);
        std::vector<WORD> glyphs(letters.size());
        ok = GetGlyphIndicesW(dc, letters.c_str(), int(letters.size()), glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS) != GDI_ERROR &&
             std::find(glyphs.begin(), glyphs.end(), WORD(0xFFFF)) == glyphs.end();
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    return ok;
}

Rect Win32Backend::textSize(const FontDef &def, const String &text) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font(def));
    const std::wstring w = wide(text);
    SIZE size{};
    GetTextExtentPoint32W(dc, w.c_str(), int(w.size()), &size);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    DeleteDC(dc);
    return Rect{0, 0, int(size.cx), int(tm.tmHeight)};
}

int Win32Backend::msgBox(const String &prompt, int style, const String &title) {
    return MessageBoxW(GetActiveWindow(), wide(prompt).c_str(), wide(title).c_str(), UINT(style));
}

String Win32Backend::monthName(int month) {
    // The stand-alone full name of the user's locale, with a capital first letter.
    wchar_t name[80] = {};
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SMONTHNAME1 + LCTYPE(month - 1), name, 80) <= 0)
        GetLocaleInfoW(LOCALE_INVARIANT, LOCALE_SMONTHNAME1 + LCTYPE(month - 1), name, 80);
    CharUpperBuffW(name, 1);
    return utf8(name);
}

String Win32Backend::appPath() {
    wchar_t path[MAX_PATH * 4] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, DWORD(std::size(path)));
    std::wstring p(path, n);
    return utf8(p.substr(0, p.find_last_of(L"\\/")).c_str());
}

Version Win32Backend::version() { return Version{LUNIVAR_VERSION_MAJOR, LUNIVAR_VERSION_MINOR}; }

void Win32Backend::end() {
    // Every window goes at once, without further events.
    ExitProcess(0);
}

void Win32Backend::flushDropped() {
    if (modalDepth == 0) dropped_.clear();
}

// ---------------------------------------------------------------- the platform calls

Region Win32Backend::createRoundRectRgn(int x1, int y1, int x2, int y2, int w, int h) {
    return Region{{}, std::uintptr_t(::CreateRoundRectRgn(x1, y1, x2, y2, w, h))};
}

void Win32Backend::bitBlt(Surface &dst, int x, int y, int w, int h, Surface &src, int sx, int sy) {
    ::BitBlt(dynamic_cast<DibSurface &>(dst).dc(), x, y, w, h, dynamic_cast<DibSurface &>(src).dc(), sx, sy, SRCCOPY);
    GdiFlush(); // the pixels are read and written directly afterwards
}

bool Win32Backend::playSound(const String &path, unsigned flags) {
    // The full Unicode path: a folder outside the ANSI code page plays too.
    return ::sndPlaySoundW(path.empty() ? nullptr : wide(path).c_str(), flags);
}

// ---------------------------------------------------------------- keys

bool Win32Backend::translateKey(const MSG &msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSCHAR) return false;
    FormWindow *found = msg.hwnd ? FormWindow::of(GetAncestor(msg.hwnd, GA_ROOT)) : nullptr;
    if (!found) return false;
    FormWindow &window = *found;
    Form *form = &window.form;
    if (msg.message == WM_SYSCHAR) {
        // Alt and a letter: the label whose caption has it as its access key.
        const wchar_t typed = wchar_t(std::towlower(wchar_t(msg.wParam)));
        for (auto &c : form->controls()) {
            auto *l = dynamic_cast<Label *>(c.get());
            const std::wstring key = l ? wide(l->accessKey()) : std::wstring();
            if (key.size() == 1 && wchar_t(std::towlower(key[0])) == typed) {
                l->nativePress();
                return true;
            }
        }
        return false;
    }
    if (msg.wParam == VK_TAB && !window.tabOrder.empty()) {
        // Tab and Shift+Tab go round the controls in their tab order.
        const auto &order = window.tabOrder;
        const int n = int(order.size());
        int at = -1;
        for (int i = 0; i < n; ++i)
            if (dynamic_cast<ControlWindow &>(order[std::size_t(i)]->native()).hwnd == GetFocus()) at = i;
        const int step = GetKeyState(VK_SHIFT) < 0 ? n - 1 : 1;
        SetFocus(dynamic_cast<ControlWindow &>(order[std::size_t((std::max(at, 0) + step) % n)]->native()).hwnd);
        return true;
    }
    const String &button = msg.wParam == VK_RETURN ? form->def().defaultButton
                           : msg.wParam == VK_ESCAPE ? form->def().cancelButton : String();
    if (Control *c = button.empty() ? nullptr : form->find(button)) {
        c->nativePress();
        return true;
    }
    return false;
}

} // namespace win32

// ---------------------------------------------------------------- start-up

struct Application::Impl {
    win32::Win32Backend backend;
};

Application::Application(int &, char **) : d(new Impl) {
    win32::current = &d->backend;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    Backend::install(&d->backend);
}

Application::~Application() { delete d; }

int Application::exec() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!d->backend.translateKey(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        d->backend.flushDropped();
    }
    ExitProcess(UINT(msg.wParam));
}

} // namespace ui
