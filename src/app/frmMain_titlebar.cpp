// The title bar: moving the window by it, minimising with the middle button,
// and the icon's menu.
#include "app/frmMain.h"

#include "about/frmMenu.h"
#include "skin/mdlDeclarations.h"
#include "ui/picture.h"
#include "ui/units.h"

using namespace ui;

void frmMain::pctTitle_MouseDown(std::int16_t Button, std::int16_t, float X, float Y) {
    switch (Button) {
    case vbLeftButton:
        blnDrag = vbTrue;
        sngDragX = X;
        sngDragY = Y;
        // Where a client cannot place its own window, the compositor moves
        // it; the compositor also takes the release, so no drag is pending here.
        if (movesThroughSystem()) {
            startSystemMove();
            blnDrag = vbFalse;
        }
        break;
    case 3:
    case vbMiddleButton:
        setWindowState(vbMinimized);
        break;
    default:
        break;
    }
}

void frmMain::pctTitle_MouseMove(std::int16_t, std::int16_t, float X, float Y) {
    const std::int16_t state = WindowState();
    if (state == vbMaximized || blnDrag != vbTrue) {
        pctMin.setPicture(LoadResPicture(skin::MinNormal, vbResBitmap));
        pctClose.setPicture(LoadResPicture(skin::CloseNormal, vbResBitmap));
        return;
    }
    const float dx = float((X - sngDragX) * Screen::TwipsPerPixelX());
    const float dy = float((Y - sngDragY) * Screen::TwipsPerPixelY());
    setLeft(Left() + dx);
    setTop(Top() + dy);
}

void frmMain::pctTitle_MouseUp(std::int16_t, std::int16_t, float, float) { blnDrag = vbFalse; }

void frmMain::lblTitle_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y) {
    pctTitle_MouseDown(Button, Shift, X, Y);
}
void frmMain::lblTitle_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y) {
    pctTitle_MouseMove(Button, Shift, X, Y);
}
void frmMain::lblTitle_MouseUp(std::int16_t, std::int16_t, float, float) { blnDrag = vbFalse; }

void frmMain::pctIco_MouseDown(std::int16_t, std::int16_t, float, float) {
    SetTitleSkin(skin, vbFalse);
    SetBottomSkin(skin, vbFalse);
    pctRight.setBackColor(skin::StripMenu);
    pctLeft.setBackColor(skin::StripMenu);
    PopupMenu(frmMenuRef().menu("menu"));
    SetTitleSkin(skin, vbTrue);
    SetBottomSkin(skin, vbTrue);
    pctRight.setBackColor(skin::StripNormal);
    pctLeft.setBackColor(skin::StripNormal);
}
