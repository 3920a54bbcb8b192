#pragma once
// Window layouts as data: one table per window, in twips, from which the
// toolkit builds the controls.
#include "types.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace ui {

enum class Kind { PictureBox, Label, TextBox, ListBox };

struct FontDef {
    QString face;      // empty: the window's default font
    double points = 0; // 0: the default size
    int weight = 400;
    int charset = 0;
};

struct ControlDef {
    QString name;
    int index = -1;      // element of a control array, or -1
    Kind kind = Kind::Label;
    QString container;   // empty: the window itself
    int left = 0, top = 0, width = 0, height = 0; // twips
    int tabIndex = 0;
    QString caption;
    QString toolTip;
    Color backColor = colorUnset;
    Color foreColor = colorUnset;
    FontDef font;
    Align align = Align::None;
    ScaleMode scaleMode = ScaleMode::Twips;
    bool autoSize = false;
    bool autoRedraw = false;
    bool visible = true;
    bool locked = false;
    QStringList items;
    QString accessibleName; // what a screen reader calls the control
};

struct MenuDef {
    QString name;
    QString caption; // "-" is a separator line
    int level = 1;   // 0 for the top-level menu, 1 for its items
    bool visible = true;
};

enum class StartUpPosition { Manual, CenterScreen, CenterOwner };

struct FormDef {
    QString name;
    int clientWidth = 0, clientHeight = 0; // twips
    int frameWidth = 0;                    // pixels of the window's own frame around the client area
    Color backColor = colorUnset;
    ScaleMode scaleMode = ScaleMode::Pixels;
    bool autoRedraw = false;
    QString picture;        // resource path of the background picture, if any
    StartUpPosition startUp = StartUpPosition::Manual;
    bool showInTaskbar = true;
    QString icon;           // resource path of the window icon
    QString defaultButton;  // control that Enter clicks, anywhere in the window
    QString cancelButton;   // control that Escape clicks, anywhere in the window
    std::vector<ControlDef> controls;
    std::vector<MenuDef> menus;
};

} // namespace ui
