#include "speech/WaveFileWriter.h"

#include <QDir>
#include <QFileInfo>

#include <sndfile.h>

namespace {

QSaveFile* fileOf(void* data)
{
    return static_cast<QSaveFile*>(data);
}

sf_count_t fileLength(void* data)
{
    return fileOf(data)->size();
}

sf_count_t fileSeek(sf_count_t offset, int whence, void* data)
{
    QSaveFile* file = fileOf(data);
    qint64 position = offset;
    if (whence == SEEK_CUR) {
        position += file->pos();
    } else if (whence == SEEK_END) {
        position += file->size();
    }
    return file->seek(position) ? position : -1;
}

sf_count_t fileRead(void*, sf_count_t, void*)
{
    return 0; // written only
}

sf_count_t fileWrite(const void* buffer, sf_count_t count, void* data)
{
    return fileOf(data)->write(static_cast<const char*>(buffer), count);
}

sf_count_t fileTell(void* data)
{
    return fileOf(data)->pos();
}

} // namespace

WaveFileWriter::WaveFileWriter(const QString& target, int sampleRate)
    : m_target(target), m_sampleRate(sampleRate), m_file(target)
{
}

WaveFileWriter::~WaveFileWriter()
{
    cancel();
}

bool WaveFileWriter::open()
{
    const QFileInfo info(m_target);
    if (!info.absoluteDir().exists()) {
        fail(QStringLiteral("The folder %1 does not exist.")
                 .arg(QDir::toNativeSeparators(info.absolutePath())));
        return false;
    }
    if (info.isDir()) {
        fail(QStringLiteral("%1 is a folder.").arg(QDir::toNativeSeparators(m_target)));
        return false;
    }
    if (!m_file.open(QIODevice::WriteOnly)) {
        fail(m_file.errorString());
        return false;
    }
    SF_INFO format{};
    format.samplerate = m_sampleRate;
    format.channels = 1;
    format.format = SF_FORMAT_RF64 | SF_FORMAT_PCM_16;
    static SF_VIRTUAL_IO io{fileLength, fileSeek, fileRead, fileWrite, fileTell};
    m_sound = sf_open_virtual(&io, SFM_WRITE, &format, &m_file);
    if (m_sound == nullptr) {
        fail(QString::fromUtf8(sf_strerror(nullptr)));
        return false;
    }
    // Plain WAV unless the data outgrows it.
    sf_command(m_sound, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    return true;
}

bool WaveFileWriter::write(const qint16* samples, qsizetype count)
{
    if (m_sound == nullptr || m_failed) {
        return false;
    }
    if (sf_write_short(m_sound, samples, count) != count) {
        fail(m_file.error() != QFileDevice::NoError ? m_file.errorString()
                                                    : QString::fromUtf8(sf_strerror(m_sound)));
        return false;
    }
    m_written += count;
    return true;
}

bool WaveFileWriter::commit()
{
    if (m_sound == nullptr || m_failed) {
        cancel();
        return false;
    }
    sf_write_sync(m_sound);
    const int closed = sf_close(m_sound);
    m_sound = nullptr;
    if (closed != 0 || m_file.error() != QFileDevice::NoError) {
        fail(m_file.error() != QFileDevice::NoError ? m_file.errorString()
                                                    : QString::fromUtf8(sf_error_number(closed)));
        cancel();
        return false;
    }
    if (!m_file.commit()) {
        fail(m_file.errorString());
        return false;
    }
    return true;
}

void WaveFileWriter::cancel()
{
    if (m_sound != nullptr) {
        sf_close(m_sound);
        m_sound = nullptr;
    }
    if (m_file.isOpen()) {
        m_file.cancelWriting();
        m_file.commit(); // with writing cancelled, this only removes the temporary file
    }
}

void WaveFileWriter::fail(const QString& reason)
{
    if (!m_failed) {
        m_failed = true;
        m_error = reason;
    }
}
