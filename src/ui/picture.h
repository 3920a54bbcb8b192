#pragma once
// Pictures loaded from the bitmaps the program carries.
#include "image.h"
#include "types.h"

namespace ui {

struct Picture {
    Image image;   // in pixels
    Image image2x; // the same picture drawn at twice the size, where there is one
    int id = 0;    // the resource number, 0 when not from the resources

    bool isNull() const { return image.empty(); }
    int width() const { return image.width; }
    int height() const { return image.height; }
};

// Bitmap `id` of the program's resources; a number that is not there gives a
// null picture. Decoded bitmaps are kept and handed out again.
Picture LoadResPicture(int id, int format);
// The screen's scale changed: pictures are loaded afresh, at the new one.
void forgetLoadedPictures();

class Backend;
// The picture of a window's layout at a scale; empty when there is none.
Image layoutPicture(Backend &backend, const String &name, int scale);

} // namespace ui
