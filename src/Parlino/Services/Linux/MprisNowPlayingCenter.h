#pragma once

#include "Base/Clock.h"
#include "Parlino/Services/NowPlayingCenter.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QVariantMap>

namespace Parlino {

class MprisPlayerAdaptor;

// The application as an MPRIS 2 media player on the session bus, so that the desktop's media
// keys and its media controls reach the read. Play, Pause, PlayPause, Next and Previous are the
// commands of the same names; Stop pauses (a read is never thrown away from outside). Seek and
// SetPosition ask the position handler for a time in the read, only while the published
// information can seek. The one track is the published read; with nothing published there is no
// track and nothing to play, pause, skip or seek. While playing, the position runs on from the
// last published one at the published rate; a published position that differs from that by more
// than half a second is announced as a seek. While another program holds the player's name (an
// instance of the application still quitting, or any other), the player waits in line for it
// and the bus hands it over once it is free. Main thread only.
class MprisNowPlayingCenter final : public QObject, public NowPlayingCenter {
    Q_OBJECT

public:
    static inline const QString serviceName = QStringLiteral("org.mpris.MediaPlayer2.parlino");
    static inline const QString objectPath = QStringLiteral("/org/mpris/MediaPlayer2");
    // Outside /org/mpris, which the MPRIS interfaces keep for their own paths.
    static inline const QString trackPath = QStringLiteral("/com/parlino/Read");

    MprisNowPlayingCenter(QDBusConnection bus, const Base::Clock& clock, QObject* parent = nullptr);
    ~MprisNowPlayingCenter() override;

    // Whether the player holds its name on the bus.
    bool isRegistered() const { return m_registered; }

    void setCommandHandler(std::function<void(RemoteCommand)> handler) override;
    void setPositionHandler(std::function<void(double seconds)> handler) override;
    void publish(const std::optional<NowPlayingInfo>& info) override;

    // What the player's properties show.
    QString playbackStatus() const;
    QVariantMap metadata() const;
    qlonglong position() const;
    double rate() const;
    bool hasTrack() const { return m_info.has_value(); }
    bool canSeek() const { return m_info && m_info->canSeek; }

    void perform(RemoteCommand command) const;
    // MPRIS Seek and SetPosition, in microseconds.
    void seekBy(qlonglong offset) const;
    void setPosition(const QDBusObjectPath& track, qlonglong position) const;

private slots:
    void nameAcquired(const QString& name);

private:
    // Asks for the name, to hold it now or once it is free; whether the bus took the request.
    bool requestName();
    QVariantMap changeableProperties() const;
    // Seconds into the read now.
    double positionSeconds() const;

    QDBusConnection m_bus;
    const Base::Clock& m_clock;
    MprisPlayerAdaptor* m_player;
    bool m_registered = false;
    bool m_requested = false; // the name is held or waited for
    std::function<void(RemoteCommand)> m_handler;
    std::function<void(double)> m_positionHandler;
    std::optional<NowPlayingInfo> m_info;
    double m_publishedAt = 0;
};

} // namespace Parlino
