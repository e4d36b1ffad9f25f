#pragma once

#include <QElapsedTimer>
#include <QObject>

namespace audio {

// The time base of the silent output: the steady clock, or one a test moves by hand.
class SpeechClock : public QObject
{
    Q_OBJECT
public:
    explicit SpeechClock(QObject* parent = nullptr);
    ~SpeechClock() override;

    // Microseconds since an arbitrary start; never goes back.
    virtual qint64 nowMicroseconds() const;

Q_SIGNALS:
    // A hand-moved clock announces each move, so its readers catch up at once.
    void advanced();

private:
    QElapsedTimer m_timer;
};

} // namespace audio
