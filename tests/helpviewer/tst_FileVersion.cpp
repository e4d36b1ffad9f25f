#include "TestFiles.h"
#include "helpviewer/FileVersion.h"
#include "helpviewer/TestPeImage.h"

#include <QTemporaryDir>
#include <QTest>

using platform::FileVersion;

class tst_FileVersion : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsTheFixedVersion_data()
    {
        QTest::addColumn<bool>("pe32Plus");
        QTest::addColumn<QList<int>>("parts");
        QTest::newRow("viewer") << false << QList<int>{4, 74, 8702, 0};
        QTest::newRow("64-bit") << true << QList<int>{5, 50, 3825, 1300};
        QTest::newRow("largest") << false << QList<int>{65535, 65535, 65535, 65535};
    }
    void readsTheFixedVersion()
    {
        QFETCH(bool, pe32Plus);
        QFETCH(QList<int>, parts);
        const QByteArray image = testpe::image(parts[0], parts[1], parts[2], parts[3], pe32Plus);
        const std::optional<FileVersion> version = FileVersion::fromImage(image);
        QVERIFY(version);
        QCOMPARE(*version, (FileVersion{quint16(parts[0]), quint16(parts[1]), quint16(parts[2]),
                                        quint16(parts[3])}));

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("component.dll"));
        QVERIFY(testfiles::write(path, image));
        QCOMPARE(FileVersion::read(path), version);
        QVERIFY(!FileVersion::read(dir.filePath(QStringLiteral("missing.dll"))));
    }

    void refusesFilesWithoutAVersion_data()
    {
        QTest::addColumn<QByteArray>("image");
        const QByteArray good = testpe::image(1, 2, 3, 4);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not a program") << QByteArray("#!/bin/sh\necho hello\n");
        QTest::newRow("dos only") << good.left(0x40);
        QTest::newRow("headers only") << good.left(0x200);
        QTest::newRow("cut in the tree") << good.left(0x230);
        QTest::newRow("cut in the block") << good.left(0x200 + 0x58 + 50);
        QByteArray badSignature = good;
        badSignature[0x200 + 0x58 + 40] = 0;
        QTest::newRow("bad signature") << badSignature;
        QByteArray badKey = good;
        badKey[0x200 + 0x58 + 6] = 'X';
        QTest::newRow("bad key") << badKey;
        QByteArray farOffset = good;
        testpe::put32(farOffset, 0x3C, 0x7FFFFFF0u);
        QTest::newRow("header past the end") << farOffset;
        QByteArray noVersionType = good;
        testpe::put32(noVersionType, 0x200 + 16, 3);
        QTest::newRow("icons only") << noVersionType;
        QByteArray loop = good;
        testpe::put32(loop, 0x200 + 0x18 + 20, 0x80000000u);
        QTest::newRow("tree points back at its root") << loop;
    }
    void refusesFilesWithoutAVersion()
    {
        QFETCH(QByteArray, image);
        QVERIFY(!FileVersion::fromImage(image));
    }
};

QTEST_GUILESS_MAIN(tst_FileVersion)
#include "tst_FileVersion.moc"
