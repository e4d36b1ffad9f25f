#pragma once

#include "platform/Result.h"
#include "recording/WordTiming.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace recording {

// The timings of a recording, written beside its sound file: name.srt with a cue for each
// sentence, name.vtt with a cue for each word, at the times the words are marked while
// speaking. Each file replaces an older one only once it is complete.
class SubtitleWriter
{
public:
    enum class Kind { Sentences, Words };

    SubtitleWriter(const QString& text, int sampleRate);

    // The words of the recording's text as they were spoken, in order.
    void addWord(const WordTiming& word);

    // The file of that kind beside the sound file.
    static QString pathFor(const QString& soundPath, Kind kind);
    // The file's contents; the last cue ends with the sound, totalSamples long. Words that
    // start after that (a stopped recording) are left out.
    QByteArray contents(Kind kind, qint64 totalSamples) const;
    platform::Result<void> write(const QString& path, Kind kind, qint64 totalSamples) const;

    // A spoken sentence: its characters in the text and when it is heard.
    struct SentenceClip
    {
        qsizetype textStart = 0;
        qsizetype textEnd = 0; // one past
        qint64 startMs = 0;
        qint64 endMs = 0;
    };
    // The sentences that were spoken, in order, timed as the sentence cues are.
    QList<SentenceClip> sentences(qint64 totalSamples) const;

private:
    struct Cue
    {
        qint64 startMs = 0;
        qint64 endMs = 0;
        QString text;
    };

    QList<Cue> cues(Kind kind, qint64 totalSamples) const;
    QList<WordTiming> wordsBefore(qint64 totalSamples) const;
    // Each cue lasts until the next one starts, the last one until the sound ends.
    template <class T> void endEach(QList<T>& cues, qint64 totalSamples) const;
    qint64 milliseconds(qint64 samples) const;

    QString m_text;
    int m_sampleRate;
    QList<WordTiming> m_words;
};

} // namespace recording
