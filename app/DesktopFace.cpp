#include "app/DesktopFace.h"

#include "app/FollowAlong.h"
#include "app/Main.h"
#include "app/Session.h"
#include "controls/bevel/bvlBUTTON.h"
#include "editor/RichTextBox.h"
#include "platform/MenuBar.h"

#include <QAction>
#include <QFileInfo>
#include <QListWidget>
#include <QTextDocument>

namespace app {

const QString DesktopFace::kReadClipboardKey = QStringLiteral("keyReadClipboard");

namespace {

const QString kReadClipboardSetting = QStringLiteral("speech/readClipboardChanges");

using platform::Failure;
using Answer = platform::Result<platform::SingleInstance::CommandWork>;

} // namespace

DesktopFace::DesktopFace(Main& main, Session& session)
    : QObject(&main), m_main(main), m_session(session), m_service(m_player)
{
    // Queued: a bus call or a copy waiting for its answer never waits on what the work
    // shows (the window's own messages among it).
    connect(&m_player, &desktop::Player::playAsked, this, &DesktopFace::play, Qt::QueuedConnection);
    connect(&m_player, &desktop::Player::pauseAsked, this, &DesktopFace::pause,
            Qt::QueuedConnection);
    connect(
        &m_player, &desktop::Player::playPauseAsked, this,
        [this] { m_player.status() == desktop::Player::Status::Playing ? pause() : play(); },
        Qt::QueuedConnection);
    connect(
        &m_player, &desktop::Player::stopAsked, this, [this] { press("cmdStopText"); },
        Qt::QueuedConnection);
    connect(&m_player, &desktop::Player::skipAsked, this, &DesktopFace::skip, Qt::QueuedConnection);
    connect(&m_player, &desktop::Player::raiseAsked, this, &DesktopFace::raise,
            Qt::QueuedConnection);
    connect(
        &m_player, &desktop::Player::openAsked, this,
        [this](const QString& path) {
            m_main.openFile(path);
            raise();
        },
        Qt::QueuedConnection);
    connect(&m_main, &Main::statusChanged, this, &DesktopFace::statusChanged);
    if (auto* editor = m_main.findChild<editor::RichTextBox*>(QStringLiteral("RichTextBox1"))) {
        connect(editor, &editor::RichTextBox::Change, this, &DesktopFace::updateAbilities);
    }
    connect(&m_watch, &desktop::ClipboardWatch::textCopied, this, [this](const QString& text) {
        // A recording is never cut short by a copy made elsewhere.
        if (!m_main.isRecording()) {
            speakNewText(text);
        }
    });
    addMenuItem();
    updateAbilities();
    m_service.start();
}

DesktopFace::~DesktopFace() = default;

void DesktopFace::addMenuItem()
{
    platform::MenuBar* menu = m_main.menuBar();
    if (!menu) {
        return;
    }
    const qint32 id =
        menu->addItem(FollowAlong::kMenuKey, kReadClipboardKey, platform::MenuBar::ItemKind::Item,
                      QStringLiteral("&Read Clipboard Changes"));
    m_readClipboard = menu->action(id);
    if (!m_readClipboard) {
        return;
    }
    m_readClipboard->setCheckable(true);
    m_readClipboard->setChecked(m_session.rememberedSwitch(kReadClipboardSetting));
    m_watch.setOn(m_readClipboard->isChecked());
    connect(m_readClipboard, &QAction::toggled, this, [this](bool on) {
        m_watch.setOn(on);
        m_session.rememberSwitch(kReadClipboardSetting, on);
    });
}

Answer DesktopFace::command(const QString& name, const QString& text)
{
    const std::optional<desktop::Command> command = desktop::Command::fromName(name, text);
    if (!command) {
        return Failure{QStringLiteral("This copy of Parlanza does not know --%1.").arg(name)};
    }
    using Kind = desktop::Command::Kind;
    QString speak;
    QString missing;
    switch (command->kind()) {
    case Kind::Pause:
        if (auto* button = m_main.findChild<QWidget*>(QStringLiteral("cmdPauseText"));
            !button || !button->isEnabled()) {
            return Failure{QStringLiteral("Nothing is being spoken.")};
        }
        return Answer([this] { press("cmdPauseText"); });
    case Kind::Stop:
        return Answer([this] { press("cmdStopText"); });
    case Kind::SpeakSelection:
        speak = desktop::ClipboardWatch::text(QClipboard::Selection);
        missing = QStringLiteral("Nothing is selected to speak.");
        break;
    case Kind::SpeakClipboard:
        speak = desktop::ClipboardWatch::text(QClipboard::Clipboard);
        missing = QStringLiteral("The clipboard holds no text to speak.");
        break;
    case Kind::SpeakText:
        speak = command->text().trimmed().isEmpty() ? QString() : command->text();
        missing = QStringLiteral("No text was given to speak.");
        break;
    }
    if (speak.isEmpty()) {
        // The user is in another program: a line in the status, not a box to answer.
        m_main.showStatusNote(missing);
        return Failure{missing};
    }
    if (m_main.isRecording()) {
        return Failure{
            QStringLiteral("Parlanza is recording; try again when the recording is done.")};
    }
    return Answer([this, speak] { speakNewText(speak); });
}

void DesktopFace::run(const desktop::Command& command)
{
    const Answer answer = this->command(command.name(), command.text());
    if (answer && answer.value()) {
        answer.value()();
    }
}

void DesktopFace::speakNewText(const QString& text)
{
    // What was typed since the last save is in the draft before it goes, as Open leaves it.
    m_session.saveDraft();
    if (!m_main.replaceText(text, QString())) {
        return;
    }
    // After the stopped speech's end has been reported, as Speak from the Caret starts.
    QMetaObject::invokeMethod(
        &m_main, [this] { press("cmdSpkText"); }, Qt::QueuedConnection);
}

bool DesktopFace::press(const char* button)
{
    auto* found = m_main.findChild<bevel::bvlBUTTON*>(QLatin1String(button));
    if (!found || !found->isEnabled()) {
        return false;
    }
    found->click();
    return true;
}

void DesktopFace::play()
{
    if (m_player.status() == desktop::Player::Status::Paused) {
        press("cmdPauseText");
    } else if (m_player.status() == desktop::Player::Status::Stopped && m_player.canPlay()) {
        press("cmdSpkText");
    }
}

void DesktopFace::pause()
{
    if (m_player.status() == desktop::Player::Status::Playing) {
        press("cmdPauseText");
    }
}

void DesktopFace::skip(int direction)
{
    if (m_player.canSkip() && m_main.followAlong()) {
        m_main.followAlong()->skipSentence(direction);
    }
}

void DesktopFace::raise()
{
    m_main.showNormal();
    m_main.raise();
    m_main.activateWindow();
}

void DesktopFace::statusChanged()
{
    using Status = desktop::Player::Status;
    const QString& shown = m_main.statusText();
    const Status status = shown == Main::kSpeakingStatus ? Status::Playing
                          : shown == Main::kPausedStatus ? Status::Paused
                                                         : Status::Stopped;
    if (status == Status::Playing && m_player.status() == Status::Stopped) {
        QString title = QFileInfo(m_main.documentPath()).completeBaseName();
        if (auto* editor = m_main.findChild<editor::RichTextBox*>(QStringLiteral("RichTextBox1"));
            editor && title.isEmpty()) {
            title = editor->text().left(200);
        }
        const auto* voices = m_main.findChild<QListWidget*>(QStringLiteral("lstVoice"));
        m_player.startTrack(title, voices && voices->currentItem() ? voices->currentItem()->text()
                                                                   : QString());
    }
    m_player.setStatus(status);
    updateAbilities();
}

void DesktopFace::updateAbilities()
{
    const auto enabled = [this](const char* name) {
        const auto* button = m_main.findChild<QWidget*>(QLatin1String(name));
        return button && button->isEnabled();
    };
    const auto* editor = m_main.findChild<editor::RichTextBox*>(QStringLiteral("RichTextBox1"));
    const bool hasText = editor && !editor->document()->isEmpty();
    using Status = desktop::Player::Status;
    const Status status = m_player.status();
    m_player.setAbilities((status == Status::Paused && enabled("cmdPauseText")) ||
                              (status == Status::Stopped && hasText && enabled("cmdSpkText")),
                          status == Status::Playing && enabled("cmdPauseText"),
                          status == Status::Playing && !m_main.isRecording());
}

} // namespace app
