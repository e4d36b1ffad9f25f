#pragma once

#include "recording/BookTags.h"
#include "recording/SideFile.h"
#include "recording/SoundFormat.h"

#include <QCryptographicHash>
#include <QSaveFile>
#include <QString>
#include <QVector>
#include <memory>
#include <optional>

struct sf_private_tag;
struct soxr;

namespace recording {

class AacCodec;
class BlockEncoder;

// Writes a mono sound file the safe way: into a temporary file beside the target, moved
// into place only by commit(). Wave files are 16-bit PCM, written as RF64 when they would
// pass 4 GiB; the compressed formats carry the title as a tag and are encoded on every
// core. A book's tags (setTags) go into the file as its format has them, a wave file's
// chapters into a cue sheet beside it. Whatever fails, an existing file at
// the target stays as it was and no temporary file is left behind.
class SoundFileWriter
{
public:
    SoundFileWriter(const QString& target, int sampleRate, SoundFormat format = SoundFormat::Wave,
                    const QString& title = {});
    ~SoundFileWriter(); // without commit(), discards the temporary file
    SoundFileWriter(const SoundFileWriter&) = delete;
    SoundFileWriter& operator=(const SoundFileWriter&) = delete;

    // The book's title, author, cover and chapters (chapter samples counted like write()'s),
    // written at commit(); a title given here stands for the one given at construction.
    // Any time before commit(), but an M4B file takes its cover only when set before open().
    void setTags(const BookTags& tags);
    // A chapter reached while the sound is written, after those set before.
    void addChapter(const ChapterMark& chapter);

    bool open();
    bool write(const qint16* samples, qsizetype count);
    // True once the sound file is in place, even when the cue sheet beside a wave file could
    // not be written: sideFileFailure() then says so.
    bool commit();
    void cancel();

    QString target() const { return m_target; }
    QString errorString() const { return m_error; }
    // The sound's length in samples at the rate the writer was made with: all that write()
    // was given, which is what a player decodes from the file, whatever rate it codes at.
    qint64 samplesWritten() const { return m_written; }
    std::optional<SideFileFailure> sideFileFailure() const { return m_sideFailure; }

private:
    struct Io;
    void fail(const QString& reason);
    // Fails with what the system said about the last file operation that went wrong.
    void failFile(int errorNumber);
    // Fails with the file's error, else with libsndfile's.
    void failSound(int soundError);
    bool closeSound(const BookTags& tags);
    bool rewriteAsPlainPcm();
    bool stampStreamSerial();
    bool writeToFile(const qint16* samples, qsizetype count);
    // Resamples the samples (none: the end of the sound, to flush what the resampler holds)
    // into m_resampled and writes what comes out: how many samples did, -1 when writing failed.
    qsizetype writeResampled(const qint16* samples, size_t count);
    bool openEncoder(int rate);
    bool appendToFile(const QByteArray& bytes);
    void failEncoder();

    QString m_target;
    int m_sampleRate;
    SoundFormat m_format;
    QString m_title;
    std::optional<BookTags> m_tags;
    std::optional<SideFileFailure> m_sideFailure;
    int m_codedRate;             // what the format takes: the caller's rate, or the next one up
    soxr* m_resampler = nullptr; // for formats that take only some rates
    QVector<qint16> m_resampled;
    QSaveFile m_file;
    sf_private_tag* m_sound = nullptr;
    std::unique_ptr<BlockEncoder> m_encoder; // instead of m_sound for all but wave files
    AacCodec* m_aac = nullptr;               // m_encoder's codec for M4B, given the tags last
    QByteArray m_head;
    QString m_error;
    qint64 m_written = 0;
    qint64 m_writtenBack = 0; // bytes already handed to the disk
    int m_errorNumber = 0;    // of the first write that failed
    // What was written, for an Ogg stream's serial number: the same content, the same file.
    QCryptographicHash m_content{QCryptographicHash::Sha1};
    bool m_failed = false;
};

} // namespace recording
