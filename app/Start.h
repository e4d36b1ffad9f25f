#pragma once

#include "platform/SingleInstance.h"

#include <memory>

class Main;

// The start-up step: refuses a second running copy, then opens the main window.
class Start
{
public:
    explicit Start(const QString& lockPath = platform::SingleInstance::defaultLockPath());
    ~Start();
    Start(const Start&) = delete;
    Start& operator=(const Start&) = delete;

    // False when another copy is running: the user has been told and this copy must end.
    bool Form_Load();

    Main* mainWindow() const { return m_main.get(); }

private:
    platform::SingleInstance m_instance;
    std::unique_ptr<Main> m_main;
};
