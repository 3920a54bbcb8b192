#include "wave.h"

#include <algorithm>
#include <cstring>

namespace ui::sound {

namespace {
std::uint32_t le(const std::uint8_t *p, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
    return v;
}
constexpr std::uint32_t FormatPcm = 1, FormatFloat = 3, FormatExtensible = 0xFFFE;
} // namespace

std::optional<Wave> parseWave(std::span<const std::uint8_t> bytes) {
    const std::uint8_t *b = bytes.data();
    const std::int64_t size = std::int64_t(bytes.size());
    if (size < 12 || std::memcmp(b, "RIFF", 4) != 0 || std::memcmp(b + 8, "WAVE", 4) != 0) return std::nullopt;

    const std::uint8_t *fmt = nullptr;
    std::int64_t fmtSize = 0, dataAt = -1, dataSize = 0;
    for (std::int64_t at = 12; at + 8 <= size;) {
        const std::int64_t body = at + 8;
        const std::int64_t declared = le(b + at + 4, 4);
        const std::int64_t present = std::min(declared, size - body);
        if (std::memcmp(b + at, "fmt ", 4) == 0) {
            fmt = b + body;
            fmtSize = present;
        } else if (std::memcmp(b + at, "data", 4) == 0 && dataAt < 0) {
            dataAt = body;
            dataSize = present; // a file cut short plays what it has
        }
        if (fmt && dataAt >= 0) break;
        at = body + declared + (declared & 1);
    }
    if (!fmt || fmtSize < 16 || dataAt < 0) return std::nullopt;

    std::uint32_t tag = le(fmt, 2);
    const int channels = int(le(fmt + 2, 2));
    const std::int64_t rate = le(fmt + 4, 4);
    const int blockAlign = int(le(fmt + 12, 2));
    const int bits = int(le(fmt + 14, 2));
    if (tag == FormatExtensible) {
        // The sub-format's first two bytes carry the plain format tag.
        if (fmtSize < 40) return std::nullopt;
        tag = le(fmt + 24, 2);
    }
    if (channels < 1 || channels > 8 || rate < 1000 || rate > 192000) return std::nullopt;
    if (bits % 8 != 0 || blockAlign != channels * (bits / 8)) return std::nullopt;

    Wave w;
    w.format.channels = channels;
    w.format.rate = int(rate);
    bool widen24 = false;
    if (tag == FormatPcm && bits == 8) w.format.sample = Format::UInt8;
    else if (tag == FormatPcm && bits == 16) w.format.sample = Format::Int16;
    else if (tag == FormatPcm && bits == 24) w.format.sample = Format::Int32, widen24 = true;
    else if (tag == FormatPcm && bits == 32) w.format.sample = Format::Int32;
    else if (tag == FormatFloat && bits == 32) w.format.sample = Format::Float;
    else return std::nullopt;

    const std::int64_t frames = dataSize / blockAlign;
    if (frames <= 0) return std::nullopt;
    const std::uint8_t *data = b + dataAt;
    if (widen24) {
        // Each three-byte sample becomes the top three bytes of a 32-bit one.
        const std::int64_t samples = frames * channels;
        w.pcm.resize(std::size_t(samples) * 4);
        for (std::int64_t i = 0; i < samples; ++i) {
            w.pcm[std::size_t(4 * i)] = 0;
            std::memcpy(&w.pcm[std::size_t(4 * i + 1)], data + 3 * i, 3);
        }
    } else {
        w.pcm.assign(data, data + frames * blockAlign);
    }
    return w;
}

std::vector<std::uint8_t> waveFile(const Wave &wave) {
    const int frame = wave.format.bytesPerFrame();
    const std::uint32_t bytes = std::uint32_t(wave.pcm.size()), rate = std::uint32_t(wave.format.rate);
    const std::uint32_t tag = wave.format.sample == Format::Float ? FormatFloat : FormatPcm;
    std::vector<std::uint8_t> out;
    auto put = [&](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
    };
    auto tag4 = [&](const char *t) {
        for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(t[i]));
    };
    out.reserve(44 + bytes);
    tag4("RIFF"), put(36 + bytes, 4), tag4("WAVE");
    tag4("fmt "), put(16, 4), put(tag, 2), put(std::uint32_t(wave.format.channels), 2), put(rate, 4);
    put(rate * std::uint32_t(frame), 4), put(std::uint32_t(frame), 2), put(std::uint32_t(8 * frame / wave.format.channels), 2);
    tag4("data"), put(bytes, 4);
    out.insert(out.end(), wave.pcm.begin(), wave.pcm.end());
    return out;
}

} // namespace ui::sound
