#pragma once

#include <QObject>
#include <QString>
#include <QVector>
#include <condition_variable>
#include <mutex>
#include <thread>

// ALSA's own name for snd_pcm_t, so that its header stays out of this one.
struct _snd_pcm; // NOLINT(bugprone-reserved-identifier)

namespace audio {

class AudioRing;
// ALSA's "default" device, for a machine without a sound server: a thread of its own
// opens it (so a device that takes its time never holds up the program), then keeps it
// filled from the ring. Everything but the constructor and the signals' receivers is
// called on the GUI thread.
class AlsaAudioSink : public QObject
{
    Q_OBJECT
public:
    explicit AlsaAudioSink(AudioRing* ring, QObject* parent = nullptr);
    ~AlsaAudioSink() override;

    // Takes samples from the ring's read position on; paused when the speech is.
    void startFeeding(bool paused);
    // Takes no more samples; drained() follows once the device has played what it holds.
    void finish();
    void pause();
    void resume();
    // Drops what the device holds; the position goes on from the ring's read position.
    void discard();
    // Samples arrived in the ring.
    void wake();
    bool isFeeding() const;
    // Ring position of the last sample heard.
    qint64 playedPosition() const;

Q_SIGNALS:
    void opened();
    // The device cannot be opened, or it went away.
    void failed(const QString& reason);
    void drained();

private:
    void run();
    bool open(QString& reason);
    // Device thread, lock held: one round of writing; false when the device failed.
    bool step();
    void writePending();
    void startIfDue();
    void settleRun();
    qint64 playedLocked() const;
    void keepRecent(const qint16* samples, qsizetype count);
    void stopAndKeepUnplayed();

    AudioRing* m_ring;
    mutable std::mutex m_mutex;
    std::condition_variable m_wakeUp;
    std::thread m_thread;
    _snd_pcm* m_pcm = nullptr;
    bool m_quit = false;
    bool m_feeding = false;
    bool m_finishing = false;
    bool m_paused = false;
    bool m_canPause = false;
    long m_bufferFrames = 0;
    qint64 m_start = 0;   // ring position of the first sample handed to the device
    qint64 m_written = 0; // samples handed to the device
    mutable qint64 m_played = 0;
    QVector<qint16> m_pending; // read from the ring, not yet taken by the device
    qsizetype m_pendingOffset = 0;
    // The last samples handed over (a buffer's worth): a device that cannot pause drops
    // them, and they are handed over again on resume.
    QVector<qint16> m_recent;
};

} // namespace audio
