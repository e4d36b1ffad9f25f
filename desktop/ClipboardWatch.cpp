#include "desktop/ClipboardWatch.h"

#include <QGuiApplication>

namespace desktop {

ClipboardWatch::ClipboardWatch(QObject* parent) : QObject(parent)
{
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &ClipboardWatch::clipboardChanged);
}

void ClipboardWatch::setOn(bool on)
{
    m_on = on;
}

QString ClipboardWatch::text(QClipboard::Mode mode)
{
    const QString text = QGuiApplication::clipboard()->text(mode);
    return text.trimmed().isEmpty() ? QString() : text;
}

void ClipboardWatch::clipboardChanged()
{
    // What the editor's own Copy and Cut put there is already in front of the user.
    if (!m_on || QGuiApplication::clipboard()->ownsClipboard()) {
        return;
    }
    if (const QString copied = text(QClipboard::Clipboard); !copied.isEmpty()) {
        Q_EMIT textCopied(copied);
    }
}

} // namespace desktop
