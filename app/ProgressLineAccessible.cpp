#include "app/ProgressLineAccessible.h"

#include "app/ProgressLine.h"

namespace app {

ProgressLineAccessible::ProgressLineAccessible(ProgressLine* line)
    : platform::AccessibleProgress(line)
{
}

QAccessibleInterface* ProgressLineAccessible::create(const QString& className, QObject* object)
{
    auto* line = qobject_cast<ProgressLine*>(object);
    if (className != QLatin1String(ProgressLine::staticMetaObject.className()) || !line) {
        return nullptr;
    }
    return new ProgressLineAccessible(line);
}

ProgressLine* ProgressLineAccessible::line() const
{
    return static_cast<ProgressLine*>(widget());
}

int ProgressLineAccessible::value() const
{
    return line()->value();
}

int ProgressLineAccessible::maximum() const
{
    return line()->maximum();
}

} // namespace app
