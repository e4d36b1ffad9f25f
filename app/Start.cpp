#include "app/Start.h"

#include "app/DesktopFace.h"
#include "app/Main.h"
#include "app/MainAccessible.h"
#include "app/Session.h"
#include "platform/MessageBoxService.h"

#include <QFileInfo>
#include <cstdio>

namespace app {

Start::Start(const QString& lockPath) : m_instance(lockPath) {}

Start::~Start() = default;

bool Start::Form_Load(const QString& file)
{
    return Form_Load(file, std::nullopt);
}

bool Start::Form_Load(const QString& file, const std::optional<desktop::Command>& command)
{
    // The running copy has another working folder.
    const QString path = file.isEmpty() ? QString() : QFileInfo(file).absoluteFilePath();
    if (!m_instance.tryAcquire()) {
        if (command) {
            // Asked from a key binding or a script: the answer goes to the caller, not a box.
            const std::optional<platform::Result<void>> answer =
                m_instance.handOffCommand(command->name(), command->text());
            m_exitCode = answer && answer->ok() ? 0 : 1;
            if (m_exitCode != 0) {
                std::fprintf(stderr, "parlanza: %s\n",
                             qPrintable(answer ? answer->error()
                                               : QStringLiteral("The running copy did not "
                                                                "answer.")));
            }
            return false;
        }
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
    m_face = std::make_unique<DesktopFace>(*m_main, *m_session);
    m_instance.listen(
        [this](const QString& handed) { m_session->openFile(handed); },
        [this](const QString& name, const QString& text) { return m_face->command(name, text); });
    if (!path.isEmpty()) {
        m_session->openFile(path);
    }
    if (command) {
        QMetaObject::invokeMethod(
            m_face.get(), [this, command] { m_face->run(*command); }, Qt::QueuedConnection);
    }
    return true;
}

} // namespace app
