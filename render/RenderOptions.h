#pragma once

#include "platform/Result.h"
#include "recording/SoundFileWriter.h"
#include "recording/SubtitleWriter.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace render {

// The command line of parlanza-render, read into values; a usage error says what is
// wrong in words.
struct RenderOptions
{
    enum class Split { None, Chapters, Paragraphs };

    QStringList inputs; // files, folders, or "-" for standard input
    QString output;     // a file or a folder; empty: beside each input
    QString voice;      // empty: the window's first voice
    std::optional<int> speed;
    std::optional<int> tone;
    std::optional<recording::SoundFormat> format;
    QString formatName; // as --format gave it, lower case: m4a and m4b are one format
    std::optional<recording::SubtitleWriter::Kind> timings; // a timing file beside each output
    Split split = Split::None;
    int paragraphsPerPart = 0;
    int jobs = 1;
    QString lexicon;        // --lexicon: a pronunciation lexicon file instead of the user's own
    bool noLexicon = false; // --no-lexicon: every word as written
    bool listVoices = false;
    bool dryRun = false;
    bool force = false;
    bool readAlong = false; // an EPUB book that reads along, the recording inside
    bool noChapters = false;
    // The book's title, author and cover file instead of the document's own.
    std::optional<QString> title;
    std::optional<QString> author;
    QString cover;
    bool help = false;
    bool version = false;

    static platform::Result<RenderOptions> parse(const QStringList& arguments);
    static QString usage();
};

} // namespace render
