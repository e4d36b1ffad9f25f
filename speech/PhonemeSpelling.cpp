#include "speech/PhonemeSpelling.h"

#include <QHash>

namespace speech {

namespace {

// The symbols English, German, French and Spanish pronunciations use. Diphthongs and long
// vowels need no rows of their own: espeak-ng's names for them are those of their parts
// ("aɪ" is "aI", "iː" is "i:"). Where a language's table lacks a sound, the nearest
// common one stands in (ɐ as a, ɥ as j) rather than a name the voice would skip.
const QHash<char16_t, QString>& symbols()
{
    static const QHash<char16_t, QString> table = [] {
        QHash<char16_t, QString> t;
        for (const char16_t c : u"abdefhijklmnopstuvwxyz") {
            if (c != 0) {
                t.insert(c, QString(QChar(c)));
            }
        }
        const std::pair<char16_t, const char*> named[] = {
            // vowels
            {u'æ', "a"},
            {u'ɑ', "A"},
            {u'ɒ', "0"},
            {u'ʌ', "V"},
            {u'ə', "@"},
            {u'ɚ', "3"},
            {u'ɜ', "3"},
            {u'ɝ', "3"},
            {u'ɛ', "E"},
            {u'ɪ', "I"},
            {u'ɨ', "i"},
            {u'ʊ', "U"},
            {u'ɔ', "O"},
            {u'ʏ', "Y"},
            {u'ø', "Y"},
            {u'œ', "W"},
            {u'ɶ', "W"},
            {u'ɐ', "a"},
            {u'ɘ', "@"},
            {u'ɵ', "@"},
            {u'ɞ', "3"},
            {u'ɯ', "u"},
            {u'ä', "a"},
            {u'r', "r"},
            // consonants
            {u'ɡ', "g"},
            {u'θ', "T"},
            {u'ð', "D"},
            {u'ʃ', "S"},
            {u'ʒ', "Z"},
            {u'ŋ', "N"},
            {u'ɹ', "r"},
            {u'ɾ', "r"},
            {u'ʀ', "R"},
            {u'ʁ', "R"},
            {u'χ', "X"},
            {u'ç', "C"},
            {u'ɲ', "n^"},
            {u'ʎ', "l^"},
            {u'β', "B"},
            {u'ɣ', "Q"},
            {u'ʔ', "?"},
            {u'ɫ', "l"},
            {u'ʍ', "w"},
            {u'ɥ', "j"},
            {u'ɱ', "m"},
            {u'ɟ', "J"},
            {u'ʝ', "j"},
            {u'c', "c"},
            {u'g', "g"},
            {u'q', "k"},
            // stress, length, nasal vowels, word breaks
            {u'ˈ', "'"},
            {u'\'', "'"},
            {u'ˌ', ","},
            {u'ː', ":"},
            {u':', ":"},
            {u'\u0303', "~"},
            {u' ', " "},
            // marks espeak-ng places by itself: syllable breaks, ties, syllabic and
            // non-syllabic marks, aspiration, palatalisation, half-length
            {u'.', ""},
            {u'\u0361', ""},
            {u'\u035C', ""},
            {u'\u0329', ""},
            {u'\u032F', ""},
            {u'ʰ', ""},
            {u'ʲ', ""},
            {u'ˑ', ""},
            {u'‿', ""}};
        for (const auto& [ipa, espeak] : named) {
            t.insert(ipa, QString::fromLatin1(espeak));
        }
        return t;
    }();
    return table;
}

// Each symbol as it is composed (ç, ø) when the table knows it, else in its parts, so
// that a nasal vowel typed as one character (ã) is the vowel and its tilde.
bool spell(QStringView ipa, QString* out, QString* unknown)
{
    const QHash<char16_t, QString>& table = symbols();
    const QString composed = ipa.toString().normalized(QString::NormalizationForm_C);
    for (const QChar c : composed) {
        if (const auto found = table.constFind(c.unicode()); found != table.constEnd()) {
            *out += *found;
            continue;
        }
        const QString parts = QString(c).normalized(QString::NormalizationForm_D);
        for (const QChar part : parts) {
            const auto found = table.constFind(part.unicode());
            if (found == table.constEnd() || parts.size() == 1) {
                *unknown = QString(c);
                return false;
            }
            *out += *found;
        }
    }
    return true;
}

} // namespace

std::optional<QString> PhonemeSpelling::fromIpa(QStringView ipa)
{
    QString out;
    QString unknown;
    if (!spell(ipa, &out, &unknown)) {
        return std::nullopt;
    }
    out = out.simplified();
    if (out.isEmpty()) {
        return std::nullopt;
    }
    return out;
}

QString PhonemeSpelling::unknownSymbol(QStringView ipa)
{
    QString out;
    QString unknown;
    spell(ipa, &out, &unknown);
    return unknown;
}

} // namespace speech
