#pragma once

#include "platform/MessageBoxService.h"

#include <QList>
#include <functional>

// A message-box service for tests: installs itself while it lives, records every
// box and answers from a queue (then with the box's first button).
namespace support {

class FakeMessageBoxService final : public platform::MessageBoxService
{
public:
    FakeMessageBoxService();
    ~FakeMessageBoxService() override;
    FakeMessageBoxService(const FakeMessageBoxService&) = delete;
    FakeMessageBoxService& operator=(const FakeMessageBoxService&) = delete;

    platform::MessageAnswer show(const platform::MessageBoxRequest& request) override;

    // Answers for the next boxes, in order.
    void queueAnswers(const QList<platform::MessageAnswer>& answers) { m_answers += answers; }

    const QList<platform::MessageBoxRequest>& boxes() const { return m_boxes; }
    void clear() { m_boxes.clear(); }

    // Called as each box shows, while its caller waits for the answer.
    std::function<void(const platform::MessageBoxRequest&)> onShow;

private:
    platform::MessageBoxService* m_previous = nullptr;
    QList<platform::MessageBoxRequest> m_boxes;
    QList<platform::MessageAnswer> m_answers;
};

} // namespace support
