// The compiled-help reader, the version reader for the installed components, and the viewer's
// windows and pop-ups.

#include "TestFiles.h"
#include "helpviewer/ChmBrowser.h"
#include "helpviewer/ChmFile.h"
#include "helpviewer/ChmHelpViewer.h"
#include "helpviewer/FileVersion.h"
#include "helpviewer/HelpPopupWindow.h"
#include "helpviewer/HelpWindow.h"
#include "helpviewer/TestPeImage.h"
#include "platform/Resources.h"
#include "support/FakeMessageBoxService.h"

#include <QApplication>
#include <QListWidget>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QtEndian>

using namespace helpviewer;

namespace {

const QString HelpFile = QStringLiteral(PARLANZA_HELP_FILE);

// The viewport point of the first link whose target contains `target`.
std::optional<QPoint> linkPoint(QTextBrowser* browser, const QString& target)
{
    for (QTextCursor at(browser->document()); at.movePosition(QTextCursor::NextCharacter);) {
        if (at.charFormat().anchorHref().contains(target)) {
            return browser->cursorRect(at).center();
        }
    }
    return std::nullopt;
}

} // namespace

class tst_HelpViewer : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QByteArray m_original;
    ChmFile m_help;

    ChmHelpViewer m_viewer;
    support::FakeMessageBoxService m_boxes;

    QStringList boxTexts() const
    {
        QStringList texts;
        for (const platform::MessageBoxRequest& box : m_boxes.boxes()) {
            texts << box.text;
        }
        return texts;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_original = testfiles::read(HelpFile);
        m_help = ChmFile::open(HelpFile);
        QVERIFY2(m_help.isOpen(), qPrintable(m_help.errorString()));
    }

    // The titles, default window and topic, the window type, and the topics of context numbers
    // through the stored paths.
    void readsTheProjectTables()
    {
        const std::optional<helpviewer::ChmWindowType> main = m_help.windowType("main");
        QVERIFY(main);
        QCOMPARE(QVariantList({m_help.system().title, m_help.system().defaultWindow,
                               m_help.defaultTopic(), main->caption, main->geometry, main->homeFile,
                               main->navigationWidth, m_help.topicForContextId(1).value_or(""),
                               m_help.topicForContextId(10).value_or(""),
                               m_help.topicForContextId(11).value_or("unmapped")}),
                 QVariantList({"Parlanza Help", "Main", "/howto.htm", "Parlanza Help",
                               QRect(QPoint(80, 60), QPoint(919, 699)), "howto.htm", 270,
                               "/howto.htm", "/messages.htm", "unmapped"}));
        QVERIFY(!m_help.windowType("Secondary"));
    }

    void resolvesTheLongestSuffixThatExists()
    {
        // The compiler stores the build machine's path; only a tail of it names the
        // object, and a deeper object must win over a shorter match.
        QByteArray strings(1, '\0');
        const quint32 deep = quint32(strings.size());
        strings += QByteArray("/home/x/build/images/bars.png") + '\0';
        const quint32 windowsPath = quint32(strings.size());
        strings += QByteArray("C:\\proj\\howto.htm") + '\0';
        // Its size, then context number 7 for the deep path and 8 for the Windows one.
        QByteArray ivb;
        for (const quint32 value : {16u, 7u, deep, 8u, windowsPath}) {
            ivb += QByteArray(4, '\0');
            qToLittleEndian(value, ivb.data() + ivb.size() - 4);
        }
        const ChmFile chm = ChmFile::fromObjects({{"/#STRINGS", strings},
                                                  {"/#IVB", ivb},
                                                  {"/bars.png", "b"},
                                                  {"/images/bars.png", "p"},
                                                  {"/howto.htm", "h"}});
        QCOMPARE(chm.topicForContextId(7), "/images/bars.png");
        QCOMPARE(chm.topicForContextId(8), "/howto.htm");
    }

    // Only a sane rectangle becomes the window's place: not none, nor one whose co-ordinates
    // would overflow.
    void windowPlacesMustBePlausible()
    {
        const std::pair<std::array<qint32, 4>, QRect> rows[] = {
            {{10, 20, 510, 420}, QRect(10, 20, 500, 400)},
            {{0, 0, 0, 0}, QRect()},
            {{574449004, 0, -1634885776, 10}, QRect()}};
        for (const auto& [rect, geometry] : rows) {
            const QByteArray strings("\0Main\0", 6);
            QByteArray windows(8 + 196, '\0');
            qToLittleEndian<quint32>(1, windows.data());
            qToLittleEndian<quint32>(196, windows.data() + 4);
            qToLittleEndian<quint32>(1, windows.data() + 8 + 0x08);
            for (int i = 0; i < 4; ++i) {
                qToLittleEndian<qint32>(rect[i], windows.data() + 8 + 0x20 + 4 * qsizetype(i));
            }
            const ChmFile chm =
                ChmFile::fromObjects({{"/#STRINGS", strings}, {"/#WINDOWS", windows}});
            QCOMPARE(chm.windowTypes().size(), 1);
            QCOMPARE(chm.windowTypes().first().name, "Main");
            QCOMPARE(chm.windowTypes().first().geometry, geometry);
        }
    }

    // Stored, without the slash, in another case, with dots, backslashes or a fragment.
    void findsObjectsWhateverTheSpelling()
    {
        for (const QString path :
             {"/howto.htm", "howto.htm", "/HowTo.HTM", "images/../images/./bars.png",
              "\\images\\bars.png", "messages.htm#word"}) {
            QVERIFY2(m_help.contains(path) && m_help.object(path), qPrintable(path));
        }
        QVERIFY(!m_help.contains("/nothing.htm"));
        QVERIFY(!m_help.object("/nothing.htm"));
    }

    // The contents, the index and its look-ups, and a search of every page's text (words
    // inside tags are not text).
    void buildsContentsIndexAndSearch()
    {
        const QList<helpviewer::ChmSitemapEntry> toc = m_help.contents();
        QCOMPARE(toc.size(), 2);
        QCOMPARE(toc.at(0).children.size(), 9);
        QCOMPARE(QStringList({toc.at(0).name, toc.at(0).locals.join(u'|'),
                              toc.at(0).children.at(3).name, toc.at(1).name}),
                 QStringList({"How to Use", "howto.htm", "Recording to a Wave File", "Messages"}));
        for (const helpviewer::ChmSitemapEntry& entry : m_help.index()) {
            QVERIFY2(m_help.contains(entry.locals.value(0)), qPrintable(entry.name));
        }
        QCOMPARE(m_help.topicsForKeyword("nothing; speed"), QStringList{"/voices.htm"});
        QCOMPARE(m_help.topicsForALink("Recording"), QStringList{"/recording.htm"});
        QVERIFY(m_help.topicsForALink("Nobody").isEmpty());

        const QList<helpviewer::ChmSearchHit> hits = m_help.search("overwrite wave");
        QVERIFY(!hits.isEmpty());
        for (const helpviewer::ChmSearchHit& hit : hits) {
            QVERIFY(hit.path == "/recording.htm" || hit.path == "/messages.htm");
        }
        for (const char* nowhere : {"xylophone", "  ", "stylesheet"}) {
            QVERIFY(m_help.search(nowhere).isEmpty());
        }
        QCOMPARE(m_help.pageTitle("zoom.htm"), "Zoom");
    }

    void parsesSitemapsDefensively()
    {
        const QList<helpviewer::ChmSitemapEntry> entries = ChmSitemap::parse(
            "<ul><li><object type=\"text/sitemap\"><param name=\"Name\" value=\"A &amp; B\">"
            "<param name=\"Local\" value='a.htm'><param name=\"Name\" value=\"ignored\">"
            "<param name=\"Local\" value=\"b.htm\"></object>"
            "<li><object type=\"text/site properties\"><param name=\"Name\" value=\"x\"></object>"
            "<ul><ul><li><object type=\"text/sitemap\"><param name=\"Name\" value=\"C\"></object>"
            "</ul>");
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries.at(0).name, "A & B");
        QCOMPARE(entries.at(0).locals, (QStringList{"a.htm", "b.htm"}));
        QCOMPARE(entries.at(0).children.size(), 1);
        // A hostile nesting depth must neither overflow the stack nor lose the entries.
        QList<helpviewer::ChmSitemapEntry> level = ChmSitemap::parse(
            QString("<ul>").repeated(100000) +
            "<object type=\"text/sitemap\"><param name=\"Name\" value=\"Deep\"></object>");
        int depth = 0;
        while (!level.isEmpty() && level.first().name != "Deep") {
            level = level.first().children;
            ++depth;
        }
        QCOMPARE(level.value(0).name, "Deep");
        QVERIFY(depth < ChmSitemap::MaxDepth);
    }

    // Missing, empty, a header only, half a file, and a block length whose high half is set
    // (chmlib would copy from past its buffer): each refused with its reason.
    void refusesWhatIsNotAHelpFile()
    {
        using Status = ChmFile::Status;
        const QString damaged = "The help file %1 is damaged and cannot be shown.";
        const std::tuple<QByteArray, Status, QString> rows[] = {
            {QByteArray(), Status::Missing, "The help file %1 does not exist."},
            {"", Status::NotHelpFile, "%1 is not a compiled help file."},
            {m_original.left(0x60), Status::NotHelpFile, "%1 is not a compiled help file."},
            {m_original.left(m_original.size() / 2), Status::Damaged, damaged},
            {testfiles::read(PARLANZA_TEST_DATA "/block-length-high-bits.chm"), Status::Damaged,
             damaged}};
        const QString path = m_dir.filePath("bad.chm");
        for (const auto& [content, status, reason] : rows) {
            QFile::remove(path);
            QVERIFY(content.isNull() || testfiles::write(path, content));
            const ChmFile chm = ChmFile::open(path);
            QCOMPARE(int(chm.status()), int(status));
            QVERIFY(!chm.isOpen());
            QCOMPARE(chm.errorString(), reason.arg(path));
        }
    }

    void survivesDamagedCopies()
    {
        // chmlib itself crashes on some of these; the reader must only ever report.
        QRandomGenerator random(20261206);
        int opened = 0;
        int refused = 0;
        for (int round = 0; round < 120; ++round) {
            QByteArray copy = m_original;
            if (round % 3 == 0) {
                copy.truncate(random.bounded(int(copy.size())));
            } else {
                for (int flips = 1 + random.bounded(12); flips > 0; --flips) {
                    copy[random.bounded(int(copy.size()))] = char(random.bounded(256));
                }
            }
            const QString path = m_dir.filePath("mutated.chm");
            QVERIFY(testfiles::write(path, copy));
            const ChmFile chm = ChmFile::open(path, 5000);
            if (chm.isOpen()) {
                ++opened;
                chm.contents();
                chm.index();
                chm.topicForContextId(1);
                chm.search(QStringLiteral("voice"));
            } else {
                ++refused;
                QVERIFY(!chm.errorString().isEmpty());
            }
        }
        QVERIFY(opened > 0);
        QVERIFY(refused > 0);
    }

    // The version resource of an installed component, in both image kinds and at its largest
    // (the viewer's own version, read from a file, is the help wrapper's test). None from an
    // empty image, one cut at the program header or before the resources, a bad signature or
    // key, a header past the end, icons only, or a tree pointing back at its root.
    void readsFileVersions()
    {
        const QByteArray wide = testpe::image(5, 50, 3825, 1300, true);
        QCOMPARE(FileVersion::fromImage(wide), (FileVersion{5, 50, 3825, 1300}));
        QCOMPARE(FileVersion::fromImage(testpe::image(65535, 65535, 65535, 65535)),
                 (FileVersion{65535, 65535, 65535, 65535}));
        const QString path = m_dir.filePath("component.dll");
        QVERIFY(testfiles::write(path, wide));
        QCOMPARE(FileVersion::read(path), (FileVersion{5, 50, 3825, 1300}));
        QVERIFY(!FileVersion::read(m_dir.filePath("missing.dll")));

        const QByteArray good = testpe::image(1, 2, 3, 4);
        QList<QByteArray> images{QByteArray(), good.left(0x40), good.left(0x200)};
        images << good << good << good << good << good;
        images[3][0x200 + 0x58 + 40] = 0;
        images[4][0x200 + 0x58 + 6] = 'X';
        testpe::put<quint32>(images[5], 0x3C, 0x7FFFFFF0u);
        testpe::put<quint32>(images[6], 0x200 + 16, 3);
        testpe::put<quint32>(images[7], 0x200 + 0x18 + 20, 0x80000000u);
        for (qsizetype i = 0; i < images.size(); ++i) {
            QVERIFY2(!FileVersion::fromImage(images[i]), qPrintable(QString::number(i)));
        }
    }

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

    // A window opened on the home topic follows a link inside the file, with the pictures
    // and style sheets it takes from there; the same window shows the contents, the index and
    // the search results.
    void followsLinksAndShowsContentsIndexAndSearch()
    {
        const HelpWindowHandle handle =
            m_viewer.htmlHelp(nullptr, HelpFile, HelpCommand::DisplayTopic, quintptr(0));
        HelpWindow* window = m_viewer.window(handle);
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->currentTopic(), "/howto.htm");
        ChmBrowser* browser = window->browser();
        const std::optional<QPoint> point = linkPoint(browser, "recording.htm");
        QVERIFY(point);
        QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, *point);
        QTRY_COMPARE(window->currentTopic(), "/recording.htm");
        QVERIFY(browser->toPlainText().contains("Step by step"));
        QVERIFY(browser->isBackwardAvailable());
        window->showTopic("window.htm");
        const auto resource = [browser](QTextDocument::ResourceType type, const char* url) {
            return browser->loadResource(type, QUrl(url));
        };
        QVERIFY(!QImage::fromData(
                     resource(QTextDocument::ImageResource, "its:/images/bars.png").toByteArray())
                     .isNull());
        QVERIFY(resource(QTextDocument::StyleSheetResource, "its:/style.css")
                    .toString()
                    .contains("font-family"));
        QVERIFY(resource(QTextDocument::HtmlResource, "its:/missing.htm")
                    .toString()
                    .contains("not in the help file"));

        QCOMPARE(m_viewer.htmlHelp(nullptr, HelpFile, HelpCommand::DisplayToc, quintptr(0)),
                 handle);
        QCOMPARE(window->currentPane(), HelpWindow::Pane::Contents);
        QCOMPARE(window->contentsTree()->topLevelItemCount(), 2);
        QCOMPARE(m_viewer.htmlHelp(nullptr, HelpFile, HelpCommand::DisplayIndex, quintptr(0)),
                 handle);
        QCOMPARE(window->currentPane(), HelpWindow::Pane::Index);
        window->setIndexFilter("wav");
        QCOMPARE(window->indexList()->currentItem()->text(), "Wave files");
        HelpFtsQuery query;
        query.searchQuery = "clipboard";
        m_viewer.htmlHelp(nullptr, HelpFile, HelpCommand::DisplaySearch, query);
        QCOMPARE(window->currentPane(), HelpWindow::Pane::Search);
        QVERIFY(window->resultsList()->count() >= 2);
        QCOMPARE(window->resultsList()->item(0)->text(), "Editing and Formatting");
    }

    // The command, the names looked up, the default topic, the message, and the topic shown
    // (none when empty): a default topic wins over the message.
    void looksUpKeywordsAndAssociativeLinks()
    {
        using Text = std::optional<QString>;
        const HelpCommand keyword = HelpCommand::KeywordLookup;
        const HelpCommand alink = HelpCommand::ALinkLookup;
        const std::tuple<HelpCommand, QString, Text, Text, QString> rows[] = {
            {keyword, "Tone", {}, {}, "/voices.htm"},
            {keyword, "nothing", "menus.htm", "ignored", "/menus.htm"},
            {keyword, "nothing", {}, "No such topic", ""},
            {alink, "Messages", {}, {}, "/messages.htm"},
            {alink, "Nobody", {}, {}, ""}};
        for (const auto& [command, names, url, message, topic] : rows) {
            m_boxes.clear();
            HelpAkLink link;
            link.keywords = names;
            link.url = url;
            link.msgText = message;
            link.msgTitle = "Look-up";
            const HelpWindowHandle handle = m_viewer.htmlHelp(nullptr, HelpFile, command, link);
            QCOMPARE(handle ? m_viewer.window(handle)->currentTopic() : QString(), topic);
            const bool boxExpected = topic.isEmpty() && message;
            QCOMPARE(boxTexts(), boxExpected ? QStringList{*message} : QStringList());
            if (boxExpected) {
                QCOMPARE(m_boxes.boxes().at(0).title, "Look-up");
            }
        }
    }

    // A file that is not a help file, a context number or a topic the file does not have: no
    // window, and a message that says why.
    void refusesWithAMessage()
    {
        const QString path = m_dir.filePath("broken.chm");
        QVERIFY(testfiles::write(path, "plain words"));
        QCOMPARE(m_viewer.htmlHelp(nullptr, path, HelpCommand::HelpContext, quintptr(1)),
                 HelpWindowHandle(0));
        QCOMPARE(m_viewer.htmlHelp(nullptr, HelpFile, HelpCommand::HelpContext, quintptr(999)),
                 HelpWindowHandle(0));
        QCOMPARE(m_viewer.htmlHelp(nullptr, HelpFile, HelpCommand::DisplayTopic, "nowhere.htm"),
                 HelpWindowHandle(0));
        QCOMPARE(boxTexts(),
                 QStringList({path + " is not a compiled help file.",
                              "The help file " + HelpFile + " has no topic for context number 999.",
                              "The topic nowhere.htm is not in the help file " + HelpFile + "."}));
    }

    void showsTextPopups()
    {
        HelpPopup popup;
        popup.text = "Speaks the text";
        popup.position = QPoint(200, 150);
        popup.foreground = platform::rgb(0, 0, 128);
        popup.background = platform::rgb(255, 255, 224);
        popup.font = "DejaVu Sans, 12, ascii, Bold Underline";
        const auto show = [&](const QString& file) {
            return m_viewer.htmlHelp(nullptr, file, HelpCommand::DisplayTextPopup, popup);
        };
        QVERIFY(show(""));
        HelpPopupWindow* shown = m_viewer.popup();
        QVERIFY(shown);
        QCOMPARE(shown->text(), "Speaks the text");
        QCOMPARE(shown->pos(), QPoint(200, 150));
        QCOMPARE(shown->palette().color(QPalette::WindowText), QColor(0, 0, 128));
        QCOMPARE(shown->palette().color(QPalette::Window), QColor(255, 255, 224));
        QCOMPARE(shown->font().pointSize(), 12);
        QVERIFY(shown->font().bold() && !shown->font().italic() && shown->font().underline());

        // Black on black would hide the text: the usual pop-up colours are used instead.
        popup.foreground = 0;
        popup.background = 0;
        QVERIFY(show(""));
        QVERIFY(m_viewer.popup()->palette().color(QPalette::WindowText) !=
                m_viewer.popup()->palette().color(QPalette::Window));

        // A string of the program's own string table when no file is named, else a topic of the
        // file's pop-up text file; numbers neither has are refused with a message.
        const QString textFile = HelpFile + "::/popups.txt";
        popup.text.reset();
        popup.textId = 101;
        QVERIFY(show(""));
        QCOMPARE(m_viewer.popup()->text(), platform::resources::string(101).value_or("?"));
        popup.textId = 4;
        QVERIFY(show(textFile));
        QCOMPARE(m_viewer.popup()->text(), "Ends speaking or recording.");
        QVERIFY(m_boxes.boxes().isEmpty());
        popup.textId = 99999;
        QCOMPARE(show(""), HelpWindowHandle(0));
        popup.textId = 77;
        QCOMPARE(show(textFile), HelpWindowHandle(0));
        QCOMPARE(boxTexts(),
                 QStringList({"The program has no pop-up text number 99999.",
                              "The help file " + HelpFile + " has no pop-up text number 77."}));
    }
};

QTEST_MAIN(tst_HelpViewer)
#include "tst_HelpViewer.moc"
