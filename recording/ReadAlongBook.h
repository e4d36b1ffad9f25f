#pragma once

#include "platform/Result.h"
#include "recording/ChapterMarker.h"
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

    // The book of a recorded text: the document's author and chapters (none when it asked
    // for none) under the title given. The sentences, language and recording are the
    // caller's to add.
    static Content contentFor(const QString& text, const SpokenBook& book, const QString& title);

    // Writes the book beside the target and moves it into place once whole; an existing
    // file stays as it was when anything fails.
    static platform::Result<void> write(const QString& target, const Content& content);

    // The book's files in the order they are stored, the recording left out: name and
    // bytes. The first is the "mimetype" that reading systems look for.
    static QList<std::pair<QString, QByteArray>> files(const Content& content);

    // A book's file name ends in .epub; a recording asked for by such a name is a book.
    static QString suffix() { return QStringLiteral("epub"); }
    static bool isBookPath(const QString& path);
    // The entry a save dialog's filter lists books by.
    static QString dialogFilter() { return QStringLiteral("Read-Along Book (*.epub)|*.epub"); }

    // The audio's place inside the book.
    static QString audioName() { return QStringLiteral("EPUB/audio/book.mp3"); }

    // A clock value as media overlays write it ("0:01:02.345").
    static QString clock(qint64 ms);
};

} // namespace recording
