// The start sound: a soft rising three-note chime, about 0.9 s, 22050 Hz mono 16-bit.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <sndfile.h>
#include <vector>

namespace {

constexpr int kRate = 22050;

struct Note
{
    double start;     // seconds
    double frequency; // hertz
    double level;
};

// A bell-like tone: a few inharmonic partials, each dying away at its own pace.
double bell(double t, double frequency)
{
    struct Partial
    {
        double ratio, gain, decay;
    };
    constexpr Partial partials[] = {
        {1.0, 1.0, 3.2}, {2.0, 0.35, 5.0}, {3.01, 0.12, 7.5}, {4.2, 0.05, 10.0}};
    double value = 0.0;
    for (const Partial& p : partials) {
        value += p.gain * std::exp(-p.decay * t) *
                 std::sin(2.0 * std::numbers::pi * frequency * p.ratio * t);
    }
    const double attack = std::min(1.0, t / 0.006); // no click at the onset
    return attack * value;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.wav>\n", argv[0]);
        return 2;
    }
    // E5, G#5, B5: a major triad, rising.
    const Note notes[] = {{0.00, 659.26, 0.55}, {0.14, 830.61, 0.45}, {0.28, 987.77, 0.50}};
    const double length = 0.95;
    std::vector<double> mix(static_cast<std::size_t>(length * kRate), 0.0);
    for (const Note& note : notes) {
        for (std::size_t i = static_cast<std::size_t>(note.start * kRate); i < mix.size(); ++i) {
            const double t = static_cast<double>(i) / kRate - note.start;
            mix[i] += note.level * bell(t, note.frequency);
        }
    }
    // Fade the tail to silence and leave headroom.
    const double peak = *std::max_element(
        mix.begin(), mix.end(), [](double a, double b) { return std::abs(a) < std::abs(b); });
    std::vector<short> samples(mix.size());
    const std::size_t fade = kRate / 10;
    for (std::size_t i = 0; i < mix.size(); ++i) {
        double value = mix[i] / std::abs(peak) * 0.6;
        if (i + fade > mix.size()) {
            value *= static_cast<double>(mix.size() - i) / fade;
        }
        samples[i] = static_cast<short>(std::lround(value * 32767.0));
    }

    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(argv[1], SFM_WRITE, &info);
    if (!file) {
        std::fprintf(stderr, "%s: %s\n", argv[1], sf_strerror(nullptr));
        return 1;
    }
    const sf_count_t written =
        sf_write_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(file);
    return written == static_cast<sf_count_t>(samples.size()) ? 0 : 1;
}
