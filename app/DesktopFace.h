#pragma once

#include "desktop/ClipboardWatch.h"
#include "desktop/Command.h"
#include "desktop/MprisService.h"
#include "desktop/Player.h"
#include "platform/SingleInstance.h"

#include <QObject>
#include <QPointer>

class QAction;

namespace app {

class Main;
class Session;

// The window as other programs reach it: commands handed over by later copies (speak the
// selection, the clipboard or a text; pause; stop), media keys and sound menus over the
// session bus, and reading each text copied to the clipboard while the Speak menu's item
// says so. Every request does what the window's own buttons do, and only where they could.
class DesktopFace : public QObject
{
    Q_OBJECT
public:
    static const QString kReadClipboardKey;

    DesktopFace(Main& main, Session& session);
    ~DesktopFace() override;

    // A command handed over: the answer for the copy that sent it, and the work to do once
    // it has that answer.
    platform::Result<platform::SingleInstance::CommandWork> command(const QString& name,
                                                                    const QString& text);
    // A command given to this copy as it started, done at once.
    void run(const desktop::Command& command);

    const desktop::Player& player() const { return m_player; }
    bool readsClipboardChanges() const { return m_watch.isOn(); }

private:
    void statusChanged();
    void updateAbilities();
    // Replaces the editor's text, as Open does, and speaks it as SPEAK does.
    void speakNewText(const QString& text);
    // Presses the window's button, as a click would; nothing while it is disabled.
    bool press(const char* button);
    void play();
    void pause();
    void skip(int direction);
    void raise();
    void addMenuItem();

    Main& m_main;
    Session& m_session;
    desktop::Player m_player;
    desktop::MprisService m_service;
    desktop::ClipboardWatch m_watch;
    QPointer<QAction> m_readClipboard;
};

} // namespace app
