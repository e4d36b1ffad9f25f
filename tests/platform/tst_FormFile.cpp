#include "platform/EventLog.h"
#include "platform/FormFile.h"

#include <QTemporaryDir>
#include <QTest>

using namespace platform;

class tst_FormFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsControlsAndTheirProperties()
    {
        const QByteArray json = R"({
            "name": "Main", "width": 9000, "height": 6000,
            "properties": {"Caption": "Parlanza"},
            "controls": [
                {"class": "bvlBUTTON", "name": "cmdSpkText", "left": 120, "top": 240,
                 "width": 1200, "height": 600, "tabIndex": 3,
                 "properties": {"Caption": "SPEAK", "BackColour": "0x8000000F"}},
                {"class": "UcScroll", "name": "scrSpeed", "left": -30, "top": 0,
                 "width": 2400, "height": 255}
            ]})";
        QString error;
        const std::optional<FormFile> form = FormFile::parse(json, &error);
        QVERIFY2(form, qPrintable(error));
        QCOMPARE(form->name, QStringLiteral("Main"));
        QCOMPARE(form->twips, QSize(9000, 6000));
        QCOMPARE(form->properties.readString(QStringLiteral("caption"), QString()),
                 QStringLiteral("Parlanza"));
        QCOMPARE(form->controls.size(), 2);
        const FormControl* speak = form->control(QStringLiteral("CMDSPKTEXT"));
        QVERIFY(speak);
        QCOMPARE(speak->className, QStringLiteral("bvlBUTTON"));
        QCOMPARE(speak->twips, QRect(120, 240, 1200, 600));
        QCOMPARE(speak->tabIndex, 3);
        QCOMPARE(speak->properties.readColor(QStringLiteral("BackColour"), 0),
                 OleColor(0x8000000F));
        QCOMPARE(form->control(QStringLiteral("scrSpeed"))->twips.left(), -30);
        QVERIFY(!form->control(QStringLiteral("nothing")));
    }

    void roundTripsThroughText()
    {
        FormFile form;
        form.name = QStringLiteral("About");
        form.twips = QSize(4000, 3000);
        FormControl label;
        label.className = QStringLiteral("Label");
        label.name = QStringLiteral("Label2");
        label.twips = QRect(10, 20, 300, 400);
        label.tabIndex = 1;
        label.properties.writeString(QStringLiteral("Caption"), QStringLiteral("Parlanza"), {});
        form.controls.append(label);

        const std::optional<FormFile> again = FormFile::parse(form.toJson());
        QVERIFY(again);
        QCOMPARE(again->name, form.name);
        QCOMPARE(again->twips, form.twips);
        QCOMPARE(again->controls.size(), 1);
        QCOMPARE(again->controls.first().twips, label.twips);
        QCOMPARE(again->controls.first().properties.toJson(), label.properties.toJson());
    }

    // A broken value costs that value only: the control keeps its other settings.
    void badGeometryFallsBackToDefaults()
    {
        EventLogCapture log;
        const std::optional<FormFile> form = FormFile::parse(R"({
            "name": "Main", "width": "wide", "height": 99999999,
            "controls": [
                {"class": "Label", "name": "a", "left": "x", "top": 15, "width": -5,
                 "height": 300.5, "tabIndex": 70000},
                {"name": "no class"},
                {"class": "Label"}
            ]})");
        QVERIFY(form);
        QCOMPARE(form->twips, QSize(4800, 3600));
        QCOMPARE(form->controls.size(), 1);
        QCOMPARE(form->controls.first().twips, QRect(0, 15, 1200, 360));
        QCOMPARE(form->controls.first().tabIndex, 0);
        QVERIFY(log.entries(LogLevel::Warning).size() >= 7);
    }

    void unreadableFilesSayWhy_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("not json") << QByteArray("{ name: ");
        QTest::newRow("an array") << QByteArray("[1, 2]");
        QTest::newRow("empty") << QByteArray();
    }

    void unreadableFilesSayWhy()
    {
        QFETCH(QByteArray, content);
        QString error;
        QVERIFY(!FormFile::parse(content, &error));
        QVERIFY(!error.isEmpty());
    }

    void missingFileSaysWhy()
    {
        QTemporaryDir dir;
        QString error;
        QVERIFY(!FormFile::load(dir.filePath(QStringLiteral("none.json")), &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_MAIN(tst_FormFile)
#include "tst_FormFile.moc"
