#pragma once

#include "speech/AudioOutput.h"

#include <QIODevice>

class QAudioSink;
class SilentAudioOutput;

// The default audio device through Qt Multimedia, in pull mode: the sink reads the
// ring through a small sequential device. If the device fails (the sound server goes
// away), the silent output takes over, so speech still ends at its natural time.
class DeviceAudioOutput : public AudioOutput
{
    Q_OBJECT
public:
    explicit DeviceAudioOutput(QObject* parent = nullptr);
    ~DeviceAudioOutput() override;

    // True when there is a default output device that opens.
    static bool deviceAvailable();

    qint64 playedPosition() const override;
    bool isDevice() const override { return true; }

protected:
    void startOutput() override;
    void suspendOutput() override;
    void resumeOutput() override;
    void discardOutput() override;
    void dataArrived() override;

private:
    class RingReader : public QIODevice
    {
    public:
        explicit RingReader(DeviceAudioOutput* output) : m_output(output) {}
        bool isSequential() const override { return true; }
        qint64 bytesAvailable() const override;

    protected:
        qint64 readData(char* data, qint64 maxSize) override;
        qint64 writeData(const char*, qint64) override { return -1; }

    private:
        DeviceAudioOutput* m_output;
    };

    void closeSink();
    void checkSink();
    void fallBack(const QString& reason);

    QAudioSink* m_sink = nullptr;
    // Takes over, keeping time, once the device has failed.
    std::unique_ptr<SilentAudioOutput> m_fallback;
    RingReader m_reader;
};
