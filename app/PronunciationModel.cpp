#include "app/PronunciationModel.h"

#include <QStringList>
#include <algorithm>

namespace app {

namespace {

bool standsFor(const speech::LexiconEntry& entry, const speech::LexiconEntry& other)
{
    if (entry.language.compare(other.language, Qt::CaseInsensitive) != 0) {
        return false;
    }
    // Two entries that both match case differ when their case does: "US" and "us".
    const Qt::CaseSensitivity cs =
        entry.matchCase && other.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    return entry.written.compare(other.written, cs) == 0;
}

QString optionsText(const speech::LexiconEntry& entry)
{
    QStringList options;
    if (entry.wholeWord) {
        options << QStringLiteral("whole word");
    }
    if (entry.matchCase) {
        options << QStringLiteral("match case");
    }
    if (entry.regex) {
        options << QStringLiteral("regular expression");
    }
    return options.join(QStringLiteral(", "));
}

} // namespace

PronunciationModel::PronunciationModel(QObject* parent) : QAbstractTableModel(parent) {}

void PronunciationModel::setEntries(const QList<speech::LexiconEntry>& entries)
{
    beginResetModel();
    m_entries = entries;
    m_modified = false;
    endResetModel();
}

qsizetype PronunciationModel::indexOfSame(const QList<speech::LexiconEntry>& entries,
                                          const speech::LexiconEntry& entry)
{
    const auto found = std::find_if(entries.begin(), entries.end(), [&entry](const auto& other) {
        return standsFor(entry, other);
    });
    return found == entries.end() ? -1 : found - entries.begin();
}

QString PronunciationModel::languageText(const QString& language)
{
    return language.isEmpty() ? QStringLiteral("every voice") : language;
}

int PronunciationModel::put(const speech::LexiconEntry& entry, int row)
{
    if (row < 0) {
        row = int(indexOfSame(m_entries, entry));
    }
    // Two entries for one word would leave the user guessing which one is heard.
    for (int i = int(m_entries.size()) - 1; i >= 0; --i) {
        if (i != row && standsFor(entry, m_entries.at(i))) {
            beginRemoveRows({}, i, i);
            m_entries.removeAt(i);
            endRemoveRows();
            row -= i < row ? 1 : 0;
        }
    }
    m_modified = true;
    if (row < 0) {
        row = int(m_entries.size());
        beginInsertRows({}, row, row);
        m_entries.append(entry);
        endInsertRows();
        return row;
    }
    m_entries[row] = entry;
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
    return row;
}

QList<speech::LexiconEntry>
PronunciationModel::withEntry(const QList<speech::LexiconEntry>& entries,
                              const speech::LexiconEntry& entry, int row)
{
    PronunciationModel list;
    list.setEntries(entries);
    list.put(entry, row);
    return list.entries();
}

void PronunciationModel::remove(QList<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (const int row : std::as_const(rows)) {
        if (row >= 0 && row < m_entries.size()) {
            beginRemoveRows({}, row, row);
            m_entries.removeAt(row);
            endRemoveRows();
            m_modified = true;
        }
    }
}

int PronunciationModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int PronunciationModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PronunciationModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size() ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole)) {
        return {};
    }
    const speech::LexiconEntry& entry = m_entries.at(index.row());
    switch (index.column()) {
    case Written:
        return entry.written;
    case Respelling:
        return entry.respelling;
    case Phonemes:
        return entry.phonemes;
    case Language:
        return languageText(entry.language);
    case Options:
        return optionsText(entry);
    default:
        return {};
    }
}

QVariant PronunciationModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (section) {
    case Written:
        return QStringLiteral("Written");
    case Respelling:
        return QStringLiteral("Said as");
    case Phonemes:
        return QStringLiteral("Phonemes");
    case Language:
        return QStringLiteral("Language");
    case Options:
        return QStringLiteral("Options");
    default:
        return {};
    }
}

} // namespace app
