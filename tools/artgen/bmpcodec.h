#pragma once
// Writers for the exact file formats the program carries: Windows bitmaps
// of a chosen depth (16-bit 5-5-5, 8-bit with a 256-colour palette, 24-bit,
// all bottom-up and uncompressed) and a single-image 256-colour icon with a
// 1-bit mask. Qt's own BMP writer always picks the depth itself, so these
// are written by hand.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRgb>

namespace artgen {

// 8-bit channel to 5 bits, rounded to nearest.
int to5(int v);
// 5 bits back to 8, the way Qt's BMP reader expands 16-bit pixels.
int from5(int v);
// The colour a pixel ends up with after a trip through a 16-bit bitmap.
QRgb through555(QRgb c);
QImage through555(const QImage &img);

QByteArray encodeBmp16(const QImage &img);
QByteArray encodeBmp24(const QImage &img);
// Palette: exactly 256 entries, computed by median cut from the picture.
QByteArray encodeBmp8(const QImage &img);

// 32 x 32 (or any size up to 255) icon: one 8-bit entry with a 256-colour
// palette and an AND mask; pixels with alpha < 128 become transparent.
QByteArray encodeIco8(const QImage &argb);

// Deterministic median-cut palette of at most maxColours entries, weighted
// by pixel count. When the picture has few enough colours they are taken
// exactly. Fully transparent pixels are ignored.
QList<QRgb> medianCut(const QImage &img, int maxColours);
int nearestIndex(const QList<QRgb> &palette, QRgb c);

} // namespace artgen
