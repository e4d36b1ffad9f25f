#include "speech/DeviceAudioOutput.h"

#include "platform/EventLog.h"
#include "speech/AudioRing.h"
#include "speech/SilentAudioOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>
#include <algorithm>

namespace {

// Short enough that a stop is heard at once and a pause holds little back.
constexpr int DeviceBufferMs = 100;

QAudioFormat speechFormat()
{
    QAudioFormat format;
    format.setSampleRate(AudioOutput::SampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

} // namespace

DeviceAudioOutput::DeviceAudioOutput(QObject* parent) : AudioOutput(parent), m_reader(this)
{
    m_reader.open(QIODevice::ReadOnly);
}

DeviceAudioOutput::~DeviceAudioOutput()
{
    closeSink();
}

bool DeviceAudioOutput::deviceAvailable()
{
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull() || !device.isFormatSupported(speechFormat())) {
        return false;
    }
    // With no sound server the device list can still name one; only opening tells.
    QAudioSink probe(device, speechFormat());
    QBuffer silence;
    silence.setData(QByteArray(64, '\0'));
    silence.open(QIODevice::ReadOnly);
    probe.start(&silence);
    const bool opened = probe.error() == QAudio::NoError;
    probe.stop();
    return opened;
}

qint64 DeviceAudioOutput::playedPosition() const
{
    if (ring() == nullptr) {
        return 0;
    }
    if (m_fallback) {
        return m_fallback->playedPosition();
    }
    const qint64 handed = ring()->readPosition();
    if (m_sink == nullptr || m_sink->state() == QAudio::IdleState ||
        m_sink->state() == QAudio::StoppedState) {
        return handed;
    }
    const qint64 held = std::max<qint64>(0, m_sink->bufferSize() - m_sink->bytesFree()) / 2;
    return handed - held;
}

void DeviceAudioOutput::startOutput()
{
    if (m_fallback) {
        m_fallback->start();
        return;
    }
    if (m_sink != nullptr) {
        dataArrived();
        return;
    }
    const QAudioFormat format = speechFormat();
    m_sink = new QAudioSink(QMediaDevices::defaultAudioOutput(), format, this);
    m_sink->setBufferSize(format.bytesForDuration(qint64(DeviceBufferMs) * 1000));
    connect(m_sink, &QAudioSink::stateChanged, this, [this] { checkSink(); });
    m_sink->start(&m_reader);
    // A sink that cannot open says so only through error(), without a signal.
    checkSink();
}

void DeviceAudioOutput::checkSink()
{
    if (m_sink == nullptr || m_fallback) {
        return;
    }
    switch (m_sink->error()) {
    case QAudio::OpenError:
        fallBack(QStringLiteral("the audio device cannot be opened"));
        break;
    case QAudio::IOError:
    case QAudio::FatalError:
        fallBack(QStringLiteral("the audio device failed"));
        break;
    default:
        break;
    }
}

void DeviceAudioOutput::fallBack(const QString& reason)
{
    platform::eventlog::warning(QStringLiteral("Speech goes on without sound: %1.").arg(reason));
    // The sink is deleted later: this may run inside its own signal.
    QAudioSink* sink = m_sink;
    m_sink = nullptr;
    sink->disconnect(this);
    sink->stop();
    sink->deleteLater();
    m_fallback = std::make_unique<SilentAudioOutput>();
    m_fallback->setRing(ring());
    connect(m_fallback.get(), &AudioOutput::utteranceEnded, this, &AudioOutput::utteranceEnded);
    m_fallback->start();
    if (isSuspended()) {
        m_fallback->suspend();
    }
}

void DeviceAudioOutput::suspendOutput()
{
    if (m_fallback) {
        m_fallback->suspend();
    } else if (m_sink != nullptr) {
        m_sink->suspend();
    }
}

void DeviceAudioOutput::resumeOutput()
{
    if (m_fallback) {
        m_fallback->resume();
    } else if (m_sink != nullptr) {
        m_sink->resume();
    }
}

void DeviceAudioOutput::discardOutput()
{
    if (m_fallback) {
        m_fallback->discard();
    }
    closeSink();
}

void DeviceAudioOutput::dataArrived()
{
    if (m_fallback) {
        m_fallback->wake();
        return;
    }
    // A pull-mode sink that ran dry waits for readyRead before it reads again.
    if (m_sink != nullptr && m_sink->state() == QAudio::IdleState) {
        Q_EMIT m_reader.readyRead();
    }
}

void DeviceAudioOutput::closeSink()
{
    if (m_sink != nullptr) {
        m_sink->disconnect(this);
        m_sink->stop();
        delete m_sink;
        m_sink = nullptr;
    }
}

qint64 DeviceAudioOutput::RingReader::bytesAvailable() const
{
    const AudioRing* ring = m_output->ring();
    return (ring != nullptr ? ring->available() * 2 : 0) + QIODevice::bytesAvailable();
}

qint64 DeviceAudioOutput::RingReader::readData(char* data, qint64 maxSize)
{
    AudioRing* ring = m_output->ring();
    if (ring == nullptr) {
        return 0;
    }
    return ring->read(reinterpret_cast<qint16*>(data), qsizetype(maxSize / 2)) * 2;
}
