#include "speech/VoiceDefinition.h"

#include <algorithm>
#include <cmath>

namespace speech {

namespace {

// espeak-ng's natural rate; slower than its floor of 80 words per minute is done by
// time-stretching, since the engine itself stops slowing down there.
constexpr double EspeakNaturalRate = 175;
constexpr int EspeakRateFloor = 80;
constexpr int EspeakRateCeiling = 450;

// espeak-ng pitch 0..99 with 50 natural: the accepted tone range maps piecewise linearly
// onto [low, 50] and [50, high], so each voice's own tone is its natural pitch.
constexpr double EspeakPitchLow = 12;
constexpr double EspeakPitchHigh = 92;

// flite: one octave per this many steps of the window's tone scale.
constexpr double ToneStepsPerOctave = 140;

double espeakPitchFor(int pitch, int own, int low, int high)
{
    if (pitch <= own) {
        if (own == low) {
            return 50;
        }
        return EspeakPitchLow + (50 - EspeakPitchLow) * double(pitch - low) / double(own - low);
    }
    if (own == high) {
        return 50;
    }
    return 50 + (EspeakPitchHigh - 50) * double(pitch - own) / double(high - own);
}

} // namespace

QString VoiceDefinition::language() const
{
    if (engine == SynthEngine::Flite) {
        return QStringLiteral("en");
    }
    // "gmw/en-US+whisper": the language group, the language, the variant.
    const QByteArray name = engineVoice.left(engineVoice.indexOf('+'));
    return QString::fromUtf8(name.mid(name.lastIndexOf('/') + 1)).toLower();
}

ProsodySettings VoiceDefinition::prosody(int speed, int pitch) const
{
    ProsodySettings settings;
    const double relative = double(std::max(speed, 1)) / double(std::max(ownSpeed, 1));
    const double wpm = EspeakNaturalRate * relative;
    if (wpm < EspeakRateFloor) {
        settings.espeakRate = EspeakRateFloor;
        settings.sonicSpeed = wpm / EspeakRateFloor;
    } else {
        settings.espeakRate = std::min(int(std::lround(wpm)), EspeakRateCeiling);
    }
    const int low = std::min(minPitch, ownPitch);
    const int high = std::max(maxPitch, ownPitch);
    const int clamped = std::clamp(pitch, low, high);
    settings.espeakPitch = int(std::lround(espeakPitchFor(clamped, ownPitch, low, high)));
    settings.fliteStretch = 1.0 / relative;
    settings.fliteF0Factor = std::pow(2.0, double(pitch - ownPitch) / ToneStepsPerOctave);
    return settings;
}

} // namespace speech
