// The backend in use, the platform calls as the skin makes them, and the
// toolkit's services.
#include "platform.h"

#include "app.h"
#include "form.h"
#include "picture.h"
#include "units.h"

#include "version.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>

namespace ui {

namespace {
Backend *installed = nullptr;
}

Backend &Backend::current() { return *installed; }
void Backend::install(Backend *backend) { installed = backend; }

int roundPx(double v) { return int(std::floor(v + 0.5)); }

namespace {
bool ignoring = false;
}
void ignoreFurtherEvents() { ignoring = true; }
bool ignoringEvents() { return ignoring; }

// ---------------------------------------------------------------- surfaces

MemorySurface::MemorySurface(int width, int height)
    : Surface(width, height), pixels_(std::size_t(width) * std::size_t(height), 0xFF000000u) {}

std::unique_ptr<Surface> Backend::createSurface(int width, int height) {
    return std::make_unique<MemorySurface>(width, height);
}

Pixels Surface::pixels(Rect r) const {
    const int left = std::max(r.x, 0), top = std::max(r.y, 0);
    const int right = std::min(r.x + r.w, width()), bottom = std::min(r.y + r.h, height());
    if (right <= left || bottom <= top) return Pixels{};
    return Pixels{row(top) + left, width(), right - left, bottom - top, left - r.x, top - r.y};
}

void copyPixels(Surface &dst, int x, int y, int w, int h, const Surface &src, int sx, int sy) {
    // Clip to both surfaces, moving source and target together.
    const int left = std::max({0, x, x - sx}), top = std::max({0, y, y - sy});
    const int right = std::min({dst.width(), x + w, x - sx + src.width()});
    const int bottom = std::min({dst.height(), y + h, y - sy + src.height()});
    for (int row = top; row < bottom; ++row)
        if (right > left)
            std::memmove(dst.row(row) + left, src.row(sy + row - y) + (sx + left - x), std::size_t(right - left) * 4);
}

// ---------------------------------------------------------------- the platform calls

Region CreateRoundRectRgn(int x1, int y1, int x2, int y2, int w, int h) {
    return Region{outline::roundRectSpans(x1, y1, x2, y2, w, h)};
}

int SetWindowRgn(Form &form, const Region &region, Boolean) {
    form.setRegion(region.rects.empty() ? nullptr : &region.rects);
    return 1;
}

bool BitBlt(DC dst, int x, int y, int w, int h, DC src, int sx, int sy, std::uint32_t rop) {
    if (!dst.canvas || !src.canvas || rop != SRCCOPY || w <= 0 || h <= 0) return false;
    copyPixels(dst.canvas->surface(), x, y, w, h, src.canvas->surface(), sx, sy);
    if (Surface *d2 = dst.canvas->surface2x(), *s2 = src.canvas->surface2x(); d2 && s2)
        copyPixels(*d2, 2 * x, 2 * y, 2 * w, 2 * h, *s2, 2 * sx, 2 * sy);
    dst.canvas->imageChanged();
    return true;
}

namespace {
std::int64_t heardBy = 0;                 // when the sound played last has been heard
constexpr std::int64_t DeviceTailMs = 250; // what a sound device takes to play a sound out
} // namespace

bool sndPlaySound(const String &path, unsigned flags) {
    Backend &b = Backend::current();
    if (path.empty()) {
        b.stopSound();
        heardBy = 0;
        return true;
    }
    // A sound still playing goes on; the new one is not even read.
    const std::int64_t now = b.milliseconds();
    if ((flags & SND_NOSTOP) && now < heardBy) return false;
    // There is no default sound to fall back on: SND_NODEFAULT or not, a
    // file that cannot be played is silence. SND_ASYNC or not, the caller
    // never waits.
    std::optional<sound::Wave> wave = b.readWave(path);
    if (!wave) return false;
    const std::int64_t length = wave->durationMs();
    if (!b.startSound(std::move(*wave))) return false;
    heardBy = now + length + DeviceTailMs;
    return true;
}

std::int64_t soundHeardBy() { return heardBy; }

// ---------------------------------------------------------------- services

namespace {
std::map<int, Picture> kept; // the pictures loaded, by number
}

void forgetLoadedPictures() { kept.clear(); }

Picture LoadResPicture(int id, int) {
    auto it = kept.find(id);
    if (it != kept.end()) return it->second;
    Picture p = Backend::current().loadBitmap(id);
    p.id = p.isNull() ? 0 : id;
    if (!p.isNull()) kept.emplace(id, p);
    return p;
}

double Screen::TwipsPerPixelX() { return Backend::current().twipsPerPixelX(); }
double Screen::TwipsPerPixelY() { return Backend::current().twipsPerPixelY(); }

namespace App {
String Title() { return LUNIVAR_TITLE; }
std::int16_t Major() { return std::int16_t(Backend::current().version().major); }
std::int16_t Minor() { return std::int16_t(Backend::current().version().minor); }
String Path() { return Backend::current().appPath(); }
String PathSeparator() { return Backend::current().pathSeparator(); }
void End() {
    Backend::current().end();
    std::abort(); // a backend's end does not return
}
} // namespace App

String CStr(long number) {
    char digits[24];
    char *at = digits + sizeof digits;
    unsigned long n = number < 0 ? 0ul - static_cast<unsigned long>(number) : static_cast<unsigned long>(number);
    do *--at = char('0' + n % 10); while (n /= 10);
    if (number < 0) *--at = '-';
    return String(at, digits + sizeof digits);
}

int MsgBox(const String &prompt, int style, const String &title) {
    NestedLoop loop;
    return Backend::current().msgBox(prompt, style, title);
}

String MonthName(int month) { return month < 1 || month > 12 ? String() : Backend::current().monthName(month); }

} // namespace ui
