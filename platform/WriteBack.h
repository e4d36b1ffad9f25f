#pragma once

#include <QtGlobal>

class QFileDevice;

namespace platform {

// Starts writing the file's bytes [from, to) out to its disk without waiting for them.
// A long recording handed over this way while it is made leaves little for the final
// sync of its safe save, instead of all of it. Only a hint: false where the file system
// cannot take it, and the file's contents are the same either way.
bool startWriteBack(QFileDevice& file, qint64 from, qint64 to);

} // namespace platform
