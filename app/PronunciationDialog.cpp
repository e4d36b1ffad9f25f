#include "app/PronunciationDialog.h"

#include "app/NoticeLine.h"
#include "platform/MessageBoxService.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace app {

PronunciationDialog::PronunciationDialog(const speech::LexiconEntry& entry,
                                         const QString& voiceLanguage, Tester tester,
                                         QWidget* parent)
    : QDialog(parent), m_tester(std::move(tester)), m_word(entry.regex ? QString() : entry.written)
{
    setObjectName(QStringLiteral("PronunciationDialog"));
    setWindowTitle(QStringLiteral("Pronounce As"));

    m_written = new QLineEdit(entry.written, this);
    m_written->setObjectName(QStringLiteral("written"));
    m_respelling = new QLineEdit(entry.respelling, this);
    m_respelling->setObjectName(QStringLiteral("respelling"));
    m_respelling->setPlaceholderText(QStringLiteral("spelt as it sounds, e.g. win for Nguyen"));
    m_phonemes = new QLineEdit(entry.phonemes, this);
    m_phonemes->setObjectName(QStringLiteral("phonemes"));
    m_phonemes->setPlaceholderText(QStringLiteral("optional, in IPA"));
    m_language = new QComboBox(this);
    m_language->setObjectName(QStringLiteral("language"));
    m_language->addItem(QStringLiteral("Every voice"), QString());
    if (!voiceLanguage.isEmpty()) {
        m_language->addItem(QStringLiteral("Voices in %1, as the chosen voice").arg(voiceLanguage),
                            voiceLanguage);
    }
    // An entry of a language other than the chosen voice's keeps it.
    if (m_language->findData(entry.language) < 0) {
        m_language->addItem(QStringLiteral("Voices in %1").arg(entry.language), entry.language);
    }
    m_language->setCurrentIndex(m_language->findData(entry.language));
    m_wholeWord = new QCheckBox(QStringLiteral("Whole w&ords only"), this);
    m_wholeWord->setChecked(entry.wholeWord);
    m_matchCase = new QCheckBox(QStringLiteral("Match c&ase"), this);
    m_matchCase->setChecked(entry.matchCase);
    m_regex = new QCheckBox(QStringLiteral("Regular e&xpression"), this);
    m_regex->setChecked(entry.regex);

    auto* form = new QFormLayout;
    const auto row = [this, form](const QString& caption, QWidget* field) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        field->setAccessibleName(
            QString(caption).remove(QLatin1Char('&')).remove(QLatin1Char(':')));
        form->addRow(label, field);
    };
    row(QStringLiteral("&Written:"), m_written);
    row(QStringLiteral("&Say as:"), m_respelling);
    row(QStringLiteral("&Phonemes:"), m_phonemes);
    row(QStringLiteral("&Language:"), m_language);
    form->addRow(m_wholeWord);
    form->addRow(m_matchCase);
    form->addRow(m_regex);

    m_notice = new NoticeLine(this);
    m_notice->setObjectName(QStringLiteral("notice"));
    m_notice->setWordWrap(true);
    m_notice->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setDefault(true);
    m_test = buttons->addButton(QStringLiteral("&Test"), QDialogButtonBox::ActionRole);
    m_test->setObjectName(QStringLiteral("test"));
    m_test->setAutoDefault(false);
    m_test->setToolTip(QStringLiteral("Says the word now, with the chosen voice, speed and tone"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_test, &QPushButton::clicked, this, &PronunciationDialog::test);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_notice);
    layout->addWidget(buttons);

    for (QLineEdit* edit : {m_written, m_respelling, m_phonemes}) {
        connect(edit, &QLineEdit::textChanged, this, &PronunciationDialog::check);
    }
    connect(m_regex, &QCheckBox::toggled, this, &PronunciationDialog::check);
    // What the user came to type is how the word is said.
    (entry.written.isEmpty() ? m_written : m_respelling)->setFocus();
    check();
    setMinimumWidth(420);
}

speech::LexiconEntry PronunciationDialog::entry() const
{
    speech::LexiconEntry entry;
    entry.written = m_written->text().trimmed();
    entry.respelling = m_respelling->text().trimmed();
    entry.phonemes = m_phonemes->text().trimmed();
    entry.language = m_language->currentData().toString();
    entry.wholeWord = m_wholeWord->isChecked();
    entry.matchCase = m_matchCase->isChecked();
    entry.regex = m_regex->isChecked();
    return entry;
}

QString PronunciationDialog::problem(const speech::LexiconEntry& entry)
{
    if (entry.written.isEmpty()) {
        return QStringLiteral("Type the word as it is written.");
    }
    if (entry.respelling.isEmpty() && entry.phonemes.isEmpty()) {
        return QStringLiteral("Type how the word is said: a respelling, or phonemes.");
    }
    if (entry.regex) {
        const QRegularExpression pattern(entry.written);
        if (!pattern.isValid()) {
            return QStringLiteral("The regular expression is not valid: %1 (at character %2).")
                .arg(pattern.errorString())
                .arg(pattern.patternErrorOffset() + 1);
        }
        // It would stand between every two characters of every text.
        if (pattern.match(QString()).hasMatch()) {
            return QStringLiteral("The regular expression also matches where nothing is "
                                  "written; make it need at least one character.");
        }
    }
    // What speech itself refuses, phonemes it has no sound for among them.
    if (const QString refused = speech::Lexicon::problem(entry); !refused.isEmpty()) {
        return QStringLiteral("This pronunciation cannot be used: %1.").arg(refused);
    }
    return {};
}

void PronunciationDialog::check()
{
    const QString why = problem(entry());
    m_notice->tell(why);
    m_ok->setEnabled(why.isEmpty());
    m_test->setEnabled(why.isEmpty() && m_tester);
}

void PronunciationDialog::test()
{
    const speech::LexiconEntry tried = entry();
    if (!problem(tried).isEmpty() || !m_tester) {
        return;
    }
    // A pattern is tried on the word it was made for, when it still matches it.
    const bool onWord = tried.regex && !m_word.isEmpty() &&
                        QRegularExpression(tried.written).match(m_word).hasMatch();
    m_notice->tell(m_tester(tried, onWord ? m_word : tried.written));
}

void PronunciationDialog::accept()
{
    const speech::LexiconEntry kept = entry();
    if (!problem(kept).isEmpty()) {
        return;
    }
    if (m_keeper) {
        if (const QString why = m_keeper(kept); !why.isEmpty()) {
            platform::showMessage(why, platform::MessageButtons::Ok,
                                  platform::MessageIcon::Exclamation, {}, this);
            return;
        }
    }
    QDialog::accept();
}

} // namespace app
