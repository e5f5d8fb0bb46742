// Drives the MPRIS player on the session bus with dbus-send and reads its properties back.
// Skips without a session bus.
#include "Parlino/Services/Linux/MprisNowPlayingCenter.h"
#include "Parlino/Services/NowPlayingCoordinator.h"

#include "support/DesktopSession.h"
#include "support/EventLoop.h"
#include "support/ManualTime.h"

#include <QDBusConnection>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

using namespace Parlino;

// Runs dbus-send while this process keeps serving the bus; returns what it printed.
QString dbusSend(const QStringList& arguments) {
    QProcess process;
    process.start("dbus-send", QStringList{"--session", "--print-reply",
                                           "--dest=" + MprisNowPlayingCenter::serviceName,
                                           MprisNowPlayingCenter::objectPath} +
                                   arguments);
    EXPECT_TRUE(
        TestSupport::pumpUntil([&] { return process.state() == QProcess::NotRunning; }, 10'000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString property(const QString& name) {
    return dbusSend({"org.freedesktop.DBus.Properties.Get", "string:org.mpris.MediaPlayer2.Player",
                     "string:" + name});
}

void call(const QString& method, const QStringList& arguments = {}) {
    dbusSend(QStringList{"org.mpris.MediaPlayer2.Player." + method} + arguments);
    TestSupport::drainEvents(); // the command's callback runs from the event loop
}

// Listens on a connection of its own to what the player announces.
class Announcements : public QObject {
    Q_OBJECT

public:
    Announcements()
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "observer")) {
        m_bus.connect(MprisNowPlayingCenter::serviceName, MprisNowPlayingCenter::objectPath,
                      "org.freedesktop.DBus.Properties", "PropertiesChanged", this,
                      SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
        m_bus.connect(MprisNowPlayingCenter::serviceName, MprisNowPlayingCenter::objectPath,
                      "org.mpris.MediaPlayer2.Player", "Seeked", this, SLOT(seeked(qlonglong)));
    }
    ~Announcements() override { QDBusConnection::disconnectFromBus("observer"); }

    QVariantMap changed;
    QList<qlonglong> seeks;

public slots:
    void propertiesChanged(const QString& interface, const QVariantMap& properties,
                           const QStringList&) {
        if (interface == "org.mpris.MediaPlayer2.Player")
            changed.insert(properties);
    }
    void seeked(qlonglong position) { seeks.append(position); }

private:
    QDBusConnection m_bus;
};

// A read as the composition root would drive it from the commands.
struct Read {
    NowPlayingState state = NowPlayingState::playing;
    double elapsed = 2.5;
    float rate = 1.0f;
};

class MprisE2E : public ::testing::Test {
protected:
    void SetUp() override {
        PARLINO_REQUIRE_SERVICE(QDBusConnection::sessionBus().isConnected(),
                                "no D-Bus session bus: run inside dbus-run-session or a desktop "
                                "session (scripts/ci-services.sh)");
        center = std::make_unique<MprisNowPlayingCenter>(QDBusConnection::sessionBus(), clock);
        ASSERT_TRUE(center->isRegistered());
        coordinator = std::make_unique<NowPlayingCoordinator>(*center);
        coordinator->onTogglePlayPause = [this] {
            read.state = read.state == NowPlayingState::playing ? NowPlayingState::paused
                                                                : NowPlayingState::playing;
            publish();
        };
        coordinator->onCycleSpeed = [this] {
            read.rate = 1.5f;
            publish();
        };
        coordinator->onRestart = [this] {
            read.elapsed = 0;
            publish();
        };
        coordinator->start();
        publish();
    }

    void publish() { coordinator->update(read.state, read.elapsed, 8, read.rate); }

    TestSupport::ManualClock clock;
    Read read;
    std::unique_ptr<MprisNowPlayingCenter> center;
    std::unique_ptr<NowPlayingCoordinator> coordinator;
};

TEST_F(MprisE2E, ShowsTheReadWithItsTitleLengthAndRunningPosition) {
    EXPECT_TRUE(property("PlaybackStatus").contains("\"Playing\""));
    const QString metadata = property("Metadata");
    EXPECT_TRUE(metadata.contains("\"Parlino\"")) << metadata.toStdString();
    EXPECT_TRUE(metadata.contains("int64 8000000")) << metadata.toStdString();
    EXPECT_TRUE(property("Position").contains("int64 2500000"));
    clock.set(1);
    EXPECT_TRUE(property("Position").contains("int64 3500000"));
    EXPECT_TRUE(property("Rate").contains("double 1"));
}

TEST_F(MprisE2E, PlayPauseNextAndSeekActOnTheReadAndAreAnnounced) {
    Announcements announcements;
    call("PlayPause");
    EXPECT_TRUE(property("PlaybackStatus").contains("\"Paused\""));
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return !announcements.changed.isEmpty(); }));
    EXPECT_EQ(announcements.changed.value("PlaybackStatus"), "Paused");
    EXPECT_TRUE(property("Rate").contains("double 1")) << "a paused read keeps its rate";

    call("Next");
    EXPECT_TRUE(property("Rate").contains("double 1.5"));

    call("Seek", {"int64:-5000000"});
    EXPECT_TRUE(property("Position").contains("int64 0"));
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return !announcements.seeks.isEmpty(); }));
    EXPECT_EQ(announcements.seeks, QList<qlonglong>{0});

    call("PlayPause");
    EXPECT_TRUE(property("PlaybackStatus").contains("\"Playing\""));
    EXPECT_TRUE(TestSupport::pumpUntil(
        [&] { return announcements.changed.value("PlaybackStatus") == "Playing"; }));
    EXPECT_EQ(announcements.changed.value("Rate").toDouble(), 1.5);
}

TEST_F(MprisE2E, AStoppedPlayerHasNoTrack) {
    coordinator->update(NowPlayingState::stopped, 0, 0, 1.0f);
    EXPECT_TRUE(property("PlaybackStatus").contains("\"Stopped\""));
    EXPECT_FALSE(property("Metadata").contains("Parlino"));
}

} // namespace

#include "MprisE2ETests.moc"
