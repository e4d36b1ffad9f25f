#include "platform/EventLog.h"

#include <QByteArray>

#include <syslog.h>

namespace platform {
namespace {

EventLogCapture* g_capture = nullptr;

int priorityOf(LogLevel level)
{
    switch (level) {
    case LogLevel::Error:
        return LOG_ERR;
    case LogLevel::Warning:
        return LOG_WARNING;
    case LogLevel::Information:
        return LOG_INFO;
    }
    return LOG_INFO;
}

} // namespace

void eventlog::write(LogLevel level, const QString& text)
{
    // openlog keeps the identity pointer, so it must outlive every call.
    static const bool opened = [] {
        openlog("Parlanza", LOG_PID, LOG_USER);
        return true;
    }();
    Q_UNUSED(opened);
    const QByteArray utf8 = text.toUtf8();
    syslog(priorityOf(level), "%s", utf8.constData());
    if (g_capture) {
        g_capture->m_entries.append({level, text});
    }
}

EventLogCapture::EventLogCapture()
    : m_outer(g_capture)
{
    g_capture = this;
}

EventLogCapture::~EventLogCapture()
{
    g_capture = m_outer;
}

QList<LogEntry> EventLogCapture::entries(LogLevel level) const
{
    QList<LogEntry> result;
    for (const LogEntry& entry : m_entries) {
        if (entry.level == level) {
            result.append(entry);
        }
    }
    return result;
}

} // namespace platform
