#pragma once
// The drawings of the skin, the icon and the About panel. Every function
// draws at a whole-number scale `s` (1 for the bitmaps themselves, 2 for the
// high-DPI copies), always from the same geometry, so the 2x pictures are
// drawn, not enlarged.

#include <QColor>
#include <QImage>
#include <QString>

namespace artgen {

// Colours shared by several pictures.
inline const QColor kWindowBack(224, 224, 224);   // the main window's back colour
inline const QColor kCapsuleCorner(230, 230, 230);
inline const QColor kGreyBlue(112, 128, 152);     // outline of the active frame

enum class Caption { Minimise, Close };

QImage titleIcon(int s);                              // 21 x 20, the apple
QImage captionButton(int s, Caption which, bool hover); // 17 x 19 / 18 x 19
QImage titleBar(int s, bool active);                  // 380 x 24
QImage bottomStrip(int s, bool active);               // 380 x 7
// A whole capsule button face of `width` pixels (21 high); the three pieces
// are cut from it.
QImage capsule(int s, bool hover, int width);
enum class Piece { LeftCap, Tile, RightCap };
QImage capsulePiece(int s, bool hover, Piece piece);
QImage appIcon(int size);                             // any size, with alpha
QImage backStrip(int s);                              // 6 x 24

struct AboutTexts {
    QString heading, program, author, version, site, mail;
    QString programValue, authorValue, siteValue, mailValue;
};
// The About panel, 306 x 177. Needs a QGuiApplication for its fonts.
QImage aboutPicture(int s, const AboutTexts &texts, const QString &family);

// Widths of the capsule pieces the button painting relies on.
inline constexpr int kLeftCapWidth = 13;
inline constexpr int kTileWidth = 6;
inline constexpr int kRightCapWidth = 9;

} // namespace artgen
