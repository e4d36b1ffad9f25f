#include "platform/AppInfo.h"
#include "platform/EventLog.h"
#include "platform/FakeMessageBoxService.h"
#include "platform/Resources.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>

using namespace platform;

class tst_Resources : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The caption colours are decimal texts in the string table.
    void stringTableHoldsTheCaptionColours()
    {
        QStringList table;
        for (int id = 101; id <= 104; ++id) {
            table << resources::string(id).value_or(QStringLiteral("none"));
        }
        QCOMPARE(table, QStringList({"10947146", "10030173", "0", "none"}));
    }

    void missingBitmapIsReportedNotFatal()
    {
        FakeMessageBoxService boxes;
        EventLogCapture log;
        QVERIFY(!resources::bitmap(QStringLiteral("NO_SUCH_BITMAP")));
        QVERIFY(resources::bitmapOrReport(QStringLiteral("NO_SUCH_BITMAP")).isNull());
        QCOMPARE(boxes.boxes().size(), 1);
        QVERIFY(boxes.boxes().first().text.contains(QLatin1String("NO_SUCH_BITMAP")));
        QCOMPARE(boxes.boxes().first().icon, MessageIcon::Exclamation);
        QCOMPARE(log.entries(LogLevel::Error).size(), 1);
    }

    void programFilesLiveBesideTheExecutable()
    {
        const QString folder = QCoreApplication::applicationDirPath();
        QCOMPARE(programFile(QStringLiteral("\\audio\\start.wav")),
                 QDir(folder).filePath(QStringLiteral("audio/start.wav")));
        QCOMPARE(programFile(QStringLiteral("help/Parlanza.chm")),
                 QDir(folder).filePath(QStringLiteral("help/Parlanza.chm")));
        QCOMPARE(appTitle(), QStringLiteral("Parlanza"));
    }
};

QTEST_MAIN(tst_Resources)
#include "tst_Resources.moc"
