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

Picture Win32Backend::loadBitmap(int id) {
    const auto img = decodeDib(resource(MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(2))); // RT_BITMAP
    if (!img) return Picture();
    // The drawing at twice the size only where the screen has the pixels for it.
    Image twice = scale >= 2 ? decodePng(resource(MAKEINTRESOURCEW(id), L"PNG2X")).value_or(Image()) : Image();
    if (twice.width != 2 * img->width || twice.height != 2 * img->height) twice = Image();
    return Picture{*img, twice, id};
}

Image Win32Backend::layoutPicture(const String &name, int pictureScale) {
    std::wstring upper = wide(name);
    std::transform(upper.begin(), upper.end(), upper.begin(), [](wchar_t c) { return wchar_t(std::towupper(c)); });
    return decodePng(resource(upper.c_str(), pictureScale >= 2 ? L"PNG2X" : L"PNG")).value_or(Image());
}

int scaleOf(int dpi) {
    // The whole scale nearest the screen's: 1.25 is drawn at 1, 1.5 and 1.75
    // at 2. The pictures are drawn for 1 and 2; a finer screen shows them at 2.
    return std::clamp((dpi * 2 + 96) / 192, 1, 2);
}

HFONT Win32Backend::font(const FontDef &def) {
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
    // Measured at one device pixel a pixel.
    if (!measuring_) measuring_ = CreateCompatibleDC(nullptr);
    const int kept = scale;
    scale = 1;
    HGDIOBJ old = SelectObject(measuring_, font(def));
    scale = kept;
    const std::wstring w = wide(text);
    SIZE size{};
    GetTextExtentPoint32W(measuring_, w.c_str(), int(w.size()), &size);
    TEXTMETRICW tm{};
    GetTextMetricsW(measuring_, &tm);
    SelectObject(measuring_, old);
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
    // Whatever its length.
    std::wstring p(MAX_PATH, L'\0');
    DWORD n;
    while ((n = GetModuleFileNameW(nullptr, p.data(), DWORD(p.size()))) >= p.size() && p.size() < 32768) p.resize(p.size() * 2);
    p.resize(n);
    return utf8(p.substr(0, p.find_last_of(L"\\/")).c_str());
}

Version Win32Backend::version() { return Version{LUNIVAR_VERSION_MAJOR, LUNIVAR_VERSION_MINOR}; }

namespace {
BOOL CALLBACK shapeToNothing(HWND w, LPARAM) { return SetWindowRgn(w, CreateRectRgn(0, 0, 0, 0), TRUE), TRUE; }
} // namespace

void Win32Backend::end() {
    // Every window goes at once, without further events: shaped to nothing,
    // which the system shows at once (hiding it may wait for the window
    // manager); the process's end takes them away.
    ignoreFurtherEvents();
    EnumThreadWindows(GetCurrentThreadId(), shapeToNothing, 0);
    // The sound that plays (the click of the button that ended the program)
    // is heard to its end, for a second at most; then it is stopped, so that
    // nothing of it still runs while the process goes.
    const std::int64_t left = soundHeardBy() - milliseconds();
    if (left > 0) Sleep(DWORD(std::min<std::int64_t>(left, 1000)));
    stopSound();
    ExitProcess(0);
}

namespace {

// A file's bytes, from a path of any letters and any length; nothing for
// what is not a plain file of at most the size a wave may have.
std::vector<std::uint8_t> readFile(const String &path) {
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

std::optional<sound::Wave> Win32Backend::readWave(const String &path) {
    // Read here: any folder, whatever its letters and its length.
    return sound::parseWave(readFile(path));
}

namespace {
// The multimedia library, loaded at the first sound.
decltype(&sndPlaySoundW) player() {
    static const auto play = systemFunction<decltype(&sndPlaySoundW)>(L"winmm.dll", "sndPlaySoundW");
    return play;
}
} // namespace

bool Win32Backend::startSound(sound::Wave wave) {
    const auto play = player();
    if (!play) return false;
    // Played from memory: exactly the samples, behind a header written for
    // them (the system trusts a header's sizes, which a file cut short
    // overstates). Nothing plays from the old bytes before they go.
    play(nullptr, 0);
    sound_ = sound::waveFile(wave);
    return play(reinterpret_cast<LPCWSTR>(sound_.data()), SND_ASYNC | SND_NODEFAULT | SND_MEMORY);
}

void Win32Backend::stopSound() {
    if (!sound_.empty())
        if (const auto play = player()) play(nullptr, 0);
}

// ---------------------------------------------------------------- keys

bool Win32Backend::translateKey(const MSG &msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN && msg.message != WM_SYSCHAR) return false;
    FormWindow *window = msg.hwnd ? FormWindow::of(GetAncestor(msg.hwnd, GA_ROOT)) : nullptr;
    if (!window) return false;
    KeyEvent k;
    k.shift = std::int16_t((GetKeyState(VK_SHIFT) < 0 ? vbShiftMask : 0) | (GetKeyState(VK_CONTROL) < 0 ? vbCtrlMask : 0) |
                           (GetKeyState(VK_MENU) < 0 ? vbAltMask : 0));
    k.repeat = (msg.lParam >> 30) & 1;
    if (msg.message == WM_SYSCHAR) {
        // Alt and a letter, as the keyboard layout types it.
        k.letter = char32_t(msg.wParam);
        return window->form.nativeKey(k);
    }
    static const struct { WPARAM vk; Key key; } keys[] = {
        {VK_TAB, Key::Tab},   {VK_RETURN, Key::Enter}, {VK_ESCAPE, Key::Escape}, {VK_SPACE, Key::Space},
        {VK_UP, Key::Up},     {VK_DOWN, Key::Down},    {VK_PRIOR, Key::PageUp},  {VK_NEXT, Key::PageDown},
        {VK_HOME, Key::Home}, {VK_END, Key::End},
    };
    for (const auto &m : keys)
        if (m.vk == msg.wParam) {
            k.key = m.key;
            return window->form.nativeKey(k);
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
        if (!d->backend.translateKey(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Form::freeUnloaded();
    }
    ExitProcess(UINT(msg.wParam));
}

} // namespace ui
