#include "platform/WordConverter.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using platform::WordConverter;

namespace {

QString dataFile(const QString& name)
{
    return QStringLiteral(PARLANZA_EDITOR_TEST_DATA "/") + name;
}

QString readUtf8(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Whether a process still runs (a zombie waiting for its parent has ended).
bool isRunning(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close > 0 && close + 2 < line.size() && line.at(close + 2) != 'Z';
}

// Running processes whose command line mentions the text.
QStringList processesMentioning(const QByteArray& text)
{
    QStringList found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric || pid == QCoreApplication::applicationPid()) {
            continue;
        }
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(text) &&
            isRunning(pid)) {
            found << entry;
        }
    }
    return found;
}

bool sofficeInstalled()
{
    return !WordConverter::converterProgram().isEmpty();
}

} // namespace

class tst_WordConverter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void signature_data();
    void signature();
    void refusedBeforeRunningAnything_data();
    void refusedBeforeRunningAnything();
    void missingConverterIsReported();
    void hungConverterIsEndedWithItsChildren();
    void convertsDocumentsExactly_data();
    void convertsDocumentsExactly();
    void unreadableDocumentsFail_data();
    void unreadableDocumentsFail();

private:
    QByteArray m_soffice;
    // The converter works in the temporary folder: one of this test's own, so that
    // processes left behind are told apart from those of tests running beside it.
    QTemporaryDir m_temp;
};

void tst_WordConverter::initTestCase()
{
    QVERIFY(m_temp.isValid());
    qputenv("TMPDIR", m_temp.path().toUtf8());
    QCOMPARE(QDir::tempPath(), m_temp.path());
}

void tst_WordConverter::init()
{
    m_soffice = qgetenv("PARLANZA_SOFFICE");
    QGuiApplication::clipboard()->setText(QStringLiteral("the user's clipboard"));
}

void tst_WordConverter::cleanup()
{
    if (m_soffice.isEmpty()) {
        qunsetenv("PARLANZA_SOFFICE");
    } else {
        qputenv("PARLANZA_SOFFICE", m_soffice);
    }
    // Nothing the converter started outlives a conversion, and it never touches the
    // clipboard.
    QCOMPARE(processesMentioning(m_temp.path().toUtf8() + "/parlanza-doc-"), QStringList());
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("the user's clipboard"));
}

void tst_WordConverter::signature_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<bool>("ole");
    QTest::newRow("compound file") << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1rest") << true;
    QTest::newRow("cut short") << QByteArray("\xD0\xCF\x11\xE0") << false;
    QTest::newRow("rich text") << QByteArray("{\\rtf1 x}") << false;
    QTest::newRow("zip (docx)") << QByteArray("PK\x03\x04") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void tst_WordConverter::signature()
{
    QFETCH(QByteArray, head);
    QFETCH(bool, ole);
    QCOMPARE(WordConverter::hasOleSignature(head), ole);
}

void tst_WordConverter::refusedBeforeRunningAnything_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("renamed PNG") << QByteArray();
    QTest::newRow("text") << QByteArray("Just text named .doc");
    QTest::newRow("empty") << QByteArray("");
}

void tst_WordConverter::refusedBeforeRunningAnything()
{
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("document.doc"));
    if (content.isNull()) {
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(path, "PNG"));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    // A converter that would fail the test if it ran.
    qputenv("PARLANZA_SOFFICE", "/bin/false-not-to-be-run");
    const platform::WordConversion result = WordConverter::convert(path);
    QVERIFY(!result.ok);
    QVERIFY(result.error.contains(QStringLiteral("not a Word document")));
}

void tst_WordConverter::missingConverterIsReported()
{
    qputenv("PARLANZA_SOFFICE", "/nonexistent/soffice");
    const platform::WordConversion result = WordConverter::convert(dataFile("plain.doc"));
    QVERIFY(!result.ok);
    QVERIFY(result.error.contains(QStringLiteral("LibreOffice")));
}

void tst_WordConverter::hungConverterIsEndedWithItsChildren()
{
    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("soffice"));
    const QString pids = dir.filePath(QStringLiteral("pids"));
    {
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // Like the real one: a script that starts the program as a child.
        file.write("#!/bin/sh\necho $$ > '" + pids.toUtf8() + "'\nsleep 300 &\necho $! >> '" +
                   pids.toUtf8() + "'\nwait\n");
        file.setPermissions(file.permissions() | QFile::ExeOwner);
    }
    qputenv("PARLANZA_SOFFICE", script.toUtf8());
    QElapsedTimer clock;
    clock.start();
    const platform::WordConversion result = WordConverter::convert(dataFile("plain.doc"), 700);
    QVERIFY(clock.elapsed() < 10000);
    QVERIFY(!result.ok);
    QVERIFY(result.error.contains(QStringLiteral("did not finish")));
    QFile file(pids);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> started = file.readAll().trimmed().split('\n');
    QCOMPARE(started.size(), 2);
    for (const QByteArray& pid : started) {
        QTRY_VERIFY2(!isRunning(pid.toLongLong()), pid.constData());
    }
}

void tst_WordConverter::convertsDocumentsExactly_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("paragraphs and tab") << "plain";
    QTest::newRow("accents, Greek, Cyrillic, CJK, emoji") << "mixed";
}

void tst_WordConverter::convertsDocumentsExactly()
{
    if (!sofficeInstalled()) {
        QSKIP("LibreOffice (soffice) is not installed");
    }
    QFETCH(QString, name);
    const platform::WordConversion result = WordConverter::convert(dataFile(name + ".doc"));
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.text, readUtf8(dataFile(name + ".expected.txt")));
}

void tst_WordConverter::unreadableDocumentsFail_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("damaged") << "corrupt.doc";
    QTest::newRow("password-protected") << "protected.doc";
}

void tst_WordConverter::unreadableDocumentsFail()
{
    if (!sofficeInstalled()) {
        QSKIP("LibreOffice (soffice) is not installed");
    }
    QFETCH(QString, name);
    const platform::WordConversion result = WordConverter::convert(dataFile(name));
    QVERIFY(!result.ok);
    QVERIFY(result.text.isEmpty());
    QVERIFY(result.error.contains(QStringLiteral("could not convert")));
}

QTEST_MAIN(tst_WordConverter)
#include "tst_WordConverter.moc"
