#pragma once

#include "editor/RichTextBox.h"
#include "platform/MenuBar.h"
#include "platform/Result.h"
#include "speech/Lexicon.h"
#include "speech/SpeechControl.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QAction;
class QWidget;

namespace app {

// The user's pronunciations: read from their lexicon file at start and handed to speech,
// corrected from the word in the editor (Pronounce As...) or in their list
// (Pronunciations...), and saved with each change.
class Pronunciations : public QObject
{
    Q_OBJECT
public:
    // The keys of the Speak menu's items.
    static const QString kPronounceAsKey;
    static const QString kListKey;

    // Speaks a text as SPEAK does, in place of what is speaking; why it could not, empty
    // when it speaks.
    using Speaker = std::function<QString(const QString& text)>;

    // window: the main window, which owns it and parents its dialogs. A file that cannot
    // be read leaves the pronunciations empty and the file as it is (see tellLoadProblem()).
    Pronunciations(QWidget& window, editor::RichTextBox& editor, speech::SpeechControl& speech,
                   Speaker speaker);

    // Adds its commands to the Speak menu (which must exist) and to the editor's context menu.
    void addMenu(platform::MenuBar& menu);

    // Tells the user, once, why the file could not be read at start; nothing when it was.
    void tellLoadProblem();

    // Saves the pronunciations to the file and hands them to speech. A file that could not
    // be read at start is kept beside it first, as name.damaged.
    platform::Result<void> setEntries(const QList<speech::LexiconEntry>& entries);

    // The word selected, or the one the caret is in or just after.
    QString wordAtCaret() const;
    void pronounceAs();
    void showList();

private:
    void menuClicked(qint32 id);
    // The chosen voice's language; empty when not known.
    QString voiceLanguage() const;
    // Speaks the word with the pronunciations given, until the dialog that tries them closes.
    QString test(const QList<speech::LexiconEntry>& entries, const QString& word);
    void handToSpeech(const QList<speech::LexiconEntry>& entries);
    QString saveFailure(const QList<speech::LexiconEntry>& entries);

    QWidget& m_window;
    editor::RichTextBox& m_editor;
    speech::SpeechControl& m_speech;
    Speaker m_speaker;
    QString m_path;
    QList<speech::LexiconEntry> m_entries;
    // Why the file could not be read at start, in words for the user; empty when it was.
    QString m_loadProblem;
    // The file could not be read: it is kept aside before the first save replaces it.
    bool m_keepAside = false;
    bool m_problemTold = false;
    platform::MenuBar* m_menu = nullptr;
};

} // namespace app
