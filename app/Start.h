#pragma once

#include "desktop/Command.h"
#include "platform/SingleInstance.h"

#include <QString>
#include <memory>
#include <optional>

namespace app {

class DesktopFace;
class Main;
class Session;

// The start-up step: refuses a second running copy (one given a file or a command hands it
// to the running copy instead), then opens the main window with what the last run left.
class Start
{
public:
    explicit Start(const QString& lockPath = platform::SingleInstance::defaultLockPath());
    ~Start();
    Start(const Start&) = delete;
    Start& operator=(const Start&) = delete;

    // False when another copy is running: the user has been told, or the running copy has
    // the file, and this copy must end. A file given is opened as the Open command would.
    // A command given is done by the running copy, or by this one once its window is up;
    // for a copy that must end, exitCode() tells whether the command was taken.
    bool Form_Load(const QString& file = QString(),
                   const std::optional<desktop::Command>& command = std::nullopt);
    int exitCode() const { return m_exitCode; }

    // Before the program builds anything: when the arguments ask for a command and a copy
    // runs, hands it over and returns the exit code; nothing otherwise. A key bound to a
    // command answers sooner when the caller never connects to the display.
    static std::optional<int>
    handOverEarly(const QStringList& arguments,
                  const QString& lockPath = platform::SingleInstance::defaultLockPath());

    Main* mainWindow() const { return m_main.get(); }
    Session* session() const { return m_session.get(); }
    DesktopFace* desktopFace() const { return m_face.get(); }

private:
    static int handOver(const platform::SingleInstance& instance, const desktop::Command& command);

    platform::SingleInstance m_instance;
    std::unique_ptr<Main> m_main;
    // Goes before the window it remembers.
    std::unique_ptr<Session> m_session;
    std::unique_ptr<DesktopFace> m_face;
    int m_exitCode = 0;
};

} // namespace app
