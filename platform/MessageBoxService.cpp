#include "platform/MessageBoxService.h"

#include "platform/AppInfo.h"

#include <QMessageBox>

namespace platform {
namespace {

QMessageBox::StandardButtons standardButtons(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::Ok:
        return QMessageBox::Ok;
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::AbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case MessageButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon boxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::None:
        return QMessageBox::NoIcon;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

MessageAnswer answerFor(int button, MessageButtons buttons)
{
    switch (button) {
    case QMessageBox::Ok:
        return MessageAnswer::Ok;
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    case QMessageBox::Abort:
        return MessageAnswer::Abort;
    case QMessageBox::Retry:
        return MessageAnswer::Retry;
    case QMessageBox::Ignore:
        return MessageAnswer::Ignore;
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    default:
        break;
    }
    // Closed by Escape or the window's close button: the box's way out.
    switch (buttons) {
    case MessageButtons::Ok:
        return MessageAnswer::Ok;
    case MessageButtons::YesNo:
        return MessageAnswer::No;
    case MessageButtons::AbortRetryIgnore:
        return MessageAnswer::Abort;
    default:
        return MessageAnswer::Cancel;
    }
}

class QtMessageBoxService final : public MessageBoxService
{
public:
    MessageAnswer show(const MessageBoxRequest& request) override
    {
        const QString title = request.title.isEmpty() ? appTitle() : request.title;
        QMessageBox box(boxIcon(request.icon), title, request.text,
                        standardButtons(request.buttons), request.owner);
        box.setTextFormat(Qt::PlainText);
        if (request.buttons == MessageButtons::OkCancel) {
            box.setEscapeButton(QMessageBox::Cancel);
        }
        return answerFor(box.exec(), request.buttons);
    }
};

QtMessageBoxService& realService()
{
    static QtMessageBoxService service;
    return service;
}

MessageBoxService* g_current = nullptr;

} // namespace

MessageBoxService& MessageBoxService::current()
{
    return g_current ? *g_current : realService();
}

void MessageBoxService::setCurrent(MessageBoxService* service)
{
    g_current = service;
}

MessageAnswer showMessage(const QString& text, MessageButtons buttons, MessageIcon icon,
                          const QString& title, QWidget* owner)
{
    return MessageBoxService::current().show({text, title, icon, buttons, owner});
}

MessageBoxRequest requestFromStyle(const QString& text, unsigned style, const QString& title)
{
    MessageBoxRequest request;
    request.text = text;
    request.title = title;
    switch (style & 0x0Fu) {
    case 1:
        request.buttons = MessageButtons::OkCancel;
        break;
    case 2:
        request.buttons = MessageButtons::AbortRetryIgnore;
        break;
    case 3:
        request.buttons = MessageButtons::YesNoCancel;
        break;
    case 4:
        request.buttons = MessageButtons::YesNo;
        break;
    case 5:
        request.buttons = MessageButtons::RetryCancel;
        break;
    default:
        request.buttons = MessageButtons::Ok;
        break;
    }
    switch (style & 0xF0u) {
    case 16:
        request.icon = MessageIcon::Critical;
        break;
    case 32:
        request.icon = MessageIcon::Question;
        break;
    case 48:
        request.icon = MessageIcon::Exclamation;
        break;
    case 64:
        request.icon = MessageIcon::Information;
        break;
    default:
        request.icon = MessageIcon::None;
        break;
    }
    return request;
}

} // namespace platform
