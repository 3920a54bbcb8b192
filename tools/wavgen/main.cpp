// lunivar_wavgen: synthesises the two click sounds the program plays.
//
//   lunivar_wavgen <dir>      writes <dir>/min.wav and <dir>/close.wav
//
// Each click is a couple of damped sine partials with a soft attack and a
// short fade, normalised to a quiet peak: 16-bit PCM, mono, 44100 Hz. The
// samples depend only on this code, so the files come out the same each time.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kPeakDb = -12.0;

struct Partial {
    double startHz, endHz;   // the pitch glides from start to end
    double level;
    double decayMs;          // time constant of the exponential decay
};

struct Click {
    const char *file;
    double lengthMs;
    double attackMs;
    double fadeMs;
    std::vector<Partial> partials;
};

std::vector<int16_t> synthesise(const Click &c)
{
    const int n = int(std::lround(c.lengthMs * kRate / 1000.0));
    std::vector<double> v(static_cast<size_t>(n), 0.0);
    for (const Partial &p : c.partials) {
        double phase = 0.0;
        for (int i = 0; i < n; ++i) {
            const double t = double(i) / kRate;
            const double hz = p.startHz + (p.endHz - p.startHz) * (double(i) / n);
            v[size_t(i)] += p.level * std::exp(-t * 1000.0 / p.decayMs) * std::sin(phase);
            phase += 2.0 * std::numbers::pi * hz / kRate;
        }
    }
    const int attack = int(c.attackMs * kRate / 1000.0);
    const int fade = int(c.fadeMs * kRate / 1000.0);
    for (int i = 0; i < n; ++i) {
        double g = 1.0;
        if (i < attack)
            g *= 0.5 - 0.5 * std::cos(std::numbers::pi * i / attack);
        if (i >= n - fade)
            g *= 0.5 + 0.5 * std::cos(std::numbers::pi * (i - (n - fade) + 1) / fade);
        v[size_t(i)] *= g;
    }
    double peak = 0.0;
    for (double x : v)
        peak = std::max(peak, std::fabs(x));
    const double scale = std::pow(10.0, kPeakDb / 20.0) * 32767.0 / peak;
    std::vector<int16_t> out(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        out[size_t(i)] = int16_t(std::lround(v[size_t(i)] * scale));
    return out;
}

void put(std::string &b, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b.push_back(char((v >> (8 * i)) & 0xff));
}

std::string wave(const std::vector<int16_t> &samples)
{
    const uint32_t dataBytes = uint32_t(samples.size() * 2);
    std::string b = "RIFF";
    put(b, 36 + dataBytes, 4);
    b += "WAVEfmt ";
    put(b, 16, 4);
    put(b, 1, 2);               // PCM
    put(b, 1, 2);               // mono
    put(b, kRate, 4);
    put(b, kRate * 2, 4);       // bytes per second
    put(b, 2, 2);               // block align
    put(b, 16, 2);              // bits per sample
    b += "data";
    put(b, dataBytes, 4);
    for (int16_t s : samples)
        put(b, uint16_t(s), 2);
    return b;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: lunivar_wavgen <dir>\n");
        return 2;
    }
    const Click clicks[] = {
        // A light, bright tick.
        {"min.wav", 55.0, 0.6, 12.0, {{2400, 2250, 1.0, 7.0}, {1250, 1200, 0.7, 11.0}, {4700, 4600, 0.15, 3.0}}},
        // A rounder, lower tock with a slight downward glide.
        {"close.wav", 70.0, 0.8, 15.0, {{1500, 1300, 1.0, 9.0}, {760, 650, 0.8, 15.0}, {3100, 3000, 0.12, 3.5}}},
    };
    int rc = 0;
    for (const Click &c : clicks) {
        const std::string path = std::string(argv[1]) + "/" + c.file;
        const std::string bytes = wave(synthesise(c));
        FILE *f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
            std::fprintf(stderr, "lunivar_wavgen: cannot write %s\n", path.c_str());
            rc = 1;
        }
        if (f)
            std::fclose(f);
    }
    return rc;
}
