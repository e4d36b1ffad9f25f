#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QString>
#include <memory>

struct zip;

// A zip archive held in memory, read through libzip: the container of word-processor
// documents and electronic books. Damaged archives and encrypted members are told apart
// from missing ones so that the user hears the real reason.
namespace documents {

class ZipArchive
{
public:
    // Whether the data begins like a zip archive ("PK\3\4").
    static bool looksLikeZip(const QByteArray& head);

    // The archive, or why it cannot be read (damaged, cut short). The data must outlive
    // the archive.
    static platform::Result<std::shared_ptr<ZipArchive>> open(const QByteArray& data);

    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    bool contains(const QString& name) const;

    // Whether the member is stored encrypted.
    bool isEncrypted(const QString& name) const;

    // A member's content, checked against its checksum, at most maxBytes long.
    platform::Result<QByteArray> read(const QString& name, qint64 maxBytes) const;

private:
    explicit ZipArchive(zip* archive) : m_archive(archive) {}
    qint64 indexOf(const QString& name) const;

    zip* m_archive = nullptr;
};

} // namespace documents
