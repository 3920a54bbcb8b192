#pragma once
// The skin's shared routines: the window outline, the frame's faces, the
// sounds and the push-button faces. Those of the main window take the parts
// of it they paint as their first argument.
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/types.h"

#include <cstdint>

// Gives `form` a rounded outline: the rectangle left..right, top..bottom
// (pixels, made whole halves to even) with corners cut by an ellipse.
void SetRoundRegion(ui::Form &form, double left, double top, double right, double bottom, double ellipseWidth,
                    double ellipseHeight);

// The main window's parts the skin paints, as the window hands them over:
// its title bar, its bottom strip, its push buttons, and the hidden picture
// box the buttons' pieces are copied from.
struct MainSkin {
    ui::PictureBox &title, &bottom;
    ui::ControlArray<ui::PictureBox> buttons;
    ui::PictureBox &scratch;
};

// The main window's title bar and bottom strip: active (True) or inactive
// (False) face; any other value changes nothing.
void SetTitleSkin(const MainSkin &main, ui::Boolean active);
void SetBottomSkin(const MainSkin &main, ui::Boolean active);

// Plays a sound of the program's wav folder without waiting.
void PlaySkinSound(const ui::String &fileName);

// Paints push button `index` of the main window, with its hidden picture box
// as the surface the pieces are copied from: look True is hover, False
// normal; any other value changes nothing.
void DrawButtonFace(const MainSkin &main, std::int16_t index, std::int16_t look);

// Paints a push-button face into `button` with `scratch` as the surface the
// pieces are copied from: the left cap, the middle tiles and the right cap.
void PaintButtonFace(ui::PictureBox &button, ui::Canvas &scratch, bool hover);

// Bitmap numbers of the skin.
namespace skin {
constexpr int IconApple = 101;
constexpr int MinNormal = 102, MinHover = 109;
constexpr int CloseNormal = 104, CloseHover = 105;
constexpr int BottomActive = 106, BottomInactive = 107;
constexpr int TitleActive = 111, TitleInactive = 112;
constexpr int NormalLeft = 113, NormalTile = 114, NormalRight = 115;
constexpr int HoverLeft = 116, HoverTile = 117, HoverRight = 118;
constexpr ui::Color StripNormal = 0xC0C0C0, StripMenu = 0xFF8080;
} // namespace skin
