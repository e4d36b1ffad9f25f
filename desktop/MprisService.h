#pragma once

#include <QObject>
#include <QStringList>

namespace desktop {

class Player;
class MprisPlayer;

// Puts the player on the session bus under the media player protocol's well-known name,
// and tells listeners each change of its properties (the bus adaptors do not).
class MprisService : public QObject
{
    Q_OBJECT
public:
    static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.parlanza";
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";

    explicit MprisService(Player& player, QObject* parent = nullptr);
    ~MprisService() override;

    // False, with one line in the event log, when there is no session bus or the name is
    // taken: the program then runs as without a desktop bus.
    bool start();

private:
    void tellChanged(const QStringList& properties);

    Player& m_player;
    QObject m_object;
    MprisPlayer* m_playerInterface = nullptr;
    bool m_registered = false;
};

} // namespace desktop
