#pragma once

#include "recording/ChapterMarker.h"
#include "speech/Lexicon.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantList>

namespace speech {

// What the main window knows of the speech control: a dispatch entry by DISPID, typed
// helpers over it, and the audio-stopped notification. Tests swap in a recording fake.
class SpeechControl : public QObject
{
    Q_OBJECT
public:
    // Dispatch identifiers of the control's operations.
    static constexpr int DispidSpeak = 6;
    static constexpr int DispidPitch = 7;
    static constexpr int DispidSpeed = 10;
    static constexpr int DispidSelectVoice = 16;
    static constexpr int DispidVoiceCount = 18;
    static constexpr int DispidVoiceName = 19;
    static constexpr int DispidPause = 35;
    static constexpr int DispidStop = 36;
    static constexpr int DispidResume = 37;
    static constexpr int DispidLastResult = 59;
    static constexpr int DispidOutputFile = 68;

    // Last-result codes (DISPID 59).
    static constexpr quint32 ResultOk = 0;
    static constexpr quint32 ResultIncompatible = 0x8000FFFF; // voice refused speed/pitch
    static constexpr quint32 ResultInvalidArgument = 0x80070057;
    static constexpr quint32 ResultUnknownMember = 0x80020003;
    static constexpr quint32 ResultWriteFailed = 0x8003001D; // the wave file cannot be written

    explicit SpeechControl(QObject* parent = nullptr);
    ~SpeechControl() override;

    // Late-bound call: a get returns its value, a put or call returns an invalid QVariant.
    // An unknown DISPID or a bad argument leaves the last result saying so.
    virtual QVariant invoke(int dispid, const QVariantList& args = {}) = 0;

    // Plays a wave file through the speech output and returns when it has been heard
    // (the start sound), running a local event loop meanwhile. False when the file cannot
    // be read or speech is under way.
    virtual bool playWaveFile(const QString& path) = 0;

    // The number the last speak call gave its utterance (from 1; 0 before any); WordHeard
    // names utterances by it.
    virtual quint64 lastUtterance() const = 0;

    // Speech is heard through a sound server or device now, not only timed in silence.
    virtual bool soundOutputReached() const { return true; }

    // Which timing files each following recording also writes beside its sound file:
    // name.srt with a cue for each sentence, name.vtt with a cue for each word.
    void setSubtitles(bool sentenceCues, bool wordCues);
    bool sentenceCues() const { return m_sentenceCues; }
    bool wordCues() const { return m_wordCues; }
    // The title tag of the following recordings (the document's name); empty for none.
    virtual void setRecordingTitle(const QString& title) { m_recordingTitle = title; }
    QString recordingTitle() const { return m_recordingTitle; }
    // The book the following recordings hold (the document's title, author, cover and
    // chapters in the text they record); empty for typed text.
    void setRecordingBook(const recording::SpokenBook& book) { m_recordingBook = book; }
    const recording::SpokenBook& recordingBook() const { return m_recordingBook; }
    // The pronunciation lexicon of the utterances queued after the call, spoken or
    // recorded; the text shown stays as written.
    void setLexicon(const Lexicon& lexicon) { m_lexicon = lexicon; }
    const Lexicon& lexicon() const { return m_lexicon; }

    // The engines behind the voices, each with how many voices it gives (the About box).
    struct EngineVoices
    {
        QString engine;
        int voices = 0;
    };
    virtual QList<EngineVoices> engineVoices();

    // Typed helpers; each is exactly one invoke().
    int voiceCount();
    QString voiceName(int voiceNumber);
    void selectVoice(int voiceNumber);
    void setSpeed(int speed);
    void setPitch(int pitch);
    void setOutputFile(const QString& path);
    void speak(const QString& text);
    void pause();
    void resume();
    void stop();
    quint32 lastResult();

Q_SIGNALS:
    // Audio output of an utterance has stopped: its natural end, a stop, or a finished
    // (or failed) recording. Once per speak call, on the GUI thread.
    void AudioStop();
    // A recording could not be written; any existing file at path is untouched.
    void RecordingFailed(const QString& path, const QString& reason);
    // Speech was asked for and no sound output was found: it goes on silently, in time.
    void SoundOutputMissing();
    // Sound that was heard is heard no more (the sound server went away), or is heard again.
    void SoundOutputChanged(bool heard);
    // A word is being heard now: its characters in the utterance's text (UTF-16 offsets).
    // Words come in the order they are spoken, each once; none after the utterance's
    // AudioStop.
    void WordHeard(quint64 utterance, qint32 start, qint32 length);

    // Share of the recording's text rendered so far, 0..100.
    void RecordingProgress(int percent);

private:
    bool m_sentenceCues = false;
    bool m_wordCues = false;
    QString m_recordingTitle;
    recording::SpokenBook m_recordingBook;
    Lexicon m_lexicon;
};

} // namespace speech
