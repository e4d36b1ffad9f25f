#include "platform/Resources.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTest>
#include <QtEndian>

namespace {

// Every piece of the skin with its size; the scroll and progress pieces are 8-bit RLE.
struct Piece
{
    const char* name;
    int width;
    int height;
    bool rle8;
};

constexpr Piece kPieces[] = {
    {"BACKGROUND", 97, 92, false},   {"TOPLEFT", 31, 46, false},      {"TOPRIGHT", 140, 32, false},
    {"BOTTOMLEFT", 13, 19, false},   {"BOTTOMRIGHT", 14, 22, false},  {"TOPFORM", 60, 32, false},
    {"BOTTOMFORM", 75, 9, false},    {"LEFTFORM", 6, 59, false},      {"RIGHTFORM", 5, 60, false},
    {"CLOSEUP", 21, 21, false},      {"CLOSEDN", 21, 21, false},      {"RESTOREUP", 21, 21, false},
    {"RESTOREDN", 21, 21, false},    {"MINIUP", 21, 20, false},       {"MINIDN", 21, 20, false},
    {"BUTTONUP", 95, 22, false},     {"BUTTONDN", 95, 22, false},     {"CHECKOFF", 12, 12, false},
    {"CHECKON", 12, 12, false},      {"RADIOOFF", 12, 12, false},     {"RADIOON", 12, 12, false},
    {"SBACKGROUND", 273, 74, false}, {"HLEFT", 12, 22, true},         {"HRIGHT", 12, 22, true},
    {"HLEFTUP", 10, 13, true},       {"HLEFTDN", 10, 13, true},       {"HRIGHTUP", 10, 13, true},
    {"HRIGHTDN", 10, 13, true},      {"MHSCROLL", 36, 22, true},      {"THUMB", 14, 13, true},
    {"VSCROLLTOP", 22, 12, true},    {"VSCROLLBOTTOM", 22, 12, true}, {"VMIDSCROLL", 22, 36, true},
    {"VUPUP", 13, 10, true},         {"VUPDN", 13, 10, true},         {"VDNUP", 13, 10, true},
    {"VDNDN", 13, 10, true},         {"VTHUMB", 13, 14, true},        {"HBPROGLEFT", 19, 19, true},
    {"HBPROGRIGHT", 19, 19, true},   {"HBPROGMID", 60, 19, true},     {"HPROGRESS", 109, 14, true},
    {"VPROGUP", 19, 19, true},       {"VPROGDN", 19, 19, true},       {"VBPROGMID", 19, 60, true},
    {"VPROGRESS", 14, 109, true},
};

} // namespace

class tst_SkinArtwork : public QObject
{
    Q_OBJECT
private Q_SLOTS:

    void catalogueIsComplete()
    {
        QStringList expected;
        for (const Piece& piece : kPieces) {
            const QString name = QString::fromLatin1(piece.name);
            expected.append(name + QStringLiteral(".bmp"));
            QFile file(QStringLiteral(":/bitmaps/%1.bmp").arg(name));
            QVERIFY2(file.open(QIODevice::ReadOnly), piece.name);
            const QByteArray data = file.readAll();
            QVERIFY2(data.size() >= 54 && data.startsWith("BM"), piece.name);
            // Stored bottom-up: a positive height. 8-bit RLE or 24-bit plain pixels.
            const auto* header = reinterpret_cast<const uchar*>(data.constData());
            QCOMPARE(qFromLittleEndian<qint32>(header + 22), piece.height);
            QCOMPARE(qFromLittleEndian<quint16>(header + 28), quint16(piece.rle8 ? 8 : 24));
            QCOMPARE(qFromLittleEndian<quint32>(header + 30), quint32(piece.rle8 ? 1 : 0));
            const std::optional<QImage> image = platform::resources::bitmap(name);
            QVERIFY2(image, piece.name);
            QCOMPARE(image->size(), QSize(piece.width, piece.height));
        }
        expected.sort();
        QStringList files = QDir(QStringLiteral(":/bitmaps")).entryList(QDir::Files);
        files.sort();
        QCOMPARE(files, expected);
    }
};

QTEST_GUILESS_MAIN(tst_SkinArtwork)
#include "tst_SkinArtwork.moc"
