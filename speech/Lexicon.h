#pragma once

#include "speech/VoiceDefinition.h"

#include <QList>
#include <QString>
#include <QVector>
#include <memory>

namespace speech {

// One correction: what is written, and what a voice says instead.
struct LexiconEntry
{
    QString written;    // the written form (a regular expression when `regex` is set)
    QString respelling; // what every engine reads instead; may be empty only with phonemes
    QString phonemes;   // IPA; empty when the entry has none
    QString language;   // "" for every voice, else a language tag such as "en" or "de"
    bool wholeWord = true;
    bool matchCase = false;
    bool regex = false;

    bool operator==(const LexiconEntry&) const = default;
};

// A text as a voice is to read it, and for each of its characters the written
// characters it stands for, so that a word the engine reports is placed on the words
// the reader sees. A replaced span is one unit: every character of its replacement
// maps to the whole written span.
struct SpokenText
{
    struct Source
    {
        qsizetype start = 0; // in the written text
        qsizetype end = 0;   // one past
    };
    QString text;
    QVector<Source> source; // one per character of `text`, plus one past the end
    bool phonemes = false;  // some of `text` is in the engine's phoneme input form
};

// The user's corrections, compiled once per change into one matcher, and applied to the
// text of each utterance before it reaches an engine. Cheap to copy (shares the compiled
// form); safe to use from any thread once built.
class Lexicon
{
public:
    Lexicon();
    explicit Lexicon(QList<LexiconEntry> entries);

    const QList<LexiconEntry>& entries() const;
    bool isEmpty() const;

    // What a voice of the language says for the text: entries for every voice and those
    // of the voice's language ("en" matches "en-us"); the longest match wins, then the
    // earlier entry. With `phonemes`, entries that have phonemes are written in the
    // engine's phoneme input form; else their respelling is used.
    SpokenText apply(QStringView text, const QString& language, bool phonemes) const;

    // What the voice says for the text: in its language, with phonemes where it takes them.
    SpokenText applyFor(QStringView text, const VoiceDefinition& voice) const;

    // Why the entry cannot be used (an empty written form, nothing to say instead, a bad
    // pattern, a sound the phoneme input has no symbol for); empty when it can.
    static QString problem(const LexiconEntry& entry);

private:
    struct Compiled;
    std::shared_ptr<const Compiled> m_compiled;
};

} // namespace speech
