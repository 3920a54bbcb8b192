#pragma once
// Pictures as the toolkit keeps them: plain pixels, whatever the platform.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ui {

// Top row first; each pixel 0xAARRGGBB.
struct Image {
    int width = 0, height = 0;
    std::vector<std::uint32_t> px;

    Image() = default;
    Image(int w, int h, std::uint32_t fill = 0xFF000000u) : width(w), height(h), px(std::size_t(w) * std::size_t(h), fill) {}
    bool empty() const { return px.empty(); }
    std::uint32_t at(int x, int y) const { return px[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
    std::uint32_t &at(int x, int y) { return px[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
};

// The widest and highest picture the readers accept: the program's largest
// is 612 x 354 (the About picture at twice the size).
constexpr int MaxPictureSide = 2048;

// A Windows bitmap: a BMP file, or the packed bitmap (header, colour table,
// pixels) a bitmap resource holds. 1, 4, 8, 16 (5-5-5 or with bit fields),
// 24 and 32 bits per pixel, uncompressed, bottom-up or top-down; a bitmap
// whose header has an alpha mask keeps its alpha. Nothing for anything else.
std::optional<Image> decodeBmp(std::span<const std::uint8_t> file);
std::optional<Image> decodeDib(std::span<const std::uint8_t> dib);

// A PNG picture: 8 bits a channel (or a palette or grey of 1, 2, 4 or 8),
// not interlaced. Nothing for anything else or anything damaged.
std::optional<Image> decodePng(std::span<const std::uint8_t> file);

// A zlib stream inflated, its Adler-32 checked; nothing for a damaged stream
// or one that inflates to more than `limit` bytes.
std::optional<std::vector<std::uint8_t>> inflateZlib(std::span<const std::uint8_t> zlib, std::size_t limit);

// The image of the given width from an icon file, with its alpha (32-bit
// images) and its mask; an entry that does not decode is passed over.
std::optional<Image> decodeIco(std::span<const std::uint8_t> file, int width);

} // namespace ui
