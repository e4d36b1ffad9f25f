#include "audio/AlsaAudioSink.h"

#include "audio/AudioOutput.h"
#include "audio/AudioRing.h"

#include <algorithm>
#include <alsa/asoundlib.h>
#include <chrono>
#include <mutex>

namespace audio {

namespace {

// Short enough that a pause or a stop is heard at once, long enough to ride out a busy
// moment of the machine; the same as the sound server's stream asks for.
constexpr unsigned LatencyUs = 80000;
// While the device plays, the thread looks after it this often: well inside the latency.
constexpr auto PollInterval = std::chrono::milliseconds(10);

// ALSA prints to stderr whenever a device is missing; the output logs the reason itself.
void quietErrors(const char*, int, const char*, int, const char*, ...) {}

QString alsaError(const char* what, int error)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromUtf8(snd_strerror(error)));
}

} // namespace

AlsaAudioSink::AlsaAudioSink(AudioRing* ring, QObject* parent) : QObject(parent), m_ring(ring)
{
    m_thread = std::thread([this] { run(); });
}

AlsaAudioSink::~AlsaAudioSink()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_wakeUp.notify_all();
    m_thread.join();
    if (m_pcm != nullptr) {
        snd_pcm_close(m_pcm);
    }
}

void AlsaAudioSink::startFeeding(bool paused)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_feeding && !m_finishing) {
        m_start = m_ring->readPosition();
        m_written = 0;
        m_played = 0;
    }
    m_feeding = true;
    m_finishing = false;
    if (paused && !m_paused) {
        m_paused = true;
        stopAndKeepUnplayed();
    }
    m_wakeUp.notify_all();
}

void AlsaAudioSink::finish()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_finishing = m_feeding || m_finishing;
    m_feeding = false;
    m_wakeUp.notify_all();
}

void AlsaAudioSink::pause()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_paused) {
        m_paused = true;
        stopAndKeepUnplayed();
    }
}

void AlsaAudioSink::resume()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_paused) {
        m_paused = false;
        if (m_pcm != nullptr && snd_pcm_state(m_pcm) == SND_PCM_STATE_PAUSED) {
            snd_pcm_pause(m_pcm, 0);
        }
        m_wakeUp.notify_all();
    }
}

void AlsaAudioSink::discard()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pcm != nullptr) {
        snd_pcm_drop(m_pcm);
        snd_pcm_prepare(m_pcm);
    }
    m_pending.clear();
    m_pendingOffset = 0;
    m_recent.clear();
    m_start = m_ring->readPosition();
    m_written = 0;
    m_played = 0;
    m_paused = false;
    m_wakeUp.notify_all();
}

void AlsaAudioSink::wake()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_wakeUp.notify_all();
}

bool AlsaAudioSink::isFeeding() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_feeding || m_finishing;
}

qint64 AlsaAudioSink::playedPosition() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_start + playedLocked();
}

// Handed over minus what the device still holds; everything once the device ran dry.
qint64 AlsaAudioSink::playedLocked() const
{
    if (m_pcm == nullptr) {
        return m_played;
    }
    switch (snd_pcm_state(m_pcm)) {
    case SND_PCM_STATE_RUNNING:
    case SND_PCM_STATE_PREPARED:
    case SND_PCM_STATE_PAUSED:
    case SND_PCM_STATE_DRAINING: {
        snd_pcm_sframes_t delay = 0;
        if (snd_pcm_delay(m_pcm, &delay) == 0) {
            m_played = std::clamp(m_written - qint64(delay), m_played, m_written);
        }
        break;
    }
    case SND_PCM_STATE_XRUN:
        m_played = m_written;
        break;
    default:
        break;
    }
    return m_played;
}

void AlsaAudioSink::run()
{
    QString reason;
    if (!open(reason)) {
        QMetaObject::invokeMethod(
            this, [this, reason] { Q_EMIT failed(reason); }, Qt::QueuedConnection);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT opened(); }, Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(m_mutex);
    bool healthy = true;
    while (!m_quit) {
        if (healthy && !step()) {
            healthy = false;
            QMetaObject::invokeMethod(
                this,
                [this] { Q_EMIT failed(QStringLiteral("The sound device stopped working.")); },
                Qt::QueuedConnection);
        }
        const bool holding = healthy && m_written > playedLocked();
        const bool waiting = m_feeding && m_ring->available() > 0;
        if (!m_paused && (holding || waiting || m_pendingOffset < m_pending.size())) {
            m_wakeUp.wait_for(lock, PollInterval);
        } else {
            if (m_finishing && !holding) {
                m_finishing = false;
                QMetaObject::invokeMethod(
                    this, [this] { Q_EMIT drained(); }, Qt::QueuedConnection);
            }
            m_wakeUp.wait(lock);
        }
    }
}

bool AlsaAudioSink::open(QString& reason)
{
    static std::once_flag quiet;
    std::call_once(quiet, [] { snd_lib_error_set_handler(&quietErrors); });
    snd_pcm_t* pcm = nullptr;
    // Non-blocking: a device another program holds is an error at once, not a wait.
    int error = snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (error < 0) {
        reason = alsaError("cannot open the default device", error);
        return false;
    }
    error = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1,
                               AudioOutput::SampleRate, 1, LatencyUs);
    snd_pcm_uframes_t buffer = 0;
    snd_pcm_uframes_t period = 0;
    if (error >= 0) {
        error = snd_pcm_get_params(pcm, &buffer, &period);
    }
    snd_pcm_sw_params_t* software = nullptr;
    snd_pcm_sw_params_alloca(&software);
    if (error >= 0) {
        error = snd_pcm_sw_params_current(pcm, software);
    }
    // Playback starts once half the buffer is there, or at once when the ring has no
    // more (the end of an utterance), so even the shortest end is played.
    if (error >= 0) {
        error = snd_pcm_sw_params_set_start_threshold(pcm, software, buffer / 2);
    }
    if (error >= 0) {
        error = snd_pcm_sw_params(pcm, software);
    }
    snd_pcm_hw_params_t* hardware = nullptr;
    snd_pcm_hw_params_alloca(&hardware);
    if (error >= 0) {
        error = snd_pcm_hw_params_current(pcm, hardware);
    }
    if (error < 0) {
        reason = alsaError("cannot set up the default device", error);
        snd_pcm_close(pcm);
        return false;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pcm = pcm;
    m_canPause = snd_pcm_hw_params_can_pause(hardware) != 0;
    m_bufferFrames = long(buffer);
    return true;
}

bool AlsaAudioSink::step()
{
    const snd_pcm_state_t state = snd_pcm_state(m_pcm);
    if (state == SND_PCM_STATE_DISCONNECTED) {
        return false;
    }
    if (state == SND_PCM_STATE_XRUN || state == SND_PCM_STATE_SUSPENDED) {
        // The device ran dry (between utterances, or synthesis fell behind) or the
        // machine slept: what it held counts as played, and it starts again.
        settleRun();
        if (snd_pcm_prepare(m_pcm) < 0) {
            return false;
        }
    }
    if (m_paused || (!m_feeding && !m_finishing)) {
        return true;
    }
    writePending();
    startIfDue();
    return snd_pcm_state(m_pcm) != SND_PCM_STATE_DISCONNECTED;
}

void AlsaAudioSink::writePending()
{
    for (;;) {
        if (m_pendingOffset >= m_pending.size()) {
            const snd_pcm_sframes_t room = snd_pcm_avail_update(m_pcm);
            if (!m_feeding || room <= 0) {
                return;
            }
            m_pending.resize(qsizetype(room));
            m_pending.resize(m_ring->read(m_pending.data(), m_pending.size()));
            m_pendingOffset = 0;
            if (m_pending.isEmpty()) {
                return;
            }
        }
        const qint16* from = m_pending.constData() + m_pendingOffset;
        const auto count = snd_pcm_uframes_t(m_pending.size() - m_pendingOffset);
        const snd_pcm_sframes_t done = snd_pcm_writei(m_pcm, from, count);
        if (done == -EAGAIN) {
            return;
        }
        if (done < 0) {
            if (done == -EPIPE) {
                settleRun();
            }
            if (snd_pcm_recover(m_pcm, int(done), 1) < 0) {
                return;
            }
            continue;
        }
        keepRecent(from, qsizetype(done));
        m_written += done;
        m_pendingOffset += qsizetype(done);
    }
}

// Start the device at once when nothing more is coming for now.
void AlsaAudioSink::startIfDue()
{
    if (snd_pcm_state(m_pcm) != SND_PCM_STATE_PREPARED || m_written == playedLocked()) {
        return;
    }
    const bool more = m_pendingOffset < m_pending.size() || (m_feeding && m_ring->available() > 0);
    if (!more) {
        snd_pcm_start(m_pcm);
    }
}

void AlsaAudioSink::settleRun()
{
    m_played = m_written;
}

void AlsaAudioSink::keepRecent(const qint16* samples, qsizetype count)
{
    m_recent.append(QVector<qint16>(samples, samples + count));
    const qsizetype excess = m_recent.size() - qsizetype(m_bufferFrames);
    if (excess > 0) {
        m_recent.remove(0, excess);
    }
}

// Lock held. A device that can pause holds its samples; one that cannot (or will not)
// drops them, and they go back in front of the pending ones, to be handed over again.
void AlsaAudioSink::stopAndKeepUnplayed()
{
    if (m_pcm == nullptr) {
        return;
    }
    const snd_pcm_state_t state = snd_pcm_state(m_pcm);
    if (state != SND_PCM_STATE_RUNNING) {
        return; // a prepared device that has not started just waits
    }
    if (m_canPause && snd_pcm_pause(m_pcm, 1) == 0) {
        return;
    }
    const qint64 unplayed = std::min<qint64>(m_written - playedLocked(), m_recent.size());
    snd_pcm_drop(m_pcm);
    snd_pcm_prepare(m_pcm);
    QVector<qint16> again = m_recent.mid(m_recent.size() - qsizetype(unplayed));
    again.append(m_pending.mid(m_pendingOffset));
    m_pending = again;
    m_pendingOffset = 0;
    m_recent.clear();
    m_written -= unplayed;
    m_played = m_written;
}

} // namespace audio
