#include "platform/FakeMessageBoxService.h"

namespace platform {

FakeMessageBoxService::FakeMessageBoxService() : m_previous(&MessageBoxService::current())
{
    MessageBoxService::setCurrent(this);
}

FakeMessageBoxService::~FakeMessageBoxService()
{
    MessageBoxService::setCurrent(m_previous);
}

MessageAnswer FakeMessageBoxService::show(const MessageBoxRequest& request)
{
    m_boxes.append(request);
    if (onShow) {
        onShow(request);
    }
    if (!m_answers.isEmpty()) {
        return m_answers.takeFirst();
    }
    switch (request.buttons) {
    case MessageButtons::AbortRetryIgnore:
        return MessageAnswer::Abort;
    case MessageButtons::YesNoCancel:
    case MessageButtons::YesNo:
        return MessageAnswer::Yes;
    case MessageButtons::RetryCancel:
        return MessageAnswer::Retry;
    default:
        return MessageAnswer::Ok;
    }
}

} // namespace platform
