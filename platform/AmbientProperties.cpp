#include "platform/AmbientProperties.h"

#include <QApplication>
#include <QVariant>
#include <QWidget>

namespace platform {
namespace {

bool g_designMode = false;

} // namespace

AmbientProperties::AmbientProperties(const QWidget* control) : m_control(control) {}

bool AmbientProperties::UserMode() const
{
    return !g_designMode;
}

QString AmbientProperties::DisplayName() const
{
    return m_control ? m_control->objectName() : QString();
}

OleColor AmbientProperties::BackColor() const
{
    const QWidget* container = m_control ? m_control->parentWidget() : nullptr;
    if (!container) {
        return systemColor(ColorButtonFace);
    }
    return fromQColor(container->palette().color(container->backgroundRole()));
}

bool AmbientProperties::DisplayAsDefault() const
{
    return m_control && m_control->property(kDisplayAsDefault).toBool();
}

bool AmbientProperties::Cancel() const
{
    return m_control && m_control->property(kCancel).toBool();
}

QFont AmbientProperties::Font() const
{
    const QWidget* container = m_control ? m_control->parentWidget() : nullptr;
    return container ? container->font() : QApplication::font();
}

void AmbientProperties::setDisplayAsDefault(QWidget* control, bool isDefault)
{
    if (control) {
        control->setProperty(kDisplayAsDefault, isDefault);
    }
}

void AmbientProperties::setCancel(QWidget* control, bool isCancel)
{
    if (control) {
        control->setProperty(kCancel, isCancel);
    }
}

void AmbientProperties::setDesignMode(bool designMode)
{
    g_designMode = designMode;
}

bool AmbientProperties::designMode()
{
    return g_designMode;
}

} // namespace platform
