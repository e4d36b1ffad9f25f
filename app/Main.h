#pragma once

#include "app/About.h"
#include "app/BarAnimation.h"
#include "controls/bevel/bvlBUTTON.h"
#include "controls/skinned/UcScroll.h"
#include "editor/CommonDialog.h"
#include "editor/DocumentLoading.h"
#include "editor/RichTextBox.h"
#include "help/HTMLHelp.h"
#include "platform/FormFile.h"
#include "platform/MenuBar.h"
#include "platform/OleColor.h"
#include "platform/WindowMessages.h"
#include "skin/ClsSkin.h"
#include "speech/SpeechControl.h"

#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QTimer;

namespace app {

class FollowAlong;
class NoticeLine;
class Pronunciations;

// The workbench: the document editor, the voice list with speed and tone, the speech
// buttons with their status line and bar animation, the editing commands, the zoom list
// and the menu bar, in a skinned borderless window. Its controls come from the "Main"
// form file and keep their form names as object names.
class Main : public QWidget
{
    Q_OBJECT
public:
    // Pause state.
    static constexpr qint16 kNotPaused = 1;
    static constexpr qint16 kPaused = 2;

    // Sent to the window's procedure as the window goes.
    static constexpr quint32 WM_NCDESTROY = 0x0082;

    // Status colours (0x00BBGGRR) and the colour of typed text.
    static constexpr platform::OleColor kStatusYellow = 0x0000FFFF;
    static constexpr platform::OleColor kStatusRed = 0x000000FF;
    static constexpr platform::OleColor kStatusCyan = 0x00FFFF00;
    static constexpr platform::OleColor kTypingColor = 0x574539;

    // The fastest the animation is redrawn: one frame of a 60 Hz screen.
    static constexpr int kFrameInterval = 16;

    // Uses the given speech control, or makes the real one when there is none.
    explicit Main(speech::SpeechControl* speech = nullptr, QWidget* parent = nullptr);
    ~Main() override;

    // The load sequence: skin, menu, start sound, animation, window filter, voices, zoom
    // list (which shows the window), typing colour.
    void Form_Load();

    // Speaking cycle and recording.
    void cmdSpkText_Click();
    // Speaks the editor's characters from start to end (-1: to the end of the text) as
    // SPEAK speaks them all; false when there was nothing to speak.
    bool speakRange(int start, int end);
    // Stops what is speaking, then speaks start to end; nothing while recording.
    void speakRangeInstead(int start, int end);
    // Stops what is speaking, then speaks a text that is not the editor's (a word whose
    // pronunciation is being tried) with the chosen voice, speed and tone. Why it cannot,
    // while recording or without sound; empty when it speaks.
    QString speakText(const QString& text);
    void cmdPauseText_Click();
    void cmdStopText_Click();
    void cmdRec_Click();
    void cmdSaveFile_Click();
    void cmdClearText_Click();
    void DirectSS1_AudioStop();
    void DirectSS1_RecordingFailed(const QString& path, const QString& reason);
    // No sound output was found. The user is told once a run that speech cannot be heard,
    // over the window, and only when no output has been reached by the end of the first
    // kSoundOutputGraceMs of the run, or soon after a SPEAK that finds none.
    void noSoundOutput();
    static constexpr int kSoundOutputGraceMs = 4000;
    // How long a SPEAK gives the output to reach a server that has come meanwhile.
    static constexpr int kSoundOutputCheckMs = 1000;
    // The sound output was lost while speaking, or is back. Speech holds at the last word
    // heard, with a notice in the window, and goes on from that word once sound is back.
    void soundOutputChanged(bool heard);
    static const QString kSoundLostNotice;

    // Voices, speed and tone.
    void FillVoiceList();
    // Sets the bars to the voice's table values when it has them; returns (speed, tone)
    // as the bars hold them afterwards.
    std::array<qint16, 2> LookUpVoice(const QString& voiceName);
    void lstVoice_Click();
    void scrSpeed_Scroll();
    void scrPitch_Scroll();

    void Timer1_Timer();

    // Menu bar.
    void BuildMenu();
    void SmartMenuXP1_Click(qint32 id);

    // The document the editor's text came from (its full path), empty for text typed from
    // scratch. Every way of opening a file sets it, editing keeps it, and emptying the
    // editor (ERASE, or deleting all of it) makes it none. Recordings take their title
    // from it, and their chapters, author and cover from the document it names.
    const QString& documentPath() const { return m_documentPath; }
    // For text put in by other means than opening its file: the draft brought back, known
    // by its name alone.
    void setDocumentPath(const QString& path);
    // Opens a file as a dropped one is read (by its content): a drop, the command line
    // and a file handed over by a second copy. False when the text was not replaced.
    bool openFile(const QString& path);
    // Whatever replaces the whole text stops the speech or recording of the old one first,
    // as STOP does (ERASE is disabled meanwhile for the same reason).
    void stopBeforeNewText();
    // Puts a text that is not a file's in place of the editor's, as Open puts a file's: the
    // old one stops speaking, the caret goes to the start, and the text is known by the
    // document's name (empty: none). False when the text was not replaced.
    bool replaceText(const QString& text, const QString& documentPath);

    // Paused while the PAUSE button offers to resume.
    qint16 pauseState() const;
    // The speaking state the status line shows: one of these.
    const QString& statusText() const { return m_statusText; }
    static const QString kStoppedStatus;
    static const QString kSpeakingStatus;
    static const QString kPausedStatus;
    static const QString kRecordingStatus;
    // A short message in the status line for the user, who is likely in another program;
    // after a few seconds the line shows the state again.
    void showStatusNote(const QString& text);
    static constexpr int kStatusNoteMs = 4000;
    bool isRecording() const { return m_recording; }
    const BarAnimation& bars() const { return m_bars; }
    // The animation as last drawn; null once cleared.
    const QImage& animationPicture() const { return m_animation; }
    platform::MenuBar* menuBar() const { return m_menu; }
    About* aboutWindow() const { return m_about; }
    help::HTMLHelp* helpObject() const { return m_help.get(); }
    speech::SpeechControl* speechControl() const { return m_speech; }
    editor::CommonDialog& commonDialog() { return m_commonDialog; }
    FollowAlong* followAlong() const { return m_follow; }

Q_SIGNALS:
    // ERASE is about to empty the editor of this text (never empty).
    void textErasing(const QString& text);
    // The status line's state has been set (to the same state again too).
    void statusChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    // A file dropped anywhere on the window opens as one dropped on the editor does.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool loadForm();
    QStringList missingControls() const;
    // Points the members at the controls the form built, by their names.
    void bindControls();
    void connectHandlers();
    // Shortcuts of the speech and file buttons, and what labels what for screen readers.
    void connectKeyboard();
    void setStatus(const QString& text, platform::OleColor color);
    void showVoiceValues();
    void incompatibleSetting();
    // Starts recording the text into the file, its checks done.
    void startRecording(const QString& path, const QString& text);
    void documentOpened(const editor::OpenedDocument& document);
    // What a recording of the text tells of the document it came from.
    recording::SpokenBook recordingBook(const QString& text) const;
    // Sends the chosen voice, speed and tone, then returns the editor's whole text; an
    // empty text has been refused with a message.
    QString prepareUtterance();
    void sendVoiceSettings();
    // Speaks the text and shows the window speaking; followFrom: where the text begins in
    // the editor, when it is the editor's.
    void speakNow(const QString& text, std::optional<int> followFrom);
    void clearPicture();
    void tellNoSoundOutput();
    // midway: cut off while speaking (its words are counted on when it goes on).
    void holdSpeech(int start, int end, bool midway);
    void speakHeld();
    void dropHeld();
    void showHelp();
    void showAbout();
    void openDroppedFiles(const QStringList& paths);
    qintptr windowProcedure(QWidget* window, const platform::WindowMessage& message);

    std::unique_ptr<speech::SpeechControl> m_ownSpeech;
    speech::SpeechControl* m_speech = nullptr;
    skin::ClsSkin* m_skin = nullptr;
    platform::MenuBar* m_menu = nullptr;
    std::unique_ptr<help::HTMLHelp> m_help;
    QPointer<About> m_about;
    FollowAlong* m_follow = nullptr;
    Pronunciations* m_pronunciations = nullptr;
    editor::CommonDialog m_commonDialog;
    platform::WindowProcedure m_previousProcedure;
    QList<QPixmap> m_smallImages;

    editor::RichTextBox* m_richTextBox1 = nullptr;
    editor::RichTextBox* m_rtfTemp = nullptr;
    QListWidget* m_lstVoice = nullptr;
    skinned::UcScroll* m_scrSpeed = nullptr;
    skinned::UcScroll* m_scrPitch = nullptr;
    QLabel* m_lblSpeed = nullptr;
    QLabel* m_lblPitch = nullptr;
    QLabel* m_lblStatus = nullptr;
    bevel::bvlBUTTON* m_cmdSpkText = nullptr;
    bevel::bvlBUTTON* m_cmdPauseText = nullptr;
    bevel::bvlBUTTON* m_cmdStopText = nullptr;
    bevel::bvlBUTTON* m_cmdRec = nullptr;
    bevel::bvlBUTTON* m_cmdSaveFile = nullptr;
    bevel::bvlBUTTON* m_cmdClearText = nullptr;
    QLineEdit* m_txtFile = nullptr;
    QLabel* m_picture1 = nullptr;
    QTimer* m_timer1 = nullptr;
    QComboBox* m_cboZoom = nullptr;

    QString m_documentPath;
    // The opened document's outline, its chapters placed in m_openedText: the editor's text
    // as it was right after opening.
    documents::DocumentOutline m_documentOutline;
    QString m_openedText;
    QString m_statusText;
    platform::OleColor m_statusColor = kStatusRed;
    QTimer* m_statusNote = nullptr;
    bool m_formLoaded = false;
    QString m_formError;
    bool m_recording = false;
    // Found and not yet told; the notice is due when m_soundNotice fires.
    bool m_soundOutputMissing = false;
    bool m_speakAsked = false;
    bool m_soundNoticeGiven = false;
    QElapsedTimer m_sinceStart;
    QTimer* m_soundNotice = nullptr;
    // The sound output went away after speech had been heard, and is not back.
    bool m_soundLost = false;
    // What waits for the sound output to be spoken: the editor's characters start..end.
    std::optional<std::pair<int, int>> m_held;
    // The held speech was cut off midway (its words are counted on), not asked for while
    // the output was gone.
    bool m_heldMidway = false;
    NoticeLine* m_soundLostLine = nullptr;
    BarAnimation m_bars;
    QImage m_animation;
};

} // namespace app
