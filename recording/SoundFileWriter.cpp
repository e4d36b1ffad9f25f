#include "recording/SoundFileWriter.h"

#include "platform/FileError.h"
#include "platform/WriteBack.h"
#include "recording/AacCodec.h"
#include "recording/BlockEncoder.h"
#include "recording/BookTagWriter.h"
#include "recording/CueSheet.h"
#include "recording/FlacCodec.h"
#include "recording/Mp3Codec.h"
#include "recording/OpusCodec.h"
#include "recording/VorbisCodec.h"

#include <QFileInfo>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ogg/ogg.h>
#include <sndfile.h>
#include <soxr.h>
#include <unistd.h>

namespace recording {

namespace {

// Opus codes only these rates; other rates are resampled to the next one up.
int opusRate(int rate)
{
    for (const int allowed : {8000, 12000, 16000, 24000, 48000}) {
        if (rate <= allowed) {
            return allowed;
        }
    }
    return 48000;
}

// The rate the format codes a sound at the rate at.
int codedRate(SoundFormat format, int rate)
{
    switch (format) {
    case SoundFormat::Opus:
        return opusRate(rate);
    case SoundFormat::M4b:
        return AacCodec::codedRate(rate);
    default:
        return rate;
    }
}

// How much written sound goes out to the disk at a time while a recording is made.
constexpr qint64 WriteBackStep = qint64(8) << 20;

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

struct SoundFileWriter::Io
{
    static SoundFileWriter* of(void* data) { return static_cast<SoundFileWriter*>(data); }

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
        SoundFileWriter* writer = of(data);
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

SoundFileWriter::SoundFileWriter(const QString& target, int sampleRate, SoundFormat format,
                                 const QString& title)
    : m_target(target), m_sampleRate(sampleRate), m_format(format), m_title(title),
      m_codedRate(codedRate(format, sampleRate)), m_file(target)
{
}

SoundFileWriter::~SoundFileWriter()
{
    cancel();
    if (m_resampler != nullptr) {
        soxr_delete(m_resampler);
    }
}

void SoundFileWriter::setTags(const BookTags& tags)
{
    m_tags = tags;
}

void SoundFileWriter::addChapter(const ChapterMark& chapter)
{
    if (!m_tags) {
        m_tags.emplace();
    }
    m_tags->chapters.append(chapter);
}

bool SoundFileWriter::open()
{
    if (const platform::Result<void> opened = openSaveFile(m_file); !opened) {
        fail(opened.error());
        return false;
    }
    if (m_codedRate != m_sampleRate) {
        soxr_error_t error = nullptr;
        // Samples in and out as they are written: soxr rounds them itself, faster than a
        // loop of ours, and without dither, so that one text always makes the same file.
        soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
        io.flags |= SOXR_NO_DITHER;
        m_resampler = soxr_create(m_sampleRate, m_codedRate, 1, &error, &io, nullptr, nullptr);
        if (error != nullptr) {
            m_resampler = nullptr;
            fail(QString::fromUtf8(error));
            return false;
        }
    }
    if (m_format != SoundFormat::Wave) {
        return openEncoder(m_codedRate);
    }
    SF_INFO format{};
    format.samplerate = m_codedRate;
    format.channels = 1;
    format.format = SF_FORMAT_RF64 | SF_FORMAT_PCM_16;
    static SF_VIRTUAL_IO io{Io::length, Io::seek, Io::read, Io::write, Io::tell};
    m_sound = sf_open_virtual(&io, SFM_WRITE, &format, this);
    if (m_sound == nullptr) {
        fail(QString::fromUtf8(sf_strerror(nullptr)));
        return false;
    }
    // Plain WAV unless the data outgrows it; the tags go in after the data (the header is
    // rewritten in place).
    sf_command(m_sound, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    return true;
}

bool SoundFileWriter::write(const qint16* samples, qsizetype count)
{
    if ((m_sound == nullptr && m_encoder == nullptr) || m_failed) {
        return false;
    }
    if (m_resampler == nullptr) {
        if (!writeToFile(samples, count)) {
            return false;
        }
    } else {
        const double ratio = double(m_codedRate) / m_sampleRate;
        m_resampled.resize(qsizetype(std::ceil(double(count) * ratio)) + 64);
        if (writeResampled(samples, size_t(count)) < 0) {
            return false;
        }
    }
    // Counted as given, whatever the file's rate: the resampler gives out all it holds back
    // at the end, the length of these samples at the file's rate and no more.
    m_written += count;
    return true;
}

qsizetype SoundFileWriter::writeResampled(const qint16* samples, size_t count)
{
    size_t produced = 0;
    soxr_process(m_resampler, samples, count, nullptr, m_resampled.data(),
                 size_t(m_resampled.size()), &produced);
    return writeToFile(m_resampled.constData(), qsizetype(produced)) ? qsizetype(produced) : -1;
}

bool SoundFileWriter::writeToFile(const qint16* samples, qsizetype count)
{
    if (count == 0) {
        return true;
    }
    if (m_encoder != nullptr) {
        if (!m_encoder->write(samples, count)) {
            failEncoder();
            return false;
        }
    } else if (sf_write_short(m_sound, samples, count) != count) {
        failSound(sf_error(m_sound));
        return false;
    }
    if (m_format == SoundFormat::OggVorbis || m_format == SoundFormat::Opus) {
        m_content.addData(QByteArrayView(reinterpret_cast<const char*>(samples),
                                         count * qsizetype(sizeof(qint16))));
    }
    if (const qint64 end = m_file.pos(); end - m_writtenBack >= WriteBackStep) {
        platform::startWriteBack(m_file, m_writtenBack, end);
        m_writtenBack = end;
    }
    return true;
}

bool SoundFileWriter::commit()
{
    if ((m_sound == nullptr && m_encoder == nullptr) || m_failed) {
        cancel();
        return false;
    }
    if (m_resampler != nullptr) {
        // What the resampler still holds comes out in pieces until it has none left.
        m_resampled.resize(4096);
        while (writeResampled(nullptr, 0) > 0) {
        }
    }
    BookTags given = m_tags.value_or(BookTags{});
    if (given.title.isEmpty()) {
        given.title = m_title;
    }
    const BookTags tags = writableTags(given, m_written);
    if (!closeSound(tags)) {
        return false;
    }
    // Tagged before it is put in place: tags that fail leave the old file as it was.
    if (m_tags) {
        if (!m_file.flush()) {
            failFile(errno);
            cancel();
            return false;
        }
        const platform::Result<void> tagged =
            BookTagWriter(tags, m_sampleRate, m_written).write(m_file.handle(), m_format);
        if (!tagged) {
            fail(tagged.error());
            cancel();
            return false;
        }
    }
    if (const platform::Result<void> placed = platform::commitWhole(m_file, m_errorNumber);
        !placed) {
        fail(placed.error());
        return false;
    }
    if (m_format == SoundFormat::Wave && !tags.chapters.isEmpty()) {
        const QString path = cueSheetPath(m_target);
        const platform::Result<void> written =
            writeSideFile(path, cueSheet(tags, QFileInfo(m_target).fileName(), m_sampleRate));
        if (!written) {
            m_sideFailure = SideFileFailure{path, written.error()};
        }
    }
    return true;
}

// Ends the sound and closes what wrote it; the file stays open, not yet in place.
bool SoundFileWriter::closeSound(const BookTags& tags)
{
    // A wave file given no book keeps the title exactly as it was given.
    const QString waveTitle = m_tags ? tags.title : m_title;
    if (m_format == SoundFormat::Wave && !waveTitle.isEmpty()) {
        sf_set_string(m_sound, SF_STR_TITLE, waveTitle.toUtf8().constData());
    }
    if (m_format == SoundFormat::Wave && m_tags && !tags.author.isEmpty()) {
        sf_set_string(m_sound, SF_STR_ARTIST, tags.author.toUtf8().constData());
    }
    if (m_failed) {
        cancel();
        return false;
    }
    if (m_encoder != nullptr) {
        if (m_aac != nullptr) {
            m_aac->setTags(tags, m_sampleRate, m_written);
        }
        const std::optional<QByteArray> opening = m_encoder->finish();
        if (!opening) {
            failEncoder();
            cancel();
            return false;
        }
        m_encoder.reset();
        m_aac = nullptr;
        if (!opening->isEmpty() && (!m_file.seek(0) || !appendToFile(*opening))) {
            failFile(m_errorNumber != 0 ? m_errorNumber : errno);
            cancel();
            return false;
        }
    } else {
        sf_write_sync(m_sound);
        const int closed = sf_close(m_sound);
        m_sound = nullptr;
        if (closed != 0 || m_file.error() != QFileDevice::NoError || m_errorNumber != 0) {
            failSound(closed);
            cancel();
            return false;
        }
    }
    return rewriteAsPlainPcm() && stampStreamSerial();
}

// Every page of an Ogg stream gets a serial number made from the samples and the title, with
// its checksum made again, so that two renders of one text give the same file; the pages are
// rewritten where they are.
bool SoundFileWriter::stampStreamSerial()
{
    if (m_format != SoundFormat::OggVorbis && m_format != SoundFormat::Opus) {
        return true;
    }
    m_content.addData(m_title.toUtf8());
    const QByteArray digest = m_content.result();
    const quint32 serial = qFromBigEndian<quint32>(digest.constData());
    const int descriptor = m_file.handle();
    if (!m_file.flush() || descriptor < 0) {
        failFile(errno);
        cancel();
        return false;
    }
    constexpr qsizetype HeaderSize = 27;
    for (off_t at = 0;;) {
        QByteArray page(HeaderSize + 255, Qt::Uninitialized);
        const ssize_t head = ::pread(descriptor, page.data(), size_t(page.size()), at);
        if (head == 0) {
            return true;
        }
        if (head < HeaderSize || !page.startsWith("OggS") || head < HeaderSize + quint8(page[26])) {
            fail(head < 0 ? platform::fileErrorText(errno, &m_file)
                          : QStringLiteral("the Ogg stream written is not whole"));
            cancel();
            return false;
        }
        const int segments = quint8(page[26]);
        qsizetype body = 0;
        for (int i = 0; i < segments; ++i) {
            body += quint8(page[HeaderSize + i]);
        }
        const qsizetype size = HeaderSize + segments + body;
        page.resize(size);
        if (::pread(descriptor, page.data(), size_t(size), at) != ssize_t(size)) {
            fail(QStringLiteral("the Ogg stream written is not whole"));
            cancel();
            return false;
        }
        qToLittleEndian<quint32>(serial, page.data() + 14);
        ogg_page stamped{};
        stamped.header = reinterpret_cast<unsigned char*>(page.data());
        stamped.header_len = long(HeaderSize + segments);
        stamped.body = stamped.header + stamped.header_len;
        stamped.body_len = long(body);
        ogg_page_checksum_set(&stamped);
        if (::pwrite(descriptor, page.constData() + 14, 12, at + 14) != 12) {
            failFile(errno);
            cancel();
            return false;
        }
        at += size;
    }
}

// libsndfile writes a small RF64 file as RIFF with the extensible format chunk, which
// older readers refuse. The same bytes are turned into the plain PCM format chunk and a
// JUNK chunk, so the samples stay where they are.
bool SoundFileWriter::rewriteAsPlainPcm()
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

void SoundFileWriter::cancel()
{
    m_encoder.reset();
    m_aac = nullptr;
    if (m_sound != nullptr) {
        sf_close(m_sound);
        m_sound = nullptr;
    }
    if (m_file.isOpen()) {
        platform::discard(m_file);
    }
}

bool SoundFileWriter::openEncoder(int rate)
{
    std::unique_ptr<BlockCodec> codec;
    if (m_format == SoundFormat::Mp3) {
        auto mp3 = std::make_unique<Mp3Codec>(rate, m_title);
        if (mp3->ok()) {
            codec = std::move(mp3);
        }
    } else if (m_format == SoundFormat::Flac) {
        codec = std::make_unique<FlacCodec>(rate, m_title);
    } else if (m_format == SoundFormat::Opus) {
        auto opus = std::make_unique<OpusCodec>(rate, m_title);
        if (opus->ok()) {
            codec = std::move(opus);
        }
    } else if (m_format == SoundFormat::OggVorbis) {
        auto vorbis = std::make_unique<VorbisCodec>(rate, m_title);
        if (vorbis->ok()) {
            codec = std::move(vorbis);
        }
    } else {
        auto aac = std::make_unique<AacCodec>(rate);
        const QByteArray cover = m_tags ? writableTags(*m_tags, 0).cover : QByteArray();
        const bool audiobook =
            QFileInfo(m_target).suffix().compare(QLatin1String("m4a"), Qt::CaseInsensitive) != 0;
        if (const platform::Result<void> opened = aac->open(cover, audiobook); !opened) {
            fail(opened.error());
            return false;
        }
        m_aac = aac.get();
        codec = std::move(aac);
    }
    if (codec == nullptr) {
        fail(QStringLiteral("the %1 encoder takes no sound at %2 Hz")
                 .arg(extension(m_format).toUpper())
                 .arg(rate));
        return false;
    }
    m_encoder = std::make_unique<BlockEncoder>(
        std::move(codec), [this](const QByteArray& bytes) { return appendToFile(bytes); });
    if (!m_encoder->start()) {
        failEncoder();
        return false;
    }
    return true;
}

bool SoundFileWriter::appendToFile(const QByteArray& bytes)
{
    if (m_file.write(bytes) == bytes.size()) {
        return true;
    }
    if (m_errorNumber == 0) {
        m_errorNumber = errno;
    }
    return false;
}

void SoundFileWriter::failEncoder()
{
    if (m_encoder != nullptr && m_encoder->encoderFailed()) {
        fail(QStringLiteral("the %1 encoder failed").arg(extension(m_format).toUpper()));
    } else {
        failFile(m_errorNumber);
    }
}

// Some encoders (Opus) report a write the file refused as "No Error.": the file's own
// error comes first.
void SoundFileWriter::failSound(int soundError)
{
    if (m_errorNumber != 0 || m_file.error() != QFileDevice::NoError || soundError == 0) {
        failFile(m_errorNumber);
    } else {
        fail(QString::fromUtf8(sf_error_number(soundError)));
    }
}

void SoundFileWriter::failFile(int errorNumber)
{
    fail(platform::fileErrorText(errorNumber, &m_file));
}

void SoundFileWriter::fail(const QString& reason)
{
    if (!m_failed) {
        m_failed = true;
        m_error = reason;
    }
}

} // namespace recording
