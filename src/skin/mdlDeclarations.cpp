#include "skin/mdlDeclarations.h"

#include "rules/tiling.h"
#include "ui/app.h"
#include "ui/picture.h"
#include "ui/platform.h"

using namespace ui;

void SetRoundRegion(Form &form, double left, double top, double right, double bottom, double ellipseWidth,
                    double ellipseHeight) {
    const Region rgn = CreateRoundRectRgn(CLng(left), CLng(top), CLng(right), CLng(bottom), CLng(ellipseWidth),
                                           CLng(ellipseHeight));
    SetWindowRgn(form, rgn, vbTrue);
}

void SetTitleSkin(const MainSkin &main, Boolean active) {
    if (active == vbTrue) main.title.setPicture(LoadResPicture(skin::TitleActive, vbResBitmap));
    else if (active == vbFalse) main.title.setPicture(LoadResPicture(skin::TitleInactive, vbResBitmap));
}

void SetBottomSkin(const MainSkin &main, Boolean active) {
    if (active == vbTrue) main.bottom.setPicture(LoadResPicture(skin::BottomActive, vbResBitmap));
    else if (active == vbFalse) main.bottom.setPicture(LoadResPicture(skin::BottomInactive, vbResBitmap));
}

void PlaySkinSound(const String &fileName) {
    // The folder, "wav" and the name, joined as they are with the platform's
    // separator; the full Unicode path, whatever letters the folder has.
    const String sep = App::PathSeparator();
    sndPlaySound(App::Path() + sep + "wav" + sep + fileName, SND_ASYNC | SND_NODEFAULT | SND_NOSTOP);
}

void PaintButtonFace(PictureBox &button, Canvas &scratch, bool hover) {
    const int left = hover ? skin::HoverLeft : skin::NormalLeft;
    const int tile = hover ? skin::HoverTile : skin::NormalTile;
    const int right = hover ? skin::HoverRight : skin::NormalRight;
    button.setPicture(LoadResPicture(left, vbResBitmap));
    scratch.setPicture(LoadResPicture(tile, vbResBitmap));
    const skin::FacePlan plan = skin::faceLayout(button.ScaleWidth(), button.Width());
    for (int x : plan.tileXs)
        BitBlt(button.hDC(), x, 0, skin::TileWidth, skin::PieceHeight, scratch.hDC(), 0, 0, SRCCOPY);
    scratch.setPicture(LoadResPicture(right, vbResBitmap));
    BitBlt(button.hDC(), plan.rightCapX, 0, skin::RightCapWidth, skin::PieceHeight, scratch.hDC(), 0, 0, SRCCOPY);
}

void DrawButtonFace(const MainSkin &main, std::int16_t index, std::int16_t look) {
    if (look != vbTrue && look != vbFalse) return;
    PaintButtonFace(main.buttons(index), main.scratch, look == vbTrue);
}
