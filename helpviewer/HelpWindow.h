#pragma once

#include "helpviewer/ChmFile.h"

#include <QWidget>
#include <memory>

class QLineEdit;
class QListWidget;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

// The help viewer's window: contents, index and search beside the page.
namespace helpviewer {

class ChmBrowser;

class HelpWindow : public QWidget
{
    Q_OBJECT
public:
    enum class Pane { Contents = 0, Index = 1, Search = 2 };

    HelpWindow(std::shared_ptr<const ChmFile> file, const QString& windowType,
               QWidget* owner = nullptr);

    const ChmFile& helpFile() const { return *m_file; }
    QString windowType() const { return m_windowType; }
    ChmBrowser* browser() const { return m_browser; }

    // Shows a page of the file ("/page.htm" or "page.htm#part").
    void showTopic(const QString& topic);
    // The page shown, as a path inside the file.
    QString currentTopic() const;
    // The page the window type names as its start, else the file's default topic.
    QString homeTopic() const;

    void showPane(Pane pane);
    Pane currentPane() const;

    // Runs a search and lists what it finds; returns the number of pages found.
    int search(const QString& query);
    // Lists pages under a heading in the search pane (what a look-up found).
    void listTopics(const QStringList& topics);
    void setIndexFilter(const QString& text);

    QTreeWidget* contentsTree() const { return m_contents; }
    QListWidget* indexList() const { return m_index; }
    QListWidget* resultsList() const { return m_results; }

private:
    void buildContents();
    void buildIndex();
    void syncContents(const QUrl& url);
    void openIndexItem();

    std::shared_ptr<const ChmFile> m_file;
    QString m_windowType;
    ChmBrowser* m_browser = nullptr;
    QTabWidget* m_panes = nullptr;
    QTreeWidget* m_contents = nullptr;
    QLineEdit* m_indexFilter = nullptr;
    QListWidget* m_index = nullptr;
    QLineEdit* m_searchQuery = nullptr;
    QListWidget* m_results = nullptr;
};

} // namespace helpviewer
