#include "support/FakeMessageBoxService.h"

namespace support {

FakeMessageBoxService::FakeMessageBoxService() : m_previous(&platform::MessageBoxService::current())
{
    platform::MessageBoxService::setCurrent(this);
}

FakeMessageBoxService::~FakeMessageBoxService()
{
    platform::MessageBoxService::setCurrent(m_previous);
}

platform::MessageAnswer FakeMessageBoxService::show(const platform::MessageBoxRequest& request)
{
    m_boxes.append(request);
    if (onShow) {
        onShow(request);
    }
    if (!m_answers.isEmpty()) {
        return m_answers.takeFirst();
    }
    switch (request.buttons) {
    case platform::MessageButtons::AbortRetryIgnore:
        return platform::MessageAnswer::Abort;
    case platform::MessageButtons::YesNoCancel:
    case platform::MessageButtons::YesNo:
        return platform::MessageAnswer::Yes;
    case platform::MessageButtons::RetryCancel:
        return platform::MessageAnswer::Retry;
    default:
        return platform::MessageAnswer::Ok;
    }
}

} // namespace support
