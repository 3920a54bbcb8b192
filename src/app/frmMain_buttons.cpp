// The main window's push buttons: normal and hover faces.
#include "app/frmMain.h"

#include "skin/mdlDeclarations.h"

using namespace ui;

void frmMain::ResetButton(std::int16_t Index) {
    DrawButtonFace(skin, Index, vbFalse);
    lblButton(Index).setLeft((pctButton(Index).Width() - lblButton(Index).Width()) / 2);
}

void frmMain::pctButton_MouseMove(std::int16_t Index, std::int16_t, std::int16_t, float, float) {
    const std::int16_t n = pctButton.Count();
    for (std::int16_t i = 0; i <= n - 1; ++i) DrawButtonFace(skin, i, vbFalse);
    DrawButtonFace(skin, Index, vbTrue);
}

void frmMain::lblButton_MouseMove(std::int16_t Index, std::int16_t Button, std::int16_t Shift, float X, float Y) {
    pctButton_MouseMove(Index, Button, Shift, X, Y);
}
