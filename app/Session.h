#pragma once

#include "platform/DraftFile.h"
#include "platform/SettingsFile.h"

#include <QObject>
#include <QPoint>
#include <QRect>
#include <optional>

class QTimer;

namespace app {

class Main;

// What the program remembers between runs: the voice, speed, tone and zoom, the timing
// files recordings write, where the Open and recording dialogs were last, the main and
// help windows' places (settings), and the editor's text (the draft, saved every few seconds when
// it changed and at exit, brought back by File, Reopen Last Text, with the name of the document
// it came from). Without a settings file the window starts exactly as its form says.
class Session : public QObject
{
    Q_OBJECT
public:
    // The draft is saved at most this often while the text changes.
    static constexpr int kDraftInterval = 2000;

    // Puts the main window where it was, before it shows.
    Session(Main& main, const QString& settingsPath = platform::SettingsFile::defaultPath(),
            const QString& draftPath = platform::DraftFile::defaultPath());
    ~Session() override;

    // After the window's load sequence: restores the controls and starts remembering.
    void Form_Loaded();

    // Opens a file as the Open command reads it, and brings the window forward.
    void openFile(const QString& path);
    // The latest text the editor had, as the draft keeps it: the previous run's at first,
    // then each one saved, the text ERASE removed among them; nothing when there was none.
    const std::optional<QString>& lastText() const { return m_lastText; }
    void reopenLastText();
    // Saves the editor's text now when it changed since the last save.
    void saveDraft();
    // Keeps the text as the draft and as the one Reopen Last Text brings back.
    void keepDraft(const QString& text);

    // An on/off choice kept under the key; off when never made.
    bool rememberedSwitch(const QString& key) const;
    void rememberSwitch(const QString& key, bool on);

    // True when a window at that place can be seen and grabbed on some screen.
    static bool isOnScreen(const QRect& place);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void restoreControls();
    void watchControls();
    void addReopenItem();
    void saveWindowPlace();

    Main& m_main;
    platform::SettingsFile m_settings;
    platform::DraftFile m_draft;
    std::optional<QString> m_lastText;
    // The document that text came from; empty when it was typed or is not known.
    QString m_lastDocument;
    QTimer* m_draftTimer = nullptr;
    bool m_textChanged = false;
    // Where the user last put the windows; written when they hide and at exit.
    QRect m_windowPlace;
    QRect m_helpPlace;
    qint32 m_reopenId = 0;
};

} // namespace app
