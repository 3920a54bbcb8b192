// Rounding and rounded-rectangle regions, done the way the Windows GDI does
// them, so that the window's outline comes out the same pixel for pixel.
#include "rules/outline.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

namespace outline {

std::int32_t CLng(double v)
{
    if (std::isnan(v))
        return 0;
    // Nearest integer, a half going to the even neighbour. Done by hand so
    // that it does not depend on the floating-point environment.
    const double f = std::floor(v);
    const double frac = v - f; // exact: both lie on the same grid
    double r = f;
    if (frac > 0.5 || (frac == 0.5 && std::fmod(f, 2.0) != 0.0))
        r = f + 1.0;
    // Out of range there is no right answer; saturate rather than overflow.
    if (r >= double(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (r <= double(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return std::int32_t(r);
}

namespace {

#ifdef __SIZEOF_INT128__
using Wide = __int128;
#else
using Wide = long long;
#endif

// For the ellipse that fills a box of w x h pixels (both at least 2), the
// first column the ellipse covers in each of the rows 0 .. (h - 1) / 2 of the
// upper half. The ellipse is traced with Zingl's integer midpoint algorithm
// (error of x step, y step and diagonal step compared at each pixel), the
// same rasterisation the platform uses for its rounded regions; the lower
// half is the mirror image.
std::vector<int> upperInsets(int w, int h)
{
    const Wide a = w - 1; // diameters in pixel steps
    const Wide b = h - 1;
    const Wide b1 = b & 1;
    Wide dx = 4 * (1 - a) * b * b;
    Wide dy = 4 * (b1 + 1) * a * a;
    Wide err = dx + dy + b1 * a * a;
    const Wide stepA = 8 * a * a;
    const Wide stepB = 8 * b * b;

    // x0 walks right along the left half, y1 walks up from the middle row.
    int x0 = 0;
    int x1 = w - 1;
    int y0 = int((b + 1) / 2);
    int y1 = y0 - int(b1);
    const int middle = y1;

    std::vector<int> inset(std::size_t(middle) + 1, -1);
    auto mark = [&](int x, int y) {
        if (y >= 0 && y <= middle && inset[std::size_t(y)] < 0)
            inset[std::size_t(y)] = x;
    };

    do {
        mark(x0, y1);
        const Wide e2 = 2 * err;
        if (e2 <= dy) {
            ++y0;
            --y1;
            dy += stepA;
            err += dy;
        }
        if (e2 >= dx || 2 * err > dy) {
            ++x0;
            --x1;
            dx += stepB;
            err += dx;
        }
    } while (x0 <= x1);

    // A very flat ellipse stops before it reaches the top row: its tip runs
    // on in the last column.
    while (y0 - y1 <= b) {
        mark(x0 - 1, y1);
        ++y0;
        --y1;
    }

    // Every row is reached above; should one not be, it keeps the row below.
    for (int y = middle; y >= 0; --y) {
        if (inset[std::size_t(y)] < 0)
            inset[std::size_t(y)] = y == middle ? 0 : inset[std::size_t(y) + 1];
    }
    return inset;
}

} // namespace

std::vector<geom::Rect> roundRectSpans(int x1, int y1, int x2, int y2, int w, int h)
{
    // Corners given in any order mean the same rectangle.
    long long left = std::min(x1, x2), right = std::max(x1, x2);
    long long top = std::min(y1, y2), bottom = std::max(y1, y2);
    // The region stops one pixel short of right and bottom.
    --right;
    --bottom;
    const long long width = right - left;
    const long long height = bottom - top;
    if (width <= 0 || height <= 0)
        return {};

    // The ellipse can be no larger than the rectangle.
    const long long ew = std::min<long long>(width, std::llabs(w));
    const long long eh = std::min<long long>(height, std::llabs(h));
    if (ew < 2 || eh < 2)
        return {geom::Rect{int(left), int(top), int(width), int(height)}};

    const std::vector<int> inset = upperInsets(int(ew), int(eh));
    const int corner = int(eh / 2); // rows cut at the top, and as many at the bottom
    auto insetOfRow = [&](long long row) -> int {
        if (row < corner)
            return inset[std::size_t(row)];
        if (row >= height - corner)
            return inset[std::size_t(height - 1 - row)];
        return 0;
    };

    // One rectangle per run of rows with the same span, top to bottom: that
    // is already the banded, coalesced form a region keeps.
    std::vector<geom::Rect> rects;
    rects.reserve(std::size_t(2 * corner + 1));
    long long row = 0;
    while (row < height) {
        const int cut = insetOfRow(row);
        long long end = row + 1;
        // Rows between the corners all share the full span: jump over them.
        if (end >= corner && end < height - corner && cut == 0)
            end = height - corner;
        while (end < height && insetOfRow(end) == cut)
            ++end;
        rects.push_back(geom::Rect{int(left + cut), int(top + row), int(width - 2 * cut), int(end - row)});
        row = end;
    }

    return rects;
}

} // namespace outline
