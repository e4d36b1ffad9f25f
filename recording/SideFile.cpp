#include "recording/SideFile.h"

#include "platform/FileError.h"
#include "platform/WriteBack.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>

namespace recording {

QString sideFilePath(const QString& soundPath, const QString& suffix)
{
    const QFileInfo sound(soundPath);
    const QString path = sound.dir().filePath(sound.completeBaseName() + suffix);
    // A sound file named like the file beside it keeps its name. Paths are compared rather
    // than files: the sound file need not exist yet, and two missing files compare equal.
    return QFileInfo(path).absoluteFilePath() == sound.absoluteFilePath() ? soundPath + suffix
                                                                          : path;
}

platform::Result<void> openSaveFile(QSaveFile& file)
{
    const QString path = file.fileName();
    if (const QString problem = platform::writeTargetProblem(path); !problem.isEmpty()) {
        return platform::Failure{problem};
    }
    if (!file.open(QIODevice::WriteOnly)) {
        // The save file refuses some targets by itself, without a word from the system.
        const int refused = platform::writeAccessError(path);
        return platform::Failure{platform::fileErrorText(refused != 0 ? refused : errno, &file)};
    }
    return {};
}

platform::Result<void> writeSideFile(const QString& path, const QByteArray& data)
{
    QSaveFile file(path);
    if (platform::Result<void> opened = openSaveFile(file); !opened) {
        return opened;
    }
    if (file.write(data) != data.size()) {
        const int error = errno;
        platform::discard(file);
        return platform::Failure{platform::fileErrorText(error, &file)};
    }
    return platform::commitWhole(file);
}

} // namespace recording
