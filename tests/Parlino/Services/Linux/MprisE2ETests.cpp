// Drives the MPRIS player on the session bus with dbus-send, as a desktop's media controls do,
// and reads every property back with its D-Bus type. Skips without a session bus.
#include "Parlino/Services/Linux/MprisNowPlayingCenter.h"
#include "Parlino/Services/NowPlayingCoordinator.h"

#include "support/DesktopSession.h"
#include "support/EventLoop.h"
#include "support/ManualTime.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

using namespace Parlino;

const QString rootInterface = QStringLiteral("org.mpris.MediaPlayer2");
const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

struct Reply {
    int exitCode = -1;
    QString text; // what dbus-send printed, its whitespace runs folded to one space
};

// Runs dbus-send while this process keeps serving the bus.
Reply dbusSend(const QStringList& arguments) {
    QProcess process;
    process.start("dbus-send", QStringList{"--session", "--print-reply",
                                           "--dest=" + MprisNowPlayingCenter::serviceName,
                                           MprisNowPlayingCenter::objectPath} +
                                   arguments);
    EXPECT_TRUE(
        TestSupport::pumpUntil([&] { return process.state() == QProcess::NotRunning; }, 10'000));
    const QString output =
        QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    return {process.exitCode(), output.simplified()};
}

// The property's value as dbus-send prints it, with its type: "boolean true", "int64 0", …
QString property(const QString& name, const QString& interface = playerInterface) {
    const Reply reply =
        dbusSend({"org.freedesktop.DBus.Properties.Get", "string:" + interface, "string:" + name});
    EXPECT_EQ(reply.exitCode, 0) << reply.text.toStdString();
    return reply.text.section(QStringLiteral(" variant "), 1);
}

void call(const QString& method, const QStringList& arguments = {}) {
    const Reply reply = dbusSend(QStringList{playerInterface + "." + method} + arguments);
    EXPECT_EQ(reply.exitCode, 0) << reply.text.toStdString();
    TestSupport::drainEvents(); // the command's callback runs from the event loop
}

QString trackArgument() {
    return "objpath:" + MprisNowPlayingCenter::trackPath;
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
                      playerInterface, "Seeked", this, SLOT(seeked(qlonglong)));
    }
    ~Announcements() override { QDBusConnection::disconnectFromBus("observer"); }

    QVariantMap changed;
    QList<qlonglong> seeks;

public slots:
    void propertiesChanged(const QString& interface, const QVariantMap& properties,
                           const QStringList&) {
        if (interface == playerInterface)
            changed.insert(properties);
    }
    void seeked(qlonglong position) { seeks.append(position); }

private:
    QDBusConnection m_bus;
};

// A read of 8 s as the composition root would drive it from the commands.
struct Read {
    NowPlayingState state = NowPlayingState::playing;
    double elapsed = 2.5;
    float rate = 1.0f;
    bool canSeek = true;
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
        coordinator->onPlay = [this] { setState(NowPlayingState::playing); };
        coordinator->onPause = [this] { setState(NowPlayingState::paused); };
        coordinator->onTogglePlayPause = [this] {
            setState(read.state == NowPlayingState::playing ? NowPlayingState::paused
                                                            : NowPlayingState::playing);
        };
        coordinator->onCycleSpeed = [this] {
            read.rate = 1.5f;
            publish();
        };
        coordinator->onRestart = [this] { seekTo(0); };
        coordinator->onSeek = [this](double seconds) { seekTo(seconds); };
        coordinator->start();
        publish();
    }

    void setState(NowPlayingState state) {
        read.state = state;
        publish();
    }
    void seekTo(double seconds) {
        ++seeksPerformed;
        read.elapsed = seconds;
        publish();
    }
    void publish() { coordinator->update(read.state, read.elapsed, 8, read.rate, read.canSeek); }

    TestSupport::ManualClock clock;
    Read read;
    int seeksPerformed = 0;
    std::unique_ptr<MprisNowPlayingCenter> center;
    std::unique_ptr<NowPlayingCoordinator> coordinator;
};

TEST_F(MprisE2E, ThePlayerNamesItselfAndOffersNoWindowQuitTrackListOrUris) {
    EXPECT_EQ(property("Identity", rootInterface), "string \"Parlino\"");
    EXPECT_EQ(property("DesktopEntry", rootInterface), "string \"parlino\"");
    for (const char* name : {"CanQuit", "CanRaise", "HasTrackList"})
        EXPECT_EQ(property(name, rootInterface), "boolean false") << name;
    for (const char* name : {"SupportedUriSchemes", "SupportedMimeTypes"})
        EXPECT_EQ(property(name, rootInterface), "array [ ]") << name;
}

TEST_F(MprisE2E, AReadIsOneTrackWithItsLengthRunningPositionAndEveryControl) {
    EXPECT_EQ(property("PlaybackStatus"), "string \"Playing\"");
    const QString metadata = property("Metadata");
    EXPECT_TRUE(metadata.contains("string \"mpris:trackid\" variant object path \"" +
                                  MprisNowPlayingCenter::trackPath + "\""))
        << metadata.toStdString();
    EXPECT_TRUE(metadata.contains("string \"mpris:length\" variant int64 8000000"))
        << metadata.toStdString();
    EXPECT_TRUE(metadata.contains("string \"xesam:title\" variant string \"Parlino\""))
        << metadata.toStdString();

    EXPECT_EQ(property("Position"), "int64 2500000");
    clock.set(1);
    EXPECT_EQ(property("Position"), "int64 3500000");
    clock.set(100);
    EXPECT_EQ(property("Position"), "int64 8000000") << "never past the end";

    EXPECT_EQ(property("Rate"), "double 1");
    EXPECT_EQ(property("MinimumRate"), "double 0.5");
    EXPECT_EQ(property("MaximumRate"), "double 2");
    EXPECT_EQ(property("Volume"), "double 1");
    for (const char* name :
         {"CanGoNext", "CanGoPrevious", "CanPlay", "CanPause", "CanSeek", "CanControl"})
        EXPECT_EQ(property(name), "boolean true") << name;
}

TEST_F(MprisE2E, ACommandActsOnTheReadAndItsChangesAreAnnounced) {
    Announcements announcements;
    call("PlayPause");
    EXPECT_EQ(property("PlaybackStatus"), "string \"Paused\"");
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return !announcements.changed.isEmpty(); }));
    EXPECT_EQ(announcements.changed.value("PlaybackStatus"), "Paused");
    EXPECT_EQ(property("Rate"), "double 1") << "a paused read keeps its rate";
    EXPECT_EQ(property("Position"), "int64 2500000") << "a paused read stays put";

    call("Play");
    EXPECT_EQ(property("PlaybackStatus"), "string \"Playing\"");
    call("Stop");
    EXPECT_EQ(property("PlaybackStatus"), "string \"Paused\"") << "Stop keeps the read";
    call("Pause");
    EXPECT_EQ(property("PlaybackStatus"), "string \"Paused\"");

    call("Next");
    EXPECT_EQ(property("Rate"), "double 1.5");
    call("Previous");
    EXPECT_EQ(property("Position"), "int64 0");
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return !announcements.seeks.isEmpty(); }));
    EXPECT_EQ(announcements.seeks, QList<qlonglong>{0});

    call("PlayPause");
    EXPECT_TRUE(TestSupport::pumpUntil(
        [&] { return announcements.changed.value("PlaybackStatus") == "Playing"; }));
    EXPECT_EQ(announcements.changed.value("Rate").toDouble(), 1.5);
}

TEST_F(MprisE2E, SeekMovesByTheOffsetWithinTheReadAndLeavesTheSpeedAlone) {
    Announcements announcements;
    call("Seek", {"int64:3000000"});
    EXPECT_EQ(property("Position"), "int64 5500000");
    EXPECT_EQ(property("Rate"), "double 1");
    call("Seek", {"int64:-60000000"});
    EXPECT_EQ(property("Position"), "int64 0");
    call("Seek", {"int64:60000000"});
    EXPECT_EQ(property("Position"), "int64 8000000");
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return announcements.seeks.size() == 3; }));
    EXPECT_EQ(announcements.seeks, (QList<qlonglong>{5'500'000, 0, 8'000'000}));
}

TEST_F(MprisE2E, SetPositionMovesToAPlaceInTheReadAndIgnoresAnythingElse) {
    call("SetPosition", {trackArgument(), "int64:6000000"});
    EXPECT_EQ(property("Position"), "int64 6000000");

    call("SetPosition", {"objpath:/com/parlino/Other", "int64:1000000"});
    call("SetPosition", {trackArgument(), "int64:-1"});
    call("SetPosition", {trackArgument(), "int64:8000001"});
    EXPECT_EQ(property("Position"), "int64 6000000");
    EXPECT_EQ(seeksPerformed, 1);
}

TEST_F(MprisE2E, WhatCannotSeekSaysSoAndIgnoresSeeks) {
    Announcements announcements;
    read.canSeek = false;
    publish();
    EXPECT_EQ(property("CanSeek"), "boolean false");
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return announcements.changed.contains("CanSeek"); }));
    EXPECT_EQ(announcements.changed.value("CanSeek"), false);

    call("Seek", {"int64:3000000"});
    call("SetPosition", {trackArgument(), "int64:6000000"});
    EXPECT_EQ(seeksPerformed, 0);
    EXPECT_EQ(property("Position"), "int64 2500000");
}

TEST_F(MprisE2E, AStoppedPlayerHasNoTrackAndNothingToControl) {
    Announcements announcements;
    coordinator->update(NowPlayingState::stopped, 0, 0, 1.0f, false);
    EXPECT_EQ(property("PlaybackStatus"), "string \"Stopped\"");
    EXPECT_EQ(property("Metadata"), "array [ ]");
    EXPECT_EQ(property("Position"), "int64 0");
    for (const char* name : {"CanGoNext", "CanGoPrevious", "CanPlay", "CanPause", "CanSeek"})
        EXPECT_EQ(property(name), "boolean false") << name;
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return announcements.changed.contains("CanPlay"); }));
    EXPECT_EQ(announcements.changed.value("CanPlay"), false);

    call("Seek", {"int64:1000000"});
    EXPECT_EQ(seeksPerformed, 0);
}

// Another program holds the player's name as the player starts (an instance of the application
// still quitting, say): the player waits in line and takes the name once it is free, and a player
// that goes while it waits leaves the line.
TEST(MprisE2EName, APlayerTakesItsNameOnceAnotherProgramLetsItGo) {
    PARLINO_REQUIRE_SERVICE(QDBusConnection::sessionBus().isConnected(),
                            "no D-Bus session bus: run inside dbus-run-session or a desktop "
                            "session (scripts/ci-services.sh)");
    const QString name = MprisNowPlayingCenter::serviceName;
    QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "other");
    const auto held = [] {
        return QDBusConnection::sessionBus().interface()->isServiceRegistered(
            MprisNowPlayingCenter::serviceName);
    };
    TestSupport::ManualClock clock;

    ASSERT_TRUE(other.registerService(name));
    std::make_unique<MprisNowPlayingCenter>(QDBusConnection::sessionBus(), clock).reset();
    ASSERT_TRUE(other.unregisterService(name));
    EXPECT_FALSE(held()) << "a player that went still waited for the name";

    ASSERT_TRUE(other.registerService(name));
    MprisNowPlayingCenter center(QDBusConnection::sessionBus(), clock);
    EXPECT_FALSE(center.isRegistered());
    ASSERT_TRUE(other.unregisterService(name));
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return center.isRegistered(); }));
    EXPECT_EQ(property("Identity", rootInterface), "string \"Parlino\"");
    QDBusConnection::disconnectFromBus("other");
}

} // namespace

#include "MprisE2ETests.moc"
