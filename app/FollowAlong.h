#pragma once

#include "app/ProgressLine.h"
#include "editor/RichTextBox.h"
#include "platform/MenuBar.h"
#include "speech/SpeechControl.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <optional>

class QAction;
class QLabel;
class QWidget;

namespace app {

// Lets the listener follow the speech in the editor: marks the word being heard, shows
// under the status how far the speaking has come, and speaks from the caret, the
// selection, or on from the word after the last one heard before STOP. It also chooses the
// timing files recordings write beside them.
class FollowAlong : public QObject
{
    Q_OBJECT
public:
    // The keys of the Speak menu's items.
    static const QString kMenuKey;
    static const QString kFromCaretKey;
    static const QString kSelectionKey;
    static const QString kContinueKey;
    static const QString kSentenceCuesKey;
    static const QString kWordCuesKey;

    // window: the main window, which owns it and parents its messages.
    FollowAlong(QWidget& window, editor::RichTextBox& editor, speech::SpeechControl& speech,
                QLabel* status);
    ~FollowAlong() override;

    // Adds the Speak menu to the bar and its speaking commands to the editor's context menu.
    void addMenu(platform::MenuBar& menu);

    // The window's speaking cycle has just spoken text, the editor's characters from start.
    void started(int start, const QString& text);
    // STOP: the mark goes; Continue starts after the last word heard.
    void stopped();

    void speakFromCaret();
    void speakSelection();
    void continueSpeaking();
    // While speaking: speaks on from the start of the next (+1) or previous (-1) sentence to
    // the end of what is being spoken; false when there is no such sentence.
    bool skipSentence(int direction);

    // Where Continue would start: the word after the last one heard (the first word when
    // none was); none when nothing is left of what was being spoken.
    std::optional<int> continuePosition() const;
    // Where speaking held for a lost sound output goes on: from the start of the last word
    // heard (the start of what was spoken when none was) to the end of what was spoken.
    std::optional<std::pair<int, int>> heardRange() const;
    // The next speaking goes on with what was being spoken: its words are counted on.
    void countOn() { m_continuing = true; }
    // The line under the status that grows as the speaking goes on.
    ProgressLine* progressLine() const { return m_progress; }
    // Which timing files recordings write beside their sound files (the two checked items).
    void setTimingFiles(bool sentences, bool words);
    bool sentenceTimings() const;
    bool wordTimings() const;

    // A recording's share rendered so far, 0..100, on the same line; the status keeps its text.
    void showRecordingShare(int percent);

Q_SIGNALS:
    // The editor's characters from start to end are to be spoken in place of whatever is
    // speaking now (Speak from the Caret, the Selection, Continue).
    void speakRangeAsked(int start, int end);
    // Speak from the Caret with no text: the window's SPEAK says there is nothing to speak.
    void speakAllAsked();

private:
    struct Edit
    {
        int position;
        int removed;
        int added;
    };
    struct Utterance
    {
        quint64 id = 0;
        int start = 0; // where its text began in the editor when it was spoken
        QString text;
        qsizetype firstEdit = 0; // edits made since it was spoken start here
        int end = 0;             // where its text ends in the editor now
        int words = -1;          // counted when first needed
    };

    void wordHeard(quint64 utterance, qint32 start, qint32 length);
    void contentsChange(int position, int removed, int added);
    std::optional<int> mapWord(const Utterance& utterance, int start, int length) const;
    void clearMark();
    void showProgress(Utterance& utterance, int start);
    void menuClicked(qint32 id);

    QWidget& m_window;
    editor::RichTextBox& m_editor;
    speech::SpeechControl& m_speech;
    QPointer<QLabel> m_status;
    ProgressLine* m_progress = nullptr;
    platform::MenuBar* m_menu = nullptr;
    QPointer<QAction> m_sentenceCues;
    QPointer<QAction> m_wordCues;
    QList<Utterance> m_utterances;
    QList<Edit> m_edits;
    // The editor's text as the last edit left it, while the speech is followed.
    QString m_followed;
    // After the last word heard, and the end of what was being spoken then.
    std::optional<int> m_resumeAt;
    int m_resumeEnd = 0;
    int m_heardStart = 0; // the start of the last word heard
    // Counting words up to the one heard goes on from the last count.
    int m_countedTo = 0;
    int m_countedWords = 0;
    // Where the text being followed began (Continue does not move it), and its words before
    // the utterance now spoken.
    int m_spanStart = 0;
    int m_wordsBefore = 0;
    bool m_continuing = false;
};

} // namespace app
