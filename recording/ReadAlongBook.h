#pragma once

#include "platform/Result.h"
#include "recording/SubtitleWriter.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace recording {

// An electronic book that reads along: the text as pages with an id for each spoken
// sentence, the recording inside, and for each page a timing document (EPUB 3 media
// overlays) that gives every sentence its clip, so a reading system that plays the
// recording marks each sentence as it is heard.
class ReadAlongBook
{
public:
    // A part of the book that begins a page of its own, with its entry in the contents.
    struct Section
    {
        QString title;
        qsizetype textStart = 0;
    };

    struct Content
    {
        QString text;
        QList<SubtitleWriter::SentenceClip> sentences; // in text order
        QList<Section> sections;                       // in text order; none: one page
        QString title;
        QString author;
        QString language = QStringLiteral("en");
        QString audioPath; // the recording, an MP3 file
        qint64 durationMs = 0;
    };

    // Writes the book beside the target and moves it into place once whole; an existing
    // file stays as it was when anything fails.
    static platform::Result<void> write(const QString& target, const Content& content);

    // The book's files in the order they are stored, the recording left out: name and
    // bytes. The first is the "mimetype" that reading systems look for.
    static QList<std::pair<QString, QByteArray>> files(const Content& content);

    // The audio's place inside the book.
    static QString audioName() { return QStringLiteral("EPUB/audio/book.mp3"); }

    // A clock value as media overlays write it ("0:01:02.345").
    static QString clock(qint64 ms);
};

} // namespace recording
