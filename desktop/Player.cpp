#include "desktop/Player.h"

namespace desktop {

Player::Player(QObject* parent) : QObject(parent) {}

QString Player::statusName() const
{
    switch (m_status) {
    case Status::Playing:
        return QStringLiteral("Playing");
    case Status::Paused:
        return QStringLiteral("Paused");
    case Status::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

void Player::setStatus(Status status)
{
    if (status == m_status) {
        return;
    }
    if (m_status == Status::Playing) {
        m_heardMs += m_playing.elapsed();
    }
    if (status == Status::Stopped) {
        m_heardMs = 0;
    }
    if (status == Status::Playing) {
        m_playing.start();
    }
    m_status = status;
    Q_EMIT changed({QStringLiteral("PlaybackStatus")});
}

void Player::startTrack(const QString& title, const QString& voice)
{
    ++m_track;
    m_title = title;
    m_voice = voice;
    m_heardMs = 0;
    m_playing.start();
    Q_EMIT changed({QStringLiteral("Metadata")});
}

void Player::setAbilities(bool canPlay, bool canPause, bool canSkip)
{
    QStringList names;
    const auto update = [&names](bool& member, bool value, const char* name) {
        if (member != value) {
            member = value;
            names << QLatin1String(name);
        }
    };
    update(m_canPlay, canPlay, "CanPlay");
    update(m_canPause, canPause, "CanPause");
    update(m_canSkip, canSkip, "CanGoNext");
    if (names.contains(QLatin1String("CanGoNext"))) {
        names << QStringLiteral("CanGoPrevious");
    }
    if (!names.isEmpty()) {
        Q_EMIT changed(names);
    }
}

qint64 Player::position() const
{
    const qint64 ms = m_heardMs + (m_status == Status::Playing ? m_playing.elapsed() : 0);
    return ms * 1000;
}

} // namespace desktop
