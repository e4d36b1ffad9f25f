#include "helpviewer/FileVersion.h"

#include <QFile>
#include <QtEndian>

namespace helpviewer {
namespace {

constexpr quint32 ResourceDirectoryIndex = 2;
constexpr quint32 VersionResourceType = 16;
constexpr quint32 SubdirectoryFlag = 0x80000000u;
constexpr quint32 FixedInfoSignature = 0xFEEF04BDu;
constexpr qint64 MaxImageSize = qint64(256) * 1024 * 1024;

class Image
{
public:
    explicit Image(const QByteArray& data) : m_data(data) {}

    template <typename T> std::optional<T> at(qint64 offset) const
    {
        if (offset < 0 || offset + qint64(sizeof(T)) > m_data.size()) {
            return std::nullopt;
        }
        return qFromLittleEndian<T>(m_data.constData() + offset);
    }
    qint64 size() const { return m_data.size(); }
    QByteArray mid(qint64 offset, qint64 length) const { return m_data.mid(offset, length); }

private:
    const QByteArray& m_data;
};

struct Section
{
    quint32 address = 0;
    quint32 extent = 0;
    quint32 rawOffset = 0;
    quint32 rawSize = 0;
};

std::optional<qint64> fileOffset(const QList<Section>& sections, quint32 rva, quint32 length)
{
    for (const Section& section : sections) {
        if (rva >= section.address && quint64(rva) < quint64(section.address) + section.extent) {
            const quint64 inside = rva - section.address;
            if (inside + length > section.rawSize) {
                return std::nullopt;
            }
            return qint64(section.rawOffset + inside);
        }
    }
    return std::nullopt;
}

// One level of the resource tree: the entry with that id, or the first entry when
// the id is not given.
std::optional<quint32> resourceEntry(const Image& image, qint64 directory,
                                     std::optional<quint32> id)
{
    const auto named = image.at<quint16>(directory + 12);
    const auto numbered = image.at<quint16>(directory + 14);
    if (!named || !numbered) {
        return std::nullopt;
    }
    const int count = *named + *numbered;
    for (int i = 0; i < count; ++i) {
        const qint64 entry = directory + 16 + qint64(i) * 8;
        const auto name = image.at<quint32>(entry);
        const auto target = image.at<quint32>(entry + 4);
        if (!name || !target) {
            return std::nullopt;
        }
        if (!id || (!(*name & SubdirectoryFlag) && *name == *id)) {
            return *target;
        }
    }
    return std::nullopt;
}

std::optional<FileVersion> fixedInfo(const QByteArray& data)
{
    const Image block(data);
    const auto valueLength = block.at<quint16>(2);
    static const QString key = QStringLiteral("VS_VERSION_INFO");
    if (!valueLength || *valueLength < 52 || data.size() < 40 + 52) {
        return std::nullopt;
    }
    for (int i = 0; i < key.size(); ++i) {
        if (block.at<quint16>(6 + 2 * i) != key.at(i).unicode()) {
            return std::nullopt;
        }
    }
    // The fixed part follows the key and its terminator, aligned to four bytes.
    const qint64 fixed = (6 + 2 * (key.size() + 1) + 3) & ~qint64(3);
    if (block.at<quint32>(fixed) != FixedInfoSignature) {
        return std::nullopt;
    }
    const quint32 high = *block.at<quint32>(fixed + 8);
    const quint32 low = *block.at<quint32>(fixed + 12);
    return FileVersion{quint16(high >> 16), quint16(high & 0xFFFF), quint16(low >> 16),
                       quint16(low & 0xFFFF)};
}

} // namespace

std::optional<FileVersion> FileVersion::read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxImageSize) {
        return std::nullopt;
    }
    return fromImage(file.readAll());
}

std::optional<FileVersion> FileVersion::fromImage(const QByteArray& data)
{
    const Image image(data);
    if (!data.startsWith("MZ")) {
        return std::nullopt;
    }
    const auto peOffset = image.at<quint32>(0x3C);
    if (!peOffset || image.at<quint32>(*peOffset) != 0x00004550u) {
        return std::nullopt;
    }
    const qint64 coff = qint64(*peOffset) + 4;
    const auto sectionCount = image.at<quint16>(coff + 2);
    const auto optionalSize = image.at<quint16>(coff + 16);
    const qint64 optional = coff + 20;
    const auto magic = image.at<quint16>(optional);
    if (!sectionCount || !optionalSize || !magic) {
        return std::nullopt;
    }
    qint64 directoryCountAt = 0;
    if (*magic == 0x10B) {
        directoryCountAt = optional + 92;
    } else if (*magic == 0x20B) {
        directoryCountAt = optional + 108;
    } else {
        return std::nullopt;
    }
    const auto directoryCount = image.at<quint32>(directoryCountAt);
    if (!directoryCount || *directoryCount <= ResourceDirectoryIndex) {
        return std::nullopt;
    }
    const qint64 resourceEntryAt = directoryCountAt + 4 + qint64(ResourceDirectoryIndex) * 8;
    if (resourceEntryAt + 8 > optional + *optionalSize) {
        return std::nullopt;
    }
    const auto resourceRva = image.at<quint32>(resourceEntryAt);
    if (!resourceRva || *resourceRva == 0) {
        return std::nullopt;
    }

    QList<Section> sections;
    const qint64 table = optional + *optionalSize;
    for (int i = 0; i < *sectionCount; ++i) {
        const qint64 header = table + qint64(i) * 40;
        const auto virtualSize = image.at<quint32>(header + 8);
        const auto address = image.at<quint32>(header + 12);
        const auto rawSize = image.at<quint32>(header + 16);
        const auto rawOffset = image.at<quint32>(header + 20);
        if (!virtualSize || !address || !rawSize || !rawOffset) {
            return std::nullopt;
        }
        if (qint64(*rawOffset) + *rawSize > image.size()) {
            continue;
        }
        sections.append({*address, std::max(*virtualSize, *rawSize), *rawOffset, *rawSize});
    }

    const std::optional<qint64> base = fileOffset(sections, *resourceRva, 16);
    if (!base) {
        return std::nullopt;
    }
    // Type, then name, then language; the first two levels must be subdirectories.
    std::optional<quint32> next = resourceEntry(image, *base, VersionResourceType);
    for (int level = 0; level < 2; ++level) {
        if (!next || !(*next & SubdirectoryFlag)) {
            return std::nullopt;
        }
        next = resourceEntry(image, *base + (*next & ~SubdirectoryFlag), std::nullopt);
    }
    if (!next || (*next & SubdirectoryFlag)) {
        return std::nullopt;
    }
    const qint64 dataEntry = *base + *next;
    const auto dataRva = image.at<quint32>(dataEntry);
    const auto dataSize = image.at<quint32>(dataEntry + 4);
    if (!dataRva || !dataSize) {
        return std::nullopt;
    }
    const quint32 length = quint32(std::min<qint64>(*dataSize, MaxVersionData));
    const std::optional<qint64> offset = fileOffset(sections, *dataRva, length);
    if (!offset) {
        return std::nullopt;
    }
    return fixedInfo(image.mid(*offset, length));
}

} // namespace helpviewer
