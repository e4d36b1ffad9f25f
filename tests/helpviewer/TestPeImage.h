#pragma once

#include <QByteArray>
#include <QtEndian>

// A minimal Windows PE image holding nothing but a version resource, for tests of
// the version reader and of callers that read installed components' versions.
namespace testpe {

template <typename T> inline void put(QByteArray& data, int offset, T value)
{
    qToLittleEndian(value, data.data() + offset);
}

inline QByteArray image(quint16 major, quint16 minor, quint16 build, quint16 revision,
                        bool pe32Plus = false)
{
    constexpr int peAt = 0x40;
    constexpr int rawAt = 0x200;
    constexpr quint32 sectionRva = 0x1000;
    const int optionalSize = pe32Plus ? 240 : 224;
    const int optionalAt = peAt + 24;
    const int sectionAt = optionalAt + optionalSize;
    QByteArray data(rawAt + 0x200, '\0');
    data.replace(0, 2, "MZ");
    put<quint32>(data, 0x3C, peAt);
    data.replace(peAt, 4, QByteArray("PE\0\0", 4));
    put<quint16>(data, peAt + 4, pe32Plus ? 0x8664 : 0x14C);
    put<quint16>(data, peAt + 6, 1);
    put<quint16>(data, peAt + 20, quint16(optionalSize));
    put<quint16>(data, optionalAt, pe32Plus ? 0x20B : 0x10B);
    const int countAt = optionalAt + (pe32Plus ? 108 : 92);
    put<quint32>(data, countAt, 16);
    const int resourceDirectory = countAt + 4 + 2 * 8;

    // Resource tree: type 16 -> name 1 -> language 0x409 -> data entry -> version block.
    const int r = rawAt;
    put<quint16>(data, r + 14, 1);
    put<quint32>(data, r + 16, 16);
    put<quint32>(data, r + 20, 0x80000000u | 0x18);
    put<quint16>(data, r + 0x18 + 14, 1);
    put<quint32>(data, r + 0x18 + 16, 1);
    put<quint32>(data, r + 0x18 + 20, 0x80000000u | 0x30);
    put<quint16>(data, r + 0x30 + 14, 1);
    put<quint32>(data, r + 0x30 + 16, 0x409);
    put<quint32>(data, r + 0x30 + 20, 0x48);
    const int block = 0x58;
    const int blockLength = 40 + 52;
    put<quint32>(data, r + 0x48, sectionRva + block);
    put<quint32>(data, r + 0x48 + 4, blockLength);
    put<quint16>(data, r + block, blockLength);
    put<quint16>(data, r + block + 2, 52);
    const QString key = QStringLiteral("VS_VERSION_INFO");
    for (int i = 0; i < key.size(); ++i) {
        put<quint16>(data, r + block + 6 + 2 * i, key.at(i).unicode());
    }
    const int fixed = r + block + 40;
    put<quint32>(data, fixed, 0xFEEF04BDu);
    put<quint32>(data, fixed + 4, 0x00010000u);
    put<quint32>(data, fixed + 8, (quint32(major) << 16) | minor);
    put<quint32>(data, fixed + 12, (quint32(build) << 16) | revision);

    const int resourceSize = block + blockLength;
    put<quint32>(data, resourceDirectory, sectionRva);
    put<quint32>(data, resourceDirectory + 4, resourceSize);
    data.replace(sectionAt, 5, ".rsrc");
    put<quint32>(data, sectionAt + 8, resourceSize);
    put<quint32>(data, sectionAt + 12, sectionRva);
    put<quint32>(data, sectionAt + 16, 0x200);
    put<quint32>(data, sectionAt + 20, rawAt);
    return data;
}

} // namespace testpe
