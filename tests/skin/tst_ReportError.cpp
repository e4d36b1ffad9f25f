#include "platform/EventLog.h"
#include "platform/FakeMessageBoxService.h"
#include "skin/ReportError.h"

#include <QTest>

using skin::LogType;

class tst_ReportError : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void reportsBoxAndLogEntry_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("extra");
        QTest::addColumn<LogType>("logType");
        QTest::addColumn<platform::LogLevel>("level");
        QTest::addColumn<QString>("text");
        QTest::newRow("error") << 11 << "Division by zero" << QString() << LogType::Error
                               << platform::LogLevel::Error << "ERROR  11 - Division by zero";
        QTest::newRow("warning, extra text on its own line")
            << 326 << "Resource with identifier 'THUMB' not found"
            << "while loading the track" << LogType::Warning << platform::LogLevel::Warning
            << "ERROR  326 - Resource with identifier 'THUMB' not found\nwhile loading the track";
        QTest::newRow("information")
            << 5 << "Invalid procedure call" << QString() << LogType::Information
            << platform::LogLevel::Information << "ERROR  5 - Invalid procedure call";
    }

    void reportsBoxAndLogEntry()
    {
        QFETCH(int, number);
        QFETCH(QString, description);
        QFETCH(QString, extra);
        QFETCH(LogType, logType);
        QFETCH(platform::LogLevel, level);
        QFETCH(QString, text);
        const QString title = QStringLiteral("ERROR - %1 - TileBlt - ClsSkin").arg(number);

        platform::FakeMessageBoxService boxes;
        platform::EventLogCapture log;
        skin::ReportError(number, description, QStringLiteral("TileBlt"), QStringLiteral("ClsSkin"),
                          logType, extra);

        QCOMPARE(boxes.boxes().size(), 1);
        const platform::MessageBoxRequest& box = boxes.boxes().first();
        QCOMPARE(box.title, title);
        QCOMPARE(box.text, text);
        QCOMPARE(box.icon, platform::MessageIcon::Exclamation);
        QCOMPARE(box.buttons, platform::MessageButtons::Ok);
        QCOMPARE(log.entries().size(), 1);
        QCOMPARE(log.entries().first().level, level);
        QCOMPARE(log.entries().first().text, title + QStringLiteral(": ") + text);
    }
};

QTEST_GUILESS_MAIN(tst_ReportError)
#include "tst_ReportError.moc"
