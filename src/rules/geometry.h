#pragma once
// Whole-pixel rectangles, the one geometric value the rules and the toolkit share.

namespace geom {

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
    bool operator==(const Rect &) const = default;
    bool empty() const { return w <= 0 || h <= 0; }
};

// What two rectangles share (empty when nothing), and the least one holding both.
inline Rect intersect(const Rect &a, const Rect &b) {
    const int l = a.x > b.x ? a.x : b.x, t = a.y > b.y ? a.y : b.y;
    const int r = a.x + a.w < b.x + b.w ? a.x + a.w : b.x + b.w, bt = a.y + a.h < b.y + b.h ? a.y + a.h : b.y + b.h;
    return r > l && bt > t ? Rect{l, t, r - l, bt - t} : Rect{};
}
inline Rect unite(const Rect &a, const Rect &b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    const int l = a.x < b.x ? a.x : b.x, t = a.y < b.y ? a.y : b.y;
    const int r = a.x + a.w > b.x + b.w ? a.x + a.w : b.x + b.w, bt = a.y + a.h > b.y + b.h ? a.y + a.h : b.y + b.h;
    return Rect{l, t, r - l, bt - t};
}

} // namespace geom
