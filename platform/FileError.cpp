#include "platform/FileError.h"

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <cerrno>
#include <unistd.h>

namespace platform {

QString fileErrorText(int errorNumber, const QFileDevice* file)
{
    if (errorNumber != 0) {
        return qt_error_string(errorNumber);
    }
    // Qt says "Unknown error" when the system gave it no number to go by.
    const QString said =
        file != nullptr && file->error() != QFileDevice::NoError ? file->errorString() : QString();
    if (!said.isEmpty() && said != QLatin1String("Unknown error")) {
        return said;
    }
    return QStringLiteral("The file system refused the operation");
}

int writeAccessError(const QString& path)
{
    const QFileInfo info(path);
    const QString probe = info.exists() ? info.absoluteFilePath() : info.absolutePath();
    return ::access(QFile::encodeName(probe).constData(), W_OK) == 0 ? 0 : errno;
}

QString writeTargetProblem(const QString& path)
{
    QFileInfo target(path);
    // Links to links are followed as far as the saving itself follows them.
    for (int depth = 0; depth < 40 && target.isSymLink(); ++depth) {
        target.setFile(target.symLinkTarget());
    }
    if (target.isDir()) {
        return QStringLiteral("%1 is a folder.").arg(QDir::toNativeSeparators(path));
    }
    if (!target.absoluteDir().exists()) {
        return QStringLiteral("The folder %1 does not exist.")
            .arg(QDir::toNativeSeparators(target.absolutePath()));
    }
    return {};
}

} // namespace platform
