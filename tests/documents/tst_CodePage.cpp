#include "documents/CodePage.h"

#include <QTest>

namespace codepage = platform::codepage;

class tst_CodePage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QString>("expected");
        QTest::newRow("1252 high half")
            << QByteArray("\x80\x93\xE9\xFF") << 1252 << QString::fromUtf8("€“éÿ");
        QTest::newRow("1252 undefined byte")
            << QByteArray("a\x81z") << 1252 << QString::fromUtf8("a\xEF\xBF\xBDz");
        QTest::newRow("1251") << QByteArray("\xC0\xFF") << 1251 << QString::fromUtf8("Ая");
        QTest::newRow("1253") << QByteArray("\xE1\xD9") << 1253 << QString::fromUtf8("αΩ");
        QTest::newRow("932") << QByteArray("\x93\xFA\x96\x7B") << 932 << QString::fromUtf8("日本");
        QTest::newRow("949") << QByteArray("\xC7\xD1") << 949 << QString::fromUtf8("한");
        QTest::newRow("950") << QByteArray("\xA4\xA4") << 950 << QString::fromUtf8("中");
        QTest::newRow("932 lead byte at the end")
            << QByteArray("a\x93") << 932 << QString::fromUtf8("a\xEF\xBF\xBD");
        QTest::newRow("unknown code page reads as 1252")
            << QByteArray("\xE9") << 12345 << QString::fromUtf8("é");
        QTest::newRow("long input")
            << QByteArray(20000, '\xE9') << 1252 << QString(20000, QChar(0xE9));
    }

    void decode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, codePage);
        QFETCH(QString, expected);
        QCOMPARE(codepage::decode(bytes, codePage), expected);
    }

    void supported()
    {
        QVERIFY(codepage::isSupported(1251));
        QVERIFY(codepage::isSupported(932));
        QVERIFY(!codepage::isSupported(4242));
    }
};

QTEST_GUILESS_MAIN(tst_CodePage)
#include "tst_CodePage.moc"
