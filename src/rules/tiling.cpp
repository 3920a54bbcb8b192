#include "rules/tiling.h"

#include "rules/outline.h"

#include <limits>

namespace skin {

FacePlan faceLayout(float scaleWidth, float width)
{
    FacePlan plan;
    // The end is worked out once, before the first tile.
    const float end = scaleWidth - float(RightCapWidth);
    for (int x = LeftCapWidth; float(x) <= end; x += TileWidth) {
        plan.tileXs.push_back(x);
        if (x > std::numeric_limits<int>::max() - TileWidth)
            break;
    }
    const float capX = width - float(RightCapWidth);
    plan.rightCapX = outline::CLng(double(capX));
    return plan;
}

} // namespace skin
