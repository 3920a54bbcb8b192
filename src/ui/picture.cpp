#include "picture.h"

#include <QFile>
#include <QHash>

namespace ui {

namespace {
bool cacheOn = true;
QHash<int, Picture> &cache() {
    static QHash<int, Picture> c;
    return c;
}

Picture decode(int id) {
    QImage img(QStringLiteral(":/bmp/%1.bmp").arg(id));
    if (img.isNull()) return Picture();
    Picture p(img.convertToFormat(QImage::Format_RGB32), id);
    const QString hi = QStringLiteral(":/bmp/%1@2x.png").arg(id);
    if (QFile::exists(hi)) {
        QImage img2(hi);
        if (img2.size() == img.size() * 2) {
            img2 = img2.convertToFormat(QImage::Format_RGB32);
            img2.setDevicePixelRatio(2);
            p.setImage2x(img2);
        }
    }
    return p;
}
} // namespace

Picture LoadResPicture(int id, int) {
    if (!cacheOn) return decode(id);
    auto it = cache().find(id);
    if (it != cache().end()) return *it;
    Picture p = decode(id);
    if (!p.isNull()) cache().insert(id, p);
    return p;
}

void setPictureCache(bool on) {
    cacheOn = on;
    if (!on) cache().clear();
}

} // namespace ui
