// Bitmaps, packed bitmaps and icons: any bytes give a picture or nothing.
#include "ui/image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    for (const auto &img : {ui::decodeBmp(bytes), ui::decodeDib(bytes), ui::decodeIco(bytes, 32), ui::decodeIco(bytes, 16)})
        if (img && img->px.size() != std::size_t(img->width) * std::size_t(img->height)) __builtin_trap();
    return 0;
}
