#include "app/Start.h"

#include "app/DesktopFace.h"
#include "app/Main.h"
#include "app/MainAccessible.h"
#include "app/Session.h"
#include "platform/MessageBoxService.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace app {

Start::Start(const QString& lockPath) : m_instance(lockPath) {}

Start::~Start() = default;

// Asked from a key binding or a script: the answer goes to the caller, not a box.
int Start::handOver(const platform::SingleInstance& instance, const desktop::Command& command)
{
    const std::optional<platform::Result<void>> answer =
        instance.handOffCommand(command.name(), command.text());
    if (answer && answer->ok()) {
        return 0;
    }
    std::fprintf(
        stderr, "parlanza: %s\n",
        qPrintable(answer ? answer->error() : QStringLiteral("The running copy did not answer.")));
    return 1;
}

std::optional<int> Start::handOverEarly(const QStringList& arguments, const QString& lockPath)
{
    QCommandLineParser parser;
    desktop::Command::addOptions(parser);
    parser.addPositionalArgument(QStringLiteral("file"), QString());
    parser.addHelpOption();
    parser.addVersionOption();
    if (!parser.parse(arguments) || parser.isSet(QStringLiteral("help")) ||
        parser.isSet(QStringLiteral("version"))) {
        return std::nullopt;
    }
    platform::SingleInstance instance(lockPath);
    // Standard input is read only once it is certain to go to the running copy.
    QFile input;
    if (instance.tryAcquire() || !input.open(stdin, QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const platform::Result<std::optional<desktop::Command>> command =
        desktop::Command::fromArguments(parser, input);
    if (!command || !command.value()) {
        return std::nullopt;
    }
    return handOver(instance, *command.value());
}

bool Start::Form_Load(const QString& file, const std::optional<desktop::Command>& command)
{
    // The running copy has another working folder.
    const QString path = file.isEmpty() ? QString() : QFileInfo(file).absoluteFilePath();
    if (!m_instance.tryAcquire()) {
        if (command) {
            m_exitCode = handOver(m_instance, *command);
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
