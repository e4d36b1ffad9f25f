#pragma once

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

class BlockEncoder;

// Writes a mono sound file the safe way: into a temporary file beside the target, moved
// into place only by commit(). Wave files are 16-bit PCM, written as RF64 when they would
// pass 4 GiB; the compressed formats carry the title as a tag. MP3 and Opus are encoded
// on every core. Whatever fails, an
// existing file at the target stays as it was and no temporary file is left behind.
class SoundFileWriter
{
public:
    SoundFileWriter(const QString& target, int sampleRate, SoundFormat format = SoundFormat::Wave,
                    const QString& title = {});
    ~SoundFileWriter(); // without commit(), discards the temporary file
    SoundFileWriter(const SoundFileWriter&) = delete;
    SoundFileWriter& operator=(const SoundFileWriter&) = delete;

    bool open();
    bool write(const qint16* samples, qsizetype count);
    bool commit();
    void cancel();

    QString target() const { return m_target; }
    QString errorString() const { return m_error; }
    qint64 samplesWritten() const { return m_written; }

private:
    struct Io;
    void fail(const QString& reason);
    // Fails with what the system said about the last file operation that went wrong.
    void failFile(int errorNumber);
    // Fails with the file's error, else with libsndfile's.
    void failSound(int soundError);
    bool rewriteAsPlainPcm();
    bool stampStreamSerial();
    bool writeToFile(const qint16* samples, qsizetype count);
    bool openEncoder(int rate);
    bool appendToFile(const QByteArray& bytes);
    void failEncoder();

    QString m_target;
    int m_sampleRate;
    SoundFormat m_format;
    QString m_title;
    soxr* m_resampler = nullptr; // for formats that take only some rates
    QVector<float> m_in;
    QVector<float> m_resampled;
    QVector<qint16> m_converted;
    QSaveFile m_file;
    sf_private_tag* m_sound = nullptr;
    std::unique_ptr<BlockEncoder> m_encoder; // instead of m_sound for MP3 and Opus
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
