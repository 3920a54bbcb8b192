// PNG pictures: the zlib stream inflated (stored, fixed and dynamic Huffman
// blocks) and the rows unfiltered. Grey, RGB, palette, grey with alpha and
// RGBA at 8 bits a channel (1, 2 and 4 for palettes and grey), not
// interlaced; a tRNS chunk gives a palette its alpha and grey or RGB their
// transparent colour. Every chunk's CRC and the stream's Adler-32 are
// checked: anything damaged, cut short, larger than it says or larger than
// MaxPictureSide gives nothing. The rows are kept as they are inflated, up
// to the size the header promises, never reserved ahead of the data.
#include "image.h"

#include <array>
#include <cstdint>

namespace ui {

namespace {

std::uint32_t be(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint32_t(b[at]) << 24 | std::uint32_t(b[at + 1]) << 16 | std::uint32_t(b[at + 2]) << 8 | b[at + 3];
}

// ---------------------------------------------------------------- inflate

class Inflater {
public:
    Inflater(std::span<const std::uint8_t> in, std::size_t limit, std::size_t window)
        : in_(in), limit_(limit), window_(window) {}

    // The whole stream, or false when it is damaged or larger than the limit.
    // The bytes read are `consumed()` after.
    bool run(std::vector<std::uint8_t> &out) {
        out_ = &out;
        for (bool last = false; !last;) {
            last = bits(1);
            const int type = int(bits(2));
            if (failed_) return false;
            if (type == 0) {
                if (!stored()) return false;
            } else if (type == 1 || type == 2) {
                if (!(type == 1 ? fixedCodes() : dynamicCodes()) || !codes()) return false;
            } else {
                return false;
            }
        }
        return !failed_;
    }
    std::size_t consumed() const { return byte_ + (bit_ ? 1 : 0); }

private:
    // A canonical Huffman code: how many codes of each length, and the
    // symbols in order of their codes.
    struct Code {
        std::array<std::uint16_t, 16> count{};
        std::array<std::uint16_t, 320> symbol{};
        bool build(const std::uint8_t *lengths, int n) {
            count.fill(0);
            for (int i = 0; i < n; ++i) ++count[lengths[i]];
            count[0] = 0;
            std::array<std::uint16_t, 16> offset{};
            int left = 1;
            for (int len = 1; len < 16; ++len) {
                left = left * 2 - count[std::size_t(len)];
                if (left < 0) return false; // more codes than the lengths allow
                offset[std::size_t(len)] = std::uint16_t(len == 1 ? 0 : offset[std::size_t(len - 1)] + count[std::size_t(len - 1)]);
            }
            for (int i = 0; i < n; ++i)
                if (lengths[i]) symbol[offset[lengths[i]]++] = std::uint16_t(i);
            return true;
        }
    };

    std::uint32_t bits(int n) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i) {
            if (byte_ >= in_.size()) {
                failed_ = true;
                return 0;
            }
            v |= std::uint32_t(in_[byte_] >> bit_ & 1) << i;
            if (++bit_ == 8) bit_ = 0, ++byte_;
        }
        return v;
    }

    int decode(const Code &c) {
        int code = 0, first = 0, index = 0;
        for (int len = 1; len < 16; ++len) {
            code |= int(bits(1));
            if (failed_) return -1;
            const int count = c.count[std::size_t(len)];
            if (code - first < count) return c.symbol[std::size_t(index + code - first)];
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        return -1;
    }

    bool put(std::uint8_t b) {
        if (out_->size() >= limit_) return false;
        out_->push_back(b);
        return true;
    }

    bool stored() {
        if (bit_) bit_ = 0, ++byte_;
        if (byte_ + 4 > in_.size()) return false;
        const std::uint32_t len = in_[byte_] | std::uint32_t(in_[byte_ + 1]) << 8;
        const std::uint32_t check = in_[byte_ + 2] | std::uint32_t(in_[byte_ + 3]) << 8;
        byte_ += 4;
        if ((len ^ 0xFFFF) != check || byte_ + len > in_.size()) return false;
        for (std::uint32_t i = 0; i < len; ++i)
            if (!put(in_[byte_++])) return false;
        return true;
    }

    bool fixedCodes() {
        std::uint8_t lengths[288 + 30];
        for (int i = 0; i < 288; ++i) lengths[i] = std::uint8_t(i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8);
        for (int i = 0; i < 30; ++i) lengths[288 + i] = 5;
        return literal_.build(lengths, 288) && distance_.build(lengths + 288, 30);
    }

    bool dynamicCodes() {
        const int literals = int(bits(5)) + 257, distances = int(bits(5)) + 1, lengthCodes = int(bits(4)) + 4;
        if (failed_ || literals > 286 || distances > 30) return false;
        static const std::uint8_t order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
        std::uint8_t lengths[320] = {};
        for (int i = 0; i < lengthCodes; ++i) lengths[order[i]] = std::uint8_t(bits(3));
        Code lengthCode;
        if (failed_ || !lengthCode.build(lengths, 19)) return false;
        std::uint8_t all[320] = {};
        for (int i = 0; i < literals + distances;) {
            const int sym = decode(lengthCode);
            if (sym < 0) return false;
            if (sym < 16) {
                all[i++] = std::uint8_t(sym);
                continue;
            }
            int repeat = 0;
            std::uint8_t value = 0;
            if (sym == 16) {
                if (i == 0) return false;
                value = all[i - 1], repeat = 3 + int(bits(2));
            } else if (sym == 17) {
                repeat = 3 + int(bits(3));
            } else {
                repeat = 11 + int(bits(7));
            }
            if (failed_ || i + repeat > literals + distances) return false;
            while (repeat--) all[i++] = value;
        }
        if (all[256] == 0) return false; // no end of block
        return literal_.build(all, literals) && distance_.build(all + literals, distances);
    }

    bool codes() {
        static const std::uint16_t lengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                                     31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
        static const std::uint8_t lengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                     2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
        static const std::uint16_t distBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                                   193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
        static const std::uint8_t distExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6,
                                                   6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
        for (;;) {
            const int sym = decode(literal_);
            if (sym < 0) return false;
            if (sym < 256) {
                if (!put(std::uint8_t(sym))) return false;
                continue;
            }
            if (sym == 256) return true;
            if (sym > 285) return false;
            const std::size_t len = lengthBase[sym - 257] + bits(lengthExtra[sym - 257]);
            const int d = decode(distance_);
            if (d < 0 || d > 29) return false;
            const std::size_t dist = distBase[d] + bits(distExtra[d]);
            if (failed_ || dist > out_->size() || dist > window_) return false;
            for (std::size_t i = 0; i < len; ++i)
                if (!put((*out_)[out_->size() - dist])) return false;
        }
    }

    std::span<const std::uint8_t> in_;
    std::size_t limit_, window_;
    std::size_t byte_ = 0;
    int bit_ = 0;
    bool failed_ = false;
    std::vector<std::uint8_t> *out_ = nullptr;
    Code literal_, distance_;
};

std::uint32_t crc32(std::span<const std::uint8_t> bytes) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::uint8_t b : bytes) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::uint32_t adler32(std::span<const std::uint8_t> bytes) {
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t v : bytes) a = (a + v) % 65521, b = (b + a) % 65521;
    return b << 16 | a;
}

int paeth(int a, int b, int c) {
    const int p = a + b - c, pa = p > a ? p - a : a - p, pb = p > b ? p - b : b - p, pc = p > c ? p - c : c - p;
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

} // namespace

std::optional<std::vector<std::uint8_t>> inflateZlib(std::span<const std::uint8_t> zlib, std::size_t limit) {
    // Deflate with a window of at most 32 kB, no preset dictionary.
    if (zlib.size() < 2 || (zlib[0] & 0x0F) != 8 || (zlib[0] >> 4) > 7 || (zlib[0] << 8 | zlib[1]) % 31 != 0 ||
        (zlib[1] & 0x20))
        return std::nullopt;
    std::vector<std::uint8_t> out;
    Inflater inflater(zlib.subspan(2), limit, std::size_t(1) << ((zlib[0] >> 4) + 8));
    if (!inflater.run(out)) return std::nullopt;
    const std::size_t end = 2 + inflater.consumed();
    if (end + 4 > zlib.size() || be(zlib, end) != adler32(out)) return std::nullopt;
    return out;
}

std::optional<Image> decodePng(std::span<const std::uint8_t> file) {
    static const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (file.size() < 8 + 25 || !std::equal(signature, signature + 8, file.begin())) return std::nullopt;
    std::uint32_t w = 0, h = 0;
    int depth = 0, colour = -1, channels = 0;
    std::vector<std::uint8_t> zlib;
    std::vector<std::uint32_t> palette;
    int key = -1; // grey: the transparent sample; RGB: the transparent colour, 0xRRGGBB
    for (std::size_t at = 8; at + 12 <= file.size();) {
        const std::uint32_t len = be(file, at);
        if (len > file.size() - at - 12) return std::nullopt;
        if (crc32(file.subspan(at + 4, 4 + len)) != be(file, at + 8 + len)) return std::nullopt;
        const auto type = file.subspan(at + 4, 4);
        const auto data = file.subspan(at + 8, len);
        auto is = [&](const char *t) { return std::equal(type.begin(), type.end(), t); };
        if (is("IHDR")) {
            if (len < 13) return std::nullopt;
            w = be(data, 0), h = be(data, 4), depth = data[8], colour = data[9];
            if (data[10] != 0 || data[11] != 0 || data[12] != 0) return std::nullopt; // deflate, filters, no interlace
        } else if (is("PLTE")) {
            for (std::uint32_t i = 0; i + 3 <= len; i += 3)
                palette.push_back(0xFF000000u | std::uint32_t(data[i]) << 16 | std::uint32_t(data[i + 1]) << 8 | data[i + 2]);
        } else if (is("tRNS") && colour == 3) {
            for (std::uint32_t i = 0; i < len && i < palette.size(); ++i)
                palette[i] = (palette[i] & 0xFFFFFF) | std::uint32_t(data[i]) << 24;
        } else if (is("tRNS") && (colour == 0 || colour == 2)) {
            // 16-bit samples; one above what the depth holds matches nothing.
            if (len != (colour == 0 ? 2u : 6u)) return std::nullopt;
            const auto sample = [&](int i) { return int(data[std::size_t(2 * i)]) << 8 | data[std::size_t(2 * i + 1)]; };
            const int r = sample(0), g = colour == 2 ? sample(1) : 0, b = colour == 2 ? sample(2) : 0;
            if (r < 256 && g < 256 && b < 256) key = colour == 0 ? r : r << 16 | g << 8 | b;
        } else if (is("IDAT")) {
            zlib.insert(zlib.end(), data.begin(), data.end());
        } else if (is("IEND")) {
            break;
        }
        at += 12 + len;
    }
    switch (colour) {
    case 0: channels = 1; break;
    case 2: channels = 3; break;
    case 3: channels = 1; break;
    case 4: channels = 2; break;
    case 6: channels = 4; break;
    default: return std::nullopt;
    }
    const bool lowDepth = (colour == 0 || colour == 3) && (depth == 1 || depth == 2 || depth == 4);
    if (w == 0 || h == 0 || w > MaxPictureSide || h > MaxPictureSide || !(depth == 8 || lowDepth)) return std::nullopt;
    if (colour == 3 && palette.empty()) return std::nullopt;
    const std::size_t bitsPerPixel = std::size_t(depth) * std::size_t(channels);
    const std::size_t stride = (std::size_t(w) * bitsPerPixel + 7) / 8, bpp = (bitsPerPixel + 7) / 8;
    const std::optional<std::vector<std::uint8_t>> inflated = inflateZlib(zlib, (stride + 1) * h);
    if (!inflated || inflated->size() != (stride + 1) * h) return std::nullopt;
    const std::vector<std::uint8_t> &raw = *inflated;

    // Each row: its filter, then its bytes against the row before.
    std::vector<std::uint8_t> prior(stride, 0), row(stride);
    Image img{int(w), int(h)};
    for (std::uint32_t y = 0; y < h; ++y) {
        const std::uint8_t *in = &raw[std::size_t(y) * (stride + 1)];
        const int filter = in[0];
        if (filter > 4) return std::nullopt;
        for (std::size_t i = 0; i < stride; ++i) {
            const int a = i >= bpp ? row[i - bpp] : 0, b = prior[i], c = i >= bpp ? prior[i - bpp] : 0;
            const int predicted = filter == 1 ? a : filter == 2 ? b : filter == 3 ? (a + b) / 2 : filter == 4 ? paeth(a, b, c) : 0;
            row[i] = std::uint8_t(in[1 + i] + predicted);
        }
        for (std::uint32_t x = 0; x < w; ++x) {
            std::uint32_t px;
            if (lowDepth || (depth == 8 && channels == 1)) {
                const std::size_t bit = std::size_t(x) * std::size_t(depth);
                const std::uint32_t v = row[bit / 8] >> (8 - depth - int(bit % 8)) & ((1u << depth) - 1);
                if (colour == 3) {
                    if (v >= palette.size()) return std::nullopt;
                    px = palette[v];
                } else {
                    const std::uint32_t g = v * 255 / ((1u << depth) - 1);
                    px = (int(v) == key ? 0u : 0xFF000000u) | g << 16 | g << 8 | g;
                }
            } else {
                const std::uint8_t *p = &row[std::size_t(x) * bpp];
                const std::uint32_t r = p[0], g = channels >= 3 ? p[1] : p[0], bl = channels >= 3 ? p[2] : p[0];
                const bool keyed = colour == 2 && int(r << 16 | g << 8 | bl) == key;
                const std::uint32_t alpha = channels == 4 ? p[3] : channels == 2 ? p[1] : keyed ? 0 : 255;
                px = alpha << 24 | r << 16 | g << 8 | bl;
            }
            img.at(int(x), int(y)) = px;
        }
        prior.swap(row);
    }
    return img;
}

} // namespace ui
