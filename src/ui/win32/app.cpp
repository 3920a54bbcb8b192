// The program on the Win32 API: start-up, the message loop, the keys, and
// the backend's services.
#include "backend_win32.h"
#include "ui/app.h"
#include "ui/wave.h"

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

FARPROC systemProc(const wchar_t *library, const char *name) {
    HMODULE m = GetModuleHandleW(library);
    if (!m) m = LoadLibraryW(library);
    return m ? GetProcAddress(m, name) : nullptr;
}

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

// ---------------------------------------------------------------- services

namespace {

// A resource of the executable as bytes.
std::span<const std::uint8_t> resource(const wchar_t *name, const wchar_t *type) {
    HRSRC r = FindResourceW(backend().instance, name, type);
    HGLOBAL g = r ? LoadResource(backend().instance, r) : nullptr;
    const void *p = g ? LockResource(g) : nullptr;
    return p ? std::span(static_cast<const std::uint8_t *>(p), SizeofResource(backend().instance, r)) : std::span<const std::uint8_t>();
}

} // namespace

int scaleOf(int dpi) {
    // The whole scale nearest the screen's: 1.25 is drawn at 1, 1.5 and 1.75
    // at 2. The pictures are drawn for 1 and 2; a finer screen shows them at 2.
    return std::clamp((dpi * 2 + 96) / 192, 1, 2);
}

HFONT Win32Backend::font(const FontDef &def, int scale) {
    // The default: the 8-point dialog font of the system, at 96 dots per
    // inch a pixel of the toolkit.
    const std::wstring face = def.face.empty() ? L"MS Shell Dlg" : wide(def.face);
    const double points = def.points > 0 ? def.points : 8;
    const std::wstring key = face + L"/" + wide(CStr(long(points * 100))) + L"/" + wide(CStr(def.weight)) + L"/" +
                             wide(CStr(def.charset)) + L"/" + wide(CStr(scale));
    HFONT &f = fonts_[key];
    if (!f)
        f = CreateFontW(-MulDiv(int(points * 100), 96, 7200) * scale, 0, 0, 0, def.weight, FALSE, FALSE, FALSE,
                        DWORD(def.charset ? def.charset : DEFAULT_CHARSET), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                        DEFAULT_QUALITY, DEFAULT_PITCH, face.c_str());
    return f;
}

bool Win32Backend::hasFace(const FontDef &def) {
    // The system gives another face when the one asked for is not there:
    // ask which face was chosen, and whether it has the letters' glyphs.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font(def, 1));
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

Rect Win32Backend::measureText(const FontDef &def, const String &text) {
    // Measured at one device pixel a pixel.
    if (!measuring_) measuring_ = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(measuring_, font(def, 1));
    const std::wstring w = wide(text);
    SIZE size{};
    GetTextExtentPoint32W(measuring_, w.c_str(), int(w.size()), &size);
    TEXTMETRICW tm{};
    GetTextMetricsW(measuring_, &tm);
    SelectObject(measuring_, old);
    return Rect{0, 0, int(size.cx), int(tm.tmHeight)};
}

void Win32Backend::drawText(Surface &into, const Rect &clip, const TextRun &run, int s) {
    // Drawn by the system into a copy of the pixels within the clip, which
    // then go back.
    if (clip.empty()) return;
    if (clip.w > canvasW_ || clip.h > canvasH_ || !drawing_) {
        if (drawing_) DeleteDC(drawing_), DeleteObject(canvas_);
        canvasW_ = std::max(clip.w, canvasW_), canvasH_ = std::max(clip.h, canvasH_);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = canvasW_;
        bi.bmiHeader.biHeight = -canvasH_;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void *bits = nullptr;
        drawing_ = CreateCompatibleDC(nullptr);
        canvas_ = CreateDIBSection(drawing_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!canvas_) return DeleteDC(drawing_), void(drawing_ = nullptr);
        SelectObject(drawing_, canvas_);
        SetBkMode(drawing_, TRANSPARENT);
        canvasBits_ = static_cast<std::uint32_t *>(bits);
    }
    const auto line = [&](int y) { return canvasBits_ + std::size_t(y) * std::size_t(canvasW_); };
    for (int y = 0; y < clip.h; ++y) std::copy_n(into.row(clip.y + y) + clip.x, clip.w, line(y));
    const int saved = SaveDC(drawing_);
    IntersectClipRect(drawing_, 0, 0, clip.w, clip.h);
    SelectObject(drawing_, font(run.font, s));
    SetTextColor(drawing_, COLORREF(run.color & 0xFFFFFF)); // both 0xBBGGRR
    std::wstring text = wide(run.caption);
    RECT at{run.x * s - clip.x, run.y * s - clip.y, run.x * s - clip.x + 10000, run.y * s - clip.y + 10000};
    DrawTextW(drawing_, text.c_str(), int(text.size()), &at, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOCLIP);
    RestoreDC(drawing_, saved);
    GdiFlush();
    for (int y = 0; y < clip.h; ++y) std::copy_n(line(y), clip.w, into.row(clip.y + y) + clip.x);
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

Environment Win32Backend::environment() {
    Environment e;
    e.scale = scale;
    RECT r;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
    e.workArea = Rect{r.left / scale, r.top / scale, (r.right - r.left) / scale, (r.bottom - r.top) / scale};
    e.separator = "\\";
    // The executable's folder, whatever its length.
    std::wstring p(MAX_PATH, L'\0');
    DWORD n;
    while ((n = GetModuleFileNameW(nullptr, p.data(), DWORD(p.size()))) >= p.size() && p.size() < 32768) p.resize(p.size() * 2);
    p.resize(n);
    e.appFolder = utf8(p.substr(0, p.find_last_of(L"\\/")).c_str());
    return e;
}

namespace {

// A file's bytes, from a path of any letters and any length; nothing for
// what is not a plain file of at most the size a wave may have.
std::vector<std::uint8_t> plainFile(const String &path) {
    std::wstring name = wide(path);
    if (name.size() >= MAX_PATH && name.rfind(L"\\\\", 0) != 0) name = L"\\\\?\\" + name;
    HANDLE f = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return {};
    std::vector<std::uint8_t> bytes;
    LARGE_INTEGER size{};
    if (GetFileType(f) == FILE_TYPE_DISK && GetFileSizeEx(f, &size) && size.QuadPart > 0 && size.QuadPart <= sound::MaxFileBytes) {
        bytes.resize(std::size_t(size.QuadPart));
        DWORD got = 0;
        if (!ReadFile(f, bytes.data(), DWORD(bytes.size()), &got, nullptr) || got != bytes.size()) bytes.clear();
    }
    CloseHandle(f);
    return bytes;
}

} // namespace

std::optional<std::vector<std::uint8_t>> Win32Backend::readFile(const String &path) {
    if (path.rfind(":/", 0) != 0) {
        // Read here: any folder, whatever its letters and its length.
        std::vector<std::uint8_t> bytes = plainFile(path);
        if (bytes.empty()) return std::nullopt;
        return bytes;
    }
    // The program's pictures are resources of the executable: ":/bmp/101.bmp"
    // is bitmap 101 (a file header put before it), ":/bmp/101@2x.png" the
    // PNG2X resource 101, ":/layout/main.png" the PNG resource MAIN.
    const String name = path.substr(path.find('/', 2) + 1);
    const bool twice = name.find("@2x") != String::npos;
    std::wstring base = wide(name.substr(0, std::min(name.find('@'), name.find('.'))));
    const bool bitmap = path.rfind(":/bmp/", 0) == 0;
    const bool layout = path.rfind(":/layout/", 0) == 0;
    if (!bitmap && !layout) return std::nullopt;
    std::transform(base.begin(), base.end(), base.begin(), [](wchar_t c) { return wchar_t(std::towupper(c)); });
    const wchar_t *id = bitmap ? MAKEINTRESOURCEW(std::wcstol(base.c_str(), nullptr, 10)) : base.c_str();
    const auto bytes = resource(id, twice ? L"PNG2X" : bitmap ? MAKEINTRESOURCEW(2) : L"PNG"); // 2: RT_BITMAP
    if (bytes.empty()) return std::nullopt;
    std::vector<std::uint8_t> out;
    if (bitmap && !twice) {
        // BITMAPFILEHEADER: "BM", the size, two reserved words, where the pixels start.
        const std::uint32_t header = 14, size = header + std::uint32_t(bytes.size());
        const std::uint32_t info = bytes.size() >= 4 ? bytes[0] | bytes[1] << 8 | bytes[2] << 16 | std::uint32_t(bytes[3]) << 24 : 0;
        const std::uint32_t bits = bytes.size() >= 16 ? bytes[14] | bytes[15] << 8 : 0;
        const std::uint32_t colours = bytes.size() >= 36 ? bytes[32] | bytes[33] << 8 | bytes[34] << 16 | std::uint32_t(bytes[35]) << 24 : 0;
        const std::uint32_t masks = info == 40 && bytes.size() >= 20 && bytes[16] == 3 ? 12 : 0; // BI_BITFIELDS
        const std::uint32_t table = masks + 4 * (colours ? colours : bits <= 8 ? 1u << bits : 0);
        const std::uint32_t offset = header + info + table;
        out = {'B', 'M'};
        for (std::uint32_t v : {size, 0u, offset})
            for (int k = 0; k < 4; ++k) out.push_back(std::uint8_t(v >> (8 * k)));
    }
    out.insert(out.end(), bytes.begin(), bytes.end());
    return out;
}

namespace {
// The multimedia library, loaded at the first sound.
decltype(&sndPlaySoundW) player() {
    static const auto play = systemFunction<decltype(&sndPlaySoundW)>(L"winmm.dll", "sndPlaySoundW");
    return play;
}
} // namespace

bool Win32Backend::play(const sound::Wave *wave) {
    const auto play = player();
    if (!wave) {
        if (!sound_.empty() && play) play(nullptr, 0);
        return true;
    }
    if (!play) return false;
    // Played from memory: exactly the samples, behind a header written for
    // them (the system trusts a header's sizes, which a file cut short
    // overstates). Nothing plays from the old bytes before they go.
    play(nullptr, 0);
    sound_ = sound::waveFile(*wave);
    return play(reinterpret_cast<LPCWSTR>(sound_.data()), SND_ASYNC | SND_NODEFAULT | SND_MEMORY);
}


// ---------------------------------------------------------------- events

void Win32Backend::handOut(const MSG &msg) {
    if (translateKey(msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

void Win32Backend::dispatchEvents(int maxMs) {
    MSG msg;
    if (maxMs < 0) {
        if (GetMessageW(&msg, nullptr, 0, 0) > 0) handOut(msg);
        return;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(maxMs), QS_ALLINPUT);
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) handOut(msg);
}

bool Win32Backend::translateKey(const MSG &msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN && msg.message != WM_SYSCHAR) return false;
    FormWindow *window = msg.hwnd ? FormWindow::of(GetAncestor(msg.hwnd, GA_ROOT)) : nullptr;
    if (!window) return false;
    Event k;
    k.type = Event::Key;
    k.modifiers = (GetKeyState(VK_SHIFT) < 0 ? Event::ShiftKey : 0) | (GetKeyState(VK_CONTROL) < 0 ? Event::CtrlKey : 0) |
                  (GetKeyState(VK_MENU) < 0 ? Event::AltKey : 0);
    k.repeat = (msg.lParam >> 30) & 1;
    if (msg.message == WM_SYSCHAR) {
        // Alt and a letter, as the keyboard layout types it.
        k.letter = char32_t(msg.wParam);
        return window->hand(k);
    }
    static const struct { WPARAM vk; Key key; } keys[] = {
        {VK_TAB, Key::Tab},   {VK_RETURN, Key::Enter}, {VK_ESCAPE, Key::Escape}, {VK_SPACE, Key::Space},
        {VK_UP, Key::Up},     {VK_DOWN, Key::Down},    {VK_PRIOR, Key::PageUp},  {VK_NEXT, Key::PageDown},
        {VK_HOME, Key::Home}, {VK_END, Key::End},
    };
    for (const auto &m : keys)
        if (m.vk == msg.wParam) {
            k.key = m.key;
            return window->hand(k);
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
    // The screen's dots per inch, as the program sees them being aware of them.
    HDC screen = GetDC(nullptr);
    d->backend.scale = win32::scaleOf(GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
    Backend::install(&d->backend);
}

Application::~Application() { delete d; }

int Application::exec() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        d->backend.handOut(msg);
        Form::freeUnloaded();
    }
    ExitProcess(UINT(msg.wParam));
}

} // namespace ui
