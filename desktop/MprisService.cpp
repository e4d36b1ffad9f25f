#include "desktop/MprisService.h"

#include "desktop/MprisPlayer.h"
#include "desktop/MprisRoot.h"
#include "desktop/Player.h"
#include "platform/EventLog.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace desktop {

namespace {

const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

} // namespace

MprisService::MprisService(Player& player, QObject* parent) : QObject(parent), m_player(player)
{
    new MprisRoot(m_object, player);
    m_playerInterface = new MprisPlayer(m_object, player);
    connect(&player, &Player::changed, this, &MprisService::tellChanged);
}

MprisService::~MprisService()
{
    if (m_registered) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterObject(QLatin1String(kObjectPath));
        bus.unregisterService(QLatin1String(kServiceName));
    }
}

bool MprisService::start()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        platform::eventlog::information(
            QStringLiteral("No session bus (%1): media keys and sound menus cannot reach "
                           "Parlanza.")
                .arg(bus.lastError().message()));
        return false;
    }
    if (!bus.registerObject(QLatin1String(kObjectPath), &m_object,
                            QDBusConnection::ExportAdaptors)) {
        platform::eventlog::warning(QStringLiteral("The media player object cannot be put on the "
                                                   "session bus: %1")
                                        .arg(bus.lastError().message()));
        return false;
    }
    // Another program holding the name (an earlier copy that runs on) keeps it.
    if (!bus.registerService(QLatin1String(kServiceName))) {
        platform::eventlog::warning(
            QStringLiteral("The session bus name %1 is taken: %2")
                .arg(QLatin1String(kServiceName), bus.lastError().message()));
        bus.unregisterObject(QLatin1String(kObjectPath));
        return false;
    }
    m_registered = true;
    return true;
}

void MprisService::tellChanged(const QStringList& properties)
{
    if (!m_registered) {
        return;
    }
    QVariantMap changed;
    for (const QString& name : properties) {
        changed.insert(name, m_playerInterface->property(name.toLatin1().constData()));
    }
    QDBusMessage signal = QDBusMessage::createSignal(
        QLatin1String(kObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

} // namespace desktop
