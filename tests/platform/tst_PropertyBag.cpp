#include "platform/EventLog.h"
#include "platform/PropertyBag.h"

#include <QFont>
#include <QJsonDocument>
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
    void missingKeysReadTheirDefaults()
    {
        const PropertyBag bag;
        QCOMPARE(bag.readInteger(QStringLiteral("ImgSize"), 16), qint16(16));
        QCOMPARE(bag.readLong(QStringLiteral("Gradient"), 3), 3);
        QCOMPARE(bag.readBoolean(QStringLiteral("Focus"), true), true);
        QCOMPARE(bag.readString(QStringLiteral("Caption"), QStringLiteral("x")),
                 QStringLiteral("x"));
        QCOMPARE(bag.readColor(QStringLiteral("cFore"), 0x80000012), OleColor(0x80000012));
        QCOMPARE(bag.readDouble(QStringLiteral("Scale"), 1.5), 1.5);
        QVERIFY(bag.readPicture(QStringLiteral("Image")).isNull());
    }

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
    }

    void defaultsAreNotWritten()
    {
        PropertyBag bag;
        bag.writeInteger(QStringLiteral("ImgSize"), 16, 16);
        bag.writeBoolean(QStringLiteral("Focus"), true, true);
        bag.writeString(QStringLiteral("Caption"), QString(), QString());
        bag.writeColor(QStringLiteral("cFore"), 0x80000012, 0x80000012);
        bag.writeFont(QStringLiteral("Font"), QFont(), QFont());
        bag.writePicture(QStringLiteral("Image"), Picture());
        QVERIFY(bag.isEmpty());

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
        QTest::newRow("integer too large") << QByteArray(R"({"v": 40000})") << "integer";
        QTest::newRow("integer fraction") << QByteArray(R"({"v": 2.5})") << "integer";
        QTest::newRow("integer text") << QByteArray(R"({"v": "abc"})") << "integer";
        QTest::newRow("long too large") << QByteArray(R"({"v": 5000000000})") << "long";
        QTest::newRow("byte negative") << QByteArray(R"({"v": -1})") << "byte";
        QTest::newRow("boolean text") << QByteArray(R"({"v": "yes"})") << "boolean";
        QTest::newRow("string number") << QByteArray(R"({"v": 12})") << "string";
        QTest::newRow("colour garbage") << QByteArray(R"({"v": "0xZZ"})") << "colour";
        QTest::newRow("colour object") << QByteArray(R"({"v": {}})") << "colour";
        QTest::newRow("font without name") << QByteArray(R"({"v": {"size": 9}})") << "font";
        QTest::newRow("font list without a first name")
            << QByteArray(R"({"v": {"name": ", Arial"}})") << "font";
        QTest::newRow("font size zero")
            << QByteArray(R"({"v": {"name": "Arial", "size": 0}})") << "font";
        QTest::newRow("picture missing resource")
            << QByteArray(R"({"v": {"resource": "NO_SUCH_BITMAP"}})") << "picture";
        QTest::newRow("picture bad data") << QByteArray(R"({"v": {"data": "AAAA"}})") << "picture";
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
    void colourSpellings()
    {
        const PropertyBag bag =
            bagFrom(R"({"a": "&H8000000F&", "b": -2147483633, "c": "0x00574539", "d": 5719353})");
        QCOMPARE(bag.readColor(QStringLiteral("a"), 0), OleColor(0x8000000F));
        QCOMPARE(bag.readColor(QStringLiteral("b"), 0), OleColor(0x8000000F));
        QCOMPARE(bag.readColor(QStringLiteral("c"), 0), OleColor(0x574539));
        QCOMPARE(bag.readColor(QStringLiteral("d"), 0), OleColor(0x574539));
        QCOMPARE(bag.readLong(QStringLiteral("a"), 0), qint32(0x8000000F));
    }

    void booleansFromNumbers()
    {
        const PropertyBag bag = bagFrom(R"({"t": -1, "f": 0})");
        QCOMPARE(bag.readBoolean(QStringLiteral("t"), false), true);
        QCOMPARE(bag.readBoolean(QStringLiteral("f"), true), false);
    }

    void cursorsStayCursors()
    {
        QImage image(32, 32, QImage::Format_ARGB32);
        image.fill(Qt::red);
        PropertyBag bag;
        bag.writePicture(QStringLiteral("MouseIcon"), Picture(Picture::Type::Cursor, image));
        bag.writePicture(QStringLiteral("Icon"), Picture(Picture::Type::Icon, image));
        QCOMPARE(bag.readPicture(QStringLiteral("MouseIcon")).type(), Picture::Type::Cursor);
        QCOMPARE(bag.readPicture(QStringLiteral("Icon")).type(), Picture::Type::Icon);
    }
};

QTEST_MAIN(tst_PropertyBag)
#include "tst_PropertyBag.moc"
