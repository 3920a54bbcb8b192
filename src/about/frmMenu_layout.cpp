// The About window's layout: its picture, version labels, OK button and the
// popup menu it holds.
#include "about/frmMenu.h"

#include "version.h"

using namespace ui;

namespace {

FormDef makeLayout() {
    FormDef f;
    f.name = "frmMenu";
    f.clientWidth = 4590;
    f.clientHeight = 2655;
    f.frameWidth = 7;
    f.backColor = rgb(224, 224, 224);
    f.scaleMode = ScaleMode::Pixels;
    f.autoRedraw = true;
    f.picture = "about";
    f.startUp = StartUpPosition::CenterOwner;
    f.showInTaskbar = false;
    // Enter and Escape both close the window, as its OK button does.
    f.defaultButton = "pctButton";
    f.cancelButton = "pctButton";
    // The window has no caption; a screen reader calls it by its heading and the version.
    f.accessibleName = "О программе " LUNIVAR_TITLE " " LUNIVAR_VERSION_SHORT;
    f.controls = {
        {.name = "pctButton", .kind = Kind::PictureBox, .left = 1440, .top = 2040, .width = 1575, .height = 315,
         .tabIndex = 0, .backColor = rgb(224, 224, 224), .scaleMode = ScaleMode::Pixels, .autoRedraw = true,
         .accessibleName = "OK", .pushButton = true},
        {.name = "lblButton", .kind = Kind::Label, .container = "pctButton", .left = 720, .top = 45, .width = 225,
         .height = 195, .tabIndex = 1, .caption = "&OK", .autoSize = true},
        {.name = "lblVer", .kind = Kind::Label, .left = 1575, .top = 1110, .width = 45, .height = 195,
         .tabIndex = 2, .autoSize = true},
        {.name = "lblVerS", .kind = Kind::Label, .left = 1605, .top = 1140, .width = 45, .height = 195,
         .tabIndex = 3, .foreColor = rgb(192, 192, 192), .autoSize = true, .announced = false},
    };
    f.menus = {
        {.name = "menu", .caption = "", .level = 0, .visible = false},
        {.name = "mnuAbout", .caption = "&О программе"},
        {.name = "sep1", .caption = "-"},
        {.name = "mnuExit", .caption = "В&ыход"},
    };
    return f;
}

} // namespace

const FormDef &frmMenuLayout() {
    static const FormDef layout = makeLayout();
    return layout;
}
