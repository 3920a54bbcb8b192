#pragma once
// The second window: it holds the program's popup menu and is the About
// window, with the version and an OK button.
#include "ui/form.h"

#include <cstdint>

class frmMenu : public ui::Form {
public:
    frmMenu();

    // Controls, as the layout names them.
    ui::PictureBox &pctButton;
    ui::Label &lblButton;
    ui::Label &lblVer;
    ui::Label &lblVerS;

    void Form_Load() override;
    void Form_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y) override;
    void pctButton_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void pctButton_Click();
    void lblButton_Click();
    void mnuAbout_Click();
    void mnuExit_Click();

private:
    void ResetOkButton();
    // The surface the button's pieces are copied from: a picture of the
    // window's own, off the screen.
    ui::OffscreenPicture scratch;
};

// The About window's layout table.
const ui::FormDef &frmMenuLayout();

// The one About window: made on first use, dropped when it is closed.
extern ui::GlobalForm<frmMenu> frmMenuRef;
