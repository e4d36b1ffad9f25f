#include "platform/DraftFile.h"

#include "platform/EventLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace platform {

DraftFile::DraftFile(const QString& path) : m_path(path) {}

bool DraftFile::save(const QString& text)
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    const bool saved =
        file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0 && file.commit();
    if (!saved && !m_failureLogged) {
        m_failureLogged = true;
        eventlog::warning(QStringLiteral("The editor's text cannot be kept in %1: %2")
                              .arg(QDir::toNativeSeparators(m_path), file.errorString()));
    }
    return saved;
}

std::optional<QString> DraftFile::load() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return QString::fromUtf8(file.readAll());
}

QString DraftFile::defaultPath()
{
    // Qt 6.4 has no state location of its own.
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base)) {
        base = QDir::home().filePath(QStringLiteral(".local/state"));
    }
    return QDir(base).filePath(QStringLiteral("parlanza/draft.txt"));
}

} // namespace platform
