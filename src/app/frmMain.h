#pragma once
// The main window: the date lists, the five result fields, the push buttons
// and the skinned frame. Its handlers are in one file a subsystem: start-up
// and commands (frmMain.cpp), the lookup and date lists (frmMain_zodiac.cpp),
// the frame and caption buttons (frmMain_frame.cpp), the title bar
// (frmMain_titlebar.cpp) and the push buttons (frmMain_buttons.cpp).
#include "skin/mdlDeclarations.h"
#include "ui/form.h"

#include <array>
#include <cstdint>

class frmMain : public ui::Form {
public:
    frmMain();

    // Controls, as the layout names them.
    ui::TextBox &txtZ;
    ui::PictureBox &pctCont;
    ui::ControlArray<ui::PictureBox> pctButton;
    ui::ControlArray<ui::Label> lblButton;
    ui::TextBox &txtTalis;
    ui::TextBox &txtPercStone;
    ui::TextBox &txtPair;
    ui::TextBox &txtSign;
    ui::ListBox &lstDay;
    ui::ListBox &lstMonth;
    ui::PictureBox &pctRight;
    ui::PictureBox &pctLeft;
    ui::PictureBox &pctBottom;
    ui::PictureBox &pctTitle;
    ui::PictureBox &pctIco;
    ui::PictureBox &pctClose;
    ui::PictureBox &pctMin;
    ui::Label &lblTitle;
    ui::Label &lblTitleS;
    ui::ControlArray<ui::Label> lbl;
    // What the skin paints of it.
    const MainSkin skin;

    // Name tables; slot 0 is never filled or read.
    std::array<ui::String, 13> ZodiacSignTable;
    std::array<ui::String, 10> PreciousStoneTable;
    std::array<ui::String, 10> TalismanTable;

    // Start-up and commands.
    void Form_Load() override;
    void Form_QueryUnload(std::int16_t &Cancel, std::int16_t UnloadMode) override;
    void pctButton_Click(std::int16_t Index);
    void lblButton_Click(std::int16_t Index);

    // Lookup and date lists.
    void ShowZodiacInfo();
    void lstDay_Click();
    void lstMonth_Click();

    // Frame.
    void Form_Resize() override;
    void pctTitle_Resize();
    void pctBottom_Resize();

    // Title bar.
    void pctTitle_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void pctTitle_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void pctTitle_MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void lblTitle_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void lblTitle_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void lblTitle_MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void pctIco_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);

    // Caption buttons and the window's free area.
    void pctMin_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void pctClose_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void pctMin_Click();
    void pctClose_Click();
    void Form_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y) override;

    // Push buttons.
    void pctButton_MouseMove(std::int16_t Index, std::int16_t Button, std::int16_t Shift, float X, float Y);
    void lblButton_MouseMove(std::int16_t Index, std::int16_t Button, std::int16_t Shift, float X, float Y);
    void ResetButton(std::int16_t Index);

    // Title-bar drag state.
    ui::Boolean blnDrag = ui::vbFalse;
    float sngDragX = 0;
    float sngDragY = 0;
};

// The layout table of the main window.
const ui::FormDef &frmMainLayout();

// The one main window: the program's start-up object.
extern ui::GlobalForm<frmMain> frmMainRef;
