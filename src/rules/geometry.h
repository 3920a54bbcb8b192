#pragma once
// Whole-pixel rectangles, the one geometric value the rules and the toolkit share.

namespace geom {

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
    bool operator==(const Rect &) const = default;
};

} // namespace geom
