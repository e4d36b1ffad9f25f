#pragma once

#include <QString>

class QWidget;

// Modal message boxes: every box the program shows goes through the current service,
// so that tests can replace it with a fake that records the boxes and answers them.
namespace platform {

enum class MessageIcon { None, Exclamation, Critical, Information, Question };
enum class MessageButtons { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
// The numbers are those callers compare answers against (OK is 1, Cancel 2, ...).
enum class MessageAnswer { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

struct MessageBoxRequest
{
    QString text;
    QString title; // empty: the program's title
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    QWidget* owner = nullptr;
};

class MessageBoxService
{
public:
    virtual ~MessageBoxService() = default;
    virtual MessageAnswer show(const MessageBoxRequest& request) = 0;

    // The service in use; the real one unless a test installed another.
    static MessageBoxService& current();
    // Installs a service; nullptr puts the real one back. The caller keeps ownership.
    static void setCurrent(MessageBoxService* service);
};

// Shows a box through the current service. An empty title means the program's title.
MessageAnswer showMessage(const QString& text, MessageButtons buttons = MessageButtons::Ok,
                          MessageIcon icon = MessageIcon::None, const QString& title = {},
                          QWidget* owner = nullptr);

// Builds the request the classic style word describes: the low four bits choose the
// buttons (0 OK, 1 OK/Cancel, 2 Abort/Retry/Ignore, 3 Yes/No/Cancel, 4 Yes/No,
// 5 Retry/Cancel), bits 4..7 the icon (16 stop, 32 question, 48 exclamation,
// 64 information).
MessageBoxRequest requestFromStyle(const QString& text, unsigned style, const QString& title = {});

} // namespace platform
