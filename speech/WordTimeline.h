#pragma once

#include "recording/WordTiming.h"
#include "speech/Lexicon.h"
#include "speech/SpeechEngines.h"

#include <QByteArray>
#include <QStringView>
#include <QVector>
#include <functional>
#include <optional>

namespace speech {

// Places the engines' word events of one utterance: the text goes to the engines in
// pieces, each as UTF-8 and each with its audio counted from its own start; a timing
// counts output samples from the utterance's start and characters of its whole text.
class WordTimeline
{
public:
    // Turns an engine sample of the utterance into an output sample.
    using Placement = std::function<qint64(qint64 engineSample)>;

    WordTimeline(QStringView text, Placement placement);

    // Before each piece goes to the engine: the piece (a view into the text), the bytes the
    // engine gets, and the engine samples of the utterance so far. When the lexicon
    // changed what the engine reads, the bytes are those of the spoken text and `source`
    // (SpokenText::source, relative to the piece) leads back to the written characters.
    void beginPiece(QStringView piece, const QByteArray& utf8, qint64 engineSamplesBefore,
                    const QVector<SpokenText::Source>* source = nullptr);
    // A word of the current piece; none for one inside the word before it (the engines
    // read a number as several words, all from the same characters).
    std::optional<recording::WordTiming> place(const SpeechEngines::WordEvent& word);

private:
    QStringView m_text;
    Placement m_placement;
    // For each byte of the piece (and one past): the text offset a word starting there
    // starts at, and one ending there ends at (they differ inside a replacement).
    QVector<qsizetype> m_startAt;
    QVector<qsizetype> m_endAt;
    qint64 m_engineBefore = 0;
    qsizetype m_lastEnd = 0;
};

} // namespace speech
