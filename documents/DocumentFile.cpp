#include "documents/DocumentFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace platform::documentfile {

namespace {
constexpr qint64 kMegabyte = qint64(1024) * 1024;

QString tr(const char* text)
{
    return QCoreApplication::translate("DocumentFile", text);
}
} // namespace

ReadResult read(const QString& path, qint64 maxBytes)
{
    ReadResult result;
    const QFileInfo info(path);
    if (!info.exists()) {
        result.error = tr("The file does not exist.");
        return result;
    }
    if (info.isDir()) {
        result.error = tr("This is a folder, not a file.");
        return result;
    }
    if (info.size() > maxBytes) {
        result.error = tr("The file is too large to open (%1 MB; at most %2 MB can be opened).")
                           .arg((info.size() + kMegabyte - 1) / kMegabyte)
                           .arg(maxBytes / kMegabyte);
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = tr("The file cannot be opened: %1.").arg(file.errorString());
        return result;
    }
    // A file that grew since it was measured is refused too rather than held in part.
    result.data = file.read(qMin(file.size(), maxBytes) + 1);
    if (file.error() != QFileDevice::NoError) {
        result.error = tr("The file cannot be read: %1.").arg(file.errorString());
        result.data.clear();
        return result;
    }
    if (result.data.size() > maxBytes) {
        result.error = tr("The file is too large to open (at most %1 MB can be opened).")
                           .arg(maxBytes / kMegabyte);
        result.data.clear();
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace platform::documentfile
