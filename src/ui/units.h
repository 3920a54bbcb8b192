#pragma once
// Twips and pixels. A twip is 1/1440 inch; a pixel of the toolkit is 15 of
// them on every platform (a pixel at 96 dots per inch), whatever device
// pixels the screen shows it with.

namespace ui {

class Screen {
public:
    static double TwipsPerPixelX() { return 15; }
    static double TwipsPerPixelY() { return 15; }
    // Device pixels a pixel: 1, or 2 where the screen has the pixels for the
    // pictures drawn at twice the size. The windows follow the screen.
    static int scale();
    static void followScale(int scale);
};

} // namespace ui
