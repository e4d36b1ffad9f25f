#include "platform/SettingsFile.h"

#include "platform/EventLog.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform {

SettingsFile::SettingsFile(const QString& path) : m_settings(path, QSettings::IniFormat)
{
    m_pendingWrite.setSingleShot(true);
    m_pendingWrite.setInterval(kWriteGapMs);
    m_pendingWrite.callOnTimeout([this] { write(); });
    const QFileInfo file(path);
    if (m_settings.status() == QSettings::FormatError) {
        // Half a damaged file is not worth trusting: the defaults apply, and the next change
        // writes a whole new file over it.
        m_damaged = true;
        eventlog::warning(QStringLiteral("The settings file %1 is damaged; using the defaults.")
                              .arg(QDir::toNativeSeparators(path)));
    } else if (m_settings.status() == QSettings::AccessError ||
               (file.exists() && (!file.isFile() || !file.isReadable()))) {
        m_damaged = true;
        eventlog::warning(QStringLiteral("The settings file %1 cannot be read; using the defaults.")
                              .arg(QDir::toNativeSeparators(path)));
    }
}

QVariant SettingsFile::value(const QString& key) const
{
    return m_damaged ? QVariant() : m_settings.value(key);
}

void SettingsFile::setValue(const QString& key, const QVariant& value)
{
    if (m_damaged) {
        m_settings.clear();
        m_damaged = false;
    } else if (m_settings.value(key) == value) {
        return;
    }
    m_settings.setValue(key, value);
    if (!m_sinceWrite.isValid() || m_sinceWrite.hasExpired(kWriteGapMs)) {
        write();
    } else if (!m_pendingWrite.isActive()) {
        m_pendingWrite.start();
    }
}

SettingsFile::~SettingsFile()
{
    if (m_pendingWrite.isActive()) {
        write();
    }
}

void SettingsFile::write()
{
    m_pendingWrite.stop();
    m_settings.sync();
    m_sinceWrite.start();
    if (m_settings.status() == QSettings::AccessError && !m_writeFailureLogged) {
        m_writeFailureLogged = true;
        eventlog::warning(QStringLiteral("The settings file %1 cannot be written; choices "
                                         "are kept until the program ends.")
                              .arg(QDir::toNativeSeparators(path())));
    }
}

QString SettingsFile::defaultPath()
{
    // Qt follows $XDG_CONFIG_HOME and falls back to ~/.config.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("parlanza/parlanza.conf"));
}

} // namespace platform
