#include "platform.h"

#include "form.h"

#include <QPainter>

#include <cstring>

namespace ui {

int SetWindowRgn(Form &form, const QRegion &region, Boolean redraw) {
    form.applyRegion(region, redraw != 0);
    return 1;
}

namespace {
// Copies a w by h piece of `from` at (sx, sy) into `to` at (x, y), as a painter
// in source mode would: what falls outside `to` is clipped.
void copyPiece(QImage &to, int x, int y, int w, int h, const QImage &from, int sx, int sy) {
    if (&to != &from && to.format() == QImage::Format_RGB32 && from.format() == QImage::Format_RGB32 &&
        to.devicePixelRatio() == 1 && from.devicePixelRatio() == 1 && from.rect().contains(QRect(sx, sy, w, h))) {
        // The usual case, row by row without a painter: a push-button face
        // is dozens of such copies, and every pointer move repaints faces.
        const QRect target = QRect(x, y, w, h) & to.rect();
        if (target.isEmpty()) return;
        const qsizetype toLine = to.bytesPerLine(), fromLine = from.bytesPerLine();
        uchar *d = to.bits() + target.top() * toLine + target.left() * 4;
        const uchar *s = from.constBits() + (sy + target.top() - y) * fromLine + (sx + target.left() - x) * 4;
        for (int row = 0; row < target.height(); ++row, d += toLine, s += fromLine)
            std::memcpy(d, s, std::size_t(target.width()) * 4);
        return;
    }
    const QImage piece = from.copy(sx, sy, w, h);
    QPainter p(&to);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(x, y, piece);
}
} // namespace

bool BitBlt(DC dst, int x, int y, int w, int h, DC src, int sx, int sy, std::uint32_t rop) {
    if (!dst.box || !src.box || rop != SRCCOPY || w <= 0 || h <= 0) return false;
    copyPiece(dst.box->image(), x, y, w, h, src.box->image(), sx, sy);
    QImage &hiDst = dst.box->image2x(), &hiSrc = src.box->image2x();
    if (!hiDst.isNull() && !hiSrc.isNull()) copyPiece(hiDst, x * 2, y * 2, w * 2, h * 2, hiSrc, sx * 2, sy * 2);
    dst.box->imageChanged();
    return true;
}

} // namespace ui
