#include "picture.h"

#include "image.h"

#include <QFile>
#include <QGuiApplication>
#include <QHash>

#include <cstring>

namespace ui {

QImage toQImage(const Image &img) {
    if (img.empty()) return QImage();
    bool opaque = true;
    for (std::uint32_t c : img.px) opaque = opaque && (c >> 24) == 0xFF;
    QImage out(img.width, img.height, opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    for (int y = 0; y < img.height; ++y)
        std::memcpy(out.scanLine(y), &img.px[std::size_t(y) * std::size_t(img.width)], std::size_t(img.width) * 4);
    return out;
}

QImage readBitmap(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QImage();
    const QByteArray bytes = f.readAll();
    const auto img = decodeBmp(std::span(reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size())));
    return img ? toQImage(*img) : QImage();
}

namespace {
bool cacheOn = true;
QHash<int, Picture> &cache() {
    static QHash<int, Picture> c;
    return c;
}

Picture decode(int id) {
    QImage img = readBitmap(QStringLiteral(":/bmp/%1.bmp").arg(id));
    if (img.isNull()) return Picture();
    Picture p(img, id);
    // The twice-size drawing only where the screen has the pixels for it.
    const bool hidpi = qobject_cast<QGuiApplication *>(QCoreApplication::instance()) && qApp->devicePixelRatio() >= 1.5;
    const QString hi = QStringLiteral(":/bmp/%1@2x.png").arg(id);
    if (hidpi && QFile::exists(hi)) {
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
