#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>

// The user's remembered choices, in $XDG_CONFIG_HOME/parlanza/parlanza.conf. A file that
// cannot be read or is damaged counts as empty (the defaults), and one that cannot be
// written leaves the program running: both are noted once in the event log.
namespace platform {

class SettingsFile
{
public:
    explicit SettingsFile(const QString& path = defaultPath());

    // An invalid variant when the key was never stored.
    QVariant value(const QString& key) const;
    // Written through at once, so a crash keeps it.
    void setValue(const QString& key, const QVariant& value);

    QString path() const { return m_settings.fileName(); }

    static QString defaultPath();

private:
    QSettings m_settings;
    bool m_damaged = false;
    bool m_writeFailureLogged = false;
};

} // namespace platform
