#pragma once

#include <QString>
#include <optional>

// The editor's last text, kept in $XDG_STATE_HOME/parlanza/ (~/.local/state/parlanza/)
// so that a crash or a closed window loses nothing. Written whole and atomically: a
// copy killed while saving leaves the previous text in place.
namespace platform {

class DraftFile
{
public:
    explicit DraftFile(const QString& path = defaultPath());

    // False when it could not be written (noted once in the event log).
    bool save(const QString& text);
    // Nothing when there is no draft or it cannot be read.
    std::optional<QString> load() const;

    QString path() const { return m_path; }

    static QString defaultPath();

private:
    QString m_path;
    bool m_failureLogged = false;
};

} // namespace platform
