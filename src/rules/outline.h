#pragma once
// A window's rounded outline as the platform's round-rect region makes it,
// pixel for pixel, and the rounding it takes its corners with.
#include "rules/geometry.h"

#include <cstdint>
#include <vector>

namespace outline {

// The nearest whole number, a half going to the even neighbour; out of range
// it saturates, and NaN gives 0.
std::int32_t CLng(double v);

// The pixels of the rectangle x from x1 to x2 - 1, y from y1 to y2 - 1 (the
// corners in any order), each corner cut by the rasterised ellipse of w by h:
// one rectangle per run of rows with the same span, top to bottom. Nothing
// for a rectangle without pixels.
std::vector<geom::Rect> roundRectSpans(int x1, int y1, int x2, int y2, int w, int h);

} // namespace outline
