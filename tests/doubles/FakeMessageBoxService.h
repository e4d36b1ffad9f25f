#pragma once

#include "platform/MessageBoxService.h"

#include <QList>
#include <functional>

// A message-box service for tests: installs itself while it lives, records every
// box and answers from a queue (then with the box's first button).
namespace platform {

class FakeMessageBoxService final : public MessageBoxService
{
public:
    FakeMessageBoxService();
    ~FakeMessageBoxService() override;
    FakeMessageBoxService(const FakeMessageBoxService&) = delete;
    FakeMessageBoxService& operator=(const FakeMessageBoxService&) = delete;

    MessageAnswer show(const MessageBoxRequest& request) override;

    // Answers for the next boxes, in order.
    void queueAnswers(const QList<MessageAnswer>& answers) { m_answers += answers; }

    const QList<MessageBoxRequest>& boxes() const { return m_boxes; }
    void clear() { m_boxes.clear(); }

    // Called as each box shows, while its caller waits for the answer.
    std::function<void(const MessageBoxRequest&)> onShow;

private:
    MessageBoxService* m_previous = nullptr;
    QList<MessageBoxRequest> m_boxes;
    QList<MessageAnswer> m_answers;
};

} // namespace platform
