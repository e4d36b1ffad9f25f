#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>

namespace desktop {

// The window's speaking as the desktop sees it (playing, paused or stopped, what and with
// which voice), and the requests media keys and other programs make of it. The window
// keeps the state up to date and answers the requests; the bus only reads and asks.
class Player : public QObject
{
    Q_OBJECT
public:
    enum class Status { Stopped, Playing, Paused };

    explicit Player(QObject* parent = nullptr);

    Status status() const { return m_status; }
    // As the media player protocol spells it: "Playing", "Paused" or "Stopped".
    QString statusName() const;
    void setStatus(Status status);

    // A new piece of speaking starts (a new track, as players count them).
    void startTrack(const QString& title, const QString& voice);
    quint64 track() const { return m_track; }
    const QString& title() const { return m_title; }
    const QString& voice() const { return m_voice; }

    // What the window's buttons would do now.
    void setAbilities(bool canPlay, bool canPause, bool canSkip);
    bool canPlay() const { return m_canPlay; }
    bool canPause() const { return m_canPause; }
    bool canSkip() const { return m_canSkip; }

    // Microseconds heard of the current track, pauses left out.
    qint64 position() const;

Q_SIGNALS:
    // The named properties of the player interface changed.
    void changed(const QStringList& properties);

    void playAsked();
    void pauseAsked();
    void playPauseAsked();
    void stopAsked();
    // To the next (+1) or previous (-1) sentence.
    void skipAsked(int direction);
    void raiseAsked();
    void openAsked(const QString& path);

private:
    Status m_status = Status::Stopped;
    quint64 m_track = 0;
    QString m_title;
    QString m_voice;
    bool m_canPlay = false;
    bool m_canPause = false;
    bool m_canSkip = false;
    QElapsedTimer m_playing;
    qint64 m_heardMs = 0;
};

} // namespace desktop
