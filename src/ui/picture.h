#pragma once
// Pictures loaded from the bitmaps compiled into the executable.
#include <QImage>

namespace ui {

class Picture {
public:
    Picture() = default;
    Picture(QImage image, int resourceId) : image_(std::move(image)), id_(resourceId) {}

    bool isNull() const { return image_.isNull(); }
    int resourceId() const { return id_; }        // 0 when not from the resources
    const QImage &image() const { return image_; } // in logical pixels
    const QImage &image2x() const { return image2x_; }
    void setImage2x(QImage img) { image2x_ = std::move(img); }
    int width() const { return image_.width(); }
    int height() const { return image_.height(); }

private:
    QImage image_;
    QImage image2x_; // the same picture drawn at twice the size, when there is one
    int id_ = 0;
};

struct Image;
QImage toQImage(const Image &img);
// A BMP file of the program's resources (or any file) as RGB32; null when it
// is not one.
QImage readBitmap(const QString &path);

// Loads bitmap `id` of the executable's resources. A number that is not there
// gives a null picture.
Picture LoadResPicture(int id, int format);

// Decoded bitmaps are kept and handed out again; switching this off decodes
// every load afresh (the benchmark compares both).
void setPictureCache(bool on);

} // namespace ui
