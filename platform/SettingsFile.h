#pragma once

#include <QElapsedTimer>
#include <QSettings>
#include <QString>
#include <QTimer>
#include <QVariant>

// The user's remembered choices, in $XDG_CONFIG_HOME/parlanza/parlanza.conf. A file that
// cannot be read or is damaged counts as empty (the defaults), and one that cannot be
// written leaves the program running: both are noted once in the event log.
namespace platform {

class SettingsFile
{
public:
    explicit SettingsFile(const QString& path = defaultPath());
    ~SettingsFile();
    SettingsFile(const SettingsFile&) = delete;
    SettingsFile& operator=(const SettingsFile&) = delete;

    // An invalid variant when the key was never stored.
    QVariant value(const QString& key) const;
    // Written through at once, so a crash keeps it; while values change quickly (a bar
    // dragged or held), at most every kWriteGapMs.
    void setValue(const QString& key, const QVariant& value);

    QString path() const { return m_settings.fileName(); }

    static QString defaultPath();

    static constexpr int kWriteGapMs = 500;

private:
    void write();

    QSettings m_settings;
    QElapsedTimer m_sinceWrite;
    QTimer m_pendingWrite;
    bool m_damaged = false;
    bool m_writeFailureLogged = false;
};

} // namespace platform
