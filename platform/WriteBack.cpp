#include "platform/WriteBack.h"

#include "platform/FileError.h"

#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

bool startWriteBack(QFileDevice& file, qint64 from, qint64 to)
{
    const int descriptor = file.handle();
    if (descriptor < 0 || to <= from || !file.flush()) {
        return false;
    }
    return sync_file_range(descriptor, from, to - from, SYNC_FILE_RANGE_WRITE) == 0;
}

void discard(QSaveFile& file)
{
    file.cancelWriting();
    file.commit(); // with writing cancelled, this only removes the temporary file
}

Result<void> commitWhole(QSaveFile& file, int errorNumber)
{
    const auto failed = [&](int error) {
        discard(file);
        return Failure{fileErrorText(errorNumber != 0 ? errorNumber : error, &file)};
    };
    if (!file.flush()) {
        return failed(errno);
    }
    const qint64 size = file.size();
    if (::fsync(file.handle()) != 0) {
        return failed(errno);
    }
    if (!file.commit()) {
        return Failure{fileErrorText(errorNumber != 0 ? errorNumber : errno, &file)};
    }
    // The save file writes through a link to where it points.
    const QFileInfo placed(file.fileName());
    if (const qint64 found = placed.exists() ? placed.size() : -1; found != size) {
        QFile::remove(placed.canonicalFilePath());
        return Failure{QStringLiteral("the disk kept %1 of its %2 bytes")
                           .arg(qMax<qint64>(found, 0))
                           .arg(size)};
    }
    return {};
}

} // namespace platform
