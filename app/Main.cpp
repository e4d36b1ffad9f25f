#include "app/Main.h"

#include "app/About.h"
#include "app/FollowAlong.h"
#include "app/FormLoader.h"
#include "app/NoticeLine.h"
#include "app/Pronunciations.h"
#include "app/VoiceList.h"
#include "audio/AudioOutput.h"
#include "controls/bevel/bvlBUTTON.h"
#include "controls/rkbuttons/rkButtons_H.h"
#include "controls/skinned/UcCmd.h"
#include "controls/skinned/UcScroll.h"
#include "editor/DocumentLoading.h"
#include "editor/EditCommands.h"
#include "editor/FileOpen.h"
#include "editor/RichTextBox.h"
#include "editor/Zoom.h"
#include "help/HTMLHelp.h"
#include "platform/AccessibleButton.h"
#include "platform/AppInfo.h"
#include "platform/ControlTag.h"
#include "platform/EventLog.h"
#include "platform/MenuBar.h"
#include "platform/MessageBoxService.h"
#include "platform/Units.h"
#include "recording/ReadAlongBook.h"
#include "recording/SoundFileWriter.h"
#include "skin/ClsSkin.h"
#include "speech/DirectSS.h"
#include "speech/SpeechControl.h"
#include "speech/VoiceCatalog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QShortcut>
#include <QStandardPaths>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace app {

namespace {

// One of the user's own folders as the desktop names it (Documents, Music), or the home
// folder where it does not exist.
QString userFolder(QStandardPaths::StandardLocation which)
{
    const QString folder = QStandardPaths::writableLocation(which);
    return QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

const QString kPauseCaption = QStringLiteral("PAUSE");
const QString kResumeCaption = QStringLiteral("RESUME");
const QString kNoText = QStringLiteral("Please Enter Some Text In the Text Box !");
const QString kNoFileName = QStringLiteral("Please Enter A File Name To Save !");
const QString kOverwrite = QStringLiteral("File already exists ! Overwrite ?");
const QString kIncompatible = QStringLiteral(
    "This setting is not compatible with the selected\r\n     Voice. Please try a different "
    "setting.");

// A name typed without an extension in FILE's dialog takes the extension of the entry
// chosen in its list, so that "talk" with MP3 chosen records talk.mp3 rather than a wave
// file named talk. The first entry, wave files, leaves a bare name as it always has.
QString withChosenExtension(const QString& path, const QString& filter, int entry)
{
    const QStringList parts = filter.split(u'|');
    const qsizetype at = qsizetype(2) * entry - 1; // the entry's pattern
    if (entry <= 1 || at >= parts.size() || !QFileInfo(path).suffix().isEmpty()) {
        return path;
    }
    const QString& pattern = parts.at(at);
    if (!pattern.startsWith(QLatin1String("*.")) || pattern.contains(u';')) {
        return path;
    }
    QString named = path;
    if (named.endsWith(u'.')) {
        named.chop(1);
    }
    return named + pattern.mid(1);
}

void setForeColor(QWidget* widget, platform::OleColor color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, platform::toQColor(color));
    widget->setPalette(palette);
}

} // namespace

Main::Main(speech::SpeechControl* speech, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_speech(speech)
{
    m_sinceStart.start();
    setObjectName(QStringLiteral("Main"));
    m_soundNotice = new QTimer(this);
    m_soundNotice->setSingleShot(true);
    connect(m_soundNotice, &QTimer::timeout, this, &Main::tellNoSoundOutput);
    setWindowTitle(platform::appTitle());
    m_formLoaded = loadForm();
    // Made after the controls: meanwhile the engines have been loading their data.
    if (!m_speech) {
        m_ownSpeech = std::make_unique<speech::DirectSS>();
        m_speech = m_ownSpeech.get();
    }
    if (m_formLoaded) {
        connectHandlers();
    }
}

bool Main::loadForm()
{
    const platform::Result<FormContents> form = app::loadForm(QStringLiteral("Main"), *this);
    if (!form) {
        m_formError = form.error();
        return false;
    }
    m_smallImages = form.value().images;
    bindControls();
    if (m_timer1) {
        // The form asks for 1 ms, as fast as the system timer goes. Nobody sees more than
        // one frame of the screen, and a 1 ms repaint loop would keep a core busy.
        m_timer1->setInterval(std::max(m_timer1->interval(), kFrameInterval));
    }
    const QStringList missing = missingControls();
    if (!missing.isEmpty()) {
        m_formError = QStringLiteral("controls missing: ") + missing.join(QStringLiteral(", "));
        return false;
    }
    return true;
}

void Main::bindControls()
{
    const auto named = [this]<typename Control>(Control*& member, const char* name) {
        member = findChild<Control*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    };
    named(m_richTextBox1, "RichTextBox1");
    named(m_rtfTemp, "RTFtemp");
    named(m_lstVoice, "lstVoice");
    named(m_scrSpeed, "scrSpeed");
    named(m_scrPitch, "scrPitch");
    named(m_lblSpeed, "lblSpeed");
    named(m_lblPitch, "lblPitch");
    named(m_lblStatus, "lblStatus");
    named(m_cmdSpkText, "cmdSpkText");
    named(m_cmdPauseText, "cmdPauseText");
    named(m_cmdStopText, "cmdStopText");
    named(m_cmdRec, "cmdRec");
    named(m_cmdSaveFile, "cmdSaveFile");
    named(m_cmdClearText, "cmdClearText");
    named(m_txtFile, "txtFile");
    named(m_picture1, "Picture1");
    named(m_timer1, "Timer1");
    named(m_cboZoom, "cboZoom");
    named(m_menu, "SmartMenuXP1");
}

QStringList Main::missingControls() const
{
    const QList<std::pair<const char*, const void*>> needed = {{"RichTextBox1", m_richTextBox1},
                                                               {"RTFtemp", m_rtfTemp},
                                                               {"lstVoice", m_lstVoice},
                                                               {"scrSpeed", m_scrSpeed},
                                                               {"scrPitch", m_scrPitch},
                                                               {"lblSpeed", m_lblSpeed},
                                                               {"lblPitch", m_lblPitch},
                                                               {"lblStatus", m_lblStatus},
                                                               {"cmdSpkText", m_cmdSpkText},
                                                               {"cmdPauseText", m_cmdPauseText},
                                                               {"cmdStopText", m_cmdStopText},
                                                               {"cmdRec", m_cmdRec},
                                                               {"cmdSaveFile", m_cmdSaveFile},
                                                               {"cmdClearText", m_cmdClearText},
                                                               {"txtFile", m_txtFile},
                                                               {"Picture1", m_picture1},
                                                               {"Timer1", m_timer1},
                                                               {"cboZoom", m_cboZoom},
                                                               {"SmartMenuXP1", m_menu}};
    QStringList missing;
    for (const auto& [name, control] : needed) {
        if (!control) {
            missing << QLatin1String(name);
        }
    }
    return missing;
}

Main::~Main()
{
    if (m_about) {
        delete m_about.data();
    }
    // The filter hands the window its previous procedure back.
    platform::sendMessage(this, WM_NCDESTROY, 0, 0);
}

qint16 Main::pauseState() const
{
    return m_cmdPauseText && m_cmdPauseText->Caption() == kResumeCaption ? kPaused : kNotPaused;
}

void Main::connectHandlers()
{
    const auto clicked = [this](const char* name, void (Main::*handler)()) {
        if (auto* button = findChild<bevel::bvlBUTTON*>(QLatin1String(name))) {
            connect(button, &bevel::bvlBUTTON::Click, this, handler);
        }
    };
    clicked("cmdSpkText", &Main::cmdSpkText_Click);
    clicked("cmdPauseText", &Main::cmdPauseText_Click);
    clicked("cmdStopText", &Main::cmdStopText_Click);
    clicked("cmdRec", &Main::cmdRec_Click);
    clicked("cmdSaveFile", &Main::cmdSaveFile_Click);
    clicked("cmdClearText", &Main::cmdClearText_Click);

    connect(m_speech, &speech::SpeechControl::AudioStop, this, &Main::DirectSS1_AudioStop);
    connect(m_speech, &speech::SpeechControl::RecordingFailed, this,
            &Main::DirectSS1_RecordingFailed);
    // Queued: the box's own event loop must not run inside the audio output's code.
    connect(m_speech, &speech::SpeechControl::SoundOutputMissing, this, &Main::noSoundOutput,
            Qt::QueuedConnection);
    connect(m_speech, &speech::SpeechControl::SoundOutputChanged, this, &Main::soundOutputChanged);
    if (m_picture1) {
        // Over the bars, which are still while speech holds.
        m_soundLostLine = new NoticeLine(m_picture1);
        m_soundLostLine->setObjectName(QStringLiteral("lblSoundNotice"));
        QPalette colours = m_soundLostLine->palette();
        colours.setColor(QPalette::WindowText, QColor(0xFF, 0xE0, 0x66));
        m_soundLostLine->setPalette(colours);
        auto* layout = new QVBoxLayout(m_picture1);
        layout->setContentsMargins(4, 0, 4, 0);
        layout->addWidget(m_soundLostLine);
    }
    connect(m_speech, &speech::SpeechControl::RecordingProgress, this, [this](int percent) {
        if (m_recording && m_follow) {
            m_follow->showRecordingShare(percent);
        }
    });
    if (m_lstVoice) {
        connect(m_lstVoice, &QListWidget::currentRowChanged, this, &Main::lstVoice_Click);
    }
    if (m_scrSpeed) {
        connect(m_scrSpeed, &skinned::UcScroll::Scroll, this, &Main::scrSpeed_Scroll);
    }
    if (m_scrPitch) {
        connect(m_scrPitch, &skinned::UcScroll::Scroll, this, &Main::scrPitch_Scroll);
    }
    // Scroll comes only from a thumb drag; the numbers follow every change (arrow, track,
    // keys, a screen reader), or they would show a value the engine no longer gets.
    for (skinned::UcScroll* bar : {m_scrSpeed, m_scrPitch}) {
        if (bar && m_lblSpeed && m_lblPitch) {
            connect(bar, &skinned::UcScroll::Change, this, &Main::showVoiceValues);
        }
    }
    connectKeyboard();
    if (m_timer1) {
        connect(m_timer1, &QTimer::timeout, this, &Main::Timer1_Timer);
    }
    if (m_menu) {
        connect(m_menu, &platform::MenuBar::Click, this, &Main::SmartMenuXP1_Click);
    }
    if (m_cboZoom && m_richTextBox1) {
        connect(m_cboZoom, &QComboBox::activated, this,
                [this] { editor::cboZoom_Click(*m_cboZoom, *m_richTextBox1); });
    }

    for (skinned::UcCmd* button : findChildren<skinned::UcCmd*>()) {
        const QString tag = platform::controlTag(button);
        if (tag == QLatin1String("TOPCLOSE")) {
            connect(button, &skinned::UcCmd::Click, this, &QWidget::close);
        } else if (tag == QLatin1String("MINIMISE")) {
            connect(button, &skinned::UcCmd::Click, this, &QWidget::showMinimized);
        }
    }

    if (!m_richTextBox1 || !m_rtfTemp) {
        return;
    }
    m_follow = new FollowAlong(*this, *m_richTextBox1, *m_speech, m_lblStatus);
    connect(m_follow, &FollowAlong::speakRangeAsked, this, &Main::speakRangeInstead);
    connect(m_follow, &FollowAlong::speakAllAsked, this, &Main::cmdSpkText_Click);
    m_pronunciations = new Pronunciations(*this, *m_richTextBox1, *m_speech,
                                          [this](const QString& text) { return speakText(text); });
    m_commonDialog.owner = this;
    setAcceptDrops(true);
    connect(m_richTextBox1, &editor::RichTextBox::filesDropped, this, &Main::openDroppedFiles);
    // Text typed into an emptied editor is no longer the document's. Opening an empty
    // file passes here before its name is set, so it keeps the name.
    connect(m_richTextBox1->document(), &QTextDocument::contentsChanged, this, [this] {
        if (m_richTextBox1->document()->isEmpty()) {
            setDocumentPath({});
        }
    });
    editor::RichTextBox& box = *m_richTextBox1;
    const QList<std::pair<const char*, std::function<void()>>> commands = {
        {"cmdOpen",
         [this, &box] {
             if (const std::optional<editor::OpenedDocument> opened =
                     editor::cmdOpen_Click(box, [this] { stopBeforeNewText(); })) {
                 documentOpened(*opened);
             }
         }},
        {"cmdAll", [&box] { editor::cmdAll_Click(box); }},
        {"cmdClear", [] { editor::cmdClear_Click(); }},
        {"cmdDelete", [&box] { editor::cmdDelete_Click(box); }},
        {"cmdCut", [&box] { editor::cmdCut_Click(box); }},
        {"cmdCopy", [&box] { editor::cmdCopy_Click(box); }},
        {"cmdPaste", [&box] { editor::cmdPaste_Click(box); }},
        {"cmdBold", [&box] { editor::cmdBold_Click(box); }},
        {"cmdItalic", [&box] { editor::cmdItalic_Click(box); }},
        {"cmdFont", [this, &box] { editor::cmdFont_Click(box, m_commonDialog); }},
        {"cmdForeColor", [this, &box] { editor::cmdForeColor_Click(box, m_commonDialog); }},
        {"cmdBackColor", [this, &box] { editor::cmdBackColor_Click(box, m_commonDialog); }},
    };
    for (const auto& [name, command] : commands) {
        if (auto* button = findChild<rkbuttons::rkButtons_H*>(QLatin1String(name))) {
            connect(button, &rkbuttons::rkButtons_H::Click, this, command);
        }
    }
}

void Main::connectKeyboard()
{
    // Each shortcut runs its button's click, and nothing while the button is disabled.
    struct Shortcut
    {
        const char* button;
        QList<QKeySequence> keys;
    };
    const QList<Shortcut> shortcuts = {
        {"cmdSpkText", {QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_Return)}},
        {"cmdPauseText", {QKeySequence(Qt::Key_F6), QKeySequence(Qt::CTRL | Qt::Key_Space)}},
        {"cmdStopText", {QKeySequence(Qt::Key_Escape)}},
        {"cmdRec", {QKeySequence(Qt::CTRL | Qt::Key_R)}},
        {"cmdSaveFile", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)}},
        {"cmdOpen", {QKeySequence(Qt::CTRL | Qt::Key_O)}},
    };
    for (const Shortcut& shortcut : shortcuts) {
        QWidget* button = findChild<QWidget*>(QLatin1String(shortcut.button));
        if (!button) {
            continue;
        }
        QStringList names;
        for (const QKeySequence& keys : shortcut.keys) {
            names << keys.toString(QKeySequence::NativeText);
            connect(new QShortcut(keys, this), &QShortcut::activated, button, [button] {
                if (!button->isEnabled()) {
                    return;
                }
                if (auto* bevelled = qobject_cast<bevel::bvlBUTTON*>(button)) {
                    bevelled->click();
                } else if (auto* imageButton = qobject_cast<rkbuttons::rkButtons_H*>(button)) {
                    imageButton->click();
                }
            });
        }
        button->setToolTip(
            QStringLiteral("%1 (%2)").arg(button->toolTip(), names.join(QStringLiteral(", "))));
        button->setProperty(platform::AccessibleButton::kShortcutsProperty, names);
    }

    // Screen readers say what each number and the status stand for.
    const auto labelled = [this](const char* label, QWidget* control) {
        if (auto* caption = findChild<QLabel*>(QLatin1String(label)); caption && control) {
            caption->setBuddy(control);
            control->setAccessibleName(caption->text());
        }
    };
    labelled("Label3", m_scrSpeed);
    labelled("Label5", m_scrPitch);
    // Controls without a caption of their own are named as their tooltips describe them,
    // the editor by what it holds.
    for (QWidget* control :
         {static_cast<QWidget*>(m_lstVoice), findChild<QWidget*>(QStringLiteral("txtFile"))}) {
        if (control && control->accessibleName().isEmpty()) {
            control->setAccessibleName(control->toolTip());
        }
    }
    if (m_richTextBox1) {
        m_richTextBox1->setAccessibleName(QStringLiteral("Text"));
    }
    if (m_lblSpeed && m_lblPitch) {
        m_lblSpeed->setBuddy(m_scrSpeed);
        m_lblPitch->setBuddy(m_scrPitch);
    }
    if (auto* caption = findChild<QLabel*>(QStringLiteral("Label4")); caption && m_lblStatus) {
        caption->setBuddy(m_lblStatus);
    }
}

void Main::Form_Load()
{
    if (!m_formLoaded) {
        // Only a broken build gets here: the window cannot work, and says why.
        platform::eventlog::error(QStringLiteral("The main window's form cannot be used: ") +
                                  m_formError);
        platform::showMessage(QStringLiteral("The main window cannot be built:\n") + m_formError,
                              platform::MessageButtons::Ok, platform::MessageIcon::Critical);
        resize(800, 600);
        show();
        return;
    }
    m_skin = new skin::ClsSkin(this);
    m_skin->setTheForm(this);
    m_skin->SetFrmPict();
    m_skin->setCloseButtonAllow(true);
    m_skin->setMinimiseAllow(true);

    BuildMenu();

    // A first run opens documents from the user's documents folder and records into the
    // music folder, not the program's own; the session brings back the folders last used.
    editor::FileOpen::OpenInitDir = userFolder(QStandardPaths::DocumentsLocation);
    m_commonDialog.InitDir = userFolder(QStandardPaths::MusicLocation);

    // Played to its end before the window shows; without the file the window opens in
    // silence.
    const QString startSound = platform::programFile(QStringLiteral("audio/start.wav"));
    if (QFileInfo(startSound).isFile()) {
        m_speech->playWaveFile(startSound);
    }

    if (m_picture1) {
        m_bars.setup(platform::pixelsToTwipsX(m_picture1->width()));
    }

    if (m_timer1) {
        m_timer1->stop();
    }
    if (m_cmdPauseText) {
        m_cmdPauseText->setEnabled(false);
    }

    m_previousProcedure = platform::setWindowProcedure(
        this, [this](QWidget* window, const platform::WindowMessage& message) {
            return windowProcedure(window, message);
        });

    m_recording = false;

    FillVoiceList();

    if (m_cboZoom) {
        editor::fillZoomList(*m_cboZoom);
    }
    show();
    if (m_cboZoom) {
        m_cboZoom->setFocus();
    }
    if (m_soundOutputMissing) {
        QMetaObject::invokeMethod(this, &Main::noSoundOutput, Qt::QueuedConnection);
    }
    // Over the window once it shows, as the missing sound output is.
    if (m_pronunciations) {
        QMetaObject::invokeMethod(m_pronunciations, &Pronunciations::tellLoadProblem,
                                  Qt::QueuedConnection);
    }

    if (m_richTextBox1) {
        m_richTextBox1->setSelColor(kTypingColor);
    }
}

qintptr Main::windowProcedure(QWidget* window, const platform::WindowMessage& message)
{
    if (message.message == WM_NCDESTROY) {
        const platform::WindowProcedure previous = m_previousProcedure;
        platform::setWindowProcedure(window, previous);
        return platform::callWindowProcedure(previous, window, message);
    }
    if (message.message == platform::WM_SYSCOMMAND &&
        (message.wParam & ~quintptr(0xF)) == platform::SC_SIZE) {
        return 0; // the window keeps its size
    }
    return platform::callWindowProcedure(m_previousProcedure, window, message);
}

void Main::dragEnterEvent(QDragEnterEvent* event)
{
    if (!editor::droppedFiles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void Main::dropEvent(QDropEvent* event)
{
    const QStringList files = editor::droppedFiles(event->mimeData());
    if (!files.isEmpty()) {
        event->acceptProposedAction();
        openDroppedFiles(files);
    }
}

void Main::openDroppedFiles(const QStringList& paths)
{
    // The editor holds one document: the first file is the one opened.
    if (!paths.isEmpty()) {
        openFile(paths.first());
    }
}

bool Main::openFile(const QString& path)
{
    if (!m_richTextBox1 || !m_rtfTemp) {
        return false;
    }
    const std::optional<editor::OpenedDocument> opened =
        editor::openDroppedFile(*m_richTextBox1, path, [this] { stopBeforeNewText(); });
    if (opened) {
        documentOpened(*opened);
    }
    return opened.has_value();
}

void Main::documentOpened(const editor::OpenedDocument& document)
{
    m_documentPath = document.path;
    m_documentOutline = document.outline;
    m_openedText = m_richTextBox1->text();
}

void Main::setDocumentPath(const QString& path)
{
    m_documentPath = path;
    m_documentOutline = {};
    m_openedText.clear();
}

recording::SpokenBook Main::recordingBook(const QString& text) const
{
    recording::SpokenBook book;
    book.title = m_documentOutline.title;
    book.author = m_documentOutline.author;
    if (m_documentOutline.cover) {
        book.cover = m_documentOutline.cover->data;
    }
    // An edit moves every heading after it: while the text is as opened, the chapters stay
    // where the document put them; once edited, each is found again by its title, in order,
    // and one whose heading was edited away is left out rather than marked in the wrong
    // place.
    const QList<documents::Chapter> chapters =
        text == m_openedText ? m_documentOutline.chapters
                             : documents::locateHeadings(m_documentOutline.chapters, text);
    for (const documents::Chapter& chapter : chapters) {
        book.chapters.append({chapter.title, chapter.textStart});
    }
    return book;
}

void Main::closeEvent(QCloseEvent* event)
{
    if (m_about) {
        m_about->close();
    }
    QWidget::closeEvent(event);
}

// ---------------------------------------------------------------------------------------
// Speaking cycle

void Main::setStatus(const QString& text, platform::OleColor color)
{
    m_statusText = text;
    m_statusColor = color;
    if (m_statusNote) {
        m_statusNote->stop();
    }
    if (m_lblStatus) {
        m_lblStatus->setText(text);
        setForeColor(m_lblStatus, color);
    }
    Q_EMIT statusChanged();
}

void Main::showStatusNote(const QString& text)
{
    if (!m_lblStatus) {
        return;
    }
    if (!m_statusNote) {
        m_statusNote = new QTimer(this);
        m_statusNote->setSingleShot(true);
        connect(m_statusNote, &QTimer::timeout, this, [this] {
            m_lblStatus->setText(m_statusText);
            setForeColor(m_lblStatus, m_statusColor);
        });
    }
    m_lblStatus->setText(text);
    setForeColor(m_lblStatus, kStatusRed);
    m_statusNote->start(kStatusNoteMs);
}

void Main::sendVoiceSettings()
{
    m_speech->selectVoice(m_lstVoice->currentRow() + 1);
    m_speech->setSpeed(m_scrSpeed->Value());
    m_speech->setPitch(m_scrPitch->Value());
}

QString Main::prepareUtterance()
{
    sendVoiceSettings();
    const QString text = m_richTextBox1->text();
    if (text.isEmpty()) {
        platform::showMessage(kNoText, platform::MessageButtons::Ok,
                              platform::MessageIcon::Exclamation, {}, this);
    }
    return text;
}

void Main::cmdSpkText_Click()
{
    speakRange(0, -1);
}

// Whatever is speaking stops first; its end is reported by a queued call, so the new
// speaking starts after that has been handled. A recording is not interrupted.
void Main::speakRangeInstead(int start, int end)
{
    if (m_recording) {
        return;
    }
    cmdStopText_Click();
    QMetaObject::invokeMethod(
        this, [this, start, end] { speakRange(start, end); }, Qt::QueuedConnection);
}

bool Main::speakRange(int start, int end)
{
    QString text = prepareUtterance();
    if (text.isEmpty()) {
        return false;
    }
    const int last = end < 0 ? int(text.size()) : std::min(end, int(text.size()));
    if (m_soundLost) {
        holdSpeech(start, last, false);
        return true;
    }
    if (start > 0 || end >= 0) {
        text = text.mid(start, std::max(0, last - start));
    }
    speakNow(text, start);
    return true;
}

QString Main::speakText(const QString& text)
{
    if (m_recording) {
        return QStringLiteral("Nothing can be spoken while RECORDING; try again once it is done.");
    }
    if (m_soundLost) {
        return kSoundLostNotice;
    }
    // As Speak from the Caret: the stopped speech's end is handled before this starts.
    cmdStopText_Click();
    QMetaObject::invokeMethod(
        this,
        [this, text] {
            sendVoiceSettings();
            speakNow(text, std::nullopt);
        },
        Qt::QueuedConnection);
    return {};
}

void Main::speakNow(const QString& text, std::optional<int> followFrom)
{
    m_speech->speak(text);
    m_speakAsked = true;
    // Speaking makes the output look for a server again: the notice waits only for that.
    if (m_soundNotice->isActive()) {
        m_soundNotice->start(std::min(m_soundNotice->remainingTime(), kSoundOutputCheckMs));
    }
    if (m_follow && followFrom) {
        m_follow->started(*followFrom, text);
    }
    m_timer1->start();
    m_cmdPauseText->setEnabled(true);
    setStatus(kSpeakingStatus, kStatusYellow);
    m_cmdClearText->setEnabled(false);
    if (m_speech->lastResult() == speech::SpeechControl::ResultIncompatible) {
        incompatibleSetting();
    }
}

void Main::incompatibleSetting()
{
    platform::showMessage(kIncompatible, platform::MessageButtons::Ok,
                          platform::MessageIcon::Exclamation, {}, this);
    const std::array<qint16, 2> values =
        LookUpVoice(m_speech->voiceName(m_lstVoice->currentRow() + 1));
    m_scrSpeed->setValue(values[0]);
    m_scrPitch->setValue(values[1]);
    showVoiceValues();
}

void Main::cmdPauseText_Click()
{
    const QString caption = m_cmdPauseText->Caption();
    if (caption == kPauseCaption) {
        m_speech->pause();
        m_cmdPauseText->setCaption(kResumeCaption);
        m_cmdSpkText->setEnabled(false);
        m_timer1->stop();
        setStatus(kPausedStatus, kStatusYellow);
    } else if (caption == kResumeCaption) {
        m_speech->resume();
        m_cmdPauseText->setCaption(kPauseCaption);
        m_cmdSpkText->setEnabled(true);
        setStatus(kSpeakingStatus, kStatusYellow);
        if (m_held) {
            QMetaObject::invokeMethod(this, &Main::speakHeld, Qt::QueuedConnection);
        } else {
            m_timer1->start();
        }
    }
}

void Main::cmdStopText_Click()
{
    dropHeld();
    m_speech->stop();
    if (m_follow) {
        m_follow->stopped();
    }
    if (!m_recording) {
        m_speech->setOutputFile(QString());
    }
    m_timer1->stop();
    m_cmdSpkText->setEnabled(true);
    m_cmdPauseText->setEnabled(false);
    m_cmdClearText->setEnabled(true);
    m_cmdPauseText->setCaption(kPauseCaption);
    clearPicture();
    setStatus(kStoppedStatus, kStatusRed);
}

void Main::DirectSS1_AudioStop()
{
    // Speech held for the sound output has no utterance: this one was stopped for the hold.
    if (m_held) {
        return;
    }
    m_timer1->stop();
    clearPicture();
    if (m_recording) {
        m_speech->setOutputFile(QString());
        m_cmdSpkText->setEnabled(true);
        m_cmdPauseText->setEnabled(true);
        m_cmdClearText->setEnabled(true);
        m_recording = false;
    }
    const bool paused = pauseState() == kPaused;
    if (!paused) {
        m_cmdPauseText->setEnabled(false);
        // Speech that ended by itself is Idle too, and Idle can erase.
        m_cmdClearText->setEnabled(true);
    }
    if (paused) {
        setStatus(kPausedStatus, kStatusYellow);
    } else {
        setStatus(kStoppedStatus, kStatusRed);
    }
}

void Main::clearPicture()
{
    m_animation = QImage();
    if (m_picture1) {
        m_picture1->setPixmap(QPixmap());
    }
}

// ---------------------------------------------------------------------------------------
// Recording

void Main::cmdSaveFile_Click()
{
    // The sound formats, then the book that reads along, which only the window lists here.
    m_commonDialog.Filter =
        recording::dialogFilter() + u'|' + recording::ReadAlongBook::dialogFilter();
    // The dialog starts from what the box shows; a cancel leaves the box as it is, so a
    // path the user typed is not lost.
    m_commonDialog.FileName = m_txtFile->text();
    if (m_commonDialog.ShowSave()) {
        m_commonDialog.FileName = withChosenExtension(
            m_commonDialog.FileName, m_commonDialog.Filter, m_commonDialog.FilterIndex);
        m_txtFile->setText(m_commonDialog.FileName);
    }
}

void Main::cmdRec_Click()
{
    const QString text = prepareUtterance();
    if (text.isEmpty()) {
        return;
    }
    // The recording goes where the box says: that is the path the user sees.
    QString path = m_txtFile->text();
    if (path.isEmpty()) {
        platform::showMessage(kNoFileName, platform::MessageButtons::Ok,
                              platform::MessageIcon::Exclamation, {}, this);
        return;
    }
    // A bare name goes into the recordings folder, not wherever the program was started;
    // the box then shows where.
    if (QFileInfo(path).isRelative()) {
        const QString folder = QFileInfo(m_commonDialog.InitDir).isDir()
                                   ? m_commonDialog.InitDir
                                   : userFolder(QStandardPaths::MusicLocation);
        path = QDir::cleanPath(QDir(folder).absoluteFilePath(path));
        m_txtFile->setText(QDir::toNativeSeparators(path));
    }
    if (const platform::Result<recording::SoundFormat> format = recording::formatForPath(path);
        !format && !recording::ReadAlongBook::isBookPath(path)) {
        platform::showMessage(format.error() + QStringLiteral(" For a read-along book, use .%1.")
                                                   .arg(recording::ReadAlongBook::suffix()),
                              platform::MessageButtons::Ok, platform::MessageIcon::Exclamation, {},
                              this);
        return;
    }
    if (QFileInfo::exists(path) &&
        platform::showMessage(kOverwrite, platform::MessageButtons::OkCancel,
                              platform::MessageIcon::None, {},
                              this) != platform::MessageAnswer::Ok) {
        return;
    }
    dropHeld();
    // Paused speech ends first, as STOP ends it: the recording would otherwise wait behind
    // speech that cannot be resumed while it runs, and leave the window saying PAUSED.
    // The stopped speech's end is reported by a queued call; the recording starts after it.
    if (pauseState() == kPaused) {
        cmdStopText_Click();
        QMetaObject::invokeMethod(
            this, [this, path, text] { startRecording(path, text); }, Qt::QueuedConnection);
        return;
    }
    startRecording(path, text);
}

void Main::startRecording(const QString& path, const QString& text)
{
    // The document's name; typed text has none rather than the recording's own, which
    // players show anyway when a file has no title.
    m_speech->setRecordingTitle(QFileInfo(m_documentPath).completeBaseName());
    m_speech->setRecordingBook(recordingBook(text));
    m_speech->setOutputFile(path);
    m_speech->speak(text);
    m_timer1->start();
    setStatus(kRecordingStatus, kStatusCyan);
    m_recording = true;
    m_cmdSpkText->setEnabled(false);
    m_cmdPauseText->setEnabled(false);
    m_cmdClearText->setEnabled(false);
    if (m_speech->lastResult() == speech::SpeechControl::ResultIncompatible) {
        incompatibleSetting();
    }
}

void Main::DirectSS1_RecordingFailed(const QString& path, const QString& reason)
{
    const QString message = QStringLiteral("The recording could not be written:\n%1\n\n%2")
                                .arg(QDir::toNativeSeparators(path), reason);
    // The window is Idle again before the message shows, not RECORDING behind it; the
    // audio-stopped event that follows finds it so.
    DirectSS1_AudioStop();
    platform::showMessage(message, platform::MessageButtons::Ok, platform::MessageIcon::Exclamation,
                          {}, this);
}

void Main::noSoundOutput()
{
    m_soundOutputMissing = true;
    // Told over the window once it shows, not over an empty screen during the start sound.
    if (!isVisible()) {
        return;
    }
    // A desktop may start its sound service a moment after the programs it starts: in the
    // first seconds the notice waits to see whether one comes, unless a SPEAK found none.
    const qint64 wait =
        m_speakAsked ? 0 : std::max<qint64>(0, kSoundOutputGraceMs - m_sinceStart.elapsed());
    if (!m_soundNotice->isActive() || wait < m_soundNotice->remainingTime()) {
        m_soundNotice->start(int(wait));
    }
}

void Main::tellNoSoundOutput()
{
    if (!m_soundOutputMissing || m_speech->soundOutputReached()) {
        m_soundOutputMissing = false;
        return;
    }
    m_soundOutputMissing = false;
    if (m_soundNoticeGiven) {
        return;
    }
    m_soundNoticeGiven = true;
    platform::showMessage(
        QStringLiteral("No sound output was found, so speech cannot be heard. Speaking still "
                       "runs in time, and recording into a wave file still works."),
        platform::MessageButtons::Ok, platform::MessageIcon::Information, {}, this);
}

const QString Main::kStoppedStatus = QStringLiteral("STOPPED");
const QString Main::kSpeakingStatus = QStringLiteral("SPEAKING");
const QString Main::kPausedStatus = QStringLiteral("PAUSED");
const QString Main::kRecordingStatus = QStringLiteral("RECORDING");
const QString Main::kSoundLostNotice = QStringLiteral("Sound output lost; looking for it...");

void Main::soundOutputChanged(bool heard)
{
    m_soundLost = !heard;
    if (heard) {
        if (m_held) {
            m_soundLostLine->tell(QString());
            // After the stop made for the hold has been reported.
            QMetaObject::invokeMethod(this, &Main::speakHeld, Qt::QueuedConnection);
        }
        return;
    }
    const bool speaking = !m_recording && m_cmdPauseText && m_cmdPauseText->isEnabled();
    if (!speaking || m_held) {
        return;
    }
    const std::optional<std::pair<int, int>> heardRange =
        m_follow ? m_follow->heardRange() : std::nullopt;
    const auto [start, end] = heardRange.value_or(std::pair(0, int(m_richTextBox1->text().size())));
    // Held before the stop, so that the stop's report finds the speech held.
    holdSpeech(start, end, true);
    m_speech->stop();
    if (m_follow) {
        m_follow->stopped();
    }
}

// Speaking waits for the sound output: the window stays SPEAKING (or PAUSED), its bars
// still, and says why in one line.
void Main::holdSpeech(int start, int end, bool midway)
{
    m_held = std::pair(start, end);
    m_heldMidway = midway;
    m_timer1->stop();
    clearPicture();
    if (m_soundLostLine) {
        m_soundLostLine->tell(kSoundLostNotice);
    }
    m_cmdPauseText->setEnabled(true);
    m_cmdClearText->setEnabled(false);
    if (pauseState() != kPaused) {
        setStatus(kSpeakingStatus, kStatusYellow);
    }
}

void Main::speakHeld()
{
    if (!m_held || m_soundLost || pauseState() == kPaused) {
        return;
    }
    const auto [start, end] = *m_held;
    const bool midway = m_heldMidway;
    dropHeld();
    if (m_follow && midway) {
        m_follow->countOn();
    }
    speakRange(start, end);
}

void Main::dropHeld()
{
    m_held.reset();
    if (m_soundLostLine) {
        m_soundLostLine->tell(QString());
    }
}

void Main::stopBeforeNewText()
{
    if (m_recording || (m_cmdPauseText && m_cmdPauseText->isEnabled())) {
        cmdStopText_Click();
    }
}

bool Main::replaceText(const QString& text, const QString& documentPath)
{
    if (!m_richTextBox1) {
        return false;
    }
    stopBeforeNewText();
    m_richTextBox1->setText(text);
    m_richTextBox1->setSelStart(0);
    // After the text: an editor emptied on the way clears the name.
    setDocumentPath(documentPath);
    return true;
}

void Main::cmdClearText_Click()
{
    if (const QString text = m_richTextBox1->text(); !text.isEmpty()) {
        Q_EMIT textErasing(text);
    }
    editor::cmdClearText_Click(*m_richTextBox1);
}

// ---------------------------------------------------------------------------------------
// Voices, speed and tone

void Main::FillVoiceList()
{
    const int count = m_speech->voiceCount();
    for (int i = 1; i <= count; ++i) {
        m_lstVoice->insertItem(i - 1, m_speech->voiceName(i));
    }
    if (count > 0) {
        m_lstVoice->setCurrentRow(0);
    }
}

std::array<qint16, 2> Main::LookUpVoice(const QString& voiceName)
{
    // Each named voice's own speed and tone, matched by exact name; other voices leave
    // the scroll bars as they are.
    static const QList<speech::VoiceDefinition> named = speech::VoiceCatalog::namedVoices({});
    const auto found = std::find_if(named.begin(), named.end(), [&voiceName](const auto& voice) {
        return voiceName == voice.name;
    });
    if (found != named.end()) {
        m_scrSpeed->setValue(found->ownSpeed);
        m_scrPitch->setValue(found->ownPitch);
    }
    return {static_cast<qint16>(m_scrSpeed->Value()), static_cast<qint16>(m_scrPitch->Value())};
}

void Main::lstVoice_Click()
{
    if (m_lstVoice->currentRow() < 0) {
        return;
    }
    const std::array<qint16, 2> values =
        LookUpVoice(m_speech->voiceName(m_lstVoice->currentRow() + 1));
    m_scrSpeed->setValue(values[0]);
    m_scrPitch->setValue(values[1]);
    showVoiceValues();
}

void Main::showVoiceValues()
{
    m_lblSpeed->setText(QString::number(m_scrSpeed->Value()));
    m_lblPitch->setText(QString::number(m_scrPitch->Value()));
}

void Main::scrSpeed_Scroll()
{
    m_lblSpeed->setText(QString::number(m_scrSpeed->Value()));
}

void Main::scrPitch_Scroll()
{
    m_lblPitch->setText(QString::number(m_scrPitch->Value()));
}

// ---------------------------------------------------------------------------------------
// Bar animation

void Main::Timer1_Timer()
{
    if (!m_picture1 || m_picture1->width() <= 0 || m_picture1->height() <= 0) {
        return;
    }
    if (m_animation.size() != m_picture1->size()) {
        m_animation = QImage(m_picture1->size(), QImage::Format_RGB32);
    }
    const QSizeF scale(platform::pixelsToTwipsX(m_picture1->width()),
                       platform::pixelsToTwipsY(m_picture1->height()));
    m_bars.tick(m_animation, scale, m_picture1->palette().color(QPalette::Window));
    // Only the picture is repainted.
    m_picture1->setPixmap(QPixmap::fromImage(m_animation));
}

// ---------------------------------------------------------------------------------------
// Menu bar

void Main::BuildMenu()
{
    if (!m_menu) {
        return;
    }
    using Kind = platform::MenuBar::ItemKind;
    const auto image = [this](int number) {
        return number >= 1 && number <= m_smallImages.size() ? m_smallImages.at(number - 1)
                                                             : QPixmap();
    };
    // Underlined access letters: Alt+F and Alt+H open the menus.
    m_menu->addItem({}, QStringLiteral("keyFile"), Kind::Item, QStringLiteral("&File"));
    m_menu->addItem(QStringLiteral("keyFile"), QStringLiteral("keyExit"), Kind::Item,
                    QStringLiteral("E&xit"), image(5));
    m_menu->addItem({}, QStringLiteral("keyHelp"), Kind::Item, QStringLiteral("&Help"));
    const qint32 howToUse =
        m_menu->addItem(QStringLiteral("keyHelp"), QStringLiteral("keyHelpfile"), Kind::Item,
                        QStringLiteral("&How to Use"), image(12));
    m_menu->addItem(QStringLiteral("keyHelp"), QString(), Kind::Separator, QString());
    m_menu->addItem(QStringLiteral("keyHelp"), QStringLiteral("keyAbout"), Kind::Item,
                    QStringLiteral("&About"), image(13));
    if (QAction* help = m_menu->action(howToUse)) {
        help->setShortcut(QKeySequence(Qt::Key_F1));
    }
    if (m_follow) {
        m_follow->addMenu(*m_menu); // shown between File and Help
    }
    if (m_pronunciations && m_follow) {
        m_pronunciations->addMenu(*m_menu);
    }
    // The classic face is rarely installed; its closest relatives stand in.
    QFont::insertSubstitutions(QStringLiteral("Ms Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    m_menu->setFontName(QStringLiteral("Ms Sans Serif"));
    m_menu->setFontSize(9);
}

void Main::SmartMenuXP1_Click(qint32 id)
{
    const QString key = m_menu->keyOf(id);
    if (key == QLatin1String("keyExit")) {
        if (m_about) {
            m_about->close();
        }
        close();
    } else if (key == QLatin1String("keyHelpfile")) {
        showHelp();
    } else if (key == QLatin1String("keyAbout")) {
        showAbout();
    }
}

void Main::showHelp()
{
    if (!m_help) {
        m_help = std::make_unique<help::HTMLHelp>();
    }
    m_help->setCHMFile(platform::programFile(QStringLiteral("help/Parlanza.chm")));
    m_help->setHHTopicID(1);
    m_help->setHHWindow(QStringLiteral("Main"));
    m_help->HHDisplayTopicID(this);
}

void Main::showAbout()
{
    if (!m_about) {
        m_about = new About;
    }
    QStringList engines;
    for (const speech::SpeechControl::EngineVoices& engine : m_speech->engineVoices()) {
        engines << QStringLiteral("%1: %2 voices").arg(engine.engine).arg(engine.voices);
    }
    m_about->setSpeechEngines(engines);
    m_about->show();
    m_about->raise();
    // Keys go to it at once, Escape among them.
    m_about->activateWindow();
}

} // namespace app
