#include "app/Start.h"

#include "app/Main.h"
#include "platform/MessageBoxService.h"

Start::Start(const QString& lockPath) : m_instance(lockPath) {}

Start::~Start() = default;

bool Start::Form_Load()
{
    if (!m_instance.tryAcquire()) {
        platform::showMessage(QStringLiteral("Parlanza is Already Running !"),
                              platform::MessageButtons::Ok, platform::MessageIcon::None);
        return false;
    }
    m_main = std::make_unique<Main>();
    m_main->Form_Load();
    return true;
}
