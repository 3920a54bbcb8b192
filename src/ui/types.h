#pragma once
// Basic value types of the form toolkit.
#include "rules/geometry.h"

#include <cstdint>
#include <string>

namespace ui {

// Texts, UTF-8.
using String = std::string;

// Booleans are 16-bit: True is -1, False is 0. Routines that take a Boolean
// act only on exactly these two values.
using Boolean = std::int16_t;
constexpr Boolean vbTrue = -1;
constexpr Boolean vbFalse = 0;

// A colour as one number: 0xBBGGRR, the low byte is red.
using Color = std::uint32_t;
constexpr Color rgb(int r, int g, int b) { return Color(r) | Color(g) << 8 | Color(b) << 16; }
constexpr Color colorUnset = 0xFFFFFFFFu;
// The same colour as a pixel, 0xFFRRGGBB.
constexpr std::uint32_t pixelOf(Color c) { return 0xFF000000u | (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF); }

// Mouse button codes and Shift codes as the mouse events deliver them.
constexpr std::int16_t vbLeftButton = 1, vbRightButton = 2, vbMiddleButton = 4;
constexpr std::int16_t vbShiftMask = 1, vbCtrlMask = 2, vbAltMask = 4;

// Window states.
constexpr std::int16_t vbNormal = 0, vbMinimized = 1, vbMaximized = 2;

// Show modes.
constexpr int vbModeless = 0, vbModal = 1;

// Message box style: the critical icon with one OK button.
constexpr int vbCritical = 16;

// Picture formats for LoadResPicture.
constexpr int vbResBitmap = 0;

enum class ScaleMode { Twips, Pixels };
enum class Align { None, Top, Bottom, Left, Right };

// Whole pixels.
using Rect = geom::Rect;

// Rounded to the nearest whole pixel, halves up.
int roundPx(double v);

// A key pressed, as the platform reports it to the window that has the
// keyboard: the keys the toolkit acts on, and for any other key the letter
// it types (an access key with Alt).
enum class Key { Other, Tab, Enter, Escape, Space, Up, Down, PageUp, PageDown, Home, End };
struct KeyEvent {
    Key key = Key::Other;
    char32_t letter = 0;     // Other: the character the key gives, or 0
    std::int16_t shift = 0;  // vbShiftMask, vbCtrlMask and vbAltMask held
    bool repeat = false;     // the key held down, repeating
};

} // namespace ui
