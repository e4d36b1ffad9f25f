#include "speech/SpeechControl.h"

namespace speech {

SpeechControl::SpeechControl(QObject* parent) : QObject(parent) {}

SpeechControl::~SpeechControl() = default;

QList<SpeechControl::EngineVoices> SpeechControl::engineVoices()
{
    return {{QStringLiteral("Speech control"), voiceCount()}};
}

int SpeechControl::voiceCount()
{
    return invoke(DispidVoiceCount).toInt();
}

QString SpeechControl::voiceName(int voiceNumber)
{
    return invoke(DispidVoiceName, {voiceNumber}).toString();
}

void SpeechControl::selectVoice(int voiceNumber)
{
    invoke(DispidSelectVoice, {voiceNumber});
}

void SpeechControl::setSpeed(int speed)
{
    invoke(DispidSpeed, {speed});
}

void SpeechControl::setPitch(int pitch)
{
    invoke(DispidPitch, {pitch});
}

void SpeechControl::setSubtitles(bool sentenceCues, bool wordCues)
{
    m_sentenceCues = sentenceCues;
    m_wordCues = wordCues;
}

void SpeechControl::setOutputFile(const QString& path)
{
    invoke(DispidOutputFile, {path});
}

void SpeechControl::speak(const QString& text)
{
    invoke(DispidSpeak, {text});
}

void SpeechControl::pause()
{
    invoke(DispidPause);
}

void SpeechControl::resume()
{
    invoke(DispidResume);
}

void SpeechControl::stop()
{
    invoke(DispidStop);
}

quint32 SpeechControl::lastResult()
{
    return invoke(DispidLastResult).toUInt();
}

} // namespace speech
