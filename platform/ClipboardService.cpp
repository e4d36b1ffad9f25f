#include "platform/ClipboardService.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace platform::clipboard {

QString text()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    return data && data->hasText() ? data->text() : QString();
}

void setText(const QString& text)
{
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
}

void clear()
{
    QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
}

} // namespace platform::clipboard
