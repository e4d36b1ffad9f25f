// Stored values: properties, alone and as the controls of a form file, and the registry.

#include "TestFiles.h"
#include "platform/EventLog.h"
#include "platform/FormFile.h"
#include "platform/PropertyBag.h"
#include "platform/Registry.h"

#include <QFile>
#include <QFont>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

namespace {

platform::PropertyBag bagFrom(const char* json)
{
    return platform::PropertyBag(QJsonDocument::fromJson(json).object(),
                                 QStringLiteral("Form.ctl"));
}

} // namespace

class tst_StoredValues : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_count = 0;

    QString freshFile() { return m_dir.filePath(QStringLiteral("hive%1.json").arg(++m_count)); }

private Q_SLOTS:
    void valuesRoundTrip()
    {
        platform::PropertyBag bag;
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPointSizeF(9.75);
        font.setBold(true);
        font.setItalic(true);
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(QColor(10, 200, 30));
        const platform::Picture picture(platform::Picture::Type::Bitmap, image);

        bag.writeInteger(QStringLiteral("ImgSize"), -7, 16);
        bag.writeLong(QStringLiteral("Mode"), 70000, std::nullopt);
        bag.writeByte(QStringLiteral("Behaviour"), 2, 0);
        bag.writeBoolean(QStringLiteral("Enabled"), false, true);
        bag.writeSingle(QStringLiteral("Scale"), 1.25f, 1.0f);
        bag.writeString(QStringLiteral("Caption"), QStringLiteral("SPEAK ä"), QString());
        bag.writeColor(QStringLiteral("BackColour"), 0x8000000F, 0x00FFFFFF);
        bag.writeFont(QStringLiteral("Font"), font, std::nullopt);
        bag.writePicture(QStringLiteral("Picture"), picture);
        bag.writePicture(QStringLiteral("MouseIcon"),
                         platform::Picture(platform::Picture::Type::Cursor, image));
        bag.writePicture(QStringLiteral("Icon"),
                         platform::Picture(platform::Picture::Type::Icon, image));

        // Through text, as a form file stores it.
        const platform::PropertyBag loaded(
            QJsonDocument::fromJson(QJsonDocument(bag.toJson()).toJson()).object());
        QCOMPARE(loaded.readInteger(QStringLiteral("ImgSize"), 16), qint16(-7));
        QCOMPARE(loaded.readLong(QStringLiteral("Mode"), 0), 70000);
        QCOMPARE(loaded.readByte(QStringLiteral("Behaviour"), 0), quint8(2));
        QCOMPARE(loaded.readBoolean(QStringLiteral("Enabled"), true), false);
        QCOMPARE(loaded.readSingle(QStringLiteral("Scale"), 1.0f), 1.25f);
        QCOMPARE(loaded.readString(QStringLiteral("Caption"), QString()),
                 QStringLiteral("SPEAK ä"));
        QCOMPARE(loaded.readColor(QStringLiteral("BackColour"), 0), platform::OleColor(0x8000000F));
        const QFont readFont = loaded.readFont(QStringLiteral("Font"), QFont());
        QCOMPARE(readFont.family(), font.family());
        QCOMPARE(readFont.pointSizeF(), 9.75);
        QVERIFY(readFont.bold());
        QVERIFY(readFont.italic());
        const platform::Picture readPicture = loaded.readPicture(QStringLiteral("Picture"));
        QCOMPARE(readPicture.type(), platform::Picture::Type::Bitmap);
        QCOMPARE(readPicture.image().convertToFormat(QImage::Format_RGB32), image);
        // Cursors and icons stay what they are.
        QCOMPARE(loaded.readPicture(QStringLiteral("MouseIcon")).type(),
                 platform::Picture::Type::Cursor);
        QCOMPARE(loaded.readPicture(QStringLiteral("Icon")).type(), platform::Picture::Type::Icon);
    }

    void defaultsAreNotWrittenAndMissingKeysReadThem()
    {
        platform::PropertyBag bag;
        bag.writeInteger(QStringLiteral("ImgSize"), 16, 16);
        bag.writeBoolean(QStringLiteral("Focus"), true, true);
        bag.writeString(QStringLiteral("Caption"), QString(), QString());
        bag.writeColor(QStringLiteral("cFore"), 0x80000012, 0x80000012);
        bag.writeFont(QStringLiteral("Font"), QFont(), QFont());
        bag.writePicture(QStringLiteral("Image"), platform::Picture());
        QVERIFY(bag.isEmpty());
        // Missing keys read their defaults.
        QCOMPARE(bag.readInteger(QStringLiteral("ImgSize"), 16), qint16(16));
        QCOMPARE(bag.readLong(QStringLiteral("Gradient"), 3), 3);
        QCOMPARE(bag.readBoolean(QStringLiteral("Focus"), true), true);
        QCOMPARE(bag.readString(QStringLiteral("Caption"), QStringLiteral("x")),
                 QStringLiteral("x"));
        QCOMPARE(bag.readColor(QStringLiteral("cFore"), 0x80000012),
                 platform::OleColor(0x80000012));
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
        platform::PropertyBag bag;
        bag.writeColor(QStringLiteral("cBhover"), 0x123456, 0);
        QCOMPARE(bag.readColor(QStringLiteral("cBHover"), 0), platform::OleColor(0x123456));
        QVERIFY(bag.contains(QStringLiteral("CBHOVER")));

        // Writing under another spelling replaces the value instead of adding a twin.
        bag.writeColor(QStringLiteral("cBHover"), 0x654321, 0);
        QCOMPARE(bag.toJson().size(), 1);
        QCOMPARE(bag.readColor(QStringLiteral("cbhover"), 0), platform::OleColor(0x654321));
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
        platform::EventLogCapture log;
        const platform::PropertyBag bag = bagFrom(json.constData());
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
            QCOMPARE(bag.readColor(v, 0x8000000F), platform::OleColor(0x8000000F));
        } else if (key == QLatin1String("font")) {
            QCOMPARE(bag.readFont(v, defaultFont).family(), defaultFont.family());
        } else {
            QVERIFY(bag.readPicture(v).isNull());
        }
        const QList<platform::LogEntry> warnings = log.entries(platform::LogLevel::Warning);
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings.first().text.contains(QLatin1String("Form.ctl.v")),
                 qPrintable(warnings.first().text));
    }

    // Colours are longs: classic hexadecimal text and negative longs name the same colour.
    // Booleans are numbers, true being -1.
    void olderSpellings()
    {
        const platform::PropertyBag bag = bagFrom(
            R"({"a": "&H8000000F&", "b": -2147483633, "c": "0x00574539", "d": 5719353,
                "t": -1, "f": 0})");
        QCOMPARE(bag.readColor(QStringLiteral("a"), 0), platform::OleColor(0x8000000F));
        QCOMPARE(bag.readColor(QStringLiteral("b"), 0), platform::OleColor(0x8000000F));
        QCOMPARE(bag.readColor(QStringLiteral("c"), 0), platform::OleColor(0x574539));
        QCOMPARE(bag.readColor(QStringLiteral("d"), 0), platform::OleColor(0x574539));
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
        const std::optional<platform::FormFile> form = platform::FormFile::parse(json, &error);
        QVERIFY2(form, qPrintable(error));
        QCOMPARE(form->name, QStringLiteral("Main"));
        QCOMPARE(form->twips, QSize(9000, 6000));
        QCOMPARE(form->properties.readString(QStringLiteral("caption"), QString()),
                 QStringLiteral("Parlanza"));
        QCOMPARE(form->controls.size(), 2);
        const platform::FormControl* speak = form->control(QStringLiteral("CMDSPKTEXT"));
        QVERIFY(speak);
        QCOMPARE(speak->className, QStringLiteral("bvlBUTTON"));
        QCOMPARE(speak->twips, QRect(120, 240, 1200, 600));
        QCOMPARE(speak->tabIndex, 3);
        QCOMPARE(speak->properties.readColor(QStringLiteral("BackColour"), 0),
                 platform::OleColor(0x8000000F));
        QCOMPARE(form->control(QStringLiteral("scrSpeed"))->twips.left(), -30);
        QVERIFY(!form->control(QStringLiteral("nothing")));

        // Written back as text, it reads the same.
        const std::optional<platform::FormFile> again = platform::FormFile::parse(form->toJson());
        QVERIFY(again);
        QCOMPARE(again->toJson(), form->toJson());
        const platform::FormControl* speakAgain = again->control(QStringLiteral("cmdSpkText"));
        QVERIFY(speakAgain);
        QCOMPARE(QVariantList({speakAgain->className, speakAgain->twips, speakAgain->tabIndex}),
                 QVariantList({speak->className, speak->twips, speak->tabIndex}));
    }

    // A broken value costs that value only: the control keeps its other settings.
    void badGeometryFallsBackToDefaults()
    {
        platform::EventLogCapture log;
        const std::optional<platform::FormFile> form = platform::FormFile::parse(R"({
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
        QVERIFY(log.entries(platform::LogLevel::Warning).size() >= 7);
    }

    // Not JSON, an array, empty, and no file at all.
    void unreadableFormFilesSayWhy()
    {
        for (const QByteArray& content :
             {QByteArray("{ name: "), QByteArray("[1, 2]"), QByteArray(""), QByteArray()}) {
            const QString path = freshFile();
            QVERIFY(content.isNull() || testfiles::write(path, content));
            QString error;
            QVERIFY(!platform::FormFile::load(path, &error));
            QVERIFY(!error.isEmpty());
        }
    }

    // Short and long names in any case; an unknown one is none.
    void rootNames()
    {
        const auto root = [](const char* name) {
            const std::optional<platform::RegistryRoot> found =
                platform::Registry::rootFromName(QLatin1String(name));
            return found ? int(*found) : -1;
        };
        QCOMPARE(QList<int>({root("HKCU"), root("hklm"), root("HKCR"), root("HKEY_LOCAL_MACHINE"),
                             root("HKXX")}),
                 QList<int>({int(platform::RegistryRoot::CurrentUser),
                             int(platform::RegistryRoot::LocalMachine),
                             int(platform::RegistryRoot::ClassesRoot),
                             int(platform::RegistryRoot::LocalMachine), -1}));
    }

    void keepsValuesAcrossInstances()
    {
        const QString file = freshFile();
        {
            platform::Registry registry(file);
            QVERIFY(!registry.openKey(platform::RegistryRoot::LocalMachine,
                                      QStringLiteral("Software\\Test"),
                                      platform::registry_access::Read));
            std::optional<platform::RegistryKey> key = registry.createKey(
                platform::RegistryRoot::LocalMachine, QStringLiteral("Software\\Test\\Deep"),
                platform::registry_access::SetValue | platform::registry_access::CreateSubKey);
            QVERIFY(key);
            QVERIFY(registry.setValue(*key, {QStringLiteral("Alpha.chm"),
                                             platform::RegistryValueType::String,
                                             QStringLiteral("/opt/a")}));
            QVERIFY(registry.setValue(*key, {QStringLiteral("Beta.chm"),
                                             platform::RegistryValueType::String,
                                             QStringLiteral("/opt/b")}));
            QVERIFY(registry.setValue(*key, {QStringLiteral("alpha.CHM"),
                                             platform::RegistryValueType::String,
                                             QStringLiteral("/opt/c")}));
            registry.closeKey(*key);
            QVERIFY(!key->open);
            QVERIFY(!registry.setValue(
                *key, {QStringLiteral("x"), platform::RegistryValueType::String, {}}));
        }
        platform::Registry registry(file);
        // Parents are created with the key, and paths match without regard to case.
        QVERIFY(registry.openKey(platform::RegistryRoot::LocalMachine,
                                 QStringLiteral("software\\test"),
                                 platform::registry_access::Read));
        std::optional<platform::RegistryKey> key = registry.openKey(
            platform::RegistryRoot::LocalMachine, QStringLiteral("SOFTWARE\\TEST\\DEEP\\"),
            platform::registry_access::Read);
        QVERIFY(key);
        const std::optional<QList<platform::RegistryValue>> values = registry.values(*key);
        QVERIFY(values);
        QCOMPARE(values->size(), 2);
        QCOMPARE(values->at(0).data, QStringLiteral("/opt/c"));
        QCOMPARE(values->at(1).name, QStringLiteral("Beta.chm"));
        QCOMPARE(registry.queryValue(*key, QStringLiteral("BETA.chm"))->data,
                 QStringLiteral("/opt/b"));
        QVERIFY(!registry.openKey(platform::RegistryRoot::CurrentUser,
                                  QStringLiteral("Software\\Test"),
                                  platform::registry_access::Read));
    }

    void enforcesAccessRights()
    {
        platform::Registry registry(freshFile());
        std::optional<platform::RegistryKey> created =
            registry.createKey(platform::RegistryRoot::CurrentUser, QStringLiteral("K"),
                               platform::registry_access::SetValue);
        QVERIFY(created);
        QVERIFY(
            registry.setValue(*created, {QStringLiteral("v"), platform::RegistryValueType::String,
                                         QStringLiteral("1")}));
        // Opened only for setting: reading is refused.
        QVERIFY(!registry.queryValue(*created, QStringLiteral("v")));
        std::optional<platform::RegistryKey> reading =
            registry.openKey(platform::RegistryRoot::CurrentUser, QStringLiteral("K"),
                             platform::registry_access::Read);
        QVERIFY(!registry.setValue(*reading,
                                   {QStringLiteral("v"), platform::RegistryValueType::String, {}}));
        QVERIFY(!registry.deleteValue(*reading, QStringLiteral("v")));
        QVERIFY(registry.deleteValue(*created, QStringLiteral("V")));
        QVERIFY(!registry.deleteValue(*created, QStringLiteral("v")));
        QVERIFY(!registry.queryValue(*reading, QStringLiteral("v")));
    }

    void expandsEnvironmentStrings()
    {
        qputenv("PARLANZA_TEST_ROOT", "/srv/help");
        qunsetenv("PARLANZA_TEST_UNSET");
        QCOMPARE(platform::Registry::expandEnvironmentStrings(
                     QStringLiteral("%PARLANZA_TEST_ROOT%/x;%PARLANZA_TEST_UNSET%;50%")),
                 QStringLiteral("/srv/help/x;%PARLANZA_TEST_UNSET%;50%"));
        platform::Registry registry(freshFile());
        std::optional<platform::RegistryKey> key =
            registry.createKey(platform::RegistryRoot::CurrentUser, QStringLiteral("E"),
                               platform::registry_access::AllAccess);
        registry.setValue(*key, {QStringLiteral("plain"), platform::RegistryValueType::String,
                                 QStringLiteral("%PARLANZA_TEST_ROOT%")});
        registry.setValue(*key,
                          {QStringLiteral("expand"), platform::RegistryValueType::ExpandString,
                           QStringLiteral("%PARLANZA_TEST_ROOT%\\a.chm")});
        QCOMPARE(registry.queryValue(*key, QStringLiteral("plain"))->data,
                 QStringLiteral("%PARLANZA_TEST_ROOT%"));
        QCOMPARE(registry.queryValue(*key, QStringLiteral("expand"))->data,
                 QStringLiteral("/srv/help\\a.chm"));
        QCOMPARE(registry.values(*key)->at(1).data, QStringLiteral("/srv/help\\a.chm"));
    }

    void classesRootIsTheMachinesClasses()
    {
        platform::Registry registry(freshFile());
        std::optional<platform::RegistryKey> key =
            registry.createKey(platform::RegistryRoot::LocalMachine,
                               QStringLiteral("SOFTWARE\\Classes\\CLSID\\{X}\\InprocServer32"),
                               platform::registry_access::AllAccess);
        registry.setValue(
            *key, {QString(), platform::RegistryValueType::String, QStringLiteral("/lib/x.ocx")});
        std::optional<platform::RegistryKey> view = registry.openKey(
            platform::RegistryRoot::ClassesRoot, QStringLiteral("CLSID\\{X}\\InprocServer32"),
            platform::registry_access::Read);
        QVERIFY(view);
        QCOMPARE(registry.queryValue(*view, QString())->data, QStringLiteral("/lib/x.ocx"));
    }

    // Not JSON, the wrong shape, an unknown hive, a bad value.
    void brokenFileIsReportedAndKeptUntilTheNextWrite()
    {
        for (const QByteArray& content :
             {QByteArray(R"({"HKLM": {)"), QByteArray("[1, 2, 3]"),
              QByteArray(R"({"HKEY_NOWHERE": {}})"),
              QByteArray(R"({"HKEY_CURRENT_USER": {"K": [{"name": 1}]}})")}) {
            const QString path = freshFile();
            QVERIFY(testfiles::write(path, content));
            // A second name for the file as it is now: a file rewritten in place would
            // change under it, one replaced whole keeps it.
            const QString before = path + QStringLiteral(".before");
            QCOMPARE(
                ::link(QFile::encodeName(path).constData(), QFile::encodeName(before).constData()),
                0);

            platform::EventLogCapture log;
            platform::Registry registry(path);
            QVERIFY(!registry.openKey(platform::RegistryRoot::CurrentUser, QStringLiteral("K"),
                                      platform::registry_access::Read));
            QVERIFY(registry.loadError().contains(path));
            QCOMPARE(log.entries(platform::LogLevel::Error).size(), 1);
            QCOMPARE(testfiles::read(path), content);

            std::optional<platform::RegistryKey> key =
                registry.createKey(platform::RegistryRoot::CurrentUser, QStringLiteral("K"),
                                   platform::registry_access::AllAccess);
            QVERIFY(key);
            QVERIFY(
                registry.setValue(*key, {QStringLiteral("v"), platform::RegistryValueType::String,
                                         QStringLiteral("ok")}));
            QVERIFY(registry.loadError().isEmpty());
            QCOMPARE(testfiles::read(before), content);
            platform::Registry reread(path);
            std::optional<platform::RegistryKey> again =
                reread.openKey(platform::RegistryRoot::CurrentUser, QStringLiteral("K"),
                               platform::registry_access::Read);
            QVERIFY(again);
            QCOMPARE(reread.queryValue(*again, QStringLiteral("v"))->data, QStringLiteral("ok"));
        }
    }

    void unwritableFileFailsTheWrite()
    {
        // A folder where the file should be: the change is refused and nothing is kept.
        const QString path = m_dir.filePath(QStringLiteral("folder.json"));
        QVERIFY(QDir().mkpath(path));
        platform::EventLogCapture log;
        platform::Registry registry(path);
        QVERIFY(!registry.createKey(platform::RegistryRoot::CurrentUser, QStringLiteral("K"),
                                    platform::registry_access::AllAccess));
        QVERIFY(!registry.openKey(platform::RegistryRoot::CurrentUser, QStringLiteral("K"),
                                  platform::registry_access::Read));
        QVERIFY(!log.entries(platform::LogLevel::Error).isEmpty());
    }
};

QTEST_MAIN(tst_StoredValues)
#include "tst_StoredValues.moc"
