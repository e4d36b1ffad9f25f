#include "documents/DocumentFile.h"

#include "platform/FileError.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

namespace documents::documentfile {

namespace {
constexpr qint64 kMegabyte = qint64(1024) * 1024;

QString tr(const char* text)
{
    return QCoreApplication::translate("DocumentFile", text);
}
} // namespace

platform::Result<QByteArray> read(const QString& path, qint64 maxBytes)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        return platform::Failure{tr("The file does not exist.")};
    }
    if (info.isDir()) {
        return platform::Failure{tr("This is a folder, not a file.")};
    }
    if (info.size() > maxBytes) {
        return platform::Failure{
            tr("The file is too large to open (%1 MB; at most %2 MB can be opened).")
                .arg((info.size() + kMegabyte - 1) / kMegabyte)
                .arg(maxBytes / kMegabyte)};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        const int error = errno;
        return platform::Failure{
            tr("The file cannot be opened: %1.").arg(platform::fileErrorText(error, &file))};
    }
    // A file that grew since it was measured is refused too rather than held in part.
    QByteArray data = file.read(qMin(file.size(), maxBytes) + 1);
    if (file.error() != QFileDevice::NoError) {
        const int error = errno;
        return platform::Failure{
            tr("The file cannot be read: %1.").arg(platform::fileErrorText(error, &file))};
    }
    if (data.size() > maxBytes) {
        return platform::Failure{tr("The file is too large to open (at most %1 MB can be opened).")
                                     .arg(maxBytes / kMegabyte)};
    }
    return data;
}

} // namespace documents::documentfile
