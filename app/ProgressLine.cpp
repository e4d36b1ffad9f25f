#include "app/ProgressLine.h"

#include <QAccessible>
#include <algorithm>

namespace app {

namespace {

constexpr int kHeight = 3;

} // namespace

ProgressLine::ProgressLine(QWidget* status) : QWidget(status)
{
    setObjectName(QStringLiteral("speakingProgress"));
    setAutoFillBackground(true);
    setAccessibleName(QStringLiteral("Speaking position"));
    m_pendingValueEvent.setSingleShot(true);
    connect(&m_pendingValueEvent, &QTimer::timeout, this, &ProgressLine::tellValue);
    hide();
}

void ProgressLine::setProgress(int value, int maximum, const QString& description)
{
    maximum = std::max(maximum, 0);
    value = std::clamp(value, 0, maximum);
    const QRect area = parentWidget()->rect();
    const int width = maximum > 0 ? int(qint64(area.width()) * value / maximum) : 0;
    QPalette colours = palette();
    colours.setColor(QPalette::Window, parentWidget()->palette().color(QPalette::WindowText));
    setPalette(colours);
    setGeometry(0, area.height() - kHeight, width, kHeight);
    setAccessibleDescription(description);
    show();
    if (value == m_value && maximum == m_maximum) {
        return;
    }
    m_value = value;
    m_maximum = maximum;
    // A word every fifth of a second would flood a reader with events.
    if (!m_sinceValueEvent.isValid() || m_sinceValueEvent.elapsed() >= kValueEventGapMs) {
        tellValue();
    } else if (!m_pendingValueEvent.isActive()) {
        m_pendingValueEvent.start(int(kValueEventGapMs - m_sinceValueEvent.elapsed()));
    }
}

void ProgressLine::tellValue()
{
    m_pendingValueEvent.stop();
    m_sinceValueEvent.start();
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, m_value);
        QAccessible::updateAccessibility(&event);
    }
}

} // namespace app
