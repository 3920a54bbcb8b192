#pragma once
// Window layouts as data: one table per window, in twips, from which the
// toolkit builds the controls.
#include "types.h"

#include <vector>

namespace ui {

enum class Kind { PictureBox, Label, TextBox, ListBox };

// A face that stands in for a symbol font where that font is not installed:
// the letters first..last are shown as the characters from `symbol` on.
struct SymbolStandIn {
    String face;
    char32_t first = 0, last = 0, symbol = 0;
    bool operator==(const SymbolStandIn &) const = default;
};

struct FontDef {
    String face;       // empty: the window's default font
    double points = 0; // 0: the default size
    int weight = 400;
    int charset = 0;   // 2: a symbol font
    SymbolStandIn standIn;
    bool operator==(const FontDef &) const = default;
};

struct ControlDef {
    String name;
    int index = -1;      // element of a control array, or -1
    Kind kind = Kind::Label;
    String container;    // empty: the window itself
    int left = 0, top = 0, width = 0, height = 0; // twips
    int tabIndex = 0;
    String caption;
    String toolTip;
    Color backColor = colorUnset;
    Color foreColor = colorUnset;
    FontDef font;
    Align align = Align::None;
    ScaleMode scaleMode = ScaleMode::Twips;
    bool autoSize = false;
    bool autoRedraw = false;
    bool visible = true;
    bool locked = false;
    std::vector<String> items;
    String accessibleName; // what a screen reader calls the control
    bool pushButton = false; // a picture box that is a button: pressed by Enter, Space and a screen reader
    bool tabStop = true;     // such a button is reached by Tab
    bool announced = true;   // false: a decoration or a shadow, which screen readers pass over
    bool live = false;       // a field whose new text a screen reader speaks at once
};

struct MenuDef {
    String name;
    String caption; // "-" is a separator line
    int level = 1;  // 0 for the top-level menu, 1 for its items
    bool visible = true;
};

enum class StartUpPosition { Manual, CenterScreen, CenterOwner };

struct FormDef {
    String name;
    int clientWidth = 0, clientHeight = 0; // twips
    int frameWidth = 0;                    // pixels of the window's own frame around the client area
    Color backColor = colorUnset;
    ScaleMode scaleMode = ScaleMode::Pixels;
    bool autoRedraw = false;
    String picture;        // the layout's background picture, if any (magenta shows the back colour)
    StartUpPosition startUp = StartUpPosition::Manual;
    bool showInTaskbar = true;
    bool icon = false;     // the window shows the program's icon
    String defaultButton;  // control that Enter clicks, anywhere in the window
    String cancelButton;   // control that Escape clicks, anywhere in the window
    String accessibleName; // what a screen reader calls the window when its caption is empty
    std::vector<ControlDef> controls;
    std::vector<MenuDef> menus;
};

} // namespace ui
