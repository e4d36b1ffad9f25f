#pragma once

#include "platform/Result.h"
#include "speech/Lexicon.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace speech {

// Reading and writing lexicons: the W3C Pronunciation Lexicon (PLS 1.0) that speech
// services read, and a tab-separated form for spreadsheets. The user's own lexicon is a
// PLS file in the configuration folder.
namespace lexicon_file {

enum class Format { Pls, TabSeparated };

// An entry that could not be read, by its line in the file.
struct BadEntry
{
    int line = 0;
    QString reason;
};

struct ReadResult
{
    QList<LexiconEntry> entries; // the good ones, in file order
    QList<BadEntry> bad;
};

// The format the content is in (PLS when it is XML, else tab-separated).
Format detect(const QByteArray& data);
// Fails only when the file as a whole is unreadable (not XML, no lexicon element);
// single bad entries are listed in the result.
platform::Result<ReadResult> read(const QByteArray& data, Format format);
QByteArray write(const QList<LexiconEntry>& entries, Format format);

// The user's lexicon: $XDG_CONFIG_HOME/parlanza/lexicon.pls.
QString userPath();
// Loads a file; a missing file is an empty lexicon, a damaged one a failure that names it.
platform::Result<QList<LexiconEntry>> load(const QString& path);
// Writes aside, then moves into place; the old file stays on failure.
platform::Result<void> save(const QString& path, const QList<LexiconEntry>& entries);

} // namespace lexicon_file
} // namespace speech
