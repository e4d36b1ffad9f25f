#include "desktop/MprisRoot.h"

#include "desktop/Player.h"

namespace desktop {

MprisRoot::MprisRoot(QObject& object, Player& player)
    : QDBusAbstractAdaptor(&object), m_player(player)
{
}

QString MprisRoot::identity() const
{
    return QStringLiteral("Parlanza");
}

QString MprisRoot::desktopEntry() const
{
    return QStringLiteral("io.parlanza.Parlanza");
}

QStringList MprisRoot::supportedUriSchemes() const
{
    return {QStringLiteral("file")};
}

// As the desktop entry lists them.
QStringList MprisRoot::supportedMimeTypes() const
{
    return {QStringLiteral("text/plain"), QStringLiteral("text/rtf"),
            QStringLiteral("application/rtf"), QStringLiteral("application/msword")};
}

void MprisRoot::Raise()
{
    Q_EMIT m_player.raiseAsked();
}

void MprisRoot::Quit() {}

} // namespace desktop
