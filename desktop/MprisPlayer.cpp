#include "desktop/MprisPlayer.h"

#include "desktop/Player.h"

#include <QUrl>

namespace desktop {

namespace {

// The first words of a title that has no document's name.
constexpr int kTitleWords = 8;

} // namespace

MprisPlayer::MprisPlayer(QObject& object, Player& player)
    : QDBusAbstractAdaptor(&object), m_player(player)
{
}

QString MprisPlayer::playbackStatus() const
{
    return m_player.statusName();
}

QVariantMap MprisPlayer::metadata() const
{
    QString title = m_player.title().simplified();
    if (const QStringList words = title.split(QLatin1Char(' ')); words.size() > kTitleWords) {
        title = words.mid(0, kTitleWords).join(QLatin1Char(' ')) + QStringLiteral("...");
    }
    return {
        {QStringLiteral("mpris:trackid"),
         QVariant::fromValue(QDBusObjectPath(
             QStringLiteral("/io/parlanza/Parlanza/track/%1").arg(m_player.track())))},
        {QStringLiteral("xesam:title"), title},
        {QStringLiteral("xesam:artist"), QStringList{m_player.voice()}},
    };
}

qlonglong MprisPlayer::position() const
{
    return m_player.position();
}

bool MprisPlayer::canSkip() const
{
    return m_player.canSkip();
}

bool MprisPlayer::canPlay() const
{
    return m_player.canPlay();
}

bool MprisPlayer::canPause() const
{
    return m_player.canPause();
}

void MprisPlayer::Play()
{
    Q_EMIT m_player.playAsked();
}

void MprisPlayer::Pause()
{
    Q_EMIT m_player.pauseAsked();
}

void MprisPlayer::PlayPause()
{
    Q_EMIT m_player.playPauseAsked();
}

void MprisPlayer::Stop()
{
    Q_EMIT m_player.stopAsked();
}

void MprisPlayer::Next()
{
    Q_EMIT m_player.skipAsked(1);
}

void MprisPlayer::Previous()
{
    Q_EMIT m_player.skipAsked(-1);
}

void MprisPlayer::Seek(qlonglong /*offset*/) {}

void MprisPlayer::SetPosition(const QDBusObjectPath& /*track*/, qlonglong /*position*/) {}

void MprisPlayer::OpenUri(const QString& uri)
{
    const QUrl url(uri);
    if (url.isLocalFile()) {
        Q_EMIT m_player.openAsked(url.toLocalFile());
    }
}

} // namespace desktop
