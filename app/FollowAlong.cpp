#include "app/FollowAlong.h"

#include "app/ProgressLine.h"
#include "editor/RichTextBox.h"
#include "platform/MenuBar.h"
#include "platform/MessageBoxService.h"
#include "speech/SpeechControl.h"

#include <QAction>
#include <QKeySequence>
#include <QLabel>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace app {

const QString FollowAlong::kMenuKey = QStringLiteral("keySpeak");
const QString FollowAlong::kFromCaretKey = QStringLiteral("keySpeakFromCaret");
const QString FollowAlong::kSelectionKey = QStringLiteral("keySpeakSelection");
const QString FollowAlong::kContinueKey = QStringLiteral("keyContinue");
const QString FollowAlong::kSentenceCuesKey = QStringLiteral("keySentenceCues");
const QString FollowAlong::kWordCuesKey = QStringLiteral("keyWordCues");

namespace {

const QString kNoSelection = QStringLiteral("Please Select Some Text To Speak !");
const QString kNothingAfterCaret = QStringLiteral("There Is No Text After The Caret To Speak !");

// Letters, digits and the apostrophes inside words such as "don't".
bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c.isMark() || c == QLatin1Char('\'') || c == QChar(0x2019);
}

bool startsWord(const QString& text, qsizetype i)
{
    return isWordCharacter(text.at(i)) && (i == 0 || !isWordCharacter(text.at(i - 1)));
}

int countWords(const QString& text)
{
    int words = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        words += startsWord(text, i) ? 1 : 0;
    }
    return words;
}

// The first word starting at or after the position, before the end; -1 when none does.
int nextWordStart(const QString& text, int position, int end)
{
    end = std::min<int>(end, int(text.size()));
    for (int i = std::max(position, 0); i < end; ++i) {
        if (startsWord(text, i)) {
            return i;
        }
    }
    return -1;
}

// The word the caret is in or at the start of; after a word, the next one.
int caretWordStart(const QString& text, int caret)
{
    int i = std::clamp(caret, 0, int(text.size()));
    if (i < text.size() && isWordCharacter(text.at(i))) {
        while (i > 0 && isWordCharacter(text.at(i - 1))) {
            --i;
        }
        return i;
    }
    return nextWordStart(text, i, int(text.size()));
}

// A position of the editor after an edit: before it stays, after it shifts, inside it
// goes to the edit's end.
int mapPoint(int position, int editAt, int removed, int added)
{
    if (position <= editAt) {
        return position;
    }
    if (position >= editAt + removed) {
        return position + added - removed;
    }
    return editAt + added;
}

} // namespace

FollowAlong::FollowAlong(QWidget& window, editor::RichTextBox& editor,
                         speech::SpeechControl& speech, QLabel* status)
    : QObject(&window), m_window(window), m_editor(editor), m_speech(speech), m_status(status)
{
    connect(&speech, &speech::SpeechControl::WordHeard, this, &FollowAlong::wordHeard);
    connect(&speech, &speech::SpeechControl::AudioStop, this, &FollowAlong::clearMark);
    connect(editor.document(), &QTextDocument::contentsChange, this, &FollowAlong::contentsChange);
    if (status) {
        m_progress = new ProgressLine(status);
    }
}

FollowAlong::~FollowAlong() = default;

void FollowAlong::addMenu(platform::MenuBar& menu)
{
    using Kind = platform::MenuBar::ItemKind;
    m_menu = &menu;
    menu.moveBefore(menu.addItem({}, kMenuKey, Kind::Item, QStringLiteral("&Speak")),
                    QStringLiteral("keyHelp"));
    struct Command
    {
        const QString& key;
        QString caption;
        QKeySequence shortcut;
    };
    const Command commands[] = {
        {kFromCaretKey, QStringLiteral("Speak from the &Caret"),
         QKeySequence(Qt::SHIFT | Qt::Key_F5)},
        {kSelectionKey, QStringLiteral("Speak the &Selection"),
         QKeySequence(Qt::CTRL | Qt::Key_F5)},
        {kContinueKey, QStringLiteral("C&ontinue"), QKeySequence(Qt::Key_F7)},
    };
    QList<QAction*> contextActions;
    for (const Command& command : commands) {
        const qint32 id = menu.addItem(kMenuKey, command.key, Kind::Item, command.caption);
        if (QAction* action = menu.action(id)) {
            action->setShortcut(command.shortcut);
            contextActions.append(action);
        }
    }
    menu.addItem(kMenuKey, QString(), Kind::Separator, QString());
    const Command options[] = {
        {kSentenceCuesKey, QStringLiteral("Record Sentence &Timings (.srt)"), {}},
        {kWordCuesKey, QStringLiteral("Record &Word Timings (.vtt)"), {}},
    };
    QPointer<QAction>* const optionActions[] = {&m_sentenceCues, &m_wordCues};
    for (int i = 0; i < 2; ++i) {
        const qint32 id = menu.addItem(kMenuKey, options[i].key, Kind::Item, options[i].caption);
        if (QAction* action = menu.action(id)) {
            action->setCheckable(true);
            *optionActions[i] = action;
        }
    }
    m_editor.setContextActions(contextActions);
    connect(&menu, &platform::MenuBar::Click, this, &FollowAlong::menuClicked);
}

void FollowAlong::menuClicked(qint32 id)
{
    const QString key = m_menu->keyOf(id);
    if (key == kFromCaretKey) {
        speakFromCaret();
    } else if (key == kSelectionKey) {
        speakSelection();
    } else if (key == kContinueKey) {
        continueSpeaking();
    } else if (key == kSentenceCuesKey || key == kWordCuesKey) {
        m_speech.setSubtitles(sentenceTimings(), wordTimings());
    }
}

void FollowAlong::setTimingFiles(bool sentences, bool words)
{
    if (m_sentenceCues) {
        m_sentenceCues->setChecked(sentences);
    }
    if (m_wordCues) {
        m_wordCues->setChecked(words);
    }
    m_speech.setSubtitles(sentenceTimings(), wordTimings());
}

bool FollowAlong::sentenceTimings() const
{
    return m_sentenceCues && m_sentenceCues->isChecked();
}

bool FollowAlong::wordTimings() const
{
    return m_wordCues && m_wordCues->isChecked();
}

void FollowAlong::started(int start, const QString& text)
{
    if (m_utterances.isEmpty()) {
        m_edits.clear();
        m_followed = m_editor.document()->toPlainText();
    }
    Utterance utterance;
    utterance.id = m_speech.lastUtterance();
    utterance.start = start;
    utterance.text = text;
    utterance.firstEdit = m_edits.size();
    utterance.end = start + int(text.size());
    m_utterances.append(utterance);
    // Stopped before its first word, it continues from its start.
    m_resumeAt = start;
    m_resumeEnd = utterance.end;
    m_heardStart = start;
    m_countedTo = 0;
    m_countedWords = 0;
    // Continue goes on counting the words of what was being spoken.
    if (m_continuing && m_spanStart <= start) {
        m_wordsBefore = countWords(m_editor.text().mid(m_spanStart, start - m_spanStart));
    } else {
        m_spanStart = start;
        m_wordsBefore = 0;
    }
    m_continuing = false;
}

void FollowAlong::stopped()
{
    m_utterances.clear();
    m_edits.clear();
    clearMark();
}

std::optional<int> FollowAlong::continuePosition() const
{
    if (!m_resumeAt) {
        return std::nullopt;
    }
    const int start = nextWordStart(m_editor.text(), *m_resumeAt, m_resumeEnd);
    return start < 0 ? std::nullopt : std::optional<int>(start);
}

std::optional<std::pair<int, int>> FollowAlong::heardRange() const
{
    if (!m_resumeAt || m_heardStart >= m_resumeEnd) {
        return std::nullopt;
    }
    return std::pair(m_heardStart, m_resumeEnd);
}

void FollowAlong::wordHeard(quint64 id, qint32 start, qint32 length)
{
    const auto it = std::find_if(m_utterances.begin(), m_utterances.end(),
                                 [id](const Utterance& utterance) { return utterance.id == id; });
    if (it == m_utterances.end()) {
        return;
    }
    // Utterances before this one have ended.
    const qsizetype index = it - m_utterances.begin();
    m_utterances.remove(0, index);
    Utterance& utterance = m_utterances.first();
    const std::optional<int> position = mapWord(utterance, start, length);
    if (!position) {
        // Edited away: no mark rather than a mark in the wrong place.
        m_editor.clearSpokenRange();
        return;
    }
    m_editor.setSpokenRange(*position, length);
    m_heardStart = *position;
    m_resumeAt = *position + length;
    m_resumeEnd = utterance.end;
    showProgress(utterance, start);
}

// Where a word of the utterance is in the editor now, after the edits made since it was
// spoken; none when an edit touched it.
std::optional<int> FollowAlong::mapWord(const Utterance& utterance, int start, int length) const
{
    if (start < 0 || length <= 0 || start + length > utterance.text.size()) {
        return std::nullopt;
    }
    int position = utterance.start + start;
    for (qsizetype i = utterance.firstEdit; i < m_edits.size(); ++i) {
        const Edit& edit = m_edits.at(i);
        if (position + length <= edit.position) {
            continue;
        }
        if (position >= edit.position + edit.removed) {
            position += edit.added - edit.removed;
        } else if (edit.removed != edit.added) {
            return std::nullopt; // a change of format keeps the characters where they are
        }
    }
    // What is there now must be the word that was spoken.
    QTextCursor cursor(m_editor.document());
    const int last = m_editor.document()->characterCount() - 1;
    if (position < 0 || position + length > last) {
        return std::nullopt;
    }
    cursor.setPosition(position);
    cursor.setPosition(position + length, QTextCursor::KeepAnchor);
    QString now = cursor.selectedText();
    now.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    if (QStringView(now) != QStringView(utterance.text).mid(start, length)) {
        return std::nullopt;
    }
    return position;
}

void FollowAlong::contentsChange(int position, int removed, int added)
{
    if (m_utterances.isEmpty() && !m_resumeAt) {
        m_followed.clear();
        return;
    }
    // A paste reports the rest of its paragraph as replaced too (its format is carried
    // over): only the characters that differ have moved. A report may reach the
    // document's closing paragraph mark, one past the plain text's end.
    QString now = m_editor.document()->toPlainText();
    const auto same = [&](qsizetype before, qsizetype after) {
        const bool endBefore = before >= m_followed.size();
        const bool endAfter = after >= now.size();
        return endBefore || endAfter ? endBefore && endAfter
                                     : m_followed.at(before) == now.at(after);
    };
    if (removed > 0 && added > 0 && m_followed.size() - removed == now.size() - added) {
        while (removed > 0 && added > 0 && same(position, position)) {
            ++position;
            --removed;
            --added;
        }
        while (removed > 0 && added > 0 && same(position + removed - 1, position + added - 1)) {
            --removed;
            --added;
        }
    }
    m_followed = std::move(now);
    if (!m_utterances.isEmpty()) {
        m_edits.append({position, removed, added});
    }
    for (Utterance& utterance : m_utterances) {
        utterance.end = mapPoint(utterance.end, position, removed, added);
    }
    if (m_resumeAt) {
        m_resumeAt = mapPoint(*m_resumeAt, position, removed, added);
        m_resumeEnd = mapPoint(m_resumeEnd, position, removed, added);
        m_spanStart = mapPoint(m_spanStart, position, removed, added);
        m_heardStart = mapPoint(m_heardStart, position, removed, added);
    }
}

void FollowAlong::showProgress(Utterance& utterance, int start)
{
    const QString& text = utterance.text;
    if (utterance.words < 0) {
        utterance.words = countWords(text);
    }
    // Counting goes on from where it stopped: the words are heard in order.
    if (start < m_countedTo) {
        m_countedTo = 0;
        m_countedWords = 0;
    }
    for (; m_countedTo <= start && m_countedTo < text.size(); ++m_countedTo) {
        m_countedWords += startsWord(text, m_countedTo) ? 1 : 0;
    }
    const int total = m_wordsBefore + std::max(utterance.words, m_countedWords);
    if (!m_status) {
        return;
    }
    const int heard = m_wordsBefore + std::max(m_countedWords, 1);
    m_status->setToolTip(QStringLiteral("Word %L1 of %L2").arg(heard).arg(total));
    if (m_progress) {
        m_progress->setProgress(m_wordsBefore + m_countedWords, total, m_status->toolTip());
    }
}

void FollowAlong::showRecordingShare(int percent)
{
    if (!m_status || !m_progress) {
        return;
    }
    m_status->setToolTip(QStringLiteral("Recorded %1%").arg(percent));
    m_progress->setProgress(percent, 100, m_status->toolTip());
}

void FollowAlong::clearMark()
{
    m_editor.clearSpokenRange();
    if (m_status) {
        m_status->setToolTip(QString());
    }
    if (m_progress) {
        m_progress->hide();
    }
}

void FollowAlong::speakFromCaret()
{
    const QString text = m_editor.text();
    if (text.isEmpty()) {
        Q_EMIT speakAllAsked();
        return;
    }
    const int start = caretWordStart(text, m_editor.selStart());
    if (start < 0) {
        platform::showMessage(kNothingAfterCaret, platform::MessageButtons::Ok,
                              platform::MessageIcon::Exclamation, {}, &m_window);
        return;
    }
    Q_EMIT speakRangeAsked(start, int(text.size()));
}

void FollowAlong::speakSelection()
{
    const int start = m_editor.selStart();
    const int end = start + m_editor.selLength();
    if (nextWordStart(m_editor.text(), start, end) < 0) {
        platform::showMessage(kNoSelection, platform::MessageButtons::Ok,
                              platform::MessageIcon::Exclamation, {}, &m_window);
        return;
    }
    Q_EMIT speakRangeAsked(start, end);
}

void FollowAlong::continueSpeaking()
{
    const std::optional<int> start = continuePosition();
    if (!start) {
        speakFromCaret();
        return;
    }
    countOn();
    Q_EMIT speakRangeAsked(*start, m_resumeEnd);
}

bool FollowAlong::skipSentence(int direction)
{
    if (m_utterances.isEmpty() || !m_resumeAt) {
        return false;
    }
    const QString text = m_editor.text();
    QTextBoundaryFinder sentences(QTextBoundaryFinder::Sentence, text);
    sentences.setPosition(std::clamp(m_heardStart, 0, int(text.size())));
    // From the start of the sentence being heard; before the first, the first starts again.
    if (!sentences.isAtBoundary()) {
        sentences.toPreviousBoundary();
    }
    const qsizetype start = direction > 0 ? sentences.toNextBoundary()
                                          : std::max<qsizetype>(sentences.toPreviousBoundary(), 0);
    const int word = start < 0 ? -1 : nextWordStart(text, int(start), m_resumeEnd);
    if (word < 0) {
        return false;
    }
    countOn();
    Q_EMIT speakRangeAsked(word, m_resumeEnd);
    return true;
}

} // namespace app
