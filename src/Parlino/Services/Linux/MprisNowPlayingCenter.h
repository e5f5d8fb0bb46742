#pragma once

#include "Parlino/Services/NowPlayingCenter.h"

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

namespace Parlino {

// The application as an MPRIS 2 media player on the session bus, so that the desktop's media
// keys and its media controls reach the read. Play, Pause, PlayPause, Next and Previous are the
// commands of the same names; Stop pauses (a read is never thrown away from outside); Seek
// forward is skipForward and Seek backward skipBackward. Main thread only.
class MprisNowPlayingCenter final : public QObject, public NowPlayingCenter {
    Q_OBJECT

public:
    static inline const QString serviceName = QStringLiteral("org.mpris.MediaPlayer2.parlino");
    static inline const QString objectPath = QStringLiteral("/org/mpris/MediaPlayer2");
    static inline const QString trackPath = QStringLiteral("/org/mpris/MediaPlayer2/parlino/read");

    explicit MprisNowPlayingCenter(QDBusConnection bus = QDBusConnection::sessionBus(),
                                   QObject* parent = nullptr);
    ~MprisNowPlayingCenter() override;

    // Whether the player took its name on the bus.
    bool isRegistered() const { return m_registered; }

    void setCommandHandler(std::function<void(RemoteCommand)> handler) override;
    void publish(const std::optional<NowPlayingInfo>& info) override;

    // What the player's properties show.
    QString playbackStatus() const;
    QVariantMap metadata() const;
    qlonglong position() const;
    double rate() const;

    void perform(RemoteCommand command) const;

private:
    QVariantMap changeableProperties() const;

    QDBusConnection m_bus;
    bool m_registered = false;
    std::function<void(RemoteCommand)> m_handler;
    std::optional<NowPlayingInfo> m_info;
};

} // namespace Parlino
