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


// ---------------------------------------------------------------- surfaces

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
        b.play(nullptr);
        heardBy = 0;
        return true;
    }
    // A sound still playing goes on; the new one is not even read.
    const std::int64_t now = b.milliseconds();
    if ((flags & SND_NOSTOP) && now < heardBy) return false;
    // There is no default sound to fall back on: SND_NODEFAULT or not, a
    // file that cannot be played is silence. SND_ASYNC or not, the caller
    // never waits.
    const auto bytes = b.readFile(path);
    const std::optional<sound::Wave> wave = bytes ? sound::parseWave(*bytes) : std::nullopt;
    if (!wave || !b.play(&*wave)) return false;
    heardBy = now + wave->durationMs() + DeviceTailMs;
    return true;
}

std::int64_t soundHeardBy() { return heardBy; }

// ---------------------------------------------------------------- services

namespace {
std::map<int, Picture> kept; // the pictures loaded, by number
}

void forgetLoadedPictures() { kept.clear(); }

namespace {
// A picture of the program's own, by our readers; nothing when it is not there.
Image resourceImage(Backend &b, const String &path) {
    const auto bytes = b.readFile(path);
    if (!bytes) return Image();
    const bool bmp = path.size() > 4 && path.compare(path.size() - 4, 4, ".bmp") == 0;
    return (bmp ? decodeBmp(*bytes) : decodePng(*bytes)).value_or(Image());
}
int screenScale = 1;
} // namespace

int Screen::scale() { return screenScale; }
void Screen::followScale(int scale) { screenScale = std::clamp(scale, 1, 2); }

Picture LoadResPicture(int id, int) {
    auto it = kept.find(id);
    if (it != kept.end()) return it->second;
    Backend &b = Backend::current();
    Picture p;
    p.image = resourceImage(b, ":/bmp/" + CStr(id) + ".bmp");
    // The drawing at twice the size only where the screen has the pixels for it.
    if (!p.image.empty() && Screen::scale() >= 2) {
        p.image2x = resourceImage(b, ":/bmp/" + CStr(id) + "@2x.png");
        if (p.image2x.width != 2 * p.image.width || p.image2x.height != 2 * p.image.height) p.image2x = Image();
    }
    p.id = p.isNull() ? 0 : id;
    if (!p.isNull()) kept.emplace(id, p);
    return p;
}

Image layoutPicture(Backend &b, const String &name, int scale) {
    return resourceImage(b, ":/layout/" + name + (scale >= 2 ? "@2x.png" : ".png"));
}

namespace App {
String Title() { return LUNIVAR_TITLE; }
std::int16_t Major() { return LUNIVAR_VERSION_MAJOR; }
std::int16_t Minor() { return LUNIVAR_VERSION_MINOR; }
String Path() { return Backend::current().environment().appFolder; }
String PathSeparator() { return Backend::current().environment().separator; }
void End() {
    // Every window goes at once, and nothing the user does reaches the
    // program any more; the click of the button that ended it is heard to
    // its end, for a second at most, then stopped; the process ends.
    Backend &b = Backend::current();
    const std::vector<Rect> nothing;
    for (Form *f : Form::all()) f->ignoreFurtherEvents(), f->native().setRegion(&nothing);
    const std::int64_t until = std::min(soundHeardBy(), b.milliseconds() + 1000);
    do b.dispatchEvents(int(std::max<std::int64_t>(0, until - b.milliseconds())));
    while (b.milliseconds() < until);
    b.play(nullptr);
    b.exit();
    std::abort(); // a backend's exit does not return
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
