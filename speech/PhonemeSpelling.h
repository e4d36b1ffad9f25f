#pragma once

#include <QString>
#include <QStringView>
#include <optional>

namespace speech {

// Writes IPA, as pronunciation lexicons store it, in espeak-ng's phoneme mnemonics (the
// form its phoneme input between [[ and ]] takes).
class PhonemeSpelling
{
public:
    // None when the IPA holds a symbol there is no mnemonic for.
    static std::optional<QString> fromIpa(QStringView ipa);
    // The first symbol fromIpa() has no mnemonic for, or an empty string.
    static QString unknownSymbol(QStringView ipa);
};

} // namespace speech
