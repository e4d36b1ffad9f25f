#include "platform/WriteBack.h"

#include <QFileDevice>
#include <fcntl.h>

namespace platform {

bool startWriteBack(QFileDevice& file, qint64 from, qint64 to)
{
    const int descriptor = file.handle();
    if (descriptor < 0 || to <= from || !file.flush()) {
        return false;
    }
    return sync_file_range(descriptor, from, to - from, SYNC_FILE_RANGE_WRITE) == 0;
}

} // namespace platform
