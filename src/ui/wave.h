#pragma once
// Wave files as the click sounds come: what a sound device is told about
// their samples, and the samples.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ui::sound {

// Click sounds are short: a file larger than this is not read at all.
constexpr std::int64_t MaxFileBytes = 8 * 1024 * 1024;

struct Format {
    enum SampleFormat { Unknown, UInt8, Int16, Int32, Float };
    int channels = 0;
    int rate = 0;
    SampleFormat sample = Unknown;

    int bytesPerFrame() const {
        const int bytes = sample == UInt8 ? 1 : sample == Int16 ? 2 : sample == Unknown ? 0 : 4;
        return bytes * channels;
    }
};

struct Wave {
    Format format;
    std::vector<std::uint8_t> pcm; // whole frames only, never empty

    std::int64_t durationMs() const {
        const int frame = format.bytesPerFrame();
        if (frame <= 0 || format.rate <= 0) return 0;
        return std::int64_t(pcm.size() / std::size_t(frame)) * 1000 / format.rate;
    }
};

// A RIFF WAVE image: PCM of 8, 16, 24 (played as 32) or 32 bits, or 32-bit
// float, 1 to 8 channels. A data chunk cut short plays what is there;
// anything else malformed or empty gives nothing.
std::optional<Wave> parseWave(std::span<const std::uint8_t> bytes);

// A wave file that holds exactly `wave`: a header written for its samples,
// then the samples. What a platform that plays files from memory is given.
std::vector<std::uint8_t> waveFile(const Wave &wave);

} // namespace ui::sound
