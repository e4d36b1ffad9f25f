#include "TestFiles.h"
#include "documents/WordConverter.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

using platform::WordConverter;

// The real conversions, with LibreOffice, are run by the document-loading test: these
// are the cases refused before or without it.
class tst_WordConverter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_soffice = qgetenv("PARLANZA_SOFFICE"); }
    void cleanup()
    {
        if (m_soffice.isEmpty()) {
            qunsetenv("PARLANZA_SOFFICE");
        } else {
            qputenv("PARLANZA_SOFFICE", m_soffice);
        }
    }

    void refusedBeforeRunningAnything_data()
    {
        QTest::addColumn<QByteArray>("content");
        // Any other content is refused the same way: a renamed picture is the opening
        // test's case.
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("signature cut short") << QByteArray("\xD0\xCF\x11\xE0");
        QTest::newRow("zip (docx)") << QByteArray("PK\x03\x04");
    }

    void refusedBeforeRunningAnything()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("document.doc"));
        QVERIFY(testfiles::write(path, content));
        QVERIFY(!WordConverter::hasOleSignature(testfiles::read(path)));
        // A converter that would fail the test if it ran.
        qputenv("PARLANZA_SOFFICE", "/bin/false-not-to-be-run");
        const platform::Result<QString> result = WordConverter::convert(path);
        QVERIFY(!result.ok());
        QVERIFY(result.error().contains(QStringLiteral("not a Word document")));
    }

    void missingConverterIsReported()
    {
        qputenv("PARLANZA_SOFFICE", "/nonexistent/soffice");
        const platform::Result<QString> result =
            WordConverter::convert(testfiles::fixture("plain.doc"));
        QVERIFY(!result.ok());
        QVERIFY(result.error().contains(QStringLiteral("LibreOffice")));
    }

    void hungConverterIsEndedWithItsChildren()
    {
        QTemporaryDir dir;
        const QString script = dir.filePath(QStringLiteral("soffice"));
        const QByteArray pids = dir.filePath(QStringLiteral("pids")).toUtf8();
        // Like the real one: a script that starts the program as a child.
        QVERIFY(testfiles::write(script, "#!/bin/sh\necho $$ > '" + pids +
                                             "'\nsleep 300 &\necho $! >> '" + pids + "'\nwait\n"));
        QVERIFY(QFile::setPermissions(script, QFile::permissions(script) | QFile::ExeOwner));
        qputenv("PARLANZA_SOFFICE", script.toUtf8());
        QElapsedTimer clock;
        clock.start();
        const platform::Result<QString> result =
            WordConverter::convert(testfiles::fixture("plain.doc"), 700);
        QVERIFY(clock.elapsed() < 10000);
        QVERIFY(!result.ok());
        QVERIFY(result.error().contains(QStringLiteral("did not finish")));
        const QList<QByteArray> started = testfiles::read(pids).trimmed().split('\n');
        QCOMPARE(started.size(), 2);
        for (const QByteArray& pid : started) {
            QTRY_VERIFY2(!testfiles::isRunning(pid.toLongLong()), pid.constData());
        }
    }

private:
    QByteArray m_soffice;
};

QTEST_MAIN(tst_WordConverter)
#include "tst_WordConverter.moc"
