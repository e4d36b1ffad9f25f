#pragma once

#include "speech/Lexicon.h"

#include <QDialog>
#include <functional>

class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace app {

class PronunciationModel;

// Pronunciations...: every one of the user's pronunciations in a table, sorted by any
// column and found by typing; added, edited, removed, tried, imported and exported. The
// changes are kept on OK; one that cannot be saved keeps the dialog open.
class PronunciationListDialog : public QDialog
{
    Q_OBJECT
public:
    // Speaks the word as the pronunciations have it; why it could not, empty when it speaks.
    using Tester =
        std::function<QString(const QList<speech::LexiconEntry>& entries, const QString& word)>;
    // Keeps the pronunciations; why they could not be kept, empty when they were.
    using Saver = std::function<QString(const QList<speech::LexiconEntry>& entries)>;

    PronunciationListDialog(const QList<speech::LexiconEntry>& entries, QString voiceLanguage,
                            Tester tester, Saver saver, QWidget* parent = nullptr);

    PronunciationModel& model() const { return *m_model; }
    QSortFilterProxyModel& shown() const { return *m_shown; }

    void add();
    void editCurrent();
    void removeSelected();
    void testCurrent();
    void importFile();
    void exportFile();
    // Adds the pronunciations read from the file's contents; what the user is told about
    // it (the entries that could not be read, by line), empty when all were read.
    QString importData(const QByteArray& data, const QString& fileName);

    void accept() override;
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The row of the entry under the view's current index; -1 when none.
    int currentRow() const;
    void select(int row);
    void updateButtons();
    // Opens the entry dialog on the entry (row -1: a new one); true when it was kept.
    bool editEntry(const speech::LexiconEntry& entry, int row);

    QString m_voiceLanguage;
    Tester m_tester;
    Saver m_saver;
    PronunciationModel* m_model = nullptr;
    QSortFilterProxyModel* m_shown = nullptr;
    QLineEdit* m_find = nullptr;
    QTableView* m_table = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_test = nullptr;
};

} // namespace app
