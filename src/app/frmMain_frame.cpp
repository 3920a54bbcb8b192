// The main window's frame: its outline and minimum size, the title bar and
// bottom strip, and the caption buttons.
#include "app/frmMain.h"

#include "skin/mdlDeclarations.h"
#include "ui/picture.h"
#include "ui/units.h"

using namespace ui;

void frmMain::Form_Resize() {
    SetTitleSkin(skin, vbTrue);
    if (WindowState() != vbMinimized) {
        if (Width() < 5700) setWidth(5700);
        if (Height() < 3000) setHeight(3000);
    }
    const float R = Width() / float(Screen::TwipsPerPixelX()) + 1;
    const float B = Height() / float(Screen::TwipsPerPixelY()) + 1;
    SetRoundRegion(*this, 0, 0, R, B, 10, 10);
}

void frmMain::pctTitle_Resize() {
    pctClose.setLeft(pctTitle.ScaleWidth() - pctClose.ScaleWidth() - 4);
    pctMin.setLeft(pctTitle.ScaleWidth() - pctClose.ScaleWidth() - 2 * pctMin.ScaleWidth() - 10);
    SetTitleSkin(skin, vbTrue);
    lblTitle.setLeft((pctTitle.ScaleWidth() - lblTitle.Width()) / 2);
    lblTitleS.setLeft(lblTitle.Left() + 2);
    lblTitle.setTop((pctTitle.ScaleHeight() - lblTitle.Height()) / 2);
    lblTitleS.setTop(lblTitle.Top() + 2);
}

void frmMain::pctBottom_Resize() { SetBottomSkin(skin, vbTrue); }

void frmMain::pctMin_MouseMove(std::int16_t, std::int16_t, float, float) {
    pctClose.setPicture(LoadResPicture(skin::CloseNormal, vbResBitmap));
    pctMin.setPicture(LoadResPicture(skin::MinHover, vbResBitmap));
}

void frmMain::pctClose_MouseMove(std::int16_t, std::int16_t, float, float) {
    pctMin.setPicture(LoadResPicture(skin::MinNormal, vbResBitmap));
    pctClose.setPicture(LoadResPicture(skin::CloseHover, vbResBitmap));
}

void frmMain::Form_MouseMove(std::int16_t, std::int16_t, float, float) {
    pctMin.setPicture(LoadResPicture(skin::MinNormal, vbResBitmap));
    pctClose.setPicture(LoadResPicture(skin::CloseNormal, vbResBitmap));
    for (std::int16_t i = 0; i <= pctButton.Count() - 1; ++i) DrawButtonFace(skin, i, vbFalse);
}

void frmMain::pctMin_Click() {
    pctMin.setPicture(LoadResPicture(skin::MinHover, vbResBitmap));
    PlaySkinSound("min.wav");
    setWindowState(vbMinimized);
}

void frmMain::pctClose_Click() {
    PlaySkinSound("close.wav");
    pctClose.setPicture(LoadResPicture(skin::CloseHover, vbResBitmap));
    Unload();
}
