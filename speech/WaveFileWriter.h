#pragma once

#include <QSaveFile>
#include <QString>

struct sf_private_tag;

// Writes a mono 16-bit PCM wave file the safe way: into a temporary file beside the
// target, moved into place only by commit(). Files that would pass 4 GiB are written as
// RF64. Whatever fails, an existing file at the target stays as it was and no temporary
// file is left behind.
class WaveFileWriter
{
public:
    WaveFileWriter(const QString& target, int sampleRate);
    ~WaveFileWriter(); // without commit(), discards the temporary file
    WaveFileWriter(const WaveFileWriter&) = delete;
    WaveFileWriter& operator=(const WaveFileWriter&) = delete;

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
    bool rewriteAsPlainPcm();

    QString m_target;
    int m_sampleRate;
    QSaveFile m_file;
    sf_private_tag* m_sound = nullptr;
    QByteArray m_head;
    QString m_error;
    qint64 m_written = 0;
    int m_errorNumber = 0; // of the first write that failed
    bool m_failed = false;
};
