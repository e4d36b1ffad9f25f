#pragma once

#include "speech/SpeechControl.h"

#include <QList>
#include <QStringList>

namespace support {

// A stand-in for the speech control in tests: records every DISPID call in order,
// answers gets from a voice list it is given, and raises AudioStop when told to.
class FakeSpeechControl : public speech::SpeechControl
{
    Q_OBJECT
public:
    struct Call
    {
        int dispid = 0;
        QVariantList args;
    };

    explicit FakeSpeechControl(QObject* parent = nullptr);

    QVariant invoke(int dispid, const QVariantList& args = {}) override;
    bool playWaveFile(const QString& path) override;
    quint64 lastUtterance() const override { return quint64(m_spoken.size()); }
    bool soundOutputReached() const override { return m_outputReached; }
    // What soundOutputReached answers; a sound output is there at first.
    void setOutputReached(bool reached) { m_outputReached = reached; }

    // The voice names answered by DISPIDs 18 and 19; the nineteen named voices at first.
    void setVoices(const QStringList& names) { m_voices = names; }
    // What DISPID 59 answers after the next speak call (then ResultOk again).
    void setNextSpeakResult(quint32 result) { m_nextSpeakResult = result; }

    const QList<Call>& calls() const { return m_calls; }
    QList<int> dispids() const;
    void clearCalls() { m_calls.clear(); }
    QStringList playedFiles() const { return m_played; }

    // The state the calls have set.
    int currentVoice() const { return m_voice; }
    int speed() const { return m_speed; }
    int pitch() const { return m_pitch; }
    QString outputFile() const { return m_outputFile; }
    QStringList spokenTexts() const { return m_spoken; }
    bool isPaused() const { return m_paused; }

    // Raises AudioStop now, as the control does when an utterance ends.
    void finishUtterance() { Q_EMIT AudioStop(); }
    void failRecording(const QString& reason) { Q_EMIT RecordingFailed(m_outputFile, reason); }

private:
    QList<Call> m_calls;
    QStringList m_voices;
    QStringList m_spoken;
    QStringList m_played;
    QString m_outputFile;
    int m_voice = 1;
    int m_speed = 0;
    int m_pitch = 0;
    bool m_paused = false;
    bool m_outputReached = true;
    quint32 m_lastResult = ResultOk;
    quint32 m_nextSpeakResult = ResultOk;
};

} // namespace support
