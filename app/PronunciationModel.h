#pragma once

#include "speech/Lexicon.h"

#include <QAbstractTableModel>
#include <QList>

namespace app {

// The user's pronunciations as a table, one row per entry, for the list dialog; a proxy in
// front of it sorts and filters.
class PronunciationModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Written, Respelling, Phonemes, Language, Options, ColumnCount };

    explicit PronunciationModel(QObject* parent = nullptr);

    void setEntries(const QList<speech::LexiconEntry>& entries);
    const QList<speech::LexiconEntry>& entries() const { return m_entries; }
    const speech::LexiconEntry& entry(int row) const { return m_entries.at(row); }

    // Puts the entry in place of the one at `row` (-1: none) and of any other it stands
    // for; its row afterwards.
    int put(const speech::LexiconEntry& entry, int row = -1);
    // The entries as put() would leave them, for trying or keeping one without a model.
    static QList<speech::LexiconEntry> withEntry(const QList<speech::LexiconEntry>& entries,
                                                 const speech::LexiconEntry& entry, int row = -1);
    void remove(QList<int> rows);
    // Changed since setEntries.
    bool isModified() const { return m_modified; }

    // Where the entry that `entry` stands for is in the list, -1 when none is. An entry
    // stands for another of the same language and written form; one that ignores case
    // also for the same word written otherwise, which it would hide or be hidden by.
    static qsizetype indexOfSame(const QList<speech::LexiconEntry>& entries,
                                 const speech::LexiconEntry& entry);
    // "every voice", or the language's tag.
    static QString languageText(const QString& language);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QList<speech::LexiconEntry> m_entries;
    bool m_modified = false;
};

} // namespace app
