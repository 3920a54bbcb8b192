#pragma once
// Twips and pixels. A twip is 1/1440 inch; the screen's factors say how many
// twips make one logical pixel (15 at 96 dots per inch).

namespace ui {

class Screen {
public:
    static double TwipsPerPixelX();
    static double TwipsPerPixelY();

    // Replaces the factors the screen reports (tests use other resolutions);
    // a value of 0 returns to the screen's own.
    static void setTwipsPerPixel(double x, double y);
};

} // namespace ui
