#include "support/FakeSpeechControl.h"

#include "speech/VoiceCatalog.h"

namespace support {

FakeSpeechControl::FakeSpeechControl(QObject* parent) : speech::SpeechControl(parent)
{
    for (const speech::VoiceDefinition& voice : speech::VoiceCatalog::namedVoices({})) {
        m_voices.append(voice.name);
    }
}

QList<int> FakeSpeechControl::dispids() const
{
    QList<int> ids;
    for (const Call& call : m_calls) {
        ids.append(call.dispid);
    }
    return ids;
}

QVariant FakeSpeechControl::invoke(int dispid, const QVariantList& args)
{
    m_calls.append({dispid, args});
    const QVariant first = args.isEmpty() ? QVariant() : args.constFirst();
    switch (dispid) {
    case DispidVoiceCount:
        return int(m_voices.size());
    case DispidVoiceName: {
        const int number = first.toInt();
        return number >= 1 && number <= m_voices.size() ? m_voices.at(number - 1) : QString();
    }
    case DispidSelectVoice:
        m_voice = first.toInt();
        return {};
    case DispidSpeed:
        m_speed = first.toInt();
        return {};
    case DispidPitch:
        m_pitch = first.toInt();
        return {};
    case DispidOutputFile:
        m_outputFile = first.toString();
        return {};
    case DispidSpeak:
        m_spoken.append(first.toString());
        m_lastResult = m_nextSpeakResult;
        m_nextSpeakResult = ResultOk;
        return {};
    case DispidPause:
        m_paused = true;
        return {};
    case DispidResume:
    case DispidStop:
        m_paused = false;
        return {};
    case DispidLastResult:
        return m_lastResult;
    default:
        m_lastResult = ResultUnknownMember;
        return {};
    }
}

bool FakeSpeechControl::playWaveFile(const QString& path)
{
    m_played.append(path);
    return true;
}

} // namespace support
