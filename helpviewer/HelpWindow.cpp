#include "helpviewer/HelpWindow.h"

#include "helpviewer/ChmBrowser.h"
#include "platform/ScreenPlace.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace helpviewer {
namespace {

constexpr int TopicRole = Qt::UserRole;

void addEntries(const QList<ChmSitemapEntry>& entries, QTreeWidgetItem* parent, QTreeWidget* tree)
{
    for (const ChmSitemapEntry& entry : entries) {
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
        item->setText(0, entry.name);
        if (!entry.locals.isEmpty()) {
            item->setData(0, TopicRole, entry.locals.first());
        }
        addEntries(entry.children, item, tree);
    }
}

void addIndexEntries(const QList<ChmSitemapEntry>& entries, int depth, QListWidget* list)
{
    for (const ChmSitemapEntry& entry : entries) {
        auto* item =
            new QListWidgetItem(QString(qsizetype(depth) * 4, QLatin1Char(' ')) + entry.name, list);
        item->setData(TopicRole, entry.locals);
        item->setData(TopicRole + 1, entry.name);
        addIndexEntries(entry.children, depth + 1, list);
    }
}

} // namespace

HelpWindow::HelpWindow(std::shared_ptr<const ChmFile> file, const QString& windowType,
                       QWidget* owner)
    : QWidget(owner, Qt::Window), m_file(std::move(file)), m_windowType(windowType)
{
    setAttribute(Qt::WA_DeleteOnClose);
    // Escape closes it, as it closes a dialog.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &QWidget::close);
    // Help belongs to the program's windows: it must not keep the program running
    // after the user has closed the program itself.
    setAttribute(Qt::WA_QuitOnClose, false);

    m_browser = new ChmBrowser(this);
    m_browser->setHelpFile(m_file);

    auto* back = new QToolButton(this);
    back->setText(tr("Back"));
    back->setEnabled(false);
    auto* forward = new QToolButton(this);
    forward->setText(tr("Forward"));
    forward->setEnabled(false);
    auto* home = new QToolButton(this);
    home->setText(tr("Home"));
    connect(back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(home, &QToolButton::clicked, this, [this] { showTopic(homeTopic()); });
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QToolButton::setEnabled);

    m_contents = new QTreeWidget(this);
    m_contents->setHeaderHidden(true);
    connect(m_contents, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        const QString topic = item->data(0, TopicRole).toString();
        if (!topic.isEmpty()) {
            showTopic(topic);
        }
    });
    connect(m_contents, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        const QString topic = item->data(0, TopicRole).toString();
        if (!topic.isEmpty()) {
            showTopic(topic);
        }
    });

    auto* indexPane = new QWidget(this);
    m_indexFilter = new QLineEdit(indexPane);
    m_indexFilter->setPlaceholderText(tr("Type the keyword to find"));
    m_index = new QListWidget(indexPane);
    auto* display = new QPushButton(tr("Display"), indexPane);
    auto* indexLayout = new QVBoxLayout(indexPane);
    indexLayout->addWidget(m_indexFilter);
    indexLayout->addWidget(m_index);
    indexLayout->addWidget(display);
    connect(m_indexFilter, &QLineEdit::textChanged, this, &HelpWindow::setIndexFilter);
    connect(m_indexFilter, &QLineEdit::returnPressed, this, &HelpWindow::openIndexItem);
    connect(display, &QPushButton::clicked, this, &HelpWindow::openIndexItem);
    connect(m_index, &QListWidget::itemActivated, this, &HelpWindow::openIndexItem);
    connect(m_index, &QListWidget::itemDoubleClicked, this, &HelpWindow::openIndexItem);

    auto* searchPane = new QWidget(this);
    m_searchQuery = new QLineEdit(searchPane);
    m_searchQuery->setPlaceholderText(tr("Type in the words to search for"));
    auto* listTopics = new QPushButton(tr("List Topics"), searchPane);
    m_results = new QListWidget(searchPane);
    auto* searchLayout = new QVBoxLayout(searchPane);
    auto* queryRow = new QHBoxLayout;
    queryRow->addWidget(m_searchQuery);
    queryRow->addWidget(listTopics);
    searchLayout->addLayout(queryRow);
    searchLayout->addWidget(m_results);
    auto runSearch = [this] { search(m_searchQuery->text()); };
    connect(listTopics, &QPushButton::clicked, this, runSearch);
    connect(m_searchQuery, &QLineEdit::returnPressed, this, runSearch);
    auto openResult = [this](QListWidgetItem* item) {
        const QString topic = item->data(TopicRole).toString();
        if (!topic.isEmpty()) {
            showTopic(topic);
        }
    };
    connect(m_results, &QListWidget::itemActivated, this, openResult);
    connect(m_results, &QListWidget::itemClicked, this, openResult);

    m_panes = new QTabWidget(this);
    m_panes->addTab(m_contents, tr("Contents"));
    m_panes->addTab(indexPane, tr("Index"));
    m_panes->addTab(searchPane, tr("Search"));

    auto* splitter = new QSplitter(this);
    splitter->addWidget(m_panes);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 1);

    auto* toolbar = new QHBoxLayout;
    toolbar->addWidget(back);
    toolbar->addWidget(forward);
    toolbar->addWidget(home);
    toolbar->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(toolbar);
    layout->addWidget(splitter, 1);

    connect(m_browser, &QTextBrowser::sourceChanged, this, &HelpWindow::syncContents);

    buildContents();
    buildIndex();

    const std::optional<ChmWindowType> type = m_file->windowType(m_windowType);
    QString caption = type ? type->caption : QString();
    if (caption.isEmpty()) {
        caption = m_file->system().title;
    }
    if (caption.isEmpty()) {
        caption = tr("Help");
    }
    setWindowTitle(caption);
    if (type && type->geometry.isValid()) {
        // The place was chosen on the help author's screen; keep it on this one.
        setGeometry(platform::placedOnScreen(type->geometry));
    } else {
        resize(800, 600);
    }
    const int navigation = type && type->navigationWidth > 0 ? type->navigationWidth : 240;
    splitter->setSizes({navigation, std::max(width() - navigation, 200)});
}

void HelpWindow::buildContents()
{
    addEntries(m_file->contents(), nullptr, m_contents);
    m_contents->expandToDepth(0);
}

void HelpWindow::buildIndex()
{
    addIndexEntries(m_file->index(), 0, m_index);
}

QString HelpWindow::homeTopic() const
{
    if (const std::optional<ChmWindowType> type = m_file->windowType(m_windowType)) {
        for (const QString& candidate : {type->homeFile, type->defaultFile}) {
            if (!candidate.isEmpty() && m_file->contains(candidate)) {
                return ChmFile::normalizePath(candidate);
            }
        }
    }
    return m_file->defaultTopic();
}

void HelpWindow::showTopic(const QString& topic)
{
    m_browser->setSource(ChmBrowser::urlFor(topic));
}

QString HelpWindow::currentTopic() const
{
    return ChmBrowser::pathOf(m_browser->source());
}

void HelpWindow::showPane(Pane pane)
{
    m_panes->setCurrentIndex(static_cast<int>(pane));
}

HelpWindow::Pane HelpWindow::currentPane() const
{
    return static_cast<Pane>(m_panes->currentIndex());
}

int HelpWindow::search(const QString& query)
{
    if (m_searchQuery->text() != query) {
        m_searchQuery->setText(query);
    }
    m_results->clear();
    const QList<ChmSearchHit> hits = m_file->search(query);
    for (const ChmSearchHit& hit : hits) {
        auto* item = new QListWidgetItem(hit.title, m_results);
        item->setData(TopicRole, hit.path);
    }
    if (hits.isEmpty() && !query.trimmed().isEmpty()) {
        auto* item = new QListWidgetItem(tr("No topics found."), m_results);
        item->setFlags(Qt::NoItemFlags);
    }
    return int(hits.size());
}

void HelpWindow::listTopics(const QStringList& topics)
{
    m_results->clear();
    for (const QString& topic : topics) {
        auto* item = new QListWidgetItem(m_file->pageTitle(topic), m_results);
        item->setData(TopicRole, topic);
    }
}

void HelpWindow::setIndexFilter(const QString& text)
{
    // Like a printed index: jump to the first keyword that starts with what was typed.
    const QString wanted = text.trimmed();
    for (int row = 0; row < m_index->count(); ++row) {
        QListWidgetItem* item = m_index->item(row);
        if (item->data(TopicRole + 1).toString().startsWith(wanted, Qt::CaseInsensitive)) {
            m_index->setCurrentItem(item);
            m_index->scrollToItem(item, QAbstractItemView::PositionAtTop);
            return;
        }
    }
}

void HelpWindow::openIndexItem()
{
    QListWidgetItem* item = m_index->currentItem();
    if (!item) {
        return;
    }
    const QStringList topics = item->data(TopicRole).toStringList();
    if (topics.isEmpty()) {
        return;
    }
    showTopic(topics.first());
    if (topics.size() > 1) {
        listTopics(topics);
    }
}

void HelpWindow::syncContents(const QUrl& url)
{
    const QString shown = ChmBrowser::pathOf(url).toLower();
    for (QTreeWidgetItemIterator it(m_contents); *it; ++it) {
        const QString topic = (*it)->data(0, TopicRole).toString();
        if (!topic.isEmpty() && ChmFile::normalizePath(topic).toLower() == shown) {
            m_contents->setCurrentItem(*it);
            return;
        }
    }
}

} // namespace helpviewer
