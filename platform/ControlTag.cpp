#include "platform/ControlTag.h"

#include <QObject>
#include <QVariant>

namespace platform {
namespace {
constexpr const char* kTagProperty = "Tag";
}

QString controlTag(const QObject* control)
{
    return control ? control->property(kTagProperty).toString() : QString();
}

void setControlTag(QObject* control, const QString& tag)
{
    if (control) {
        control->setProperty(kTagProperty, tag);
    }
}

} // namespace platform
