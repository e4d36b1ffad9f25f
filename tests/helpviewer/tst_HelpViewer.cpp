#include "TestFiles.h"
#include "helpviewer/ChmBrowser.h"
#include "helpviewer/ChmHelpViewer.h"
#include "helpviewer/HelpPopupWindow.h"
#include "helpviewer/HelpWindow.h"
#include "platform/FakeMessageBoxService.h"
#include "platform/Resources.h"

#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QTreeWidget>

using namespace platform;

namespace {

const QString HelpFile = QStringLiteral(PARLANZA_HELP_FILE);

// The viewport point of the first link whose target contains `target`.
std::optional<QPoint> linkPoint(QTextBrowser* browser, const QString& target)
{
    QTextDocument* document = browser->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().anchorHref().contains(target)) {
                QTextCursor cursor(document);
                cursor.setPosition(fragment.position() + 1);
                return browser->cursorRect(cursor).center();
            }
        }
    }
    return std::nullopt;
}

} // namespace

class tst_HelpViewer : public QObject
{
    Q_OBJECT

private:
    ChmHelpViewer m_viewer;
    FakeMessageBoxService m_boxes;

private Q_SLOTS:
    void cleanup()
    {
        m_viewer.closeAll();
        m_boxes.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void helpDoesNotKeepTheProgramRunning()
    {
        QWidget main;
        main.show();
        const HelpWindowHandle handle =
            m_viewer.htmlHelp(nullptr, HelpFile, HelpCommand::DisplayToc, quintptr(0));
        QVERIFY(m_viewer.window(handle)->isVisible());
        // Closing the main window ends the program while help is still open.
        QApplication::setQuitOnLastWindowClosed(true);
        QTimer::singleShot(0, &main, &QWidget::close);
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
    }

    void followsALinkInsideTheFile()
    {
        const HelpWindowHandle handle =
            m_viewer.htmlHelp(nullptr, HelpFile, HelpCommand::DisplayTopic, quintptr(0));
        HelpWindow* window = m_viewer.window(handle);
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        ChmBrowser* browser = window->browser();
        const std::optional<QPoint> point = linkPoint(browser, QStringLiteral("recording.htm"));
        QVERIFY(point);
        QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, *point);
        QTRY_COMPARE(window->currentTopic(), QStringLiteral("/recording.htm"));
        QVERIFY(browser->toPlainText().contains(QStringLiteral("Step by step")));
        QVERIFY(browser->isBackwardAvailable());
        // Pictures and style sheets come from inside the file as well.
        window->showTopic(QStringLiteral("window.htm"));
        const QVariant picture = browser->loadResource(
            QTextDocument::ImageResource, QUrl(QStringLiteral("its:/images/bars.png")));
        QVERIFY(!QImage::fromData(picture.toByteArray()).isNull());
        QVERIFY(browser
                    ->loadResource(QTextDocument::StyleSheetResource,
                                   QUrl(QStringLiteral("its:/style.css")))
                    .toString()
                    .contains(QStringLiteral("font-family")));
        QVERIFY(browser
                    ->loadResource(QTextDocument::HtmlResource,
                                   QUrl(QStringLiteral("its:/missing.htm")))
                    .toString()
                    .contains(QStringLiteral("not in the help file")));
    }

    void showsContentsIndexAndSearch()
    {
        const HelpWindowHandle toc =
            m_viewer.htmlHelp(nullptr, HelpFile, HelpCommand::DisplayToc, quintptr(0));
        HelpWindow* window = m_viewer.window(toc);
        QCOMPARE(window->currentPane(), HelpWindow::Pane::Contents);
        QCOMPARE(window->currentTopic(), QStringLiteral("/howto.htm"));
        QCOMPARE(window->contentsTree()->topLevelItemCount(), 2);

        QCOMPARE(m_viewer.htmlHelp(nullptr, HelpFile, HelpCommand::DisplayIndex, quintptr(0)), toc);
        QCOMPARE(window->currentPane(), HelpWindow::Pane::Index);
        window->setIndexFilter(QStringLiteral("wav"));
        QCOMPARE(window->indexList()->currentItem()->text(), QStringLiteral("Wave files"));

        HelpFtsQuery query;
        query.searchQuery = QStringLiteral("clipboard");
        m_viewer.htmlHelp(nullptr, HelpFile, HelpCommand::DisplaySearch, query);
        QCOMPARE(window->currentPane(), HelpWindow::Pane::Search);
        QVERIFY(window->resultsList()->count() >= 2);
        QCOMPARE(window->resultsList()->item(0)->text(), QStringLiteral("Editing and Formatting"));
    }

    void looksUpKeywordsAndAssociativeLinks_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("names");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("topic");
        const auto row = [](const char* name, HelpCommand command, const QString& names,
                            const QString& url, const QString& message, const QString& topic) {
            QTest::newRow(name) << int(command) << names << url << message << topic;
        };
        const HelpCommand keyword = HelpCommand::KeywordLookup;
        const HelpCommand alink = HelpCommand::ALinkLookup;
        row("keyword", keyword, "Tone", "", "", "/voices.htm");
        row("keyword default", keyword, "nothing", "menus.htm", "ignored", "/menus.htm");
        row("keyword message", keyword, "nothing", "", "No such topic", "");
        row("alink", alink, "Messages", "", "", "/messages.htm");
        row("alink nothing", alink, "Nobody", "", "", "");
    }
    void looksUpKeywordsAndAssociativeLinks()
    {
        QFETCH(int, command);
        QFETCH(QString, names);
        QFETCH(QString, url);
        QFETCH(QString, message);
        QFETCH(QString, topic);
        HelpAkLink link;
        link.keywords = names;
        if (!url.isEmpty()) {
            link.url = url;
        }
        if (!message.isEmpty()) {
            link.msgText = message;
            link.msgTitle = QStringLiteral("Look-up");
        }
        const HelpWindowHandle handle =
            m_viewer.htmlHelp(nullptr, HelpFile, HelpCommand(command), link);
        if (topic.isEmpty()) {
            QCOMPARE(handle, HelpWindowHandle(0));
        } else {
            QVERIFY(handle);
            QCOMPARE(m_viewer.window(handle)->currentTopic(), topic);
        }
        const bool boxExpected = topic.isEmpty() && !message.isEmpty();
        QCOMPARE(m_boxes.boxes().size(), boxExpected ? 1 : 0);
        if (boxExpected) {
            QCOMPARE(m_boxes.boxes().at(0).text, message);
            QCOMPARE(m_boxes.boxes().at(0).title, QStringLiteral("Look-up"));
        }
    }

    void refusesBadFilesWithAMessage_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("wording");
        QTest::newRow("text") << QByteArray("plain words")
                              << QStringLiteral("not a compiled help file");
        const QByteArray whole = testfiles::read(HelpFile);
        QTest::newRow("truncated") << whole.left(whole.size() * 2 / 3) << QStringLiteral("damaged");
    }
    void refusesBadFilesWithAMessage()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, wording);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("broken.chm"));
        QVERIFY(testfiles::write(path, content));
        QCOMPARE(m_viewer.htmlHelp(nullptr, path, HelpCommand::HelpContext, quintptr(1)),
                 HelpWindowHandle(0));
        QCOMPARE(m_boxes.boxes().size(), 1);
        QVERIFY(m_boxes.boxes().at(0).text.contains(wording));
        QVERIFY(m_boxes.boxes().at(0).text.contains(path));
    }

    void refusesUnknownTopics()
    {
        QCOMPARE(m_viewer.htmlHelp(nullptr, HelpFile, HelpCommand::HelpContext, quintptr(999)),
                 HelpWindowHandle(0));
        QCOMPARE(m_viewer.htmlHelp(nullptr, HelpFile, HelpCommand::DisplayTopic,
                                   QStringLiteral("nowhere.htm")),
                 HelpWindowHandle(0));
        QCOMPARE(m_boxes.boxes().size(), 2);
    }

    void showsTextPopups()
    {
        HelpPopup popup;
        popup.text = QStringLiteral("Speaks the text");
        popup.position = QPoint(200, 150);
        popup.foreground = rgb(0, 0, 128);
        popup.background = rgb(255, 255, 224);
        popup.font = QStringLiteral("DejaVu Sans, 12, ascii, Bold Underline");
        QVERIFY(m_viewer.htmlHelp(nullptr, QString(), HelpCommand::DisplayTextPopup, popup));
        HelpPopupWindow* shown = m_viewer.popup();
        QVERIFY(shown);
        QCOMPARE(shown->text(), QStringLiteral("Speaks the text"));
        QCOMPARE(shown->pos(), QPoint(200, 150));
        QCOMPARE(shown->palette().color(QPalette::WindowText), QColor(0, 0, 128));
        QCOMPARE(shown->palette().color(QPalette::Window), QColor(255, 255, 224));
        QCOMPARE(shown->font().pointSize(), 12);
        QVERIFY(shown->font().bold());
        QVERIFY(!shown->font().italic());
        QVERIFY(shown->font().underline());

        // Black on black would hide the text: the usual pop-up colours are used instead.
        popup.foreground = 0;
        popup.background = 0;
        QVERIFY(m_viewer.htmlHelp(nullptr, QString(), HelpCommand::DisplayTextPopup, popup));
        QVERIFY(m_viewer.popup()->palette().color(QPalette::WindowText) !=
                m_viewer.popup()->palette().color(QPalette::Window));

        // A string of the program's own string table, when no file is named.
        popup.text.reset();
        popup.textId = 101;
        QVERIFY(m_viewer.htmlHelp(nullptr, QString(), HelpCommand::DisplayTextPopup, popup));
        QCOMPARE(m_viewer.popup()->text(), resources::string(101).value_or(QStringLiteral("?")));
        popup.textId = 99999;
        QCOMPARE(m_viewer.htmlHelp(nullptr, QString(), HelpCommand::DisplayTextPopup, popup),
                 HelpWindowHandle(0));
        QCOMPARE(m_boxes.boxes().size(), 1);
        m_boxes.clear();

        // A topic of the file's pop-up text file.
        popup.text.reset();
        popup.textId = 4;
        QVERIFY(m_viewer.htmlHelp(nullptr, HelpFile + QStringLiteral("::/popups.txt"),
                                  HelpCommand::DisplayTextPopup, popup));
        QCOMPARE(m_viewer.popup()->text(), QStringLiteral("Ends speaking or recording."));
        popup.textId = 77;
        QCOMPARE(m_viewer.htmlHelp(nullptr, HelpFile + QStringLiteral("::/popups.txt"),
                                   HelpCommand::DisplayTextPopup, popup),
                 HelpWindowHandle(0));
        QCOMPARE(m_boxes.boxes().size(), 1);
    }
};

QTEST_MAIN(tst_HelpViewer)
#include "tst_HelpViewer.moc"
