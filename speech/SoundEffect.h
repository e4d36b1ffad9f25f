#pragma once

#include "speech/VoiceDefinition.h"

#include <QVector>

namespace speech {

// The room or line a voice speaks through, at the output rate: a telephone band-pass
// (300..3400 Hz), or a reverberant hall, stadium or space of growing size with echoes.
// Small code of our own: Debian has no small streaming library for these.
class SoundEffect
{
public:
    SoundEffect(VoiceEffectKind kind, int sampleRate);

    VoiceEffectKind kind() const { return m_kind; }
    // In place, any block length.
    void process(float* samples, qsizetype count);
    // Samples of silence to run through after the voice ends so the room can ring out.
    qsizetype tailLength() const { return m_tail; }

private:
    struct Biquad
    {
        double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
        double z1 = 0, z2 = 0;
        float run(float x);
    };
    struct Comb
    {
        QVector<float> line;
        qsizetype index = 0;
        float feedback = 0;
        float damp = 0;
        float store = 0;
        float run(float x);
    };
    struct Allpass
    {
        QVector<float> line;
        qsizetype index = 0;
        float run(float x);
    };
    struct Delay
    {
        QVector<float> line;
        qsizetype index = 0;
        float feedback = 0;
        float mix = 0;
        float run(float x);
    };

    static Biquad highPass(double frequency, int rate);
    static Biquad lowPass(double frequency, int rate);

    VoiceEffectKind m_kind;
    QVector<Biquad> m_filters;
    QVector<Comb> m_combs;
    QVector<Allpass> m_allpasses;
    QVector<Delay> m_echoes;
    QVector<float> m_preDelay;
    qsizetype m_preIndex = 0;
    float m_wet = 0;
    float m_dry = 1;
    qsizetype m_tail = 0;
};

} // namespace speech
