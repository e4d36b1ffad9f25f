// Stored properties, alone and as the controls of a form file.

#include "TestFiles.h"
#include "platform/EventLog.h"
#include "platform/FormFile.h"
#include "platform/PropertyBag.h"

#include <QFont>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

using namespace platform;

namespace {

PropertyBag bagFrom(const char* json)
{
    return PropertyBag(QJsonDocument::fromJson(json).object(), QStringLiteral("Form.ctl"));
}

} // namespace

class tst_PropertyBag : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void valuesRoundTrip()
    {
        PropertyBag bag;
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPointSizeF(9.75);
        font.setBold(true);
        font.setItalic(true);
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(QColor(10, 200, 30));
        const Picture picture(Picture::Type::Bitmap, image);

        bag.writeInteger(QStringLiteral("ImgSize"), -7, 16);
        bag.writeLong(QStringLiteral("Mode"), 70000, std::nullopt);
        bag.writeByte(QStringLiteral("Behaviour"), 2, 0);
        bag.writeBoolean(QStringLiteral("Enabled"), false, true);
        bag.writeSingle(QStringLiteral("Scale"), 1.25f, 1.0f);
        bag.writeString(QStringLiteral("Caption"), QStringLiteral("SPEAK ä"), QString());
        bag.writeColor(QStringLiteral("BackColour"), 0x8000000F, 0x00FFFFFF);
        bag.writeFont(QStringLiteral("Font"), font, std::nullopt);
        bag.writePicture(QStringLiteral("Picture"), picture);
        bag.writePicture(QStringLiteral("MouseIcon"), Picture(Picture::Type::Cursor, image));
        bag.writePicture(QStringLiteral("Icon"), Picture(Picture::Type::Icon, image));

        // Through text, as a form file stores it.
        const PropertyBag loaded(
            QJsonDocument::fromJson(QJsonDocument(bag.toJson()).toJson()).object());
        QCOMPARE(loaded.readInteger(QStringLiteral("ImgSize"), 16), qint16(-7));
        QCOMPARE(loaded.readLong(QStringLiteral("Mode"), 0), 70000);
        QCOMPARE(loaded.readByte(QStringLiteral("Behaviour"), 0), quint8(2));
        QCOMPARE(loaded.readBoolean(QStringLiteral("Enabled"), true), false);
        QCOMPARE(loaded.readSingle(QStringLiteral("Scale"), 1.0f), 1.25f);
        QCOMPARE(loaded.readString(QStringLiteral("Caption"), QString()),
                 QStringLiteral("SPEAK ä"));
        QCOMPARE(loaded.readColor(QStringLiteral("BackColour"), 0), OleColor(0x8000000F));
        const QFont readFont = loaded.readFont(QStringLiteral("Font"), QFont());
        QCOMPARE(readFont.family(), font.family());
        QCOMPARE(readFont.pointSizeF(), 9.75);
        QVERIFY(readFont.bold());
        QVERIFY(readFont.italic());
        const Picture readPicture = loaded.readPicture(QStringLiteral("Picture"));
        QCOMPARE(readPicture.type(), Picture::Type::Bitmap);
        QCOMPARE(readPicture.image().convertToFormat(QImage::Format_RGB32), image);
        // Cursors and icons stay what they are.
        QCOMPARE(loaded.readPicture(QStringLiteral("MouseIcon")).type(), Picture::Type::Cursor);
        QCOMPARE(loaded.readPicture(QStringLiteral("Icon")).type(), Picture::Type::Icon);
    }

    void defaultsAreNotWrittenAndMissingKeysReadThem()
    {
        PropertyBag bag;
        bag.writeInteger(QStringLiteral("ImgSize"), 16, 16);
        bag.writeBoolean(QStringLiteral("Focus"), true, true);
        bag.writeString(QStringLiteral("Caption"), QString(), QString());
        bag.writeColor(QStringLiteral("cFore"), 0x80000012, 0x80000012);
        bag.writeFont(QStringLiteral("Font"), QFont(), QFont());
        bag.writePicture(QStringLiteral("Image"), Picture());
        QVERIFY(bag.isEmpty());
        // Missing keys read their defaults.
        QCOMPARE(bag.readInteger(QStringLiteral("ImgSize"), 16), qint16(16));
        QCOMPARE(bag.readLong(QStringLiteral("Gradient"), 3), 3);
        QCOMPARE(bag.readBoolean(QStringLiteral("Focus"), true), true);
        QCOMPARE(bag.readString(QStringLiteral("Caption"), QStringLiteral("x")),
                 QStringLiteral("x"));
        QCOMPARE(bag.readColor(QStringLiteral("cFore"), 0x80000012), OleColor(0x80000012));
        QCOMPARE(bag.readDouble(QStringLiteral("Scale"), 1.5), 1.5);
        QVERIFY(bag.readPicture(QStringLiteral("Image")).isNull());

        // A value without a default is always written, even when it looks like one.
        bag.writeLong(QStringLiteral("Mode"), 0, std::nullopt);
        QVERIFY(bag.contains(QStringLiteral("Mode")));

        // Writing the default over a stored value takes the key away again.
        bag.writeInteger(QStringLiteral("ImgSize"), 32, 16);
        QVERIFY(bag.contains(QStringLiteral("ImgSize")));
        bag.writeInteger(QStringLiteral("ImgSize"), 16, 16);
        QVERIFY(!bag.contains(QStringLiteral("ImgSize")));
    }

    void keysMatchWithoutCase()
    {
        PropertyBag bag;
        bag.writeColor(QStringLiteral("cBhover"), 0x123456, 0);
        QCOMPARE(bag.readColor(QStringLiteral("cBHover"), 0), OleColor(0x123456));
        QVERIFY(bag.contains(QStringLiteral("CBHOVER")));

        // Writing under another spelling replaces the value instead of adding a twin.
        bag.writeColor(QStringLiteral("cBHover"), 0x654321, 0);
        QCOMPARE(bag.toJson().size(), 1);
        QCOMPARE(bag.readColor(QStringLiteral("cbhover"), 0), OleColor(0x654321));
        bag.remove(QStringLiteral("CBHOVER"));
        QVERIFY(bag.isEmpty());
    }

    void badValuesFallBackWithAWarning_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("key");
        const auto row = [](const char* tag, const char* json, const char* key) {
            QTest::newRow(tag) << QByteArray(json) << QString::fromLatin1(key);
        };
        row("integer too large", R"({"v": 40000})", "integer");
        row("integer fraction", R"({"v": 2.5})", "integer");
        row("integer text", R"({"v": "abc"})", "integer");
        row("long too large", R"({"v": 5000000000})", "long");
        row("byte negative", R"({"v": -1})", "byte");
        row("boolean text", R"({"v": "yes"})", "boolean");
        row("string number", R"({"v": 12})", "string");
        row("colour garbage", R"({"v": "0xZZ"})", "colour");
        row("colour object", R"({"v": {}})", "colour");
        row("font without name", R"({"v": {"size": 9}})", "font");
        row("font list without a first name", R"({"v": {"name": ", Arial"}})", "font");
        row("font size zero", R"({"v": {"name": "Arial", "size": 0}})", "font");
        row("picture missing resource", R"({"v": {"resource": "NO_SUCH_BITMAP"}})", "picture");
        row("picture bad data", R"({"v": {"data": "AAAA"}})", "picture");
    }

    void badValuesFallBackWithAWarning()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, key);
        EventLogCapture log;
        const PropertyBag bag = bagFrom(json.constData());
        const QString v = QStringLiteral("v");
        QFont defaultFont(QStringLiteral("DejaVu Sans"));
        if (key == QLatin1String("integer")) {
            QCOMPARE(bag.readInteger(v, 16), qint16(16));
        } else if (key == QLatin1String("long")) {
            QCOMPARE(bag.readLong(v, 7), 7);
        } else if (key == QLatin1String("byte")) {
            QCOMPARE(bag.readByte(v, 3), quint8(3));
        } else if (key == QLatin1String("boolean")) {
            QCOMPARE(bag.readBoolean(v, true), true);
        } else if (key == QLatin1String("string")) {
            QCOMPARE(bag.readString(v, QStringLiteral("d")), QStringLiteral("d"));
        } else if (key == QLatin1String("colour")) {
            QCOMPARE(bag.readColor(v, 0x8000000F), OleColor(0x8000000F));
        } else if (key == QLatin1String("font")) {
            QCOMPARE(bag.readFont(v, defaultFont).family(), defaultFont.family());
        } else {
            QVERIFY(bag.readPicture(v).isNull());
        }
        const QList<LogEntry> warnings = log.entries(LogLevel::Warning);
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings.first().text.contains(QLatin1String("Form.ctl.v")),
                 qPrintable(warnings.first().text));
    }

    // Colours are longs: classic hexadecimal text and negative longs name the same colour.
    // Booleans are numbers, true being -1.
    void olderSpellings()
    {
        const PropertyBag bag = bagFrom(
            R"({"a": "&H8000000F&", "b": -2147483633, "c": "0x00574539", "d": 5719353,
                "t": -1, "f": 0})");
        QCOMPARE(bag.readColor(QStringLiteral("a"), 0), OleColor(0x8000000F));
        QCOMPARE(bag.readColor(QStringLiteral("b"), 0), OleColor(0x8000000F));
        QCOMPARE(bag.readColor(QStringLiteral("c"), 0), OleColor(0x574539));
        QCOMPARE(bag.readColor(QStringLiteral("d"), 0), OleColor(0x574539));
        QCOMPARE(bag.readLong(QStringLiteral("a"), 0), qint32(0x8000000F));
        QCOMPARE(bag.readBoolean(QStringLiteral("t"), false), true);
        QCOMPARE(bag.readBoolean(QStringLiteral("f"), true), false);
    }

    void formFileReadsControlsAndWritesThemBack()
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

        // Written back as text, it reads the same.
        const std::optional<FormFile> again = FormFile::parse(form->toJson());
        QVERIFY(again);
        QCOMPARE(again->toJson(), form->toJson());
        const FormControl* speakAgain = again->control(QStringLiteral("cmdSpkText"));
        QVERIFY(speakAgain);
        QCOMPARE(QVariantList({speakAgain->className, speakAgain->twips, speakAgain->tabIndex}),
                 QVariantList({speak->className, speak->twips, speak->tabIndex}));
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

    void unreadableFormFilesSayWhy_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: no file at all
        QTest::newRow("not json") << QByteArray("{ name: ");
        QTest::newRow("an array") << QByteArray("[1, 2]");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("missing") << QByteArray();
    }

    void unreadableFormFilesSayWhy()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Form.json"));
        QVERIFY(content.isNull() || testfiles::write(path, content));
        QString error;
        QVERIFY(!FormFile::load(path, &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_MAIN(tst_PropertyBag)
#include "tst_PropertyBag.moc"
