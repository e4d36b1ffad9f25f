#include "speech/VoiceCatalog.h"

#include <QSet>
#include <algorithm>

namespace speech {

namespace {

struct NamedVoice
{
    const char* name;
    SynthEngine engine;
    const char* engineVoice;
    const char* variant; // espeak-ng only
    VoiceEffectKind effect;
    int speed;
    int pitch;
};

// The voice table's names and own values, in the order the window lists them.
constexpr NamedVoice Named[] = {
    {"Mary", SynthEngine::Flite, "slt", nullptr, VoiceEffectKind::None, 150, 170},
    {"Mike", SynthEngine::Flite, "rms", nullptr, VoiceEffectKind::None, 170, 90},
    {"Sam", SynthEngine::Flite, "kal16", nullptr, VoiceEffectKind::None, 150, 120},
    {"Mary (for Telephone)", SynthEngine::Flite, "slt", nullptr, VoiceEffectKind::Telephone, 150,
     170},
    {"Mike (for Telephone)", SynthEngine::Flite, "rms", nullptr, VoiceEffectKind::Telephone, 150,
     110},
    {"Female Whisper", SynthEngine::Espeak, "en", "whisperf", VoiceEffectKind::None, 150, 170},
    {"Mary in Space", SynthEngine::Flite, "slt", nullptr, VoiceEffectKind::Space, 150, 200},
    {"Mary in Hall", SynthEngine::Flite, "slt", nullptr, VoiceEffectKind::Hall, 150, 170},
    {"Mary in Stadium", SynthEngine::Flite, "slt", nullptr, VoiceEffectKind::Stadium, 150, 170},
    {"RoboSoft Six", SynthEngine::Espeak, "en", "robosoft6", VoiceEffectKind::None, 150, 170},
    {"RoboSoft Five", SynthEngine::Espeak, "en", "robosoft5", VoiceEffectKind::None, 130, 130},
    {"RoboSoft Four", SynthEngine::Espeak, "en", "robosoft4", VoiceEffectKind::None, 140, 120},
    {"Male Whisper", SynthEngine::Espeak, "en", "whisper", VoiceEffectKind::None, 120, 100},
    {"RoboSoft One", SynthEngine::Espeak, "en", "robosoft", VoiceEffectKind::None, 120, 100},
    {"RoboSoft Two", SynthEngine::Espeak, "en", "robosoft2", VoiceEffectKind::None, 140, 170},
    {"RoboSoft Three", SynthEngine::Espeak, "en", "robosoft3", VoiceEffectKind::None, 140, 90},
    {"Mike in Hall", SynthEngine::Flite, "rms", nullptr, VoiceEffectKind::Hall, 150, 90},
    {"Mike in Stadium", SynthEngine::Flite, "rms", nullptr, VoiceEffectKind::Stadium, 130, 120},
    {"Mike in Space", SynthEngine::Flite, "rms", nullptr, VoiceEffectKind::Space, 150, 90},
};

} // namespace

QList<VoiceDefinition> VoiceCatalog::namedVoices(const QStringList& availableVariants)
{
    QList<VoiceDefinition> voices;
    for (const NamedVoice& named : Named) {
        VoiceDefinition voice;
        voice.name = QString::fromLatin1(named.name);
        voice.engine = named.engine;
        voice.engineVoice = named.engineVoice;
        if (named.variant != nullptr) {
            const QString variant = QString::fromLatin1(named.variant);
            if (availableVariants.contains(variant)) {
                voice.engineVoice += '+' + QByteArray(named.variant);
            }
            if (variant.startsWith(QLatin1String("whisper"))) {
                voice.maxPitch = WhisperMaxPitch;
            } else {
                voice.minSpeed = RoboMinSpeed;
                voice.maxSpeed = RoboMaxSpeed;
            }
        }
        voice.effect = named.effect;
        voice.ownSpeed = named.speed;
        voice.ownPitch = named.pitch;
        voices.append(voice);
    }
    return voices;
}

QList<VoiceDefinition> VoiceCatalog::build(const QStringList& availableVariants,
                                           QList<Language> languages)
{
    QList<VoiceDefinition> voices = namedVoices(availableVariants);
    QSet<QString> names;
    for (const VoiceDefinition& voice : voices) {
        names.insert(voice.name);
    }
    std::stable_sort(languages.begin(), languages.end(), [](const Language& a, const Language& b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    for (const Language& language : languages) {
        if (language.name.isEmpty() || names.contains(language.name)) {
            continue;
        }
        names.insert(language.name);
        VoiceDefinition voice;
        voice.name = language.name;
        voice.engine = SynthEngine::Espeak;
        voice.engineVoice = language.identifier;
        voices.append(voice);
    }
    return voices;
}

} // namespace speech
