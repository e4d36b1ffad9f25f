#pragma once

#include <QObject>
#include <QTimer>
#include <memory>

namespace audio {

class AudioRing;

// Where the control's audio goes: it pulls mono 16-bit samples at SampleRate from the
// ring on the GUI thread and reports each utterance whose last sample has been played.
class AudioOutput : public QObject
{
    Q_OBJECT
public:
    static constexpr int SampleRate = 22050;

    explicit AudioOutput(QObject* parent = nullptr);
    ~AudioOutput() override;

    void setRing(AudioRing* ring) { m_ring = ring; }

    // Start pulling (again); harmless when already running.
    void start();
    void suspend();
    void resume();
    bool isSuspended() const { return m_suspended; }
    // Falls silent at once, dropping what the device still holds.
    void discard();
    // Samples arrived into an empty ring.
    void wake();

    // Samples actually played since the ring was created.
    virtual qint64 playedPosition() const = 0;
    virtual bool isDevice() const = 0;
    // Sound reaches a server or a device now, rather than only the silent clock.
    virtual bool reachesSound() const { return isDevice(); }

Q_SIGNALS:
    void utteranceEnded(quint64 utterance);
    // Speech was asked for and no sound output was found: it goes on, silently, in time.
    void outputMissing();
    // Sound that was heard is heard no more (the server or device went away), or is heard
    // again; the first sound heard counts as heard again too.
    void heardChanged(bool heard);

protected:
    AudioRing* ring() const { return m_ring; }
    virtual void startOutput() = 0;
    virtual void suspendOutput() = 0;
    virtual void resumeOutput() = 0;
    virtual void discardOutput() = 0;
    virtual void dataArrived() {}
    // Called every few milliseconds while there is something to play or to report.
    virtual void tick();
    void reportEnds();

private:
    AudioRing* m_ring = nullptr;
    QTimer m_poll;
    bool m_suspended = false;
};

} // namespace audio
