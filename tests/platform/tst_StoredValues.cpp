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

using platform::EventLogCapture;
using platform::LogLevel;
using platform::OleColor;
using platform::Picture;
using platform::PropertyBag;
using platform::Registry;
using platform::RegistryKey;
using platform::RegistryValue;
using platform::RegistryValueType;
namespace rights = platform::registry_access;

namespace {

constexpr auto kUser = platform::RegistryRoot::CurrentUser;
constexpr auto kMachine = platform::RegistryRoot::LocalMachine;

PropertyBag bagFrom(const char* json)
{
    return PropertyBag(QJsonDocument::fromJson(json).object(), QStringLiteral("Form.ctl"));
}

RegistryValue text(const QString& name, const QString& data,
                   RegistryValueType type = RegistryValueType::String)
{
    return {name, type, data};
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
    void valuesReadBackAsWrittenThroughText()
    {
        PropertyBag bag;
        QFont font(QStringLiteral("Liberation Sans"), -1, QFont::Bold, true);
        font.setPointSizeF(9.75);
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(QColor(10, 200, 30));
        bag.writeInteger("ImgSize", -7, 16);
        bag.writeLong("Mode", 70000, std::nullopt);
        bag.writeByte("Behaviour", 2, 0);
        bag.writeBoolean("Enabled", false, true);
        bag.writeSingle("Scale", 1.25f, 1.0f);
        bag.writeString("Caption", "SPEAK ä", QString());
        bag.writeColor("BackColour", 0x8000000F, 0x00FFFFFF);
        bag.writeFont("Font", font, std::nullopt);
        bag.writePicture("Picture", Picture(Picture::Type::Bitmap, image));
        bag.writePicture("MouseIcon", Picture(Picture::Type::Cursor, image));
        bag.writePicture("Icon", Picture(Picture::Type::Icon, image));
        // Through text, as a form file stores it.
        const PropertyBag loaded(
            QJsonDocument::fromJson(QJsonDocument(bag.toJson()).toJson()).object());
        const QFont f = loaded.readFont("Font", QFont());
        QCOMPARE(QVariantList({loaded.readInteger("ImgSize", 16), loaded.readLong("Mode", 0),
                               loaded.readByte("Behaviour", 0), loaded.readBoolean("Enabled", true),
                               loaded.readSingle("Scale", 1.0f), loaded.readString("Caption", {}),
                               loaded.readColor("BackColour", 0), f.family(), f.pointSizeF(),
                               f.bold(), f.italic()}),
                 QVariantList({qint16(-7), 70000, quint8(2), false, 1.25f, "SPEAK ä",
                               OleColor(0x8000000F), font.family(), 9.75, true, true}));
        QCOMPARE(loaded.readPicture("Picture").image().convertToFormat(QImage::Format_RGB32),
                 image);
        // Cursors and icons stay what they are.
        const auto type = [&loaded](const char* key) { return loaded.readPicture(key).type(); };
        using enum Picture::Type;
        QCOMPARE(QList<Picture::Type>({type("Picture"), type("MouseIcon"), type("Icon")}),
                 QList<Picture::Type>({Bitmap, Cursor, Icon}));
    }

    void defaultsAreNotWrittenAndKeysMatchWithoutCase()
    {
        PropertyBag bag;
        bag.writeInteger("ImgSize", 16, 16);
        bag.writeBoolean("Focus", true, true);
        bag.writeString("Caption", QString(), QString());
        bag.writeColor("cFore", 0x80000012, 0x80000012);
        bag.writeFont("Font", QFont(), QFont());
        bag.writePicture("Image", Picture());
        QVERIFY(bag.isEmpty());
        // Missing keys read their defaults.
        QCOMPARE(QVariantList({bag.readInteger("ImgSize", 16), bag.readBoolean("Focus", true),
                               bag.readString("Caption", "x"), bag.readDouble("Scale", 1.5)}),
                 QVariantList({qint16(16), true, "x", 1.5}));
        QVERIFY(bag.readPicture("Image").isNull());
        // A value without a default is always written, even when it looks like one.
        bag.writeLong("Mode", 0, std::nullopt);
        QVERIFY(bag.contains("Mode"));
        // Writing the default over a stored value takes the key away again.
        bag.writeInteger("ImgSize", 32, 16);
        QVERIFY(bag.contains("ImgSize"));
        bag.writeInteger("ImgSize", 16, 16);
        QVERIFY(!bag.contains("ImgSize"));
        // Keys match without case: writing under another spelling replaces the value instead
        // of adding a twin.
        bag.remove("MODE");
        bag.writeColor("cBhover", 0x123456, 0);
        QCOMPARE(bag.readColor("cBHover", 0), OleColor(0x123456));
        bag.writeColor("cBHover", 0x654321, 0);
        QCOMPARE(bag.toJson().size(), 1);
        QCOMPARE(bag.readColor("cbhover", 0), OleColor(0x654321));
    }

    // Colours are longs: classic hexadecimal text and negative longs name the same colour.
    // Booleans are numbers, true being -1. Values of the wrong kind or out of range read as
    // the default and warn, naming the value.
    void olderSpellingsReadAndBadValuesFallBackWithAWarning()
    {
        const PropertyBag older = bagFrom(
            R"({"a": "&H8000000F&", "b": -2147483633, "c": "0x00574539", "d": 5719353,
                "t": -1, "f": 0})");
        QCOMPARE(QList<OleColor>({older.readColor("a", 0), older.readColor("b", 0),
                                  older.readColor("c", 0), older.readColor("d", 0)}),
                 QList<OleColor>({0x8000000F, 0x8000000F, 0x574539, 0x574539}));
        QCOMPARE(older.readLong("a", 0), qint32(0x8000000F));
        QCOMPARE(QList<bool>({older.readBoolean("t", false), older.readBoolean("f", true)}),
                 QList<bool>({true, false}));
        // Out of range and fractions for numbers, a number for text, bad hexadecimal text and
        // an object for colours, fonts without a usable name or size, pictures that are
        // neither a resource nor image data: each read as its default, with one warning that
        // names it.
        const PropertyBag bad = bagFrom(
            R"({"i": 40000, "j": 2.5, "b": -1, "t": "yes", "s": 12, "c": "0xZZ", "d": {},
                "f": {"name": ", Arial"}, "g": {"name": "Arial", "size": 0},
                "p": {"resource": "NO_SUCH_BITMAP"}, "q": {"data": "AAAA"}})");
        const QFont font("DejaVu Sans");
        EventLogCapture log;
        QCOMPARE(
            QVariantList({bad.readInteger("i", 16), bad.readInteger("j", 16), bad.readByte("b", 3),
                          bad.readBoolean("t", true), bad.readString("s", "d"),
                          bad.readColor("c", 0x8000000F), bad.readColor("d", 0x8000000F),
                          bad.readFont("f", font).family(), bad.readFont("g", font).family(),
                          bad.readPicture("p").isNull(), bad.readPicture("q").isNull()}),
            QVariantList({qint16(16), qint16(16), quint8(3), true, "d", OleColor(0x8000000F),
                          OleColor(0x8000000F), "DejaVu Sans", "DejaVu Sans", true, true}));
        QStringList named;
        for (const platform::LogEntry& warning : log.entries(LogLevel::Warning)) {
            named << warning.text.section(QLatin1Char(' '), 2, 2);
        }
        QCOMPARE(named, QStringList({"Form.ctl.i", "Form.ctl.j", "Form.ctl.b", "Form.ctl.t",
                                     "Form.ctl.s", "Form.ctl.c", "Form.ctl.d", "Form.ctl.f",
                                     "Form.ctl.g", "Form.ctl.p", "Form.ctl.q"}));
    }

    void formFileReadsControlsWritesThemBackAndFallsBackPerBrokenValue()
    {
        const QByteArray json = R"({"name": "Main", "width": 9000, "height": 6000,
            "properties": {"Caption": "Parlanza"}, "controls": [
                {"class": "bvlBUTTON", "name": "cmdSpkText", "left": 120, "top": 240, "width": 1200,
                 "height": 600, "tabIndex": 3,
                 "properties": {"Caption": "SPEAK", "BackColour": "0x8000000F"}},
                {"class": "UcScroll", "name": "scrSpeed", "left": -30, "top": 0, "width": 2400,
                 "height": 255}]})";
        QString error;
        const std::optional<platform::FormFile> form = platform::FormFile::parse(json, &error);
        QVERIFY2(form, qPrintable(error));
        QCOMPARE(QVariantList({form->name, form->twips, form->properties.readString("caption", {}),
                               form->controls.size(), form->control("scrSpeed")->twips.left()}),
                 QVariantList({"Main", QSize(9000, 6000), "Parlanza", 2, -30}));
        const platform::FormControl* speak = form->control("CMDSPKTEXT");
        QVERIFY(speak && !form->control("nothing"));
        QCOMPARE(QVariantList({speak->className, speak->twips, speak->tabIndex,
                               speak->properties.readColor("BackColour", 0)}),
                 QVariantList({"bvlBUTTON", QRect(120, 240, 1200, 600), 3, OleColor(0x8000000F)}));
        // Written back as text, it reads the same.
        const std::optional<platform::FormFile> again = platform::FormFile::parse(form->toJson());
        QVERIFY(again);
        QCOMPARE(again->toJson(), form->toJson());
        // A broken value costs that value only: the control keeps its other settings. A broken
        // file is refused whole.
        EventLogCapture log;
        const std::optional<platform::FormFile> broken = platform::FormFile::parse(R"({
            "name": "Main", "width": "wide", "height": 99999999, "controls": [
                {"class": "Label", "name": "a", "left": "x", "top": 15, "width": -5,
                 "height": 300.5, "tabIndex": 70000},
                {"name": "no class"}, {"class": "Label"}]})");
        QVERIFY(broken && broken->controls.size() == 1);
        QCOMPARE(QVariantList({broken->twips, broken->controls.first().twips,
                               broken->controls.first().tabIndex}),
                 QVariantList({QSize(4800, 3600), QRect(0, 15, 1200, 360), 0}));
        QVERIFY(log.entries(LogLevel::Warning).size() >= 7);
        // Not JSON, an array, and no file at all: unreadable, saying why.
        for (const QByteArray& content :
             {QByteArray("{ name: "), QByteArray("[1, 2]"), QByteArray()}) {
            const QString path = freshFile();
            QVERIFY(content.isNull() || testfiles::write(path, content));
            QString error;
            QVERIFY(!platform::FormFile::load(path, &error));
            QVERIFY(!error.isEmpty());
        }
    }

    void keepsValuesAcrossInstancesEnforcesAccessRightsAndExpandsVariables()
    {
        const QString file = freshFile();
        {
            Registry registry(file);
            std::optional<RegistryKey> key = registry.createKey(
                kMachine, "Software\\Test\\Deep", rights::SetValue | rights::CreateSubKey);
            QVERIFY(key && registry.setValue(*key, text("Alpha.chm", "/opt/a")));
            QVERIFY(registry.setValue(*key, text("Beta.chm", "/opt/b")));
            QVERIFY(registry.setValue(*key, text("alpha.CHM", "/opt/c")));
            registry.closeKey(*key);
            QVERIFY(!registry.setValue(*key, text("x", {})));
            key = registry.createKey(kMachine, "SOFTWARE\\Classes\\CLSID\\{X}\\InprocServer32",
                                     rights::AllAccess);
            QVERIFY(registry.setValue(*key, text(QString(), "/lib/x.ocx")));
        }
        Registry registry(file);
        // Parents are created with the key, and paths match without regard to case.
        QVERIFY(registry.openKey(kMachine, "software\\test", rights::Read));
        std::optional<RegistryKey> key =
            registry.openKey(kMachine, "SOFTWARE\\TEST\\DEEP\\", rights::Read);
        QVERIFY(key);
        const std::optional<QList<RegistryValue>> values = registry.values(*key);
        QVERIFY(values && values->size() == 2);
        QCOMPARE(QStringList({values->at(0).data, values->at(1).name,
                              registry.queryValue(*key, "BETA.chm")->data}),
                 QStringList({"/opt/c", "Beta.chm", "/opt/b"}));
        QVERIFY(!registry.openKey(kUser, "Software\\Test", rights::Read));
        // The classes root is a view of the machine's classes.
        key = registry.openKey(platform::RegistryRoot::ClassesRoot, "CLSID\\{X}\\InprocServer32",
                               rights::Read);
        QVERIFY(key);
        QCOMPARE(registry.queryValue(*key, QString())->data, "/lib/x.ocx");
        // A key opened only for setting refuses reading, one opened for reading refuses changes.
        std::optional<RegistryKey> created = registry.createKey(kUser, "K", rights::SetValue);
        QVERIFY(created && registry.setValue(*created, text("v", "1")));
        QVERIFY(!registry.queryValue(*created, "v"));
        std::optional<RegistryKey> reading = registry.openKey(kUser, "K", rights::Read);
        QVERIFY(!registry.setValue(*reading, text("v", {})));
        QVERIFY(!registry.deleteValue(*reading, "v"));
        QVERIFY(registry.deleteValue(*created, "V"));
        QVERIFY(!registry.deleteValue(*created, "v"));
        QVERIFY(!registry.queryValue(*reading, "v"));
        // Roots by short and long names in any case, an unknown one being none; "%NAME%" by the
        // variable's value, in text and in values stored as expandable.
        QCOMPARE(Registry::rootFromName("hklm"), kMachine);
        QCOMPARE(Registry::rootFromName("HKEY_LOCAL_MACHINE"), kMachine);
        QCOMPARE(Registry::rootFromName("HKXX"), std::nullopt);
        qputenv("PARLANZA_TEST_ROOT", "/srv/help");
        qunsetenv("PARLANZA_TEST_UNSET");
        QCOMPARE(
            Registry::expandEnvironmentStrings("%PARLANZA_TEST_ROOT%/x;%PARLANZA_TEST_UNSET%;50%"),
            "/srv/help/x;%PARLANZA_TEST_UNSET%;50%");
        key = registry.createKey(kUser, "E", rights::AllAccess);
        registry.setValue(*key, text("plain", "%PARLANZA_TEST_ROOT%"));
        registry.setValue(
            *key, text("expand", "%PARLANZA_TEST_ROOT%\\a.chm", RegistryValueType::ExpandString));
        QCOMPARE(registry.queryValue(*key, "plain")->data, "%PARLANZA_TEST_ROOT%");
        QCOMPARE(registry.queryValue(*key, "expand")->data, "/srv/help\\a.chm");
    }

    // Not JSON, the wrong shape, an unknown hive, a bad value: reported, and kept until the
    // next write replaces it. An unwritable file fails the write.
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
            QCOMPARE(::link(qPrintable(path), qPrintable(before)), 0);
            EventLogCapture log;
            Registry registry(path);
            QVERIFY(!registry.openKey(kUser, "K", rights::Read));
            QVERIFY(registry.loadError().contains(path));
            QCOMPARE(log.entries(LogLevel::Error).size(), 1);
            QCOMPARE(testfiles::read(path), content);

            std::optional<RegistryKey> key = registry.createKey(kUser, "K", rights::AllAccess);
            QVERIFY(key && registry.setValue(*key, text("v", "ok")));
            QVERIFY(registry.loadError().isEmpty());
            QCOMPARE(testfiles::read(before), content);
            Registry reread(path);
            std::optional<RegistryKey> again = reread.openKey(kUser, "K", rights::Read);
            QVERIFY(again);
            QCOMPARE(reread.queryValue(*again, "v")->data, "ok");
        }
        // A folder where the file should be: the change is refused and nothing is kept.
        const QString path = m_dir.filePath(QStringLiteral("folder.json"));
        QVERIFY(QDir().mkpath(path));
        EventLogCapture log;
        Registry registry(path);
        QVERIFY(!registry.createKey(kUser, "K", rights::AllAccess));
        QVERIFY(!registry.openKey(kUser, "K", rights::Read));
        QVERIFY(!log.entries(LogLevel::Error).isEmpty());
    }
};

QTEST_MAIN(tst_StoredValues)
#include "tst_StoredValues.moc"
