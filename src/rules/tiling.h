#pragma once
// Where the pieces of a push-button face go. A face is a left cap, as many
// middle tiles as the width needs, and a right cap, all one row high; the
// right cap is drawn last and covers whatever tile reaches under it.
#include <vector>

namespace skin {

constexpr int LeftCapWidth = 13;
constexpr int TileWidth = 6;
constexpr int RightCapWidth = 9;
constexpr int PieceHeight = 21;

struct FacePlan {
    std::vector<int> tileXs; // left edge of each middle tile, in drawing order
    int rightCapX;           // left edge of the right cap
};

// The left cap always sits at x = 0. Tiles start right after it, at 13, 19,
// 25, ... for as long as x <= scaleWidth - 9 (compared in single precision);
// the right cap goes to width - 9, rounded halves to even. Widths are those
// of the button in pixels: its inner scale width and its outer width.
FacePlan faceLayout(float scaleWidth, float width);

} // namespace skin
