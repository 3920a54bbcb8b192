#include "image.h"

#include <cstdint>

namespace ui {

namespace {

std::uint32_t le(std::span<const std::uint8_t> b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b[at + std::size_t(i)];
    return v;
}

// A channel of `bits` bits widened to 8 by repeating its top bits, as
// 5-bit 31 becomes 255 and 16 becomes 132.
std::uint32_t widen(std::uint32_t v, int bits) {
    if (bits <= 0) return 0;
    if (bits >= 8) return v >> (bits - 8);
    std::uint32_t out = 0;
    int have = 0;
    for (; have < 8; have += bits) out = out << bits | v;
    return out >> (have - 8);
}

struct Mask {
    std::uint32_t mask = 0;
    int shift = 0, bits = 0;
    explicit Mask(std::uint32_t m) : mask(m) {
        if (!m) return;
        while (!(m >> shift & 1)) ++shift;
        while (shift + bits < 32 && (m >> (shift + bits) & 1)) ++bits;
    }
    std::uint32_t of(std::uint32_t v) const { return widen((v & mask) >> shift, bits); }
};

std::optional<Image> decode(std::span<const std::uint8_t> dib, std::size_t pixelsAt, bool icon) {
    if (dib.size() < 40) return std::nullopt;
    const std::uint32_t headerSize = le(dib, 0, 4);
    if (headerSize < 40 || headerSize > dib.size()) return std::nullopt;
    const std::int32_t w = std::int32_t(le(dib, 4, 4));
    std::int32_t h = std::int32_t(le(dib, 8, 4));
    const int bits = int(le(dib, 14, 2));
    const std::uint32_t compression = le(dib, 16, 4);
    std::uint32_t colours = le(dib, 32, 4);
    const bool topDown = h < 0;
    if (h == INT32_MIN) return std::nullopt;
    if (topDown) h = -h;
    if (icon) h /= 2; // the pixels, then the mask
    if (w <= 0 || h <= 0 || w > MaxPictureSide || h > MaxPictureSide) return std::nullopt;
    // Only the depths a bitmap can have; any other would shift by nonsense.
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return std::nullopt;
    if (compression != 0 && !(compression == 3 && (bits == 16 || bits == 32))) return std::nullopt;

    std::size_t table = headerSize;
    Mask red(0x7C00), green(0x03E0), blue(0x001F), alpha(0);
    if (bits == 32) red = Mask(0xFF0000), green = Mask(0xFF00), blue = Mask(0xFF);
    // A 32-bit icon image carries alpha in its fourth byte.
    if (bits == 32 && icon) alpha = Mask(0xFF000000u);
    if (compression == 3) {
        // The three masks follow a 40-byte header, or are part of a longer one.
        if (headerSize == 40) table += 12;
        else if (headerSize < 52) return std::nullopt;
        if (dib.size() < 52) return std::nullopt;
        red = Mask(le(dib, 40, 4)), green = Mask(le(dib, 44, 4)), blue = Mask(le(dib, 48, 4));
    }
    // A header with room for an alpha mask (V3 and later: V4, V5) has one.
    if (headerSize >= 56 && (bits == 16 || bits == 32)) alpha = Mask(compression == 3 ? le(dib, 52, 4) : bits == 32 ? 0xFF000000u : 0);
    std::vector<std::uint32_t> palette;
    if (bits <= 8) {
        if (colours == 0 || colours > (1u << bits)) colours = 1u << bits;
        if (std::uint64_t(table) + std::uint64_t(colours) * 4 > dib.size()) return std::nullopt;
        for (std::uint32_t i = 0; i < colours; ++i)
            palette.push_back(0xFF000000u | le(dib, table + 4 * i, 3));
        table += colours * 4;
    }
    if (pixelsAt == 0) pixelsAt = table;
    const std::size_t stride = (std::size_t(w) * std::size_t(bits) + 31) / 32 * 4;
    const std::size_t maskStride = (std::size_t(w) + 31) / 32 * 4;
    const std::uint64_t end = std::uint64_t(pixelsAt) + std::uint64_t(stride) * std::uint64_t(h) +
                              (icon ? std::uint64_t(maskStride) * std::uint64_t(h) : 0);
    if (end > dib.size()) return std::nullopt;

    // Alpha that is nothing but zero was never alpha (a writer that left the
    // byte empty): the picture is opaque, but where an icon's mask says not.
    bool anyAlpha = false;
    for (std::size_t y = 0; alpha.mask && y < std::size_t(h) && !anyAlpha; ++y)
        for (std::size_t x = 0; x < std::size_t(w) && !anyAlpha; ++x)
            anyAlpha = alpha.of(le(dib, pixelsAt + stride * y + x * std::size_t(bits / 8), bits / 8)) != 0;
    if (!anyAlpha) alpha = Mask(0);

    Image img(w, h);
    for (int y = 0; y < h; ++y) {
        const std::size_t row = pixelsAt + stride * std::size_t(topDown ? y : h - 1 - y);
        for (int x = 0; x < w; ++x) {
            std::uint32_t c;
            if (bits <= 8) {
                const std::size_t bit = std::size_t(x) * std::size_t(bits);
                const std::uint32_t index = dib[row + bit / 8] >> (8 - bits - int(bit % 8)) & ((1u << bits) - 1);
                c = index < palette.size() ? palette[index] : 0xFF000000u;
            } else {
                const std::uint32_t v = le(dib, row + std::size_t(x) * std::size_t(bits / 8), bits / 8);
                const std::uint32_t a = alpha.mask ? alpha.of(v) : 0xFF;
                c = bits == 24 ? 0xFF000000u | v : a << 24 | red.of(v) << 16 | green.of(v) << 8 | blue.of(v);
            }
            if (icon) {
                const std::size_t maskRow = pixelsAt + stride * std::size_t(h) + maskStride * std::size_t(h - 1 - y);
                if (dib[maskRow + std::size_t(x) / 8] >> (7 - x % 8) & 1) c = 0;
            }
            img.at(x, y) = c;
        }
    }
    return img;
}

} // namespace

std::optional<Image> decodeDib(std::span<const std::uint8_t> dib) { return decode(dib, 0, false); }

std::optional<Image> decodeBmp(std::span<const std::uint8_t> file) {
    if (file.size() < 14 + 40 || file[0] != 'B' || file[1] != 'M') return std::nullopt;
    const std::uint32_t offset = le(file, 10, 4);
    if (offset < 14 + 40 || offset >= file.size()) return std::nullopt;
    if (le(file, 14, 4) > file.size() - 14) return std::nullopt; // the header runs past the end
    return decode(file.subspan(14), offset - 14, false);
}

std::optional<Image> decodeIco(std::span<const std::uint8_t> file, int width) {
    if (file.size() < 6 || le(file, 0, 2) != 0 || le(file, 2, 2) != 1) return std::nullopt;
    const std::uint32_t count = le(file, 4, 2);
    for (std::uint32_t i = 0; i < count && 6 + 16 * (i + 1) <= file.size(); ++i) {
        const std::size_t entry = 6 + 16 * i;
        const int w = file[entry] == 0 ? 256 : file[entry];
        const std::uint32_t size = le(file, entry + 8, 4), at = le(file, entry + 12, 4);
        if (w != width || at > file.size() || size > file.size() - at) continue;
        if (auto img = decode(file.subspan(at, size), 0, true)) return img;
    }
    return std::nullopt;
}

} // namespace ui
