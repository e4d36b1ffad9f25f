#pragma once

#include "platform/SingleInstance.h"

#include <QString>
#include <memory>

namespace app {

class Main;
class Session;

// The start-up step: refuses a second running copy (one given a file hands the file to
// the running copy instead), then opens the main window with what the last run left.
class Start
{
public:
    explicit Start(const QString& lockPath = platform::SingleInstance::defaultLockPath());
    ~Start();
    Start(const Start&) = delete;
    Start& operator=(const Start&) = delete;

    // False when another copy is running: the user has been told, or the running copy has
    // the file, and this copy must end. A file given is opened as the Open command would.
    bool Form_Load(const QString& file = QString());

    Main* mainWindow() const { return m_main.get(); }
    Session* session() const { return m_session.get(); }

private:
    platform::SingleInstance m_instance;
    std::unique_ptr<Main> m_main;
    // Goes before the window it remembers.
    std::unique_ptr<Session> m_session;
};

} // namespace app
