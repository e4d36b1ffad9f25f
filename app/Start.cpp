#include "app/Start.h"

#include "app/Main.h"
#include "app/MainAccessible.h"
#include "app/Session.h"
#include "platform/MessageBoxService.h"

#include <QFileInfo>

namespace app {

Start::Start(const QString& lockPath) : m_instance(lockPath) {}

Start::~Start() = default;

bool Start::Form_Load(const QString& file)
{
    // The running copy has another working folder.
    const QString path = file.isEmpty() ? QString() : QFileInfo(file).absoluteFilePath();
    if (!m_instance.tryAcquire()) {
        if (!path.isEmpty() && m_instance.handOff(path)) {
            return false;
        }
        platform::showMessage(QStringLiteral("Parlanza is Already Running !"),
                              platform::MessageButtons::Ok, platform::MessageIcon::None);
        return false;
    }
    MainAccessible::installFactories();
    m_main = std::make_unique<Main>();
    m_session = std::make_unique<Session>(*m_main);
    m_main->Form_Load();
    m_session->Form_Loaded();
    m_instance.listen([this](const QString& handed) { m_session->openFile(handed); });
    if (!path.isEmpty()) {
        m_session->openFile(path);
    }
    return true;
}

} // namespace app
