#include "TestFiles.h"
#include "platform/EventLog.h"
#include "platform/Registry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

using namespace platform;

class tst_Registry : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_count = 0;

    QString freshFile() { return m_dir.filePath(QStringLiteral("hive%1.json").arg(++m_count)); }

private Q_SLOTS:
    void rootNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("root");
        QTest::newRow("HKCU") << QStringLiteral("HKCU") << int(RegistryRoot::CurrentUser);
        QTest::newRow("any case") << QStringLiteral("hklm") << int(RegistryRoot::LocalMachine);
        QTest::newRow("HKCR") << QStringLiteral("HKCR") << int(RegistryRoot::ClassesRoot);
        QTest::newRow("long") << QStringLiteral("HKEY_LOCAL_MACHINE")
                              << int(RegistryRoot::LocalMachine);
        QTest::newRow("unknown") << QStringLiteral("HKXX") << -1;
    }
    void rootNames()
    {
        QFETCH(QString, name);
        QFETCH(int, root);
        const std::optional<RegistryRoot> found = Registry::rootFromName(name);
        QCOMPARE(found ? int(*found) : -1, root);
    }

    void keepsValuesAcrossInstances()
    {
        const QString file = freshFile();
        {
            Registry registry(file);
            QVERIFY(!registry.openKey(RegistryRoot::LocalMachine, QStringLiteral("Software\\Test"),
                                      registry_access::Read));
            std::optional<RegistryKey> key = registry.createKey(
                RegistryRoot::LocalMachine, QStringLiteral("Software\\Test\\Deep"),
                registry_access::SetValue | registry_access::CreateSubKey);
            QVERIFY(key);
            QVERIFY(registry.setValue(*key, {QStringLiteral("Alpha.chm"), RegistryValueType::String,
                                             QStringLiteral("/opt/a")}));
            QVERIFY(registry.setValue(*key, {QStringLiteral("Beta.chm"), RegistryValueType::String,
                                             QStringLiteral("/opt/b")}));
            QVERIFY(registry.setValue(*key, {QStringLiteral("alpha.CHM"), RegistryValueType::String,
                                             QStringLiteral("/opt/c")}));
            registry.closeKey(*key);
            QVERIFY(!key->open);
            QVERIFY(!registry.setValue(*key, {QStringLiteral("x"), RegistryValueType::String, {}}));
        }
        Registry registry(file);
        // Parents are created with the key, and paths match without regard to case.
        QVERIFY(registry.openKey(RegistryRoot::LocalMachine, QStringLiteral("software\\test"),
                                 registry_access::Read));
        std::optional<RegistryKey> key =
            registry.openKey(RegistryRoot::LocalMachine, QStringLiteral("SOFTWARE\\TEST\\DEEP\\"),
                             registry_access::Read);
        QVERIFY(key);
        const std::optional<QList<RegistryValue>> values = registry.values(*key);
        QVERIFY(values);
        QCOMPARE(values->size(), 2);
        QCOMPARE(values->at(0).data, QStringLiteral("/opt/c"));
        QCOMPARE(values->at(1).name, QStringLiteral("Beta.chm"));
        QCOMPARE(registry.queryValue(*key, QStringLiteral("BETA.chm"))->data,
                 QStringLiteral("/opt/b"));
        QVERIFY(!registry.openKey(RegistryRoot::CurrentUser, QStringLiteral("Software\\Test"),
                                  registry_access::Read));
    }

    void enforcesAccessRights()
    {
        Registry registry(freshFile());
        std::optional<RegistryKey> created = registry.createKey(
            RegistryRoot::CurrentUser, QStringLiteral("K"), registry_access::SetValue);
        QVERIFY(created);
        QVERIFY(registry.setValue(
            *created, {QStringLiteral("v"), RegistryValueType::String, QStringLiteral("1")}));
        // Opened only for setting: reading is refused.
        QVERIFY(!registry.queryValue(*created, QStringLiteral("v")));
        std::optional<RegistryKey> reading =
            registry.openKey(RegistryRoot::CurrentUser, QStringLiteral("K"), registry_access::Read);
        QVERIFY(!registry.setValue(*reading, {QStringLiteral("v"), RegistryValueType::String, {}}));
        QVERIFY(!registry.deleteValue(*reading, QStringLiteral("v")));
        QVERIFY(registry.deleteValue(*created, QStringLiteral("V")));
        QVERIFY(!registry.deleteValue(*created, QStringLiteral("v")));
        QVERIFY(!registry.queryValue(*reading, QStringLiteral("v")));
    }

    void expandsEnvironmentStrings()
    {
        qputenv("PARLANZA_TEST_ROOT", "/srv/help");
        qunsetenv("PARLANZA_TEST_UNSET");
        QCOMPARE(Registry::expandEnvironmentStrings(
                     QStringLiteral("%PARLANZA_TEST_ROOT%/x;%PARLANZA_TEST_UNSET%;50%")),
                 QStringLiteral("/srv/help/x;%PARLANZA_TEST_UNSET%;50%"));
        Registry registry(freshFile());
        std::optional<RegistryKey> key = registry.createKey(
            RegistryRoot::CurrentUser, QStringLiteral("E"), registry_access::AllAccess);
        registry.setValue(*key, {QStringLiteral("plain"), RegistryValueType::String,
                                 QStringLiteral("%PARLANZA_TEST_ROOT%")});
        registry.setValue(*key, {QStringLiteral("expand"), RegistryValueType::ExpandString,
                                 QStringLiteral("%PARLANZA_TEST_ROOT%\\a.chm")});
        QCOMPARE(registry.queryValue(*key, QStringLiteral("plain"))->data,
                 QStringLiteral("%PARLANZA_TEST_ROOT%"));
        QCOMPARE(registry.queryValue(*key, QStringLiteral("expand"))->data,
                 QStringLiteral("/srv/help\\a.chm"));
        QCOMPARE(registry.values(*key)->at(1).data, QStringLiteral("/srv/help\\a.chm"));
    }

    void classesRootIsTheMachinesClasses()
    {
        Registry registry(freshFile());
        std::optional<RegistryKey> key =
            registry.createKey(RegistryRoot::LocalMachine,
                               QStringLiteral("SOFTWARE\\Classes\\CLSID\\{X}\\InprocServer32"),
                               registry_access::AllAccess);
        registry.setValue(*key,
                          {QString(), RegistryValueType::String, QStringLiteral("/lib/x.ocx")});
        std::optional<RegistryKey> view =
            registry.openKey(RegistryRoot::ClassesRoot,
                             QStringLiteral("CLSID\\{X}\\InprocServer32"), registry_access::Read);
        QVERIFY(view);
        QCOMPARE(registry.queryValue(*view, QString())->data, QStringLiteral("/lib/x.ocx"));
    }

    void brokenFileIsReportedAndKeptUntilTheNextWrite_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("not json") << QByteArray("{\"HKLM\": {");
        QTest::newRow("wrong shape") << QByteArray("[1, 2, 3]");
        QTest::newRow("unknown hive") << QByteArray("{\"HKEY_NOWHERE\": {}}");
        QTest::newRow("bad value")
            << QByteArray("{\"HKEY_CURRENT_USER\": {\"K\": [{\"name\": 1}]}}");
    }
    void brokenFileIsReportedAndKeptUntilTheNextWrite()
    {
        QFETCH(QByteArray, content);
        const QString path = freshFile();
        QVERIFY(testfiles::write(path, content));
        // A second name for the file as it is now: a file rewritten in place would
        // change under it, one replaced whole keeps it.
        const QString before = path + QStringLiteral(".before");
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(before).constData()),
                 0);

        EventLogCapture log;
        Registry registry(path);
        QVERIFY(!registry.openKey(RegistryRoot::CurrentUser, QStringLiteral("K"),
                                  registry_access::Read));
        QVERIFY(registry.loadError().contains(path));
        QCOMPARE(log.entries(LogLevel::Error).size(), 1);
        QCOMPARE(testfiles::read(path), content);

        std::optional<RegistryKey> key = registry.createKey(
            RegistryRoot::CurrentUser, QStringLiteral("K"), registry_access::AllAccess);
        QVERIFY(key);
        QVERIFY(registry.setValue(
            *key, {QStringLiteral("v"), RegistryValueType::String, QStringLiteral("ok")}));
        QVERIFY(registry.loadError().isEmpty());
        QCOMPARE(testfiles::read(before), content);
        Registry reread(path);
        std::optional<RegistryKey> again =
            reread.openKey(RegistryRoot::CurrentUser, QStringLiteral("K"), registry_access::Read);
        QVERIFY(again);
        QCOMPARE(reread.queryValue(*again, QStringLiteral("v"))->data, QStringLiteral("ok"));
    }

    void unwritableFileFailsTheWrite()
    {
        // A folder where the file should be: the change is refused and nothing is kept.
        const QString path = m_dir.filePath(QStringLiteral("folder.json"));
        QVERIFY(QDir().mkpath(path));
        EventLogCapture log;
        Registry registry(path);
        QVERIFY(!registry.createKey(RegistryRoot::CurrentUser, QStringLiteral("K"),
                                    registry_access::AllAccess));
        QVERIFY(!registry.openKey(RegistryRoot::CurrentUser, QStringLiteral("K"),
                                  registry_access::Read));
        QVERIFY(!log.entries(LogLevel::Error).isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_Registry)
#include "tst_Registry.moc"
