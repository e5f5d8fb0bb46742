// The real application at rest in the desktop session of scripts/ci-services.sh: once it has
// settled, with the idle bar showing and again after a finished read, all its threads together
// switch context at most ten times in ten seconds. It counts events, not time: a busy machine
// delays the application's work but adds none.
#include "Playback/Linux/TestAudio.h"
#include "support/DesktopSession.h"
#include "support/EventLoop.h"
#include "support/FakeSpeechService.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Xlib's macros (None, Bool) come after every C++ header.
#include "DesktopDriver.h"

using namespace DesktopDriver;

namespace {

constexpr qint64 mostSwitches = 10;
constexpr int windowMs = 10000;

class IdleE2E : public ::testing::Test {
protected:
    void SetUp() override {
        PARLINO_REQUIRE_SERVICE(desktop.isOpen() && TestSupport::inDesktopSession(),
                                "no desktop session (scripts/ci-services.sh starts one)");
        ASSERT_TRUE(home.isValid());
        ASSERT_TRUE(storeKey(QStringLiteral("e2e-key")));
        service.serveSpeech(TestAudio::speechMp3(), double(TestAudio::speechFrames()) / 44100);
        const QProcessEnvironment environment = applicationEnvironment(home, service.baseURL());
        ASSERT_FALSE(environment.isEmpty());
        app = std::make_unique<Program>(QStringLiteral(PARLINO_APP), QStringList(), environment);
        ASSERT_TRUE(app->waitForLine("tray: icon installed")) << log();
        ASSERT_TRUE(pumpUntil([&] { return desktop.trayIcon().has_value(); }, 10000))
            << "the tray never embedded the icon";
        ASSERT_TRUE(idleBarAlone());
    }

    bool idleBarAlone() const {
        return pumpUntil(
            [&] {
                return desktop.shownWindow("Parlino Idle Bar") &&
                       !desktop.shownWindow("Parlino Bubble") &&
                       !desktop.shownWindow("Parlino Panel");
            },
            20000);
    }

    // Waits until the application has settled (or for a while, when it never does), then counts
    // its switches over ten seconds.
    void expectRestingOn(const char* surface) {
        const bool settled = waitUntilResting(app->processId());
        const auto before = threadSwitches(app->processId());
        pumpUntil([] { return false; }, windowMs);
        ASSERT_TRUE(app->isRunning()) << log();
        EXPECT_LE(switchesBetween(before, threadSwitches(app->processId())), mostSwitches)
            << surface << ": context switches over " << windowMs / 1000 << " s"
            << (settled ? ""
                        : ", never resting for as long as " + std::to_string(restingMs) + " ms");
    }

    std::string log() const { return app->lines().join('\n').toStdString(); }

    Desktop desktop;
    QTemporaryDir home;
    TestSupport::FakeSpeechService service;
    std::unique_ptr<Program> app;
};

} // namespace

TEST_F(IdleE2E, restsWithTheIdleBarAndAfterAFinishedRead) {
    expectRestingOn("the idle bar");

    QDBusMessage read = QDBusMessage::createMethodCall(
        QStringLiteral("com.parlino.app"), QStringLiteral("/com/parlino/app"),
        QStringLiteral("com.parlino.app"), QStringLiteral("ReadWithParlino"));
    read << QStringLiteral("Parlino reads this sentence, and then it rests.");
    ASSERT_EQ(QDBusConnection::sessionBus().call(read).type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(pumpUntil([&] { return desktop.shownWindow("Parlino Bubble").has_value(); }, 10000))
        << log();
    ASSERT_TRUE(idleBarAlone()) << "the read never finished\n" << log();
    EXPECT_FALSE(service.requests().isEmpty());
    expectRestingOn("after a finished read");
}
