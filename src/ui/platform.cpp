#include "platform.h"

#include "form.h"

#include <QPainter>

namespace ui {

int SetWindowRgn(Form &form, const QRegion &region, Boolean redraw) {
    form.applyRegion(region, redraw != 0);
    return 1;
}

bool BitBlt(DC dst, int x, int y, int w, int h, DC src, int sx, int sy, std::uint32_t rop) {
    if (!dst.box || !src.box || rop != SRCCOPY || w <= 0 || h <= 0) return false;
    const QImage piece = src.box->image().copy(sx, sy, w, h);
    {
        QPainter p(&dst.box->image());
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(x, y, piece);
    }
    QImage &hiDst = dst.box->image2x(), &hiSrc = src.box->image2x();
    if (!hiDst.isNull() && !hiSrc.isNull()) {
        QPainter p(&hiDst);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(x * 2, y * 2, hiSrc.copy(sx * 2, sy * 2, w * 2, h * 2));
    }
    dst.box->imageChanged();
    return true;
}

} // namespace ui
