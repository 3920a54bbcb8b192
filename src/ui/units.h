#pragma once
// Twips and pixels. A twip is 1/1440 inch; the screen's factors say how many
// twips make one pixel (15 at 96 dots per inch).

namespace ui {

class Screen {
public:
    static double TwipsPerPixelX();
    static double TwipsPerPixelY();
};

} // namespace ui
