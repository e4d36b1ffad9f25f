#include "TestFiles.h"
#include "helpviewer/ChmFile.h"
#include "helpviewer/FileVersion.h"
#include "helpviewer/TestPeImage.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using platform::ChmFile;
using platform::ChmSitemap;
using platform::FileVersion;

// The compiled-help reader, and the version reader for the installed components.
class tst_ChmFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QByteArray m_original;
    ChmFile m_help;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_original = testfiles::read(QStringLiteral(PARLANZA_HELP_FILE));
        m_help = ChmFile::open(QStringLiteral(PARLANZA_HELP_FILE));
        QVERIFY2(m_help.isOpen(), qPrintable(m_help.errorString()));
    }

    void readsTheProjectTables()
    {
        const std::optional<platform::ChmWindowType> main =
            m_help.windowType(QStringLiteral("main"));
        QVERIFY(main);
        QCOMPARE(QVariantList({m_help.system().title, m_help.system().defaultWindow,
                               m_help.defaultTopic(), main->caption, main->geometry, main->homeFile,
                               main->navigationWidth}),
                 QVariantList({"Parlanza Help", "Main", "/howto.htm", "Parlanza Help",
                               QRect(QPoint(80, 60), QPoint(919, 699)), "howto.htm", 270}));
        QVERIFY(!m_help.windowType(QStringLiteral("Secondary")));
    }

    void mapsContextIdsThroughTheStoredPath_data()
    {
        QTest::addColumn<quint32>("id");
        QTest::addColumn<QString>("topic");
        QTest::newRow("how to use") << 1u << QStringLiteral("/howto.htm");
        QTest::newRow("messages") << 10u << QStringLiteral("/messages.htm");
        QTest::newRow("unmapped") << 11u << QString();
    }
    void mapsContextIdsThroughTheStoredPath()
    {
        QFETCH(quint32, id);
        QFETCH(QString, topic);
        QCOMPARE(m_help.topicForContextId(id).value_or(QString()), topic);
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
        QByteArray ivb(4 + 16, '\0');
        qToLittleEndian<quint32>(16, ivb.data());
        qToLittleEndian<quint32>(7, ivb.data() + 4);
        qToLittleEndian<quint32>(deep, ivb.data() + 8);
        qToLittleEndian<quint32>(8, ivb.data() + 12);
        qToLittleEndian<quint32>(windowsPath, ivb.data() + 16);
        const ChmFile chm = ChmFile::fromObjects({{QStringLiteral("/#STRINGS"), strings},
                                                  {QStringLiteral("/#IVB"), ivb},
                                                  {QStringLiteral("/bars.png"), "b"},
                                                  {QStringLiteral("/images/bars.png"), "p"},
                                                  {QStringLiteral("/howto.htm"), "h"}});
        QCOMPARE(chm.topicForContextId(7).value_or(QString()), QStringLiteral("/images/bars.png"));
        QCOMPARE(chm.topicForContextId(8).value_or(QString()), QStringLiteral("/howto.htm"));
    }

    void windowPlacesMustBePlausible_data()
    {
        QTest::addColumn<QList<qint32>>("rect");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("sane") << QList<qint32>{10, 20, 510, 420} << QRect(10, 20, 500, 400);
        QTest::newRow("none") << QList<qint32>{0, 0, 0, 0} << QRect();
        QTest::newRow("inside out") << QList<qint32>{500, 20, 10, 420} << QRect();
        QTest::newRow("overflowing") << QList<qint32>{574449004, 0, -1634885776, 10} << QRect();
        QTest::newRow("far away") << QList<qint32>{0, 0, 2000000, 10} << QRect();
    }
    void windowPlacesMustBePlausible()
    {
        QFETCH(QList<qint32>, rect);
        QFETCH(QRect, geometry);
        const QByteArray strings("\0Main\0", 6);
        QByteArray windows(8 + 196, '\0');
        qToLittleEndian<quint32>(1, windows.data());
        qToLittleEndian<quint32>(196, windows.data() + 4);
        qToLittleEndian<quint32>(1, windows.data() + 8 + 0x08);
        for (int i = 0; i < 4; ++i) {
            qToLittleEndian<qint32>(rect[i], windows.data() + 8 + 0x20 + 4 * qsizetype(i));
        }
        const ChmFile chm = ChmFile::fromObjects(
            {{QStringLiteral("/#STRINGS"), strings}, {QStringLiteral("/#WINDOWS"), windows}});
        QCOMPARE(chm.windowTypes().size(), 1);
        QCOMPARE(chm.windowTypes().first().name, QStringLiteral("Main"));
        QCOMPARE(chm.windowTypes().first().geometry, geometry);
    }

    void findsObjectsWhateverTheSpelling_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("found");
        QTest::newRow("stored") << QStringLiteral("/howto.htm") << true;
        QTest::newRow("no slash") << QStringLiteral("howto.htm") << true;
        QTest::newRow("case") << QStringLiteral("/HowTo.HTM") << true;
        QTest::newRow("dots") << QStringLiteral("images/../images/./bars.png") << true;
        QTest::newRow("backslash") << QStringLiteral("\\images\\bars.png") << true;
        QTest::newRow("fragment") << QStringLiteral("messages.htm#word") << true;
        QTest::newRow("missing") << QStringLiteral("/nothing.htm") << false;
    }
    void findsObjectsWhateverTheSpelling()
    {
        QFETCH(QString, path);
        QFETCH(bool, found);
        QCOMPARE(m_help.contains(path), found);
        QCOMPARE(bool(m_help.object(path)), found);
    }

    void buildsContentsAndIndex()
    {
        const QList<platform::ChmSitemapEntry> toc = m_help.contents();
        QCOMPARE(toc.size(), 2);
        QCOMPARE(toc.at(0).children.size(), 8);
        QCOMPARE(QStringList({toc.at(0).name, toc.at(0).locals.join(u'|'),
                              toc.at(0).children.at(3).name, toc.at(1).name}),
                 QStringList({"How to Use", "howto.htm", "Recording to a Wave File", "Messages"}));
        for (const platform::ChmSitemapEntry& entry : m_help.index()) {
            QVERIFY2(m_help.contains(entry.locals.value(0)), qPrintable(entry.name));
        }
        QCOMPARE(m_help.topicsForKeyword(QStringLiteral("nothing; speed")),
                 QStringList{QStringLiteral("/voices.htm")});
        QCOMPARE(m_help.topicsForALink(QStringLiteral("Recording")),
                 QStringList{QStringLiteral("/recording.htm")});
        QVERIFY(m_help.topicsForALink(QStringLiteral("Nobody")).isEmpty());
    }

    void searchesEveryPage()
    {
        const QList<platform::ChmSearchHit> hits = m_help.search(QStringLiteral("overwrite wave"));
        QVERIFY(!hits.isEmpty());
        for (const platform::ChmSearchHit& hit : hits) {
            QVERIFY(hit.path == QStringLiteral("/recording.htm") ||
                    hit.path == QStringLiteral("/messages.htm"));
        }
        QVERIFY(m_help.search(QStringLiteral("xylophone")).isEmpty());
        QVERIFY(m_help.search(QStringLiteral("  ")).isEmpty());
        // Words inside tags are not text.
        QVERIFY(m_help.search(QStringLiteral("stylesheet")).isEmpty());
        QCOMPARE(m_help.pageTitle(QStringLiteral("zoom.htm")), QStringLiteral("Zoom"));
    }

    void parsesSitemapsDefensively()
    {
        const QString html = QStringLiteral(
            "<ul><li><object type=\"text/sitemap\"><param name=\"Name\" value=\"A &amp; B\">"
            "<param name=\"Local\" value='a.htm'><param name=\"Name\" value=\"ignored\">"
            "<param name=\"Local\" value=\"b.htm\"></object>"
            "<li><object type=\"text/site properties\"><param name=\"Name\" value=\"x\"></object>"
            "<ul><ul><li><object type=\"text/sitemap\"><param name=\"Name\" value=\"C\"></object>"
            "</ul>");
        const QList<platform::ChmSitemapEntry> entries = ChmSitemap::parse(html);
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries.at(0).name, QStringLiteral("A & B"));
        QCOMPARE(entries.at(0).locals,
                 (QStringList{QStringLiteral("a.htm"), QStringLiteral("b.htm")}));
        QCOMPARE(entries.at(0).children.size(), 1);
        // A hostile nesting depth must neither overflow the stack nor lose the entries.
        QString deep;
        for (int i = 0; i < 100000; ++i) {
            deep += QStringLiteral("<ul>");
        }
        deep += QStringLiteral(
            "<object type=\"text/sitemap\"><param name=\"Name\" value=\"Deep\"></object>");
        QList<platform::ChmSitemapEntry> level = ChmSitemap::parse(deep);
        int depth = 0;
        while (!level.isEmpty() && level.first().name != QStringLiteral("Deep")) {
            level = level.first().children;
            ++depth;
        }
        QCOMPARE(level.value(0).name, QStringLiteral("Deep"));
        QVERIFY(depth < ChmSitemap::MaxDepth);
    }

    void refusesWhatIsNotAHelpFile_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: no such file
        QTest::addColumn<int>("status");
        QTest::newRow("missing") << QByteArray() << int(ChmFile::Status::Missing);
        QTest::newRow("empty") << QByteArray("") << int(ChmFile::Status::NotHelpFile);
        QTest::newRow("text") << QByteArray("just some words\n")
                              << int(ChmFile::Status::NotHelpFile);
        QTest::newRow("header only") << m_original.left(0x60) << int(ChmFile::Status::NotHelpFile);
        QTest::newRow("half") << m_original.left(m_original.size() / 2)
                              << int(ChmFile::Status::Damaged);
        // The block length's high half is set: chmlib would copy from past its buffer.
        QTest::newRow("chmlib over-read")
            << testfiles::read(QStringLiteral(PARLANZA_TEST_DATA "/block-length-high-bits.chm"))
            << int(ChmFile::Status::Damaged);
    }
    void refusesWhatIsNotAHelpFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, status);
        const QString path = m_dir.filePath(QStringLiteral("bad.chm"));
        QFile::remove(path);
        QVERIFY(content.isNull() || testfiles::write(path, content));
        const ChmFile chm = ChmFile::open(path);
        QCOMPARE(int(chm.status()), status);
        QVERIFY(!chm.isOpen());
        QVERIFY(chm.errorString().contains(path));
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
                const int flips = 1 + random.bounded(12);
                for (int i = 0; i < flips; ++i) {
                    copy[random.bounded(int(copy.size()))] = char(random.bounded(256));
                }
            }
            const QString path = m_dir.filePath(QStringLiteral("mutated.chm"));
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

    // The version resource of an installed component.
    void readsFileVersions_data()
    {
        QTest::addColumn<bool>("pe32Plus");
        QTest::addColumn<QList<int>>("parts");
        // The viewer's own version, read from a file, is the help wrapper's test.
        QTest::newRow("64-bit") << true << QList<int>{5, 50, 3825, 1300};
        QTest::newRow("largest") << false << QList<int>{65535, 65535, 65535, 65535};
    }
    void readsFileVersions()
    {
        QFETCH(bool, pe32Plus);
        QFETCH(QList<int>, parts);
        const QByteArray image = testpe::image(parts[0], parts[1], parts[2], parts[3], pe32Plus);
        const std::optional<FileVersion> version = FileVersion::fromImage(image);
        QVERIFY(version);
        QCOMPARE(*version, (FileVersion{quint16(parts[0]), quint16(parts[1]), quint16(parts[2]),
                                        quint16(parts[3])}));

        const QString path = m_dir.filePath(QStringLiteral("component.dll"));
        QVERIFY(testfiles::write(path, image));
        QCOMPARE(FileVersion::read(path), version);
        QVERIFY(!FileVersion::read(m_dir.filePath(QStringLiteral("missing.dll"))));
    }

    void refusesProgramsWithoutAVersion_data()
    {
        QTest::addColumn<QByteArray>("image");
        const QByteArray good = testpe::image(1, 2, 3, 4);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not a program") << QByteArray("#!/bin/sh\necho hello\n");
        QTest::newRow("dos only") << good.left(0x40);
        QTest::newRow("headers only") << good.left(0x200);
        QTest::newRow("cut in the tree") << good.left(0x230);
        QTest::newRow("cut in the block") << good.left(0x200 + 0x58 + 50);
        QByteArray badSignature = good;
        badSignature[0x200 + 0x58 + 40] = 0;
        QTest::newRow("bad signature") << badSignature;
        QByteArray badKey = good;
        badKey[0x200 + 0x58 + 6] = 'X';
        QTest::newRow("bad key") << badKey;
        QByteArray farOffset = good;
        testpe::put32(farOffset, 0x3C, 0x7FFFFFF0u);
        QTest::newRow("header past the end") << farOffset;
        QByteArray noVersionType = good;
        testpe::put32(noVersionType, 0x200 + 16, 3);
        QTest::newRow("icons only") << noVersionType;
        QByteArray loop = good;
        testpe::put32(loop, 0x200 + 0x18 + 20, 0x80000000u);
        QTest::newRow("tree points back at its root") << loop;
    }
    void refusesProgramsWithoutAVersion()
    {
        QFETCH(QByteArray, image);
        QVERIFY(!FileVersion::fromImage(image));
    }
};

QTEST_GUILESS_MAIN(tst_ChmFile)
#include "tst_ChmFile.moc"
