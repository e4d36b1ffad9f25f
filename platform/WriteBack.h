#pragma once

#include "platform/Result.h"

#include <QtGlobal>

class QFileDevice;
class QSaveFile;

namespace platform {

// Starts writing the file's bytes [from, to) out to its disk without waiting for them.
// A long recording handed over this way while it is made leaves little for the final
// sync of its safe save, instead of all of it. Only a hint: false where the file system
// cannot take it, and the file's contents are the same either way.
bool startWriteBack(QFileDevice& file, qint64 from, qint64 to);

// Drops a save file's work: the temporary file goes, the file it was to replace stays as
// it was.
void discard(QSaveFile& file);

// Puts a finished save file in place only once the disk holds all of it, and checks that
// the file in place is as long as what was written. A full disk can take every write and
// refuse only the sync, which the save file alone would not notice; a file found short
// afterwards is removed, not left behind as if whole. errorNumber is the first failed
// write's, when the writer kept it. Fails with the system's reason.
Result<void> commitWhole(QSaveFile& file, int errorNumber = 0);

} // namespace platform
