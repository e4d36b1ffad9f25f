#include "speech/SoundEffect.h"

#include <cmath>
#include <numbers>

namespace speech {

namespace {

struct Room
{
    double size;    // comb feedback 0..1
    double damping; // high-frequency loss per reflection
    double wet;
    double dry;
    double preDelayMs; // before the first reflection
    double echoMs;     // 0 = no discrete echo
    double echoFeedback;
    double echoMix;
    double tailSeconds;
};

// Decay grows from hall to stadium to space; the larger rooms add distinct echoes. The
// reverberant and echoed parts stay well below the voice, with the treble damped, so the
// words stay intelligible (bench/speech/bench_reverb measures it): the hall is at least as
// clear as sox's "reverb 50 50 100", and the echoes come back once or twice, not for long.
Room roomFor(VoiceEffectKind kind)
{
    switch (kind) {
    case VoiceEffectKind::Hall:
        return {0.84, 0.50, 0.12, 0.95, 15, 0, 0, 0, 1.2};
    case VoiceEffectKind::Stadium:
        return {0.91, 0.45, 0.15, 0.92, 40, 190, 0.15, 0.25, 2.2};
    case VoiceEffectKind::Space:
        return {0.95, 0.40, 0.14, 0.90, 60, 330, 0.25, 0.30, 3.5};
    default:
        return {0, 0, 0, 1, 0, 0, 0, 0, 0};
    }
}

// Freeverb's mutually prime line lengths at 44.1 kHz.
constexpr int CombLengths[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int AllpassLengths[] = {556, 441, 341, 225};

} // namespace

SoundEffect::SoundEffect(VoiceEffectKind kind, int sampleRate) : m_kind(kind)
{
    if (kind == VoiceEffectKind::None) {
        return;
    }
    if (kind == VoiceEffectKind::Telephone) {
        // Three second-order sections below the band and four above it: the steep edges
        // of a telephone line rather than a gentle tone control.
        m_filters = {highPass(300, sampleRate), highPass(300, sampleRate),
                     highPass(300, sampleRate), lowPass(3400, sampleRate),
                     lowPass(3400, sampleRate), lowPass(3400, sampleRate),
                     lowPass(3400, sampleRate)};
        m_dry = 1.4f; // the band carries most of speech's loudness; make up the rest
        return;
    }
    const Room room = roomFor(kind);
    // Only the voice's body reverberates: below 200 Hz the comb bank would build up a
    // boom that speech itself does not have.
    m_filters = {highPass(200, sampleRate)};
    const double scale = sampleRate / 44100.0;
    for (int length : CombLengths) {
        Comb comb;
        comb.line.fill(0, qsizetype(length * scale));
        comb.feedback = float(room.size);
        comb.damp = float(room.damping);
        m_combs.append(comb);
    }
    for (int length : AllpassLengths) {
        Allpass allpass;
        allpass.line.fill(0, qsizetype(length * scale));
        m_allpasses.append(allpass);
    }
    if (room.echoMs > 0) {
        Delay echo;
        echo.line.fill(0, qsizetype(room.echoMs * sampleRate / 1000));
        echo.feedback = float(room.echoFeedback);
        echo.mix = float(room.echoMix);
        m_echoes.append(echo);
    }
    m_preDelay.fill(0, std::max<qsizetype>(1, qsizetype(room.preDelayMs * sampleRate / 1000)));
    m_wet = float(room.wet);
    m_dry = float(room.dry);
    m_tail = qsizetype(room.tailSeconds * sampleRate);
}

void SoundEffect::process(float* samples, qsizetype count)
{
    if (m_kind == VoiceEffectKind::None) {
        return;
    }
    for (qsizetype i = 0; i < count; ++i) {
        const float input = samples[i];
        if (m_kind == VoiceEffectKind::Telephone) {
            float x = input;
            for (Biquad& filter : m_filters) {
                x = filter.run(x);
            }
            samples[i] = x * m_dry;
            continue;
        }
        float delayed = m_preDelay[m_preIndex];
        m_preDelay[m_preIndex] = input;
        m_preIndex = (m_preIndex + 1) % m_preDelay.size();
        for (Delay& echo : m_echoes) {
            delayed = echo.run(delayed);
        }
        // Freeverb's fixed input gain keeps the comb bank from clipping.
        const float feed = m_filters[0].run(delayed) * 0.015f;
        float reverb = 0;
        for (Comb& comb : m_combs) {
            reverb += comb.run(feed);
        }
        for (Allpass& allpass : m_allpasses) {
            reverb = allpass.run(reverb);
        }
        samples[i] = input * m_dry + reverb * m_wet * 3.0f;
    }
}

float SoundEffect::Biquad::run(float x)
{
    const double y = b0 * x + z1;
    z1 = b1 * x - a1 * y + z2;
    z2 = b2 * x - a2 * y;
    return float(y);
}

float SoundEffect::Comb::run(float x)
{
    const float y = line[index];
    store = y * (1 - damp) + store * damp;
    line[index] = x + store * feedback;
    index = (index + 1) % line.size();
    return y;
}

float SoundEffect::Allpass::run(float x)
{
    const float buffered = line[index];
    line[index] = x + buffered * 0.5f;
    index = (index + 1) % line.size();
    return buffered - x;
}

float SoundEffect::Delay::run(float x)
{
    const float y = line[index];
    line[index] = x + y * feedback;
    index = (index + 1) % line.size();
    return x + y * mix;
}

// Second-order Butterworth sections (Q = 1/sqrt 2) from the audio cookbook formulas.
SoundEffect::Biquad SoundEffect::highPass(double frequency, int rate)
{
    const double w = 2 * std::numbers::pi * frequency / rate;
    const double alpha = std::sin(w) / std::numbers::sqrt2;
    const double c = std::cos(w);
    const double a0 = 1 + alpha;
    Biquad q;
    q.b0 = (1 + c) / 2 / a0;
    q.b1 = -(1 + c) / a0;
    q.b2 = (1 + c) / 2 / a0;
    q.a1 = -2 * c / a0;
    q.a2 = (1 - alpha) / a0;
    return q;
}

SoundEffect::Biquad SoundEffect::lowPass(double frequency, int rate)
{
    const double w = 2 * std::numbers::pi * frequency / rate;
    const double alpha = std::sin(w) / std::numbers::sqrt2;
    const double c = std::cos(w);
    const double a0 = 1 + alpha;
    Biquad q;
    q.b0 = (1 - c) / 2 / a0;
    q.b1 = (1 - c) / a0;
    q.b2 = (1 - c) / 2 / a0;
    q.a1 = -2 * c / a0;
    q.a2 = (1 - alpha) / a0;
    return q;
}

} // namespace speech
