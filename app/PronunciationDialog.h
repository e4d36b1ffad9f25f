#pragma once

#include "speech/Lexicon.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace app {

class NoticeLine;

// One pronunciation, as Pronounce As... and the list's Add and Edit show it: the written
// form, what is said instead, where it applies, and a Test that speaks it at once.
class PronunciationDialog : public QDialog
{
    Q_OBJECT
public:
    // Speaks the word as the entry has it; why it could not, empty when it speaks.
    using Tester = std::function<QString(const speech::LexiconEntry& entry, const QString& word)>;
    // Keeps the entry OK was pressed on; why it could not, empty when it is kept.
    using Keeper = std::function<QString(const speech::LexiconEntry& entry)>;

    // voiceLanguage: the chosen voice's language, offered beside every voice (empty when
    // not known).
    PronunciationDialog(const speech::LexiconEntry& entry, const QString& voiceLanguage,
                        Tester tester, QWidget* parent = nullptr);

    // Without a keeper, OK only closes the dialog.
    void setKeeper(Keeper keeper) { m_keeper = std::move(keeper); }
    speech::LexiconEntry entry() const;

    // Why the entry cannot be kept, in words for the user; empty when it can.
    static QString problem(const speech::LexiconEntry& entry);

    void accept() override;

private:
    void check();
    void test();

    Tester m_tester;
    Keeper m_keeper;
    // The word the dialog was opened on, which a Test of a pattern speaks.
    QString m_word;
    QLineEdit* m_written = nullptr;
    QLineEdit* m_respelling = nullptr;
    QLineEdit* m_phonemes = nullptr;
    QComboBox* m_language = nullptr;
    QCheckBox* m_wholeWord = nullptr;
    QCheckBox* m_matchCase = nullptr;
    QCheckBox* m_regex = nullptr;
    QPushButton* m_test = nullptr;
    QPushButton* m_ok = nullptr;
    NoticeLine* m_notice = nullptr;
};

} // namespace app
