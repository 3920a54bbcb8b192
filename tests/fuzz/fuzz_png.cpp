// PNG pictures: any bytes give a picture or nothing, within the size cap.
#include "ui/image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (const auto img = ui::decodePng(std::span(data, size)))
        if (img->width > ui::MaxPictureSide || img->height > ui::MaxPictureSide ||
            img->px.size() != std::size_t(img->width) * std::size_t(img->height))
            __builtin_trap();
    return 0;
}
