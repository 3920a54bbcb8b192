#pragma once
// The platform calls the skin is written with: window regions, block copies
// between drawing surfaces, asynchronous sounds. On Windows they are the
// system's own; elsewhere they do the same.
#include "backend.h"
#include "controls.h"
#include "types.h"

#include <cstdint>

namespace ui {

class Form;

// Rounds to a whole number the way the platform does: halves to even.
std::int32_t CLng(double v);

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
// with SND_NOSTOP a sound still playing goes on and the new one is not played.
bool sndPlaySound(const String &path, unsigned flags);

} // namespace ui
