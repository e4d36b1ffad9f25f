#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QString>

class QSaveFile;

namespace recording {

// A file written beside a recording (its timing files, its cue sheet) that could not be
// written, and why.
struct SideFileFailure
{
    QString path;
    QString reason;
};

// The file beside a sound file named like it with the suffix (".srt") instead of its own.
QString sideFilePath(const QString& soundPath, const QString& suffix);

// Opens a save file a recording writes (the sound, a file beside it, a book) for writing,
// refused in the same words for each: what stands in the way of its target, else the
// system's reason. A link is written through to where it points.
platform::Result<void> openSaveFile(QSaveFile& file);

// Writes a file beside a recording whole or not at all: an older one is replaced only once
// the new one is complete. Refused in the same words as the sound file.
platform::Result<void> writeSideFile(const QString& path, const QByteArray& data);

} // namespace recording
