#pragma once
// The platform calls the skin is written with: window regions, block copies
// between drawing surfaces, asynchronous sounds. The toolkit does them the
// way the original platform does, whatever the platform underneath.
#include "controls.h"
#include "rules/outline.h"
#include "types.h"

#include <cstdint>
#include <vector>

namespace ui {

class Form;

// Rounds to a whole number the way the platform does: halves to even.
using outline::CLng;

// A window region: the pixels it covers, as rectangles.
struct Region {
    std::vector<Rect> rects;
};

// The region x from x1 to x2 - 1, y from y1 to y2 - 1, each corner cut by the
// rasterised ellipse of w by h.
Region CreateRoundRectRgn(int x1, int y1, int x2, int y2, int w, int h);

// Makes `region` the window's outline, replacing the previous one; the
// region then belongs to the system. An empty region removes the outline.
int SetWindowRgn(Form &form, const Region &region, Boolean redraw);

constexpr std::uint32_t SRCCOPY = 0x00CC0020;
bool BitBlt(DC dst, int x, int y, int w, int h, DC src, int sx, int sy, std::uint32_t rop);

constexpr unsigned SND_ASYNC = 0x0001, SND_NODEFAULT = 0x0002, SND_NOSTOP = 0x0010;
// Plays a wave file without waiting. A missing or unplayable file is silence;
// with SND_NOSTOP a sound still playing goes on and the new one is not
// played; an empty path stops what plays.
bool sndPlaySound(const String &path, unsigned flags);
// When the sound played last has been heard, on the backend's clock: its
// length, and the time the sound device takes to play it out.
std::int64_t soundHeardBy();

} // namespace ui
