#pragma once

#include "recording/BookTags.h"

#include <QByteArray>
#include <QString>

namespace recording {

// A wave file has no chapter list players read; its chapters go into a cue sheet beside it
// (name.cue), one track for each, starting where the chapter starts.

QString cueSheetPath(const QString& soundPath);

// The sheet for the sound file soundFileName (its name alone: the sheet lies beside it),
// recorded at sampleRate, with tags made writable (writableTags). Track times are in CD
// frames, 75 a second, rounded down so that a track never starts after its first word.
QByteArray cueSheet(const BookTags& tags, const QString& soundFileName, int sampleRate);

} // namespace recording
