// Wave files: any bytes give samples or nothing; the file written for the
// samples reads back as the same samples.
#include "ui/wave.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const auto wave = ui::sound::parseWave(std::span(data, size));
    if (!wave) return 0;
    // Samples of 24 bits are widened to 32.
    if (wave->pcm.empty() || wave->pcm.size() > size / 3 * 4 + 4) __builtin_trap();
    const std::vector<std::uint8_t> file = ui::sound::waveFile(*wave);
    const auto again = ui::sound::parseWave(file);
    if (!again || again->pcm != wave->pcm || again->format.rate != wave->format.rate ||
        again->format.channels != wave->format.channels || again->format.sample != wave->format.sample)
        __builtin_trap();
    return 0;
}
