#pragma once

#include "speech/SoundEffect.h"
#include "speech/VoiceDefinition.h"

#include <QVector>
#include <functional>
#include <optional>

struct sonicStreamStruct;
struct soxr;

namespace speech {

// Turns one utterance's engine audio into output audio: extra slowing (libsonic),
// resampling to the output rate (libsoxr), the voice's sound effect, and 16-bit samples.
class VoicePipeline
{
public:
    using Sink = std::function<bool(const qint16* samples, qsizetype count)>;

    VoicePipeline(int engineRate, int outputRate, double speed, VoiceEffectKind effect);
    ~VoicePipeline();
    VoicePipeline(const VoicePipeline&) = delete;
    VoicePipeline& operator=(const VoicePipeline&) = delete;

    // False when the sink refused (stop, or a write failure).
    bool process(const qint16* samples, qsizetype count, const Sink& sink);
    // Drains the stages and lets the room ring out.
    bool finish(const Sink& sink);

    // Where the engine's sample comes out, in output samples from the first: every stage
    // keeps time in proportion (the stretch content-aligned, the resampler without delay,
    // the effects' dry voice undelayed).
    qint64 outputPosition(qint64 engineSample) const;

private:
    bool afterSonic(const float* samples, qsizetype count, const Sink& sink);
    bool afterResampler(float* samples, qsizetype count, const Sink& sink);
    bool drainSonic(const Sink& sink);

    sonicStreamStruct* m_sonic = nullptr;
    soxr* m_resampler = nullptr;
    double m_ratio = 1;
    double m_speed = 1;
    SoundEffect m_effect;
    QVector<float> m_floats;
    QVector<float> m_resampled;
    QVector<float> m_sonicOut;
    QVector<qint16> m_out;
};

} // namespace speech
