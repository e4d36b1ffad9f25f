#include "platform/EventLog.h"
#include "platform/FakeMessageBoxService.h"
#include "skin/ReportError.h"

#include <QTest>

class tst_ReportError : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void reportsBoxAndLogEntry_data();
    void reportsBoxAndLogEntry();
    void logTypeChoosesTheEntryLevel_data();
    void logTypeChoosesTheEntryLevel();
};

void tst_ReportError::reportsBoxAndLogEntry_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("procedure");
    QTest::addColumn<QString>("module");
    QTest::addColumn<QString>("extra");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");

    QTest::newRow("tile") << 11 << "Division by zero"
                          << "TileBlt"
                          << "ClsSkin" << QString() << "ERROR - 11 - TileBlt - ClsSkin"
                          << "ERROR  11 - Division by zero";
    QTest::newRow("extra text on its own line")
        << 326 << "Resource with identifier 'THUMB' not found"
        << "GetThePict"
        << "UcScroll"
        << "while loading the track"
        << "ERROR - 326 - GetThePict - UcScroll"
        << "ERROR  326 - Resource with identifier 'THUMB' not found\nwhile loading the track";
}

void tst_ReportError::reportsBoxAndLogEntry()
{
    QFETCH(int, number);
    QFETCH(QString, description);
    QFETCH(QString, procedure);
    QFETCH(QString, module);
    QFETCH(QString, extra);
    QFETCH(QString, title);
    QFETCH(QString, text);

    platform::FakeMessageBoxService boxes;
    platform::EventLogCapture log;
    skin::ReportError(number, description, procedure, module, skin::kLogTypeError, extra);

    QCOMPARE(boxes.boxes().size(), 1);
    const platform::MessageBoxRequest& box = boxes.boxes().first();
    QCOMPARE(box.title, title);
    QCOMPARE(box.text, text);
    QCOMPARE(box.icon, platform::MessageIcon::Exclamation);
    QCOMPARE(box.buttons, platform::MessageButtons::Ok);

    QCOMPARE(log.entries().size(), 1);
    QCOMPARE(log.entries().first().level, platform::LogLevel::Error);
    QCOMPARE(log.entries().first().text, title + QStringLiteral(": ") + text);
}

void tst_ReportError::logTypeChoosesTheEntryLevel_data()
{
    QTest::addColumn<int>("logType");
    QTest::addColumn<platform::LogLevel>("level");
    QTest::newRow("1 error") << 1 << platform::LogLevel::Error;
    QTest::newRow("2 warning") << 2 << platform::LogLevel::Warning;
    QTest::newRow("4 information") << 4 << platform::LogLevel::Information;
}

void tst_ReportError::logTypeChoosesTheEntryLevel()
{
    QFETCH(int, logType);
    QFETCH(platform::LogLevel, level);
    platform::FakeMessageBoxService boxes;
    platform::EventLogCapture log;
    skin::ReportError(5, QStringLiteral("Invalid procedure call"), QStringLiteral("Repaint"),
                      QStringLiteral("UcProgress"), logType);
    QCOMPARE(log.entries().size(), 1);
    QCOMPARE(log.entries().first().level, level);
}

QTEST_GUILESS_MAIN(tst_ReportError)
#include "tst_ReportError.moc"
