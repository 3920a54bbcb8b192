// The main window's layout: every control with its place and size in twips,
// its tab index and its properties.
#include "app/frmMain.h"

#include "ui/app.h"

using namespace ui;

namespace {

FormDef makeLayout() {
    FormDef f;
    f.name = "frmMain";
    f.clientWidth = 5700;
    f.clientHeight = 3030;
    f.backColor = rgb(224, 224, 224);
    f.scaleMode = ScaleMode::Pixels;
    f.autoRedraw = true;
    f.picture = "back";
    f.startUp = StartUpPosition::CenterScreen;
    f.showInTaskbar = true;
    f.icon = true;

    const Color lightGrey = rgb(224, 224, 224), silver = rgb(192, 192, 192), grey = rgb(128, 128, 128);
    // In Wingdings the letters "^" to "i" are the twelve signs of the zodiac,
    // Aries to Pisces; where it is not installed they are shown as the
    // signs' own characters, U+2648 to U+2653, in DejaVu Sans.
    const FontDef wingdings{"Wingdings", 15.75, 400, 2, {"DejaVu Sans", U'^', U'i', U'\u2648'}};
    const FontDef tahoma{"Tahoma", 12, 400, 204};

    std::vector<String> days;
    for (int d = 1; d <= 31; ++d) days.push_back(CStr(d));

    auto button = [&](int index, int top, int tab, const char *name) {
        return ControlDef{.name = "pctButton", .index = index, .kind = Kind::PictureBox, .left = 120, .top = top,
                          .width = 2655, .height = 315, .tabIndex = tab, .backColor = lightGrey,
                          .scaleMode = ScaleMode::Pixels, .autoRedraw = true, .accessibleName = name,
                          .pushButton = true};
    };
    auto caption = [&](int index, int width, int tab, const char *text) {
        return ControlDef{.name = "lblButton", .index = index, .kind = Kind::Label,
                          .container = "pctButton", .left = 120, .top = 45, .width = width, .height = 195,
                          .tabIndex = tab, .caption = text, .autoSize = true};
    };
    // The sign's field is live: a screen reader says the sign when a lookup writes it.
    auto field = [&](const char *name, int top, int width, int tab, const char *accessible, bool live = false) {
        return ControlDef{.name = name, .kind = Kind::TextBox, .left = 2880, .top = top, .width = width,
                          .height = 285, .tabIndex = tab, .locked = true,
                          .accessibleName = accessible, .live = live};
    };
    auto fieldLabel = [&](int index, int top, int width, int tab, const char *text) {
        return ControlDef{.name = "lbl", .index = index, .kind = Kind::Label, .left = 2880, .top = top,
                          .width = width, .height = 195, .tabIndex = tab, .caption = text,
                          .autoSize = true};
    };

    f.controls = {
        {.name = "txtZ", .kind = Kind::TextBox, .left = 5040, .top = 600, .width = 495, .height = 495,
         .tabIndex = 26, .font = wingdings, .locked = true, .accessibleName = "Символ знака"},
        {.name = "pctCont", .kind = Kind::PictureBox, .left = 5040, .top = 1440, .width = 495, .height = 495,
         .tabIndex = 3, .scaleMode = ScaleMode::Twips, .autoRedraw = true, .visible = false, .announced = false},
        button(2, 2160, 24, "О программе..."),
        caption(2, 1155, 25, "&О программе..."),
        button(1, 2520, 22, "Закрыть"),
        caption(1, 660, 23, "&Закрыть"),
        field("txtTalis", 2520, 2655, 21, "Телисман"),
        field("txtPercStone", 1920, 2655, 20, "Драгоценный камень"),
        field("txtPair", 1320, 2655, 17, "Пары по зодиаку"),
        field("txtSign", 720, 2055, 14, "Ваш знак зодиака", true),
        button(0, 1800, 12, "Проверить"),
        caption(0, 855, 13, "&Проверить"),
        {.name = "lstDay", .kind = Kind::ListBox, .left = 120, .top = 480, .width = 735, .height = 1230,
         .tabIndex = 11, .toolTip = "День (число)", .items = days},
        {.name = "lstMonth", .kind = Kind::ListBox, .left = 960, .top = 480, .width = 1815, .height = 1230,
         .tabIndex = 10, .toolTip = "Месяц"},
        {.name = "pctRight", .kind = Kind::PictureBox, .left = 5670, .top = 360, .width = 30, .height = 2565,
         .tabIndex = 9, .backColor = silver, .align = Align::Right, .scaleMode = ScaleMode::Pixels,
         .announced = false},
        {.name = "pctLeft", .kind = Kind::PictureBox, .left = 0, .top = 360, .width = 30, .height = 2565,
         .tabIndex = 4, .backColor = silver, .align = Align::Left, .scaleMode = ScaleMode::Pixels,
         .announced = false},
        {.name = "pctBottom", .kind = Kind::PictureBox, .left = 0, .top = 2925, .width = 5700, .height = 105,
         .tabIndex = 7, .align = Align::Bottom, .scaleMode = ScaleMode::Pixels, .autoRedraw = true,
         .announced = false},
        {.name = "pctTitle", .kind = Kind::PictureBox, .left = 0, .top = 0, .width = 5700, .height = 360,
         .tabIndex = 0, .align = Align::Top, .scaleMode = ScaleMode::Pixels, .autoRedraw = true,
         .announced = false},
        {.name = "pctIco", .kind = Kind::PictureBox, .container = "pctTitle", .left = 120, .top = 45,
         .width = 255, .height = 255, .tabIndex = 8, .scaleMode = ScaleMode::Twips, .autoSize = true,
         .announced = false},
        {.name = "pctClose", .kind = Kind::PictureBox, .container = "pctTitle", .left = 5640, .top = 60,
         .width = 225, .height = 255, .tabIndex = 1, .toolTip = "Закрыть",
         .scaleMode = ScaleMode::Pixels, .autoSize = true, .accessibleName = "Закрыть окно", .pushButton = true,
         .tabStop = false},
        {.name = "pctMin", .kind = Kind::PictureBox, .container = "pctTitle", .left = 5100, .top = 60,
         .width = 225, .height = 255, .tabIndex = 2, .toolTip = "Свернуть",
         .scaleMode = ScaleMode::Pixels, .autoSize = true, .accessibleName = "Свернуть окно", .pushButton = true,
         .tabStop = false},
        {.name = "lblTitle", .kind = Kind::Label, .container = "pctTitle", .left = 360, .top = 0, .width = 1095,
         .height = 285, .tabIndex = 5, .caption = "Apple Mac", .font = tahoma, .autoSize = true},
        {.name = "lblTitleS", .kind = Kind::Label, .container = "pctTitle", .left = 360, .top = 60, .width = 1095,
         .height = 285, .tabIndex = 6, .caption = "Apple Mac", .foreColor = grey, .font = tahoma, .autoSize = true,
         .announced = false},
        fieldLabel(3, 2280, 810, 19, "Телисман:"),
        fieldLabel(2, 1680, 1710, 18, "Драгоценный камень:"),
        fieldLabel(1, 1080, 1350, 16, "Пары по зодиаку:"),
        fieldLabel(0, 480, 1440, 15, "Ваш знак зодиака:"),
    };
    return f;
}

} // namespace

const FormDef &frmMainLayout() {
    static const FormDef layout = makeLayout();
    return layout;
}
