#pragma once

#include <QString>

// The error report the skin engine and the skinned controls share: a message box
// with the error and where it happened, and the same words in the event log.
namespace skin {

// Error numbers the skin reports, with the classic numbering.
constexpr int kErrResourceNotFound = 326;

// The description that goes with kErrResourceNotFound.
QString resourceNotFoundText(const QString& name);

// The kind of event-log entry a report makes (the classic entry-type numbers).
enum class LogType { Error = 1, Warning = 2, Information = 4 };

// Shows "ERROR  <number> - <description>" (and the extra text on a line of its own)
// under the title "ERROR - <number> - <procedure> - <module>", then writes
// "<title>: <text>" to the event log.
void ReportError(int number, const QString& description, const QString& procedure,
                 const QString& module, LogType logType = LogType::Error,
                 const QString& extra = {});

} // namespace skin
