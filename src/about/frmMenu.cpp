#include "about/frmMenu.h"

#include "skin/mdlDeclarations.h"
#include "ui/app.h"
#include "ui/picture.h"
#include "ui/units.h"

using namespace ui;

GlobalForm<frmMenu> frmMenuRef;

frmMenu::frmMenu()
    : Form(frmMenuLayout()), pctButton(pictureBox("pctButton")), lblButton(label("lblButton")),
      lblVer(label("lblVer")), lblVerS(label("lblVerS")) {
    pctButton.Click = [this] { pctButton_Click(); };
    pctButton.MouseMove = [this](std::int16_t B, std::int16_t S, float X, float Y) { pctButton_MouseMove(B, S, X, Y); };
    lblButton.Click = [this] { lblButton_Click(); };
    Menu &m = menu("menu");
    m.item("mnuAbout").Click = [this] { mnuAbout_Click(); };
    m.item("mnuExit").Click = [this] { mnuExit_Click(); };
}

void frmMenu::Form_Load() {
    ResetOkButton();
    lblVer.setCaption(CStr(App::Major()) + "." + CStr(App::Minor()));
    lblVerS.setCaption(lblVer.Caption());
    SetRoundRegion(*this, 1, 1, Width() / float(Screen::TwipsPerPixelX()), Height() / float(Screen::TwipsPerPixelY()),
                   10, 10);
}

void frmMenu::ResetOkButton() { PaintButtonFace(pctButton, scratch, false); }

void frmMenu::Form_MouseMove(std::int16_t, std::int16_t, float, float) { ResetOkButton(); }

void frmMenu::pctButton_MouseMove(std::int16_t, std::int16_t, float, float) {
    PaintButtonFace(pctButton, scratch, true);
}

void frmMenu::pctButton_Click() {
    Unload();
    frmMenuRef.clear();
}

void frmMenu::lblButton_Click() { pctButton_Click(); }

// Both are chosen from the menu the main window shows.
void frmMenu::mnuAbout_Click() { Show(vbModal, menu("menu").owner); }

void frmMenu::mnuExit_Click() {
    Form *main = menu("menu").owner;
    Unload();
    frmMenuRef.clear();
    if (main) main->Unload();
}
