#include "audio/DeviceAudioOutput.h"

#include "audio/AlsaAudioSink.h"
#include "audio/AudioRing.h"
#include "audio/SilentAudioOutput.h"
#include "platform/EventLog.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <pulse/pulseaudio.h>

namespace audio {

namespace {

// Short enough that a pause or a stop is heard at once, long enough to ride out a busy
// moment of the machine.
constexpr int StreamBufferMs = 100;
// How long the first samples wait for a server that is being reached, so that speech
// right after start-up or after a stop is heard from its first word.
constexpr int HoldMs = 300;
constexpr int FirstRetryMs = 250;
constexpr int LastRetryMs = 2000;
// A device that takes longer than this to open is waited for on the silent clock.
constexpr int AlsaWaitMs = 500;

const pa_sample_spec SpeechSpec{PA_SAMPLE_S16LE, AudioOutput::SampleRate, 1};

// Holds libpulse's lock for one block on the GUI thread.
class LoopLock
{
public:
    explicit LoopLock(pa_threaded_mainloop* loop) : m_loop(loop)
    {
        pa_threaded_mainloop_lock(m_loop);
    }
    ~LoopLock() { pa_threaded_mainloop_unlock(m_loop); }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

private:
    pa_threaded_mainloop* m_loop;
};

pa_context* newContext(pa_mainloop_api* api)
{
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Parlanza");
    pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "a11y");
    pa_context* context = pa_context_new_with_proplist(api, "Parlanza", properties);
    pa_proplist_free(properties);
    return context;
}

} // namespace

DeviceAudioOutput::DeviceAudioOutput(QObject* parent) : AudioOutput(parent)
{
    m_hold.setSingleShot(true);
    m_hold.setInterval(HoldMs);
    connect(&m_hold, &QTimer::timeout, this, [this] {
        if (m_feeding) {
            return;
        }
        // A server that is there but slow to give a new stream is no missing output.
        if (m_link == Link::Ready) {
            startFallback();
        } else {
            playWithoutServer(true);
        }
    });
    m_alsaWait.setSingleShot(true);
    m_alsaWait.setInterval(AlsaWaitMs);
    connect(&m_alsaWait, &QTimer::timeout, this, [this] {
        startFallback();
        if (m_reportIfSilent) {
            reportMissing();
        }
    });
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, [this] { connectNow(); });
    m_loop = pa_threaded_mainloop_new();
    if (m_loop == nullptr || pa_threaded_mainloop_start(m_loop) < 0) {
        platform::eventlog::warning(QStringLiteral("The sound system cannot be used."));
        return;
    }
    connectNow();
}

DeviceAudioOutput::~DeviceAudioOutput()
{
    if (m_loop != nullptr) {
        {
            LoopLock lock(m_loop);
            closeLink();
        }
        pa_threaded_mainloop_stop(m_loop);
        pa_threaded_mainloop_free(m_loop);
    }
}

qint64 DeviceAudioOutput::playedPosition() const
{
    if (ring() == nullptr) {
        return 0;
    }
    if (m_alsaOpen) {
        return m_alsa->playedPosition();
    }
    if (m_fallback || m_loop == nullptr) {
        return ring()->readPosition();
    }
    LoopLock lock(m_loop);
    if (!m_feeding) {
        return ring()->readPosition();
    }
    pa_usec_t time = 0;
    if (pa_stream_get_time(m_stream, &time) == 0) {
        if (m_dry) {
            time += pa_usec_t(m_dryFor.nsecsElapsed() / 1000);
        }
        const auto heard = qint64((time * SampleRate + 500000) / 1000000);
        m_played = std::clamp(heard, m_played, m_written);
    }
    return m_streamStart + m_played;
}

void DeviceAudioOutput::startOutput()
{
    flow();
}

void DeviceAudioOutput::dataArrived()
{
    flow();
}

// Samples are waiting: the stream takes them, or the silent output, or they wait a moment
// for a server that is being reached.
void DeviceAudioOutput::flow()
{
    if (m_alsaOpen) {
        m_alsa->wake();
        if (m_link == Link::Down) {
            connectNow();
        }
        return;
    }
    if (m_fallback) {
        m_fallback->start();
        // The server may be back: sound returns mid-utterance once the stream is ready.
        if (m_link == Link::Down) {
            connectNow();
        }
        return;
    }
    if (m_alsa != nullptr) {
        return; // ALSA is being opened
    }
    if (m_loop == nullptr) {
        playWithoutServer(true);
        return;
    }
    {
        LoopLock lock(m_loop);
        if (m_feeding) {
            fill(pa_stream_writable_size(m_stream));
            return;
        }
    }
    if (m_link == Link::Down) {
        connectNow();
    }
    if (!m_hold.isActive()) {
        m_hold.start();
    }
}

void DeviceAudioOutput::suspendOutput()
{
    if (m_alsaOpen) {
        m_alsa->pause();
    }
    if (m_fallback) {
        m_fallback->suspend();
    } else if (m_loop != nullptr) {
        LoopLock lock(m_loop);
        if (m_feeding) {
            pa_operation_unref(pa_stream_cork(m_stream, 1, nullptr, nullptr));
        }
        // A dry stream's own clock goes on from here once it is resumed.
        m_dryWhilePaused = m_dry;
        m_dry = false;
    }
}

void DeviceAudioOutput::resumeOutput()
{
    if (m_alsaOpen) {
        m_alsa->resume();
    }
    if (m_fallback) {
        m_fallback->resume();
    } else if (m_loop != nullptr) {
        LoopLock lock(m_loop);
        if (m_feeding) {
            pa_operation_unref(pa_stream_cork(m_stream, 0, nullptr, nullptr));
        }
        if (m_dryWhilePaused) {
            m_dryWhilePaused = false;
            m_dry = true;
            m_dryFor.start();
        }
    }
}

// The server drops a stream's queued sound at once when the stream goes; a fresh stream
// also starts its clock from zero, which keeps the played position simple.
void DeviceAudioOutput::discardOutput()
{
    if (m_alsaOpen) {
        m_alsa->discard();
    }
    if (m_fallback) {
        m_fallback->discard();
    }
    if (m_loop == nullptr) {
        return;
    }
    LoopLock lock(m_loop);
    if (m_stream != nullptr && m_link == Link::Ready) {
        closeStream();
        openStream();
    }
}

void DeviceAudioOutput::connectNow()
{
    m_retry.stop();
    if (m_loop == nullptr || m_link != Link::Down) {
        return;
    }
    LoopLock lock(m_loop);
    closeLink();
    m_context = newContext(pa_threaded_mainloop_get_api(m_loop));
    const quint64 serial = ++m_contextSerial;
    m_link = Link::Connecting;
    pa_context_set_state_callback(m_context, &DeviceAudioOutput::contextStateChanged, this);
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        QMetaObject::invokeMethod(
            this, [this, serial] { linkLost(serial); }, Qt::QueuedConnection);
    }
}

void DeviceAudioOutput::contextStateChanged(pa_context* context, void* data)
{
    auto* self = static_cast<DeviceAudioOutput*>(data);
    const pa_context_state_t state = pa_context_get_state(context);
    if (state == PA_CONTEXT_READY) {
        pa_context_set_subscribe_callback(
            context,
            [](pa_context* c, pa_subscription_event_type_t event, uint32_t index, void* d) {
                serverChanged(c, int(event), index, d);
            },
            self);
        pa_operation_unref(
            pa_context_subscribe(context, PA_SUBSCRIPTION_MASK_SERVER, nullptr, nullptr));
        self->openStream();
    } else if (!PA_CONTEXT_IS_GOOD(state)) {
        const quint64 serial = self->m_contextSerial;
        QMetaObject::invokeMethod(
            self, [self, serial] { self->linkLost(serial); }, Qt::QueuedConnection);
    }
}

// The default device changed (or another server setting): the stream moves along unless
// it is there already.
void DeviceAudioOutput::serverChanged(pa_context* context, int, unsigned, void* data)
{
    pa_operation_unref(pa_context_get_server_info(context, &DeviceAudioOutput::serverInfo, data));
}

void DeviceAudioOutput::serverInfo(pa_context* context, const pa_server_info* info, void* data)
{
    auto* self = static_cast<DeviceAudioOutput*>(data);
    pa_stream* stream = self->m_stream;
    if (info == nullptr || info->default_sink_name == nullptr || stream == nullptr ||
        pa_stream_get_state(stream) != PA_STREAM_READY) {
        return;
    }
    const char* device = pa_stream_get_device_name(stream);
    if (device == nullptr || std::strcmp(device, info->default_sink_name) != 0) {
        pa_operation_unref(pa_context_move_sink_input_by_name(
            context, pa_stream_get_index(stream), info->default_sink_name, nullptr, nullptr));
    }
}

void DeviceAudioOutput::openStream()
{
    m_stream = pa_stream_new(m_context, "Speech", &SpeechSpec, nullptr);
    ++m_streamSerial;
    if (m_stream == nullptr) {
        QMetaObject::invokeMethod(
            this, [this, serial = m_contextSerial] { linkLost(serial); }, Qt::QueuedConnection);
        return;
    }
    pa_stream_set_state_callback(m_stream, &DeviceAudioOutput::streamStateChanged, this);
    pa_stream_set_write_callback(m_stream, &DeviceAudioOutput::streamWritable, this);
    pa_stream_set_underflow_callback(m_stream, &DeviceAudioOutput::streamRanDry, this);
    pa_buffer_attr attributes{};
    attributes.maxlength = std::numeric_limits<uint32_t>::max();
    attributes.tlength = uint32_t(pa_usec_to_bytes(pa_usec_t(StreamBufferMs) * 1000, &SpeechSpec));
    // Playback starts with the first sample, and starts again with the first sample after
    // the stream ran dry, so even the shortest end of an utterance is played.
    attributes.prebuf = uint32_t(pa_frame_size(&SpeechSpec));
    attributes.minreq = std::numeric_limits<uint32_t>::max();
    attributes.fragsize = std::numeric_limits<uint32_t>::max();
    const auto flags = pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING |
                                         PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(m_stream, nullptr, &attributes, flags, nullptr, nullptr) < 0) {
        QMetaObject::invokeMethod(
            this, [this, serial = m_contextSerial] { linkLost(serial); }, Qt::QueuedConnection);
    }
}

void DeviceAudioOutput::streamStateChanged(pa_stream* stream, void* data)
{
    auto* self = static_cast<DeviceAudioOutput*>(data);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_READY) {
        const quint64 serial = self->m_streamSerial;
        QMetaObject::invokeMethod(
            self, [self, serial] { self->streamReady(serial); }, Qt::QueuedConnection);
    } else if (!PA_STREAM_IS_GOOD(state)) {
        const quint64 serial = self->m_contextSerial;
        QMetaObject::invokeMethod(
            self, [self, serial] { self->linkLost(serial); }, Qt::QueuedConnection);
    }
}

void DeviceAudioOutput::streamWritable(pa_stream*, size_t bytes, void* data)
{
    static_cast<DeviceAudioOutput*>(data)->fill(bytes);
}

void DeviceAudioOutput::streamRanDry(pa_stream* stream, void* data)
{
    auto* self = static_cast<DeviceAudioOutput*>(data);
    if (pa_stream_is_corked(stream) > 0) {
        self->m_dryWhilePaused = true;
        return;
    }
    self->m_dry = true;
    self->m_dryFor.start();
}

void DeviceAudioOutput::fill(size_t bytes)
{
    AudioRing* source = ring();
    if (!m_feeding || source == nullptr || bytes == size_t(-1)) {
        return;
    }
    auto wanted = qsizetype(bytes / sizeof(qint16));
    while (wanted > 0) {
        m_chunk.resize(std::min<qsizetype>(wanted, SampleRate / 10));
        const qsizetype n = source->read(m_chunk.data(), m_chunk.size());
        if (n == 0) {
            return;
        }
        if (pa_stream_write(m_stream, m_chunk.constData(), size_t(n) * sizeof(qint16), nullptr, 0,
                            PA_SEEK_RELATIVE) < 0) {
            return;
        }
        m_written += n;
        m_dry = false;
        m_dryWhilePaused = false;
        wanted -= n;
    }
}

void DeviceAudioOutput::closeStream()
{
    m_feeding = false;
    if (m_stream != nullptr) {
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_set_write_callback(m_stream, nullptr, nullptr);
        pa_stream_set_underflow_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }
}

void DeviceAudioOutput::closeLink()
{
    closeStream();
    if (m_context != nullptr) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
}

void DeviceAudioOutput::streamReady(quint64 serial)
{
    bool wasFeeding = false;
    {
        LoopLock lock(m_loop);
        if (serial != m_streamSerial || m_stream == nullptr) {
            return;
        }
        wasFeeding = m_link == Link::Ready;
        m_link = Link::Ready;
    }
    m_retryMs = 0;
    m_hold.stop();
    m_alsaWait.stop();
    if (m_alsaOpen) {
        // Never two outputs at once: the stream takes over once ALSA has played what it
        // holds.
        m_alsa->finish();
        return;
    }
    closeAlsa();
    beginStreaming(wasFeeding);
}

void DeviceAudioOutput::beginStreaming(bool wasFeeding)
{
    // The silent output stops taking samples before the stream starts to.
    stopFallback();
    m_alsaTried = false;
    {
        LoopLock lock(m_loop);
        if (m_link != Link::Ready || m_stream == nullptr) {
            return;
        }
        m_streamStart = ring() != nullptr ? ring()->readPosition() : 0;
        m_written = 0;
        m_played = 0;
        m_dry = false;
        m_dryWhilePaused = false;
        m_feeding = true;
        if (isSuspended()) {
            pa_operation_unref(pa_stream_cork(m_stream, 1, nullptr, nullptr));
        }
        fill(pa_stream_writable_size(m_stream));
    }
    if (!wasFeeding) {
        platform::eventlog::information(
            QStringLiteral("Speech is heard through the sound server."));
        Q_EMIT streamingChanged(true);
    }
    setHeard(true);
    if (ring() != nullptr && (ring()->available() > 0 || ring()->hasEnds())) {
        start();
    }
}

void DeviceAudioOutput::linkLost(quint64 serial)
{
    {
        LoopLock lock(m_loop);
        if (serial != m_contextSerial || m_link == Link::Down) {
            return;
        }
        closeLink();
    }
    const bool wasReady = m_link == Link::Ready;
    m_link = Link::Down;
    if (wasReady && !m_alsaOpen) {
        platform::eventlog::warning(
            QStringLiteral("The sound server went away: speech goes on without sound until it "
                           "is back."));
        Q_EMIT streamingChanged(false);
        setHeard(false);
    }
    // What the server still held is lost; ALSA or the silent clock carries on from the
    // ring. A stream that waited for ALSA to finish leaves ALSA playing.
    if (m_alsaOpen || wasReady || m_hold.isActive()) {
        m_hold.stop();
        playWithoutServer(!wasReady);
    }
    m_retryMs = std::clamp(m_retryMs * 2, FirstRetryMs, LastRetryMs);
    m_retry.start(m_retryMs);
}

void DeviceAudioOutput::setHeard(bool heard)
{
    if (heard != m_heard) {
        m_heard = heard;
        Q_EMIT heardChanged(heard);
    }
}

void DeviceAudioOutput::startFallback()
{
    if (!m_fallback) {
        m_fallback = std::make_unique<SilentAudioOutput>();
        m_fallback->setRing(ring());
        connect(m_fallback.get(), &AudioOutput::utteranceEnded, this, &AudioOutput::utteranceEnded);
        if (isSuspended()) {
            m_fallback->suspend();
        }
    }
    m_fallback->start();
    start();
}

void DeviceAudioOutput::stopFallback()
{
    m_fallback.reset();
}

void DeviceAudioOutput::reportMissing()
{
    if (m_missingReported) {
        return;
    }
    m_missingReported = true;
    platform::eventlog::warning(
        QStringLiteral("No sound output was found: speech goes on without sound."));
    Q_EMIT outputMissing();
}

void DeviceAudioOutput::playWithoutServer(bool reportIfSilent)
{
    if (m_alsaOpen) {
        m_alsa->startFeeding(isSuspended());
        return;
    }
    if (m_alsa != nullptr) {
        m_reportIfSilent = m_reportIfSilent || reportIfSilent;
        return;
    }
    if (m_alsaTried || ring() == nullptr) {
        startFallback();
        if (reportIfSilent) {
            reportMissing();
        }
        return;
    }
    m_alsaTried = true;
    m_reportIfSilent = reportIfSilent;
    auto* sink = new AlsaAudioSink(ring(), this);
    m_alsa = sink;
    connect(sink, &AlsaAudioSink::opened, this, [this, sink] { alsaOpened(sink); });
    connect(sink, &AlsaAudioSink::failed, this,
            [this, sink](const QString& reason) { alsaFailed(sink, reason); });
    connect(sink, &AlsaAudioSink::drained, this, [this, sink] { alsaDrained(sink); });
    m_alsaWait.start();
}

void DeviceAudioOutput::alsaOpened(AlsaAudioSink* sink)
{
    if (sink != m_alsa) {
        return;
    }
    m_alsaOpen = true;
    m_alsaWait.stop();
    m_hold.stop();
    // The silent clock, if it was already going, stops taking samples before ALSA starts to.
    stopFallback();
    m_alsa->startFeeding(isSuspended());
    platform::eventlog::information(
        QStringLiteral("No sound server: speech is heard through ALSA's default device."));
    setHeard(true);
    if (ring() != nullptr && (ring()->available() > 0 || ring()->hasEnds())) {
        start();
    }
}

void DeviceAudioOutput::alsaFailed(AlsaAudioSink* sink, const QString& reason)
{
    if (sink != m_alsa) {
        return;
    }
    const bool wasOpen = m_alsaOpen;
    const bool waited = m_alsaWait.isActive();
    closeAlsa();
    if (wasOpen) {
        platform::eventlog::warning(
            QStringLiteral("The sound device went away: speech goes on without sound."));
        setHeard(false);
        startFallback();
        return;
    }
    platform::eventlog::information(QStringLiteral("ALSA %1.").arg(reason));
    if (waited) {
        startFallback();
        if (m_reportIfSilent) {
            reportMissing();
        }
    }
}

void DeviceAudioOutput::alsaDrained(AlsaAudioSink* sink)
{
    if (sink != m_alsa || m_link != Link::Ready || m_alsa->isFeeding()) {
        return;
    }
    closeAlsa();
    beginStreaming(false);
}

void DeviceAudioOutput::closeAlsa()
{
    m_alsaWait.stop();
    m_alsaOpen = false;
    if (m_alsa != nullptr) {
        m_alsa->disconnect(this);
        // Not at once: this may run inside one of its own signals.
        m_alsa->deleteLater();
        m_alsa = nullptr;
    }
}

} // namespace audio
