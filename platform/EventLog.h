#pragma once

#include <QList>
#include <QString>

// The application event log: entries go to the system log under the identity
// "Parlanza"; a capture, while it lives, also keeps them for reading back.
namespace platform {

enum class LogLevel { Error, Warning, Information };

struct LogEntry
{
    LogLevel level = LogLevel::Information;
    QString text;
};

namespace eventlog {
void write(LogLevel level, const QString& text);
inline void error(const QString& text)
{
    write(LogLevel::Error, text);
}
inline void warning(const QString& text)
{
    write(LogLevel::Warning, text);
}
inline void information(const QString& text)
{
    write(LogLevel::Information, text);
}
} // namespace eventlog

// Keeps every entry written while it lives (the innermost capture gets them).
class EventLogCapture
{
public:
    EventLogCapture();
    ~EventLogCapture();
    EventLogCapture(const EventLogCapture&) = delete;
    EventLogCapture& operator=(const EventLogCapture&) = delete;

    const QList<LogEntry>& entries() const { return m_entries; }
    QList<LogEntry> entries(LogLevel level) const;
    void clear() { m_entries.clear(); }

private:
    friend void eventlog::write(LogLevel, const QString&);
    EventLogCapture* m_outer = nullptr;
    QList<LogEntry> m_entries;
};

} // namespace platform
