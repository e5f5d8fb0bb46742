#include "Parlino/Services/Linux/MprisNowPlayingCenter.h"

#include "Base/Log.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace Parlino {

namespace {

const Base::Log log(QStringLiteral("media-keys"));

const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

// How far a published position may stray from the running one before it counts as a seek.
constexpr double seekTolerance = 0.5;

// Whole microseconds, as MPRIS counts time; a non-finite or negative time counts as 0.
qlonglong microseconds(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0)
        return 0;
    constexpr double limit = double(std::numeric_limits<qlonglong>::max() / 2);
    return qlonglong(std::min(seconds * 1e6, limit));
}

} // namespace

// The root interface: who the player is.
class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ no)
    Q_PROPERTY(bool CanRaise READ no)
    Q_PROPERTY(bool HasTrackList READ no)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ none)
    Q_PROPERTY(QStringList SupportedMimeTypes READ none)

public:
    explicit MprisRootAdaptor(QObject* owner) : QDBusAbstractAdaptor(owner) {}

    bool no() const { return false; }
    QString identity() const { return QStringLiteral("Parlino"); }
    QString desktopEntry() const { return QStringLiteral("parlino"); }
    QStringList none() const { return {}; }

public slots:
    void Raise() {}
    void Quit() {}
};

// The player interface: the state of the read and the commands on it. Rate and Volume are
// read-only: the speed steps through its cycle with Next, and the volume is the desktop's.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double MinimumRate READ minimumRate)
    Q_PROPERTY(double MaximumRate READ maximumRate)
    Q_PROPERTY(bool CanGoNext READ hasTrack)
    Q_PROPERTY(bool CanGoPrevious READ hasTrack)
    Q_PROPERTY(bool CanPlay READ hasTrack)
    Q_PROPERTY(bool CanPause READ hasTrack)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ canControl)

public:
    explicit MprisPlayerAdaptor(MprisNowPlayingCenter* center)
        : QDBusAbstractAdaptor(center), m_center(center) {}

    QString playbackStatus() const { return m_center->playbackStatus(); }
    double rate() const { return m_center->rate(); }
    QVariantMap metadata() const { return m_center->metadata(); }
    double volume() const { return 1.0; }
    qlonglong position() const { return m_center->position(); }
    double minimumRate() const { return 0.5; }
    double maximumRate() const { return 2.0; }
    bool hasTrack() const { return m_center->hasTrack(); }
    bool canSeek() const { return m_center->canSeek(); }
    bool canControl() const { return true; }

public slots:
    void Play() { m_center->perform(RemoteCommand::play); }
    void Pause() { m_center->perform(RemoteCommand::pause); }
    void PlayPause() { m_center->perform(RemoteCommand::togglePlayPause); }
    void Stop() { m_center->perform(RemoteCommand::pause); }
    void Next() { m_center->perform(RemoteCommand::nextTrack); }
    void Previous() { m_center->perform(RemoteCommand::previousTrack); }
    void Seek(qlonglong offset) { m_center->seekBy(offset); }
    void SetPosition(const QDBusObjectPath& track, qlonglong position) {
        m_center->setPosition(track, position);
    }
    void OpenUri(const QString&) {}

signals:
    void Seeked(qlonglong position);

private:
    MprisNowPlayingCenter* m_center;
};

MprisNowPlayingCenter::MprisNowPlayingCenter(QDBusConnection bus, const Base::Clock& clock,
                                             QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_clock(clock) {
    new MprisRootAdaptor(this);
    m_player = new MprisPlayerAdaptor(this);
    if (!m_bus.isConnected() || !m_bus.registerObject(objectPath, this)) {
        log.error("media player not on the session bus: %{public}s", m_bus.lastError().message());
        return;
    }
    // The bus says when the name comes to this connection: at once, or once its holder lets it go.
    const QString busService = QStringLiteral("org.freedesktop.DBus");
    m_bus.connect(busService, QStringLiteral("/org/freedesktop/DBus"), busService,
                  QStringLiteral("NameAcquired"), this, SLOT(nameAcquired(QString)));
    m_requested = requestName();
}

// The object leaves the bus with the player.
MprisNowPlayingCenter::~MprisNowPlayingCenter() {
    if (m_requested)
        m_bus.interface()->unregisterService(serviceName);
}

bool MprisNowPlayingCenter::requestName() {
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        m_bus.interface()->registerService(serviceName, QDBusConnectionInterface::QueueService,
                                           QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid()) {
        log.error("media player not on the session bus: %{public}s", reply.error().message());
        return false;
    }
    m_registered = reply.value() == QDBusConnectionInterface::ServiceRegistered;
    if (!m_registered)
        log.notice("media player waits for its name on the session bus: another program holds it");
    return true;
}

void MprisNowPlayingCenter::nameAcquired(const QString& name) {
    if (name != serviceName || std::exchange(m_registered, true))
        return;
    log.notice("media player on the session bus: its name is free again");
}

void MprisNowPlayingCenter::setCommandHandler(std::function<void(RemoteCommand)> handler) {
    m_handler = std::move(handler);
}

void MprisNowPlayingCenter::setPositionHandler(std::function<void(double)> handler) {
    m_positionHandler = std::move(handler);
}

void MprisNowPlayingCenter::perform(RemoteCommand command) const {
    if (m_handler)
        m_handler(command);
}

// A seek before the start lands on it; one past the end lands on the end.
void MprisNowPlayingCenter::seekBy(qlonglong offset) const {
    if (!canSeek() || !m_positionHandler)
        return;
    const double target = positionSeconds() + double(offset) / 1e6;
    m_positionHandler(std::clamp(target, 0.0, std::max(m_info->duration, 0.0)));
}

// A request for another track, or for a position outside the read, is ignored.
void MprisNowPlayingCenter::setPosition(const QDBusObjectPath& track, qlonglong position) const {
    if (!canSeek() || !m_positionHandler || track.path() != trackPath || position < 0 ||
        position > microseconds(m_info->duration))
        return;
    m_positionHandler(double(position) / 1e6);
}

void MprisNowPlayingCenter::publish(const std::optional<NowPlayingInfo>& info) {
    const QVariantMap before = changeableProperties();
    const bool seeked =
        m_info && info && std::abs(info->elapsed - positionSeconds()) > seekTolerance;
    m_info = info;
    m_publishedAt = m_clock.now();
    if (seeked)
        emit m_player->Seeked(position());
    QVariantMap changed = changeableProperties();
    for (auto it = changed.begin(); it != changed.end();)
        it = before.value(it.key()) == it.value() ? changed.erase(it) : std::next(it);
    if (changed.isEmpty() || !m_registered)
        return;
    auto signal =
        QDBusMessage::createSignal(objectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << playerInterface << changed << QStringList();
    m_bus.send(signal);
}

QVariantMap MprisNowPlayingCenter::changeableProperties() const {
    return {{QStringLiteral("PlaybackStatus"), playbackStatus()},
            {QStringLiteral("Metadata"), metadata()},
            {QStringLiteral("Rate"), rate()},
            {QStringLiteral("CanSeek"), canSeek()},
            {QStringLiteral("CanPlay"), hasTrack()},
            {QStringLiteral("CanPause"), hasTrack()},
            {QStringLiteral("CanGoNext"), hasTrack()},
            {QStringLiteral("CanGoPrevious"), hasTrack()}};
}

QString MprisNowPlayingCenter::playbackStatus() const {
    if (!m_info)
        return QStringLiteral("Stopped");
    return m_info->state == NowPlayingState::playing ? QStringLiteral("Playing")
                                                     : QStringLiteral("Paused");
}

QVariantMap MprisNowPlayingCenter::metadata() const {
    if (!m_info)
        return {};
    return {{QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(trackPath))},
            {QStringLiteral("xesam:title"), m_info->title},
            {QStringLiteral("mpris:length"), microseconds(m_info->duration)}};
}

qlonglong MprisNowPlayingCenter::position() const {
    return microseconds(positionSeconds());
}

double MprisNowPlayingCenter::positionSeconds() const {
    if (!m_info)
        return 0;
    if (m_info->state != NowPlayingState::playing)
        return m_info->elapsed;
    const double running = m_info->elapsed + m_info->rate * (m_clock.now() - m_publishedAt);
    return m_info->duration > 0 ? std::min(running, m_info->duration) : running;
}

// MPRIS has no rate of 0: a paused read shows its status and keeps its speed.
double MprisNowPlayingCenter::rate() const {
    if (!m_info)
        return 1.0;
    return m_info->state == NowPlayingState::playing ? m_info->rate : m_info->defaultRate;
}

} // namespace Parlino

#include "MprisNowPlayingCenter.moc"
