#include "app/Pronunciations.h"

#include "app/FollowAlong.h"
#include "app/PronunciationDialog.h"
#include "app/PronunciationListDialog.h"
#include "app/PronunciationModel.h"
#include "platform/EventLog.h"
#include "platform/MessageBoxService.h"
#include "speech/DirectSS.h"
#include "speech/LexiconFile.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QListWidget>
#include <QTextCursor>

namespace app {

const QString Pronunciations::kPronounceAsKey = QStringLiteral("keyPronounceAs");
const QString Pronunciations::kListKey = QStringLiteral("keyPronunciations");

namespace {

// Where an unreadable file is kept when a save replaces it: beside it, never over an
// earlier one.
QString asideName(const QString& path)
{
    QString aside = path + QStringLiteral(".damaged");
    for (int n = 2; QFileInfo::exists(aside); ++n) {
        aside = path + QStringLiteral(".damaged-%1").arg(n);
    }
    return aside;
}

} // namespace

Pronunciations::Pronunciations(QWidget& window, editor::RichTextBox& editor,
                               speech::SpeechControl& speech, Speaker speaker)
    : QObject(&window), m_window(window), m_editor(editor), m_speech(speech),
      m_speaker(std::move(speaker)), m_path(speech::lexicon_file::userPath())
{
    platform::Result<QList<speech::LexiconEntry>> loaded = speech::lexicon_file::load(m_path);
    if (loaded) {
        m_entries = std::move(loaded).value();
    } else {
        // The reason names the file.
        m_loadProblem =
            loaded.error() +
            QStringLiteral("\n\nParlanza goes on without your pronunciations and leaves the file "
                           "as it is. When you save a pronunciation, the file is kept beside the "
                           "new one with \".damaged\" added to its name.");
        m_keepAside = true;
        platform::eventlog::error(m_loadProblem);
    }
    handToSpeech(m_entries);
}

void Pronunciations::addMenu(platform::MenuBar& menu)
{
    using Kind = platform::MenuBar::ItemKind;
    m_menu = &menu;
    menu.addItem(FollowAlong::kMenuKey, QString(), Kind::Separator, QString());
    const qint32 pronounceAs = menu.addItem(FollowAlong::kMenuKey, kPronounceAsKey, Kind::Item,
                                            QStringLiteral("Pronounce &As..."));
    menu.addItem(FollowAlong::kMenuKey, kListKey, Kind::Item, QStringLiteral("&Pronunciations..."));
    if (QAction* action = menu.action(pronounceAs)) {
        action->setShortcut(QKeySequence(Qt::Key_F8));
        m_editor.setContextActions(m_editor.contextActions() << action);
    }
    connect(&menu, &platform::MenuBar::Click, this, &Pronunciations::menuClicked);
}

void Pronunciations::menuClicked(qint32 id)
{
    const QString key = m_menu->keyOf(id);
    if (key == kPronounceAsKey) {
        pronounceAs();
    } else if (key == kListKey) {
        showList();
    }
}

void Pronunciations::tellLoadProblem()
{
    if (m_loadProblem.isEmpty() || m_problemTold) {
        return;
    }
    m_problemTold = true;
    platform::showMessage(m_loadProblem, platform::MessageButtons::Ok,
                          platform::MessageIcon::Exclamation, {}, &m_window);
}

platform::Result<void> Pronunciations::setEntries(const QList<speech::LexiconEntry>& entries)
{
    if (m_keepAside && QFileInfo::exists(m_path)) {
        QFile damaged(m_path);
        const QString aside = asideName(m_path);
        if (!damaged.copy(aside)) {
            return platform::Failure{
                QStringLiteral("The unreadable file could not be kept as "
                               "%1: %2")
                    .arg(QDir::toNativeSeparators(aside), damaged.errorString())};
        }
    }
    if (platform::Result<void> saved = speech::lexicon_file::save(m_path, entries); !saved) {
        return saved;
    }
    m_keepAside = false;
    m_entries = entries;
    handToSpeech(m_entries);
    return {};
}

QString Pronunciations::saveFailure(const QList<speech::LexiconEntry>& entries)
{
    const platform::Result<void> saved = setEntries(entries);
    return saved ? QString()
                 : QStringLiteral("Your pronunciations could not be saved to %1:\n%2")
                       .arg(QDir::toNativeSeparators(m_path), saved.error());
}

QString Pronunciations::wordAtCaret() const
{
    QString selected = m_editor.selText();
    selected.replace(QChar::ParagraphSeparator, QLatin1Char(' '));
    if (!selected.trimmed().isEmpty()) {
        return selected.simplified();
    }
    QTextCursor cursor = m_editor.textCursor();
    cursor.select(QTextCursor::WordUnderCursor);
    // Just after a word, the caret is still taken to be on it.
    if (!cursor.hasSelection() && cursor.position() > 0) {
        cursor.movePosition(QTextCursor::PreviousCharacter);
        cursor.select(QTextCursor::WordUnderCursor);
    }
    return cursor.selectedText().trimmed();
}

QString Pronunciations::voiceLanguage() const
{
    const auto* voices = m_window.findChild<QListWidget*>(QStringLiteral("lstVoice"));
    const auto* direct = qobject_cast<const speech::DirectSS*>(&m_speech);
    if (!voices || !direct || voices->currentRow() < 0 ||
        voices->currentRow() >= direct->voices().size()) {
        return {};
    }
    return direct->voices().at(voices->currentRow()).language();
}

void Pronunciations::handToSpeech(const QList<speech::LexiconEntry>& entries)
{
    m_speech.setLexicon(speech::Lexicon(entries));
}

QString Pronunciations::test(const QList<speech::LexiconEntry>& entries, const QString& word)
{
    handToSpeech(entries);
    return m_speaker(word);
}

void Pronunciations::pronounceAs()
{
    speech::LexiconEntry entry;
    entry.written = wordAtCaret();
    // A word that has a pronunciation already shows it, to be corrected.
    if (const qsizetype same = PronunciationModel::indexOfSame(m_entries, entry); same >= 0) {
        entry = m_entries.at(same);
    }
    PronunciationDialog dialog(
        entry, voiceLanguage(),
        [this](const speech::LexiconEntry& tried, const QString& word) {
            return test(PronunciationModel::withEntry(m_entries, tried), word);
        },
        &m_window);
    dialog.setKeeper([this](const speech::LexiconEntry& kept) {
        return saveFailure(PronunciationModel::withEntry(m_entries, kept));
    });
    dialog.exec();
    // What was tried goes; what was kept stays.
    handToSpeech(m_entries);
}

void Pronunciations::showList()
{
    PronunciationListDialog dialog(
        m_entries, voiceLanguage(),
        [this](const QList<speech::LexiconEntry>& entries, const QString& word) {
            return test(entries, word);
        },
        [this](const QList<speech::LexiconEntry>& entries) { return saveFailure(entries); },
        &m_window);
    dialog.exec();
    handToSpeech(m_entries);
}

} // namespace app
