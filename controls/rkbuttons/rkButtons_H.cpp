#include "controls/rkbuttons/rkButtons_H.h"

#include "controls/rkbuttons/modRkTimer.h"
#include "platform/AmbientProperties.h"
#include "platform/FocusMark.h"
#include "platform/MessageBoxService.h"

#include <QDynamicPropertyChangeEvent>
#include <QKeyEvent>
#include <QPainter>

namespace rkbuttons {

using paint::ConvertColor;

namespace {

// The characters the access-key path is given for the form's Return and Escape.
constexpr int kAsciiEnter = 13;
constexpr int kAsciiEscape = 27;

} // namespace

rkButtons_H::rkButtons_H(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    recordContainer();
    m_containerBackColor = ConvertColor(platform::AmbientProperties(this).BackColor());
    PrepareResource(Resource::Font);
}

rkButtons_H::~rkButtons_H()
{
    // The timer reaches this object only through a borrowed reference: it stops first.
    modRkTimer::KillTimer(this, modRkTimer::kHoverTimerId);
    if (m_props.mode == Behaviour::Option) {
        // Leaving quietly: a set button going away clears nobody else.
        m_props.value = false;
        OptionToggle(-1);
    }
}

// --- host conventions ----------------------------------------------------------------

void rkButtons_H::recordContainer()
{
    m_containerWindow = parentWidget();
}

bool rkButtons_H::isDesignMode() const
{
    return !platform::AmbientProperties(this).UserMode();
}

void rkButtons_H::showDesignMessage(const QString& text) const
{
    if (isDesignMode()) {
        platform::showMessage(text, platform::MessageButtons::Ok,
                              platform::MessageIcon::Information);
    }
}

void rkButtons_H::notifyChanged(const QString& key)
{
    Q_EMIT PropertyChanged(key);
}

void rkButtons_H::Refresh()
{
    m_delayDrawing = false;
    RedrawButton();
}

void rkButtons_H::DelayDrawing(bool delay)
{
    m_delayDrawing = delay;
    if (!delay) {
        Refresh();
    }
}

// --- host notifications --------------------------------------------------------------

void rkButtons_H::UserControl_Resize()
{
    m_memory = QImage();
    PrepareBuffer();
    if (!m_delayDrawing) {
        BuildButtonRegion();
        LayoutCaption();
        RedrawButton();
    }
}

void rkButtons_H::AmbientChanged(const QString& name)
{
    const platform::AmbientProperties ambient(this);
    if (name == QLatin1String(platform::AmbientProperties::kDisplayAsDefault)) {
        const bool isDefault =
            ambient.DisplayAsDefault() && (m_props.showFocusRect || isDesignMode());
        if (isDefault) {
            m_stateFlags |= kStateDefault;
        } else {
            m_stateFlags &= ~kStateDefault;
        }
        if (isCustom() && isDesignMode()) {
            // Custom shapes show the default frame through the hover outline in design mode.
            setHoverBit(isDefault);
            RedrawButton();
            setHoverBit(false);
        } else {
            RedrawButton();
        }
    } else if (name == QLatin1String("BackColor")) {
        m_containerBackColor = ConvertColor(ambient.BackColor());
        if (!isBoxed() || m_props.style == FaceStyle::Rounded) {
            RedrawButton();
        }
    }
}

bool rkButtons_H::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Shortcut: {
        const auto* shortcut = static_cast<QShortcutEvent*>(event);
        if (shortcut->shortcutId() == m_accessShortcutId && !m_accessKeys.isEmpty()) {
            AccessKeyPress(m_accessKeys.at(0).toUpper().unicode());
            return true;
        }
        break;
    }
    case QEvent::DynamicPropertyChange: {
        const auto* change = static_cast<QDynamicPropertyChangeEvent*>(event);
        if (change->propertyName() == platform::AmbientProperties::kDisplayAsDefault) {
            AmbientChanged(QString::fromLatin1(platform::AmbientProperties::kDisplayAsDefault));
        }
        if (change->propertyName() == platform::AmbientProperties::kDisplayAsDefault ||
            change->propertyName() == platform::AmbientProperties::kCancel) {
            watchFormKeys();
        }
        break;
    }
    default:
        break;
    }
    return QWidget::event(event);
}

void rkButtons_H::watchFormKeys()
{
    const platform::AmbientProperties ambient(this);
    QWidget* form = window();
    if (form == this) {
        return;
    }
    if (ambient.DisplayAsDefault() || ambient.Cancel()) {
        form->installEventFilter(this);
    } else {
        form->removeEventFilter(this);
    }
}

bool rkButtons_H::eventFilter(QObject* watched, QEvent* event)
{
    // A key reaches the form itself only when the control with the focus left it alone:
    // then Return and Enter belong to the default button and Escape to the cancel button.
    if (watched != window() || event->type() != QEvent::KeyPress || !isEnabled() || !isVisible()) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const platform::AmbientProperties ambient(this);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (key->modifiers() & ~Qt::KeypadModifier) {
        return false;
    }
    if (enter && ambient.DisplayAsDefault()) {
        AccessKeyPress(kAsciiEnter);
        return true;
    }
    if (key->key() == Qt::Key_Escape && ambient.Cancel()) {
        AccessKeyPress(kAsciiEscape);
        return true;
    }
    return false;
}

void rkButtons_H::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::EnabledChange:
        if (m_props.style == FaceStyle::Flat && m_props.mode == Behaviour::Push && isBoxed()) {
            // Style 3 cuts its corners only while enabled.
            const bool wasDelayed = m_delayDrawing;
            m_delayDrawing = true;
            BuildButtonRegion();
            m_delayDrawing = wasDelayed;
        }
        RedrawButton();
        notifyChanged(QStringLiteral("Enabled"));
        break;
    case QEvent::FontChange:
        PrepareResource(Resource::Font);
        LayoutCaption();
        RedrawButton();
        notifyChanged(QStringLiteral("Font"));
        break;
    case QEvent::PaletteChange:
        // A new colour scheme changes the system colours the palette was made from.
        AmbientChanged(QStringLiteral("BackColor"));
        RedrawButton();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void rkButtons_H::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    const platform::AmbientProperties ambient(this);
    if (ambient.UserMode() && ambient.DisplayAsDefault() && m_props.showFocusRect) {
        m_stateFlags |= kStateDefault;
        RedrawButton();
    }
}

void rkButtons_H::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    UserControl_Resize();
}

void rkButtons_H::paintEvent(QPaintEvent* /*event*/)
{
    if (m_delayDrawing || m_screen.size() != size()) {
        m_delayDrawing = false;
        RedrawButton();
    }
    QPainter painter(this);
    painter.drawImage(0, 0, m_screen);
    if (hasFocus() && !m_defaultMarkDrawn) {
        platform::drawFocusMark(painter, focusRect(m_memory.size(), m_props.shape, m_outline));
    }
}

} // namespace rkbuttons
