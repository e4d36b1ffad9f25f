#pragma once

#include "speech/VoiceDefinition.h"

#include <QList>
#include <QStringList>

namespace speech {

// The control's voices in their stable order: the nineteen named voices first, then one
// espeak-ng voice per language it ships.
//
// Refused settings (the control answers 0x8000FFFF and the voice speaks with its own
// values): the whisper voices accept tones 90..200 only, as whispering has no voiced
// pitch to raise further; the RoboSoft voices accept speeds 80..220 only, beyond which
// their buzzing formants smear into noise.
class VoiceCatalog
{
public:
    struct Language
    {
        QString name;          // "German", "French (France)"
        QByteArray identifier; // "gmw/de", "roa/fr"
    };

    static constexpr int WhisperMaxPitch = 200;
    static constexpr int RoboMinSpeed = 80;
    static constexpr int RoboMaxSpeed = 220;

    // What the user is told when the voice refuses a speed or tone.
    static QString refusalMessage()
    {
        return QStringLiteral("This setting is not compatible with the selected Voice. Please "
                              "try a different setting.");
    }

    // The named voices. Espeak-ng variants missing from availableVariants fall back to
    // the plain English voice.
    static QList<VoiceDefinition> namedVoices(const QStringList& availableVariants);

    // Named voices, then the languages sorted by name, without duplicate names.
    static QList<VoiceDefinition> build(const QStringList& availableVariants,
                                        QList<Language> languages);
};

} // namespace speech
