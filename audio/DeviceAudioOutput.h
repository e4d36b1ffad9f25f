#pragma once

#include "audio/AudioOutput.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QVector>
#include <memory>

struct pa_context;
struct pa_server_info;
struct pa_stream;
struct pa_threaded_mainloop;

namespace audio {

class AlsaAudioSink;
class SilentAudioOutput;

// The sound server's default device through libpulse (PulseAudio, or PipeWire's
// PulseAudio service): a playback stream that libpulse's own thread fills from the ring.
// The output never gives up on the server: while there is none, or after it went away,
// speech goes to ALSA's default device, or when that cannot be opened either the silent
// output keeps time; sound moves to the server as soon as it is back. The stream follows
// the server's default device.
class DeviceAudioOutput : public AudioOutput
{
    Q_OBJECT
public:
    explicit DeviceAudioOutput(QObject* parent = nullptr);
    ~DeviceAudioOutput() override;

    qint64 playedPosition() const override;
    bool isDevice() const override { return true; }
    bool reachesSound() const override { return m_link == Link::Ready || m_alsaOpen; }
    // Sound goes to the server's stream rather than to the silent clock.
    bool isStreaming() const { return m_feeding; }

Q_SIGNALS:
    void streamingChanged(bool streaming);

protected:
    void startOutput() override;
    void suspendOutput() override;
    void resumeOutput() override;
    void discardOutput() override;
    void dataArrived() override;

private:
    enum class Link { Down, Connecting, Ready };

    // Pulse thread (the main loop's lock held).
    static void contextStateChanged(pa_context* context, void* self);
    static void serverChanged(pa_context* context, int event, unsigned index, void* self);
    static void serverInfo(pa_context* context, const pa_server_info* info, void* self);
    static void streamStateChanged(pa_stream* stream, void* self);
    static void streamWritable(pa_stream* stream, size_t bytes, void* self);
    static void streamRanDry(pa_stream* stream, void* self);
    void openStream();
    void fill(size_t bytes);
    void closeStream();
    void closeLink();

    // GUI thread.
    void connectNow();
    void linkLost(quint64 serial);
    void streamReady(quint64 serial);
    void beginStreaming(bool wasFeeding);
    void flow();
    void setHeard(bool heard);
    void startFallback();
    void stopFallback();
    void reportMissing();
    // No server: ALSA's default device if it opens, else the silent output.
    void playWithoutServer(bool reportIfSilent);
    void alsaOpened(AlsaAudioSink* sink);
    void alsaFailed(AlsaAudioSink* sink, const QString& reason);
    void alsaDrained(AlsaAudioSink* sink);
    void closeAlsa();

    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    // Each context and stream gets a new serial, so news of an old one is ignored.
    quint64 m_contextSerial = 0;
    quint64 m_streamSerial = 0;
    Link m_link = Link::Down;
    // The stream takes samples from the ring; written and read with the lock held.
    bool m_feeding = false;
    qint64 m_streamStart = 0; // ring position of the stream's first sample
    qint64 m_written = 0;     // samples handed to the stream
    mutable qint64 m_played = 0;
    // Since the stream ran dry: the server's clock stops there, short of the last
    // samples still on their way through the device.
    bool m_dry = false;
    bool m_dryWhilePaused = false;
    QElapsedTimer m_dryFor;
    QVector<qint16> m_chunk;

    std::unique_ptr<SilentAudioOutput> m_fallback;
    // Speech waits this long for a server that is being reached before it goes on silently.
    QTimer m_hold;
    QTimer m_retry;
    int m_retryMs = 0;
    bool m_missingReported = false;

    // ALSA's default device, a child of the output, while it is being opened or used.
    AlsaAudioSink* m_alsa = nullptr;
    bool m_alsaOpen = false;
    bool m_heard = false; // as last told by heardChanged
    // ALSA is tried once each time the server is found missing.
    bool m_alsaTried = false;
    bool m_reportIfSilent = false;
    // How long speech waits for ALSA to open before it goes on silently.
    QTimer m_alsaWait;
};

} // namespace audio
