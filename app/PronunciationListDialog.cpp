#include "app/PronunciationListDialog.h"

#include "app/PronunciationDialog.h"
#include "app/PronunciationModel.h"
#include "platform/CommonDialogService.h"
#include "platform/FileError.h"
#include "platform/MessageBoxService.h"
#include "platform/WriteBack.h"
#include "speech/LexiconFile.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace app {

namespace {

const QString kOpenFilter =
    QStringLiteral("Pronunciation lexicons and tab-separated lists|*.pls;*.xml;*.tsv;*.txt|"
                   "All files (*.*)|*.*");
// The entry chosen says which format is written unless the name says otherwise.
const QString kSaveFilter =
    QStringLiteral("Pronunciation Lexicon (*.pls)|*.pls|Tab-separated list (*.tsv)|*.tsv;*.txt");
constexpr int kPlsEntry = 1;
// A message lists at most this many bad entries; a screen of them says enough.
constexpr int kBadEntriesListed = 20;

speech::lexicon_file::Format exportFormat(const QString& path, int filterIndex)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("pls") || suffix == QLatin1String("xml")) {
        return speech::lexicon_file::Format::Pls;
    }
    if (suffix == QLatin1String("tsv") || suffix == QLatin1String("txt")) {
        return speech::lexicon_file::Format::TabSeparated;
    }
    return filterIndex == kPlsEntry ? speech::lexicon_file::Format::Pls
                                    : speech::lexicon_file::Format::TabSeparated;
}

void tell(const QString& text, QWidget* owner)
{
    platform::showMessage(text, platform::MessageButtons::Ok, platform::MessageIcon::Exclamation,
                          {}, owner);
}

} // namespace

PronunciationListDialog::PronunciationListDialog(const QList<speech::LexiconEntry>& entries,
                                                 QString voiceLanguage, Tester tester, Saver saver,
                                                 QWidget* parent)
    : QDialog(parent), m_voiceLanguage(std::move(voiceLanguage)), m_tester(std::move(tester)),
      m_saver(std::move(saver))
{
    setObjectName(QStringLiteral("PronunciationListDialog"));
    setWindowTitle(QStringLiteral("Pronunciations"));
    m_model = new PronunciationModel(this);
    m_model->setEntries(entries);
    m_shown = new QSortFilterProxyModel(this);
    m_shown->setSourceModel(m_model);
    m_shown->setFilterKeyColumn(-1);
    m_shown->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_shown->setSortCaseSensitivity(Qt::CaseInsensitive);

    m_find = new QLineEdit(this);
    m_find->setObjectName(QStringLiteral("find"));
    m_find->setAccessibleName(QStringLiteral("Find"));
    m_find->setPlaceholderText(QStringLiteral("type to show only the matching pronunciations"));
    m_find->setClearButtonEnabled(true);
    // The line edit's own clear button comes without a name.
    for (QToolButton* clear : m_find->findChildren<QToolButton*>()) {
        clear->setAccessibleName(QStringLiteral("Clear"));
    }
    auto* findLabel = new QLabel(QStringLiteral("&Find:"), this);
    findLabel->setBuddy(m_find);
    connect(m_find, &QLineEdit::textChanged, m_shown, &QSortFilterProxyModel::setFilterFixedString);

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("table"));
    m_table->setAccessibleName(QStringLiteral("Pronunciations"));
    m_table->setModel(m_shown);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setTabKeyNavigation(false);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(PronunciationModel::Written, Qt::AscendingOrder);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->installEventFilter(this);
    auto* tableLabel = new QLabel(QStringLiteral("&Pronunciations:"), this);
    tableLabel->setBuddy(m_table);
    connect(m_table, &QTableView::doubleClicked, this, &PronunciationListDialog::editCurrent);

    const auto button = [this](const QString& caption, const char* name,
                               void (PronunciationListDialog::*slot)()) {
        auto* pushButton = new QPushButton(caption, this);
        pushButton->setObjectName(QLatin1String(name));
        pushButton->setAutoDefault(false);
        connect(pushButton, &QPushButton::clicked, this, slot);
        return pushButton;
    };
    QPushButton* addButton =
        button(QStringLiteral("&Add..."), "add", &PronunciationListDialog::add);
    m_edit = button(QStringLiteral("&Edit..."), "edit", &PronunciationListDialog::editCurrent);
    m_remove =
        button(QStringLiteral("&Remove"), "remove", &PronunciationListDialog::removeSelected);
    m_test = button(QStringLiteral("&Test"), "test", &PronunciationListDialog::testCurrent);
    m_test->setToolTip(QStringLiteral("Says the word now, with the chosen voice, speed and tone"));
    QPushButton* importButton =
        button(QStringLiteral("&Import..."), "import", &PronunciationListDialog::importFile);
    QPushButton* exportButton =
        button(QStringLiteral("E&xport..."), "export", &PronunciationListDialog::exportFile);

    auto* side = new QVBoxLayout;
    for (QPushButton* each : {addButton, m_edit, m_remove, m_test}) {
        side->addWidget(each);
    }
    side->addSpacing(12);
    side->addWidget(importButton);
    side->addWidget(exportButton);
    side->addStretch(1);

    auto* findRow = new QHBoxLayout;
    findRow->addWidget(findLabel);
    findRow->addWidget(m_find, 1);
    auto* list = new QVBoxLayout;
    list->addLayout(findRow);
    list->addWidget(tableLabel);
    list->addWidget(m_table, 1);
    auto* middle = new QHBoxLayout;
    middle->addLayout(list, 1);
    middle->addLayout(side);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(middle, 1);
    layout->addWidget(buttons);

    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &PronunciationListDialog::updateButtons);
    connect(m_shown, &QAbstractItemModel::modelReset, this,
            &PronunciationListDialog::updateButtons);
    connect(m_shown, &QAbstractItemModel::rowsRemoved, this,
            &PronunciationListDialog::updateButtons);
    updateButtons();
    resize(640, 420);
}

int PronunciationListDialog::currentRow() const
{
    const QModelIndexList selected = m_table->selectionModel()->selectedRows();
    const QModelIndex current = selected.isEmpty() ? QModelIndex() : m_table->currentIndex();
    return current.isValid() ? m_shown->mapToSource(current).row() : -1;
}

void PronunciationListDialog::select(int row)
{
    const QModelIndex shown = m_shown->mapFromSource(m_model->index(row, 0));
    if (shown.isValid()) {
        m_table->selectRow(shown.row());
        m_table->scrollTo(shown);
    }
}

void PronunciationListDialog::updateButtons()
{
    const int row = currentRow();
    m_edit->setEnabled(row >= 0);
    m_remove->setEnabled(row >= 0);
    // A pattern has no one word to say.
    m_test->setEnabled(row >= 0 && m_tester && !m_model->entry(row).regex);
}

bool PronunciationListDialog::editEntry(const speech::LexiconEntry& entry, int row)
{
    PronunciationDialog::Tester tester;
    if (m_tester) {
        tester = [this, row](const speech::LexiconEntry& tried, const QString& word) {
            return m_tester(PronunciationModel::withEntry(m_model->entries(), tried, row), word);
        };
    }
    PronunciationDialog dialog(entry, m_voiceLanguage, tester, this);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    select(m_model->put(dialog.entry(), row));
    return true;
}

void PronunciationListDialog::add()
{
    editEntry({}, -1);
}

void PronunciationListDialog::editCurrent()
{
    if (const int row = currentRow(); row >= 0) {
        editEntry(m_model->entry(row), row);
    }
}

void PronunciationListDialog::removeSelected()
{
    QList<int> rows;
    for (const QModelIndex& shown : m_table->selectionModel()->selectedRows()) {
        rows << m_shown->mapToSource(shown).row();
    }
    m_model->remove(rows);
}

void PronunciationListDialog::testCurrent()
{
    const int row = currentRow();
    if (row < 0 || !m_tester) {
        return;
    }
    if (const QString why = m_tester(m_model->entries(), m_model->entry(row).written);
        !why.isEmpty()) {
        tell(why, this);
    }
}

void PronunciationListDialog::importFile()
{
    platform::FileDialogRequest request;
    request.filter = kOpenFilter;
    request.title = QStringLiteral("Import Pronunciations");
    request.owner = this;
    const std::optional<platform::FileDialogResult> chosen =
        platform::CommonDialogService::current().showOpen(request);
    if (!chosen) {
        return;
    }
    QFile file(chosen->fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        tell(
            QStringLiteral("%1 could not be read:\n%2")
                .arg(QDir::toNativeSeparators(chosen->fileName), platform::fileErrorText(0, &file)),
            this);
        return;
    }
    if (const QString report = importData(file.readAll(), chosen->fileName); !report.isEmpty()) {
        tell(report, this);
    }
}

QString PronunciationListDialog::importData(const QByteArray& data, const QString& fileName)
{
    const QString name = QDir::toNativeSeparators(fileName);
    const platform::Result<speech::lexicon_file::ReadResult> read =
        speech::lexicon_file::read(data, speech::lexicon_file::detect(data));
    if (!read) {
        return QStringLiteral("%1 holds no pronunciations that can be read:\n%2")
            .arg(name, read.error());
    }
    int last = -1;
    for (const speech::LexiconEntry& entry : read.value().entries) {
        last = m_model->put(entry);
    }
    if (last >= 0) {
        select(last);
    }
    const QList<speech::lexicon_file::BadEntry>& bad = read.value().bad;
    if (bad.isEmpty()) {
        return {};
    }
    QStringList lines;
    for (qsizetype i = 0; i < bad.size() && i < kBadEntriesListed; ++i) {
        lines << QStringLiteral("Line %1: %2").arg(bad.at(i).line).arg(bad.at(i).reason);
    }
    if (bad.size() > kBadEntriesListed) {
        lines << QStringLiteral("... and %1 more.").arg(bad.size() - kBadEntriesListed);
    }
    return QStringLiteral("%1 pronunciations of %2 were added. These %3 entries could not be read "
                          "and were left out:\n\n%4")
        .arg(read.value().entries.size())
        .arg(name)
        .arg(bad.size())
        .arg(lines.join(QLatin1Char('\n')));
}

void PronunciationListDialog::exportFile()
{
    platform::FileDialogRequest request;
    request.filter = kSaveFilter;
    request.filterIndex = kPlsEntry;
    request.title = QStringLiteral("Export Pronunciations");
    request.defaultExtension = QStringLiteral("pls");
    request.owner = this;
    const std::optional<platform::FileDialogResult> chosen =
        platform::CommonDialogService::current().showSave(request);
    if (!chosen) {
        return;
    }
    const QString name = QDir::toNativeSeparators(chosen->fileName);
    if (QFileInfo::exists(chosen->fileName) &&
        platform::showMessage(QStringLiteral("%1 already exists. Replace it?").arg(name),
                              platform::MessageButtons::YesNo, platform::MessageIcon::Question, {},
                              this) != platform::MessageAnswer::Yes) {
        return;
    }
    QSaveFile file(chosen->fileName);
    QString why = platform::writeTargetProblem(chosen->fileName);
    if (why.isEmpty() && !file.open(QIODevice::WriteOnly)) {
        why = platform::fileErrorText(0, &file);
    }
    if (why.isEmpty()) {
        file.write(speech::lexicon_file::write(
            m_model->entries(), exportFormat(chosen->fileName, chosen->filterIndex)));
        if (const platform::Result<void> done = platform::commitWhole(file); !done) {
            why = done.error();
        }
    }
    if (!why.isEmpty()) {
        tell(QStringLiteral("The pronunciations could not be exported to %1:\n%2").arg(name, why),
             this);
    }
}

void PronunciationListDialog::accept()
{
    if (m_model->isModified() && m_saver) {
        if (const QString why = m_saver(m_model->entries()); !why.isEmpty()) {
            tell(why, this);
            return;
        }
    }
    QDialog::accept();
}

void PronunciationListDialog::reject()
{
    if (m_model->isModified() &&
        platform::showMessage(QStringLiteral("Forget the changes made to your pronunciations?"),
                              platform::MessageButtons::YesNo, platform::MessageIcon::Question, {},
                              this) != platform::MessageAnswer::Yes) {
        return;
    }
    QDialog::reject();
}

bool PronunciationListDialog::eventFilter(QObject* watched, QEvent* event)
{
    // In the table Enter edits the entry and Delete removes it, rather than closing the
    // dialog and doing nothing.
    if (watched == m_table && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && currentRow() >= 0) {
            editCurrent();
            return true;
        }
        if (key == Qt::Key_Delete && currentRow() >= 0) {
            removeSelected();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace app
