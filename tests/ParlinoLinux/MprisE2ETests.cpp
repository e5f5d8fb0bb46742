// Drives the MPRIS player on the session bus with dbus-send and reads its properties back.
// Skips without a session bus.
#include "Parlino/Services/Linux/MprisNowPlayingCenter.h"
#include "Parlino/Services/NowPlayingCoordinator.h"

#include "support/EventLoop.h"

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

// A read as the composition root would drive it from the commands.
struct Read {
    NowPlayingState state = NowPlayingState::playing;
    double elapsed = 2.5;
    float rate = 1.0f;
};

class MprisE2E : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "no D-Bus session bus: run inside dbus-run-session or a desktop "
                            "session (scripts/ci-services.sh)";
        center = std::make_unique<MprisNowPlayingCenter>();
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

    Read read;
    std::unique_ptr<MprisNowPlayingCenter> center;
    std::unique_ptr<NowPlayingCoordinator> coordinator;
};

TEST_F(MprisE2E, ShowsTheReadWithItsTitleLengthAndPosition) {
    EXPECT_TRUE(property("PlaybackStatus").contains("\"Playing\""));
    const QString metadata = property("Metadata");
    EXPECT_TRUE(metadata.contains("\"Parlino\"")) << metadata.toStdString();
    EXPECT_TRUE(metadata.contains("int64 8000000")) << metadata.toStdString();
    EXPECT_TRUE(property("Position").contains("int64 2500000"));
    EXPECT_TRUE(property("Rate").contains("double 1"));
}

TEST_F(MprisE2E, PlayPauseNextAndSeekActOnTheRead) {
    call("PlayPause");
    EXPECT_TRUE(property("PlaybackStatus").contains("\"Paused\""));
    EXPECT_TRUE(property("Rate").contains("double 1")) << "a paused read keeps its rate";

    call("Next");
    EXPECT_TRUE(property("Rate").contains("double 1.5"));

    call("Seek", {"int64:-5000000"});
    EXPECT_TRUE(property("Position").contains("int64 0"));

    call("PlayPause");
    EXPECT_TRUE(property("PlaybackStatus").contains("\"Playing\""));
}

TEST_F(MprisE2E, AStoppedPlayerHasNoTrack) {
    coordinator->update(NowPlayingState::stopped, 0, 0, 1.0f);
    EXPECT_TRUE(property("PlaybackStatus").contains("\"Stopped\""));
    EXPECT_FALSE(property("Metadata").contains("Parlino"));
}

} // namespace
