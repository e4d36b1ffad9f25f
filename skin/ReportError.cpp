#include "skin/ReportError.h"

#include "platform/EventLog.h"
#include "platform/MessageBoxService.h"

namespace skin {

QString resourceNotFoundText(const QString& name)
{
    return QStringLiteral("Resource with identifier '%1' not found").arg(name);
}

void ReportError(int number, const QString& description, const QString& procedure,
                 const QString& module, LogType logType, const QString& extra)
{
    const QString title = QStringLiteral("ERROR - ") + QString::number(number) +
                          QStringLiteral(" - ") + procedure + QStringLiteral(" - ") + module;
    QString text =
        QStringLiteral("ERROR  ") + QString::number(number) + QStringLiteral(" - ") + description;
    if (!extra.isEmpty()) {
        text += QLatin1Char('\n') + extra;
    }
    platform::showMessage(text, platform::MessageButtons::Ok, platform::MessageIcon::Exclamation,
                          title);
    const QString entry = title + QStringLiteral(": ") + text;
    switch (logType) {
    case LogType::Warning:
        platform::eventlog::warning(entry);
        break;
    case LogType::Information:
        platform::eventlog::information(entry);
        break;
    case LogType::Error:
        platform::eventlog::error(entry);
        break;
    }
}

} // namespace skin
