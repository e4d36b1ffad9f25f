#include "speech/SpeechControl.h"

SpeechControl::SpeechControl(QObject* parent) : QObject(parent) {}

SpeechControl::~SpeechControl() = default;

int SpeechControl::voiceCount()
{
    return invoke(DispidCountEngines).toInt();
}

QString SpeechControl::voiceName(int voiceNumber)
{
    return invoke(DispidModeName, {voiceNumber}).toString();
}

void SpeechControl::selectVoice(int voiceNumber)
{
    invoke(DispidSelect, {voiceNumber});
}

void SpeechControl::setSpeed(int speed)
{
    invoke(DispidSpeed, {speed});
}

void SpeechControl::setPitch(int pitch)
{
    invoke(DispidPitch, {pitch});
}

void SpeechControl::setOutputFile(const QString& path)
{
    invoke(DispidFileName, {path});
}

void SpeechControl::speak(const QString& text)
{
    invoke(DispidSpeak, {text});
}

void SpeechControl::pause()
{
    invoke(DispidAudioPause);
}

void SpeechControl::resume()
{
    invoke(DispidAudioResume);
}

void SpeechControl::stop()
{
    invoke(DispidAudioReset);
}

quint32 SpeechControl::lastResult()
{
    return invoke(DispidLastError).toUInt();
}
