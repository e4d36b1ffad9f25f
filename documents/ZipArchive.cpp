#include "documents/ZipArchive.h"

#include <QCoreApplication>
#include <zip.h>

namespace documents {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ZipArchive", text);
}

QString damaged()
{
    return tr("The file is damaged: its zip container cannot be read.");
}

} // namespace

bool ZipArchive::looksLikeZip(const QByteArray& head)
{
    return head.startsWith("PK\x03\x04");
}

platform::Result<std::shared_ptr<ZipArchive>> ZipArchive::open(const QByteArray& data)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(data.constData(), data.size(), 0, &error);
    if (source == nullptr) {
        zip_error_fini(&error);
        return platform::Failure{damaged()};
    }
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    zip_error_fini(&error);
    if (archive == nullptr) {
        zip_source_free(source);
        return platform::Failure{damaged()};
    }
    return std::shared_ptr<ZipArchive>(new ZipArchive(archive));
}

ZipArchive::~ZipArchive()
{
    zip_discard(m_archive);
}

qint64 ZipArchive::indexOf(const QString& name) const
{
    return zip_name_locate(m_archive, name.toUtf8().constData(), 0);
}

bool ZipArchive::contains(const QString& name) const
{
    return indexOf(name) >= 0;
}

bool ZipArchive::isEncrypted(const QString& name) const
{
    const qint64 index = indexOf(name);
    zip_stat_t stat;
    return index >= 0 && zip_stat_index(m_archive, index, 0, &stat) == 0 &&
           (stat.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0 && stat.encryption_method != ZIP_EM_NONE;
}

platform::Result<QByteArray> ZipArchive::read(const QString& name, qint64 maxBytes) const
{
    const qint64 index = indexOf(name);
    if (index < 0) {
        return platform::Failure{tr("The file is damaged: \"%1\" is missing from it.").arg(name)};
    }
    if (isEncrypted(name)) {
        return platform::Failure{tr("The document is encrypted.")};
    }
    zip_stat_t stat;
    if (zip_stat_index(m_archive, index, 0, &stat) != 0 || (stat.valid & ZIP_STAT_SIZE) == 0) {
        return platform::Failure{damaged()};
    }
    if (stat.size > static_cast<zip_uint64_t>(maxBytes)) {
        return platform::Failure{tr("The document is too large to open.")};
    }
    zip_file_t* file = zip_fopen_index(m_archive, index, 0);
    if (file == nullptr) {
        return platform::Failure{damaged()};
    }
    QByteArray content(static_cast<qsizetype>(stat.size), Qt::Uninitialized);
    qint64 total = 0;
    bool failed = false;
    while (total < content.size()) {
        const zip_int64_t got = zip_fread(file, content.data() + total,
                                          static_cast<zip_uint64_t>(content.size() - total));
        if (got <= 0) {
            failed = got < 0;
            break;
        }
        total += got;
    }
    // The checksum is compared when the end is reached: one more read tells.
    char probe = 0;
    if (!failed && zip_fread(file, &probe, 1) < 0) {
        failed = true;
    }
    zip_fclose(file);
    if (failed || total != content.size()) {
        return platform::Failure{damaged()};
    }
    return content;
}

} // namespace documents
