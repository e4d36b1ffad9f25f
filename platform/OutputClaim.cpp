#include "platform/OutputClaim.h"

#include "platform/FileError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

Result<std::shared_ptr<OutputClaim>> OutputClaim::take(const QString& path)
{
    const QFileInfo target(path);
    const QByteArray lockPath = QFile::encodeName(target.dir().filePath(
        QLatin1Char('.') + target.fileName() + QStringLiteral(".parlanza-lock")));
    // The lock file is removed by whoever releases it, so a lock taken on a file that was
    // just removed counts for nothing: it is only held once the path still names it.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int descriptor = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (descriptor < 0) {
            return Failure{QStringLiteral("cannot be written: %1").arg(fileErrorText(errno))};
        }
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(descriptor);
            return Failure{error == EWOULDBLOCK
                               ? QStringLiteral("is being written by another render")
                               : QStringLiteral("cannot be written: %1").arg(fileErrorText(error))};
        }
        struct stat held = {};
        struct stat named = {};
        if (::fstat(descriptor, &held) == 0 && ::stat(lockPath.constData(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            return std::shared_ptr<OutputClaim>(new OutputClaim(lockPath, descriptor));
        }
        ::close(descriptor);
    }
    return Failure{QStringLiteral("is being written by another render")};
}

OutputClaim::OutputClaim(QByteArray lockPath, int descriptor)
    : m_lockPath(std::move(lockPath)), m_descriptor(descriptor)
{
}

OutputClaim::~OutputClaim()
{
    ::unlink(m_lockPath.constData());
    ::close(m_descriptor);
}

QString notRegularFileKind(const QString& path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || S_ISREG(info.st_mode)) {
        return {};
    }
    if (S_ISDIR(info.st_mode)) {
        return QStringLiteral("a folder");
    }
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) {
        return QStringLiteral("a device");
    }
    if (S_ISFIFO(info.st_mode)) {
        return QStringLiteral("a FIFO");
    }
    return S_ISSOCK(info.st_mode) ? QStringLiteral("a socket") : QStringLiteral("no regular file");
}

} // namespace platform
