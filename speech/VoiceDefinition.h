#pragma once

#include <QByteArray>
#include <QString>

namespace speech {

// One voice of the control: which engine speaks it, with which engine voice and sound
// effect, its own speed and tone, and the settings it accepts.
enum class SynthEngine { Espeak, Flite };
enum class VoiceEffectKind { None, Telephone, Hall, Stadium, Space };

// Engine-side values for one utterance, derived from the window's speed and tone.
struct ProsodySettings
{
    int espeakRate = 175;     // words per minute, 80..450
    int espeakPitch = 50;     // 0..99
    double fliteStretch = 1;  // duration factor, > 1 is slower
    double fliteF0Factor = 1; // times the voice's natural mean pitch
    double sonicSpeed = 1;    // extra time stretch after the engine, < 1 is slower
};

struct VoiceDefinition
{
    // The window's scales (speed and tone scroll bars).
    static constexpr int SpeedMinimum = 50;
    static constexpr int SpeedMaximum = 270;
    static constexpr int PitchMinimum = 90;
    static constexpr int PitchMaximum = 300;

    QString name;
    SynthEngine engine = SynthEngine::Espeak;
    QByteArray engineVoice; // flite: "slt", "rms", "kal16"; espeak-ng: voice[+variant]
    VoiceEffectKind effect = VoiceEffectKind::None;
    int ownSpeed = 150; // the window's speed at which the engine speaks at its natural rate
    int ownPitch = 150; // the window's tone at which the engine speaks at its natural pitch
    int minSpeed = SpeedMinimum;
    int maxSpeed = SpeedMaximum;
    int minPitch = PitchMinimum;
    int maxPitch = PitchMaximum;

    // The language the voice speaks ("en", "de", "en-us"): an espeak-ng voice's is in its
    // name; flite's voices are all English.
    QString language() const;
    // Whether the engine reads phonemes written in its own symbols (espeak-ng does).
    bool takesPhonemes() const { return engine == SynthEngine::Espeak; }

    bool accepts(int speed, int pitch) const
    {
        return speed >= minSpeed && speed <= maxSpeed && pitch >= minPitch && pitch <= maxPitch;
    }

    // Monotonic over the whole accepted range; the voice's own values give the engine's
    // natural rate and pitch.
    ProsodySettings prosody(int speed, int pitch) const;
};

} // namespace speech
