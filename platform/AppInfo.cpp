#include "platform/AppInfo.h"

#include <QCoreApplication>
#include <QDir>

namespace platform {

QString appTitle()
{
    return QStringLiteral("Parlanza");
}

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString programFile(const QString& relativePath)
{
    // Paths in the program's tables are written with backslashes; they mean the same folders.
    QString relative = relativePath;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (relative.startsWith(QLatin1Char('/'))) {
        relative.remove(0, 1);
    }
    return QDir(programFolder()).filePath(relative);
}

} // namespace platform
