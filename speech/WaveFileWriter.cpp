#include "speech/WaveFileWriter.h"

#include "platform/FileError.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sndfile.h>

namespace {

// Header bytes kept aside while writing, enough for every chunk before the data.
constexpr qint64 HeaderShadow = 512;

quint32 littleEndian32(const QByteArray& bytes, qsizetype at)
{
    return quint32(quint8(bytes[at])) | quint32(quint8(bytes[at + 1])) << 8 |
           quint32(quint8(bytes[at + 2])) << 16 | quint32(quint8(bytes[at + 3])) << 24;
}

void appendLittleEndian(QByteArray& bytes, quint32 value, int size)
{
    for (int i = 0; i < size; ++i) {
        bytes.append(char((value >> (8 * i)) & 0xFF));
    }
}

} // namespace

struct WaveFileWriter::Io
{
    static WaveFileWriter* of(void* data) { return static_cast<WaveFileWriter*>(data); }

    static sf_count_t length(void* data) { return of(data)->m_file.size(); }

    static sf_count_t seek(sf_count_t offset, int whence, void* data)
    {
        QSaveFile& file = of(data)->m_file;
        qint64 position = offset;
        if (whence == SEEK_CUR) {
            position += file.pos();
        } else if (whence == SEEK_END) {
            position += file.size();
        }
        return file.seek(position) ? position : -1;
    }

    static sf_count_t read(void*, sf_count_t, void*) { return 0; } // written only

    static sf_count_t write(const void* buffer, sf_count_t count, void* data)
    {
        WaveFileWriter* writer = of(data);
        const qint64 position = writer->m_file.pos();
        if (position < HeaderShadow) {
            const qint64 n = std::min<qint64>(count, HeaderShadow - position);
            if (writer->m_head.size() < position + n) {
                writer->m_head.resize(position + n);
            }
            std::memcpy(writer->m_head.data() + position, buffer, size_t(n));
        }
        const qint64 written = writer->m_file.write(static_cast<const char*>(buffer), count);
        if (written != count && writer->m_errorNumber == 0) {
            writer->m_errorNumber = errno;
        }
        return written;
    }

    static sf_count_t tell(void* data) { return of(data)->m_file.pos(); }
};

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
        // The save file refuses some targets by itself, without a word from the system.
        const int refused = platform::writeAccessError(m_target);
        failFile(refused != 0 ? refused : errno);
        return false;
    }
    SF_INFO format{};
    format.samplerate = m_sampleRate;
    format.channels = 1;
    format.format = SF_FORMAT_RF64 | SF_FORMAT_PCM_16;
    static SF_VIRTUAL_IO io{Io::length, Io::seek, Io::read, Io::write, Io::tell};
    m_sound = sf_open_virtual(&io, SFM_WRITE, &format, this);
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
        if (m_file.error() != QFileDevice::NoError) {
            failFile(m_errorNumber);
        } else {
            fail(QString::fromUtf8(sf_strerror(m_sound)));
        }
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
        if (m_file.error() != QFileDevice::NoError) {
            failFile(m_errorNumber);
        } else {
            fail(QString::fromUtf8(sf_error_number(closed)));
        }
        cancel();
        return false;
    }
    if (!rewriteAsPlainPcm()) {
        return false;
    }
    if (!m_file.commit()) {
        failFile(m_errorNumber != 0 ? m_errorNumber : errno);
        return false;
    }
    return true;
}

// libsndfile writes a small RF64 file as RIFF with the extensible format chunk, which
// older readers refuse. The same bytes are turned into the plain PCM format chunk and a
// JUNK chunk, so the samples stay where they are.
bool WaveFileWriter::rewriteAsPlainPcm()
{
    if (m_head.size() < 12 || !m_head.startsWith("RIFF") || m_head.mid(8, 4) != "WAVE") {
        return true; // RF64: kept as written
    }
    qsizetype at = 12;
    QByteArray format;
    qsizetype dataChunk = -1;
    while (at + 8 <= m_head.size()) {
        const QByteArray id = m_head.mid(at, 4);
        const quint32 size = littleEndian32(m_head, at + 4);
        if (id == "data") {
            dataChunk = at;
            break;
        }
        if (id == "fmt ") {
            format = m_head.mid(at + 8, 16);
        }
        at += 8 + qsizetype(size) + (size & 1);
    }
    const qsizetype gap = dataChunk - 12 - 24 - 8;
    if (dataChunk < 0 || format.size() < 16 || gap < 0) {
        return true; // not the layout we know: the extensible file is still valid
    }
    QByteArray header("fmt ");
    appendLittleEndian(header, 16, 4);
    appendLittleEndian(header, 1, 2); // PCM
    header.append(format.mid(2, 14)); // channels, rate, byte rate, alignment, bits
    header.append("JUNK");
    appendLittleEndian(header, quint32(gap), 4);
    header.append(QByteArray(gap, '\0'));
    if (!m_file.seek(12) || m_file.write(header) != header.size()) {
        failFile(m_errorNumber != 0 ? m_errorNumber : errno);
        cancel();
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

void WaveFileWriter::failFile(int errorNumber)
{
    fail(platform::fileErrorText(errorNumber, &m_file));
}

void WaveFileWriter::fail(const QString& reason)
{
    if (!m_failed) {
        m_failed = true;
        m_error = reason;
    }
}
