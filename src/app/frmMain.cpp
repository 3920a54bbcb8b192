// The main window's start-up, its commands and the end of the program.
#include "app/frmMain.h"

#include "about/frmMenu.h"
#include "skin/mdlDeclarations.h"
#include "ui/app.h"
#include "ui/picture.h"
#include "ui/units.h"
#include "rules/zodiac.h"

using namespace ui;

GlobalForm<frmMain> frmMainRef;

frmMain::frmMain()
    : Form(frmMainLayout()), txtZ(textBox("txtZ")), pctCont(pictureBox("pctCont")),
      pctButton(array<PictureBox>("pctButton")), lblButton(array<Label>("lblButton")),
      txtTalis(textBox("txtTalis")), txtPercStone(textBox("txtPercStone")), txtPair(textBox("txtPair")),
      txtSign(textBox("txtSign")), lstDay(listBox("lstDay")), lstMonth(listBox("lstMonth")),
      pctRight(pictureBox("pctRight")), pctLeft(pictureBox("pctLeft")), pctBottom(pictureBox("pctBottom")),
      pctTitle(pictureBox("pctTitle")), pctIco(pictureBox("pctIco")), pctClose(pictureBox("pctClose")),
      pctMin(pictureBox("pctMin")), lblTitle(label("lblTitle")), lblTitleS(label("lblTitleS")),
      lbl(array<Label>("lbl")), skin{pctTitle, pctBottom, pctButton, pctCont} {
    // Behaviour attached by name.
    for (PictureBox *b : pctButton) {
        const auto i = std::int16_t(b->Index());
        b->Click = [this, i] { pctButton_Click(i); };
        b->MouseMove = [this, i](std::int16_t Button, std::int16_t Shift, float X, float Y) { pctButton_MouseMove(i, Button, Shift, X, Y); };
    }
    for (Label *l : lblButton) {
        const auto i = std::int16_t(l->Index());
        l->Click = [this, i] { lblButton_Click(i); };
        l->MouseMove = [this, i](std::int16_t Button, std::int16_t Shift, float X, float Y) { lblButton_MouseMove(i, Button, Shift, X, Y); };
    }
    lstDay.Click = [this] { lstDay_Click(); };
    lstMonth.Click = [this] { lstMonth_Click(); };
    pctTitle.Resize = [this] { pctTitle_Resize(); };
    pctBottom.Resize = [this] { pctBottom_Resize(); };
    pctTitle.MouseDown = [this](std::int16_t B, std::int16_t S, float X, float Y) { pctTitle_MouseDown(B, S, X, Y); };
    pctTitle.MouseMove = [this](std::int16_t B, std::int16_t S, float X, float Y) { pctTitle_MouseMove(B, S, X, Y); };
    pctTitle.MouseUp = [this](std::int16_t B, std::int16_t S, float X, float Y) { pctTitle_MouseUp(B, S, X, Y); };
    lblTitle.MouseDown = [this](std::int16_t B, std::int16_t S, float X, float Y) { lblTitle_MouseDown(B, S, X, Y); };
    lblTitle.MouseMove = [this](std::int16_t B, std::int16_t S, float X, float Y) { lblTitle_MouseMove(B, S, X, Y); };
    lblTitle.MouseUp = [this](std::int16_t B, std::int16_t S, float X, float Y) { lblTitle_MouseUp(B, S, X, Y); };
    pctIco.MouseDown = [this](std::int16_t B, std::int16_t S, float X, float Y) { pctIco_MouseDown(B, S, X, Y); };
    pctMin.MouseMove = [this](std::int16_t B, std::int16_t S, float X, float Y) { pctMin_MouseMove(B, S, X, Y); };
    pctClose.MouseMove = [this](std::int16_t B, std::int16_t S, float X, float Y) { pctClose_MouseMove(B, S, X, Y); };
    pctMin.Click = [this] { pctMin_Click(); };
    pctClose.Click = [this] { pctClose_Click(); };
}

void frmMain::Form_Load() {
    zodiac::fillZodiacSignTable(ZodiacSignTable);
    zodiac::fillPreciousStoneTable(PreciousStoneTable);
    zodiac::fillTalismanTable(TalismanTable);

    lstDay.setText("1");

    Form_MouseMove(0, 0, 0, 0);
    SetTitleSkin(skin, vbTrue);

    setCaption(App::Title() + " " + CStr(App::Major()) + "." + CStr(App::Minor()));
    lblTitle.setCaption(Caption());
    lblTitleS.setCaption(lblTitle.Caption());

    pctIco.setPicture(LoadResPicture(101, vbResBitmap));

    const float R = Width() / float(Screen::TwipsPerPixelX()) + 1;
    const float B = Height() / float(Screen::TwipsPerPixelY()) + 1;
    SetRoundRegion(*this, 5, 5, R, B, 10, 10);

    for (int m = 1; m <= 12; ++m) lstMonth.AddItem(MonthName(m));

    for (std::int16_t i = 0; i <= pctButton.Count() - 1; ++i) ResetButton(i);

    lstMonth.setListIndex(0);
}

void frmMain::Form_QueryUnload(std::int16_t &Cancel, std::int16_t UnloadMode) {
    (void)Cancel;
    (void)UnloadMode;
    App::End();
}

void frmMain::pctButton_Click(std::int16_t Index) {
    PlaySkinSound("min.wav");
    switch (Index) {
    case 0: ShowZodiacInfo(); break;
    case 1: Unload(); break;
    case 2: frmMenuRef().Show(vbModal, this); break;
    default: break;
    }
}

void frmMain::lblButton_Click(std::int16_t Index) { pctButton_Click(Index); }
