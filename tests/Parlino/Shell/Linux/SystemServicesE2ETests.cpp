#include "Parlino/Shell/Linux/SystemServices.h"

#include "Base/Scheduler.h"
#include "support/DesktopSession.h"
#include "support/EventLoop.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>

#include <gtest/gtest.h>

namespace {

TEST(SystemServicesE2E, OnTheDesktopCaptureCanWorkAndTheKeyStoreAnswers) {
    PARLINO_REQUIRE_SERVICE(!qEnvironmentVariableIsEmpty("DISPLAY"),
                            "no X display (scripts/ci-services.sh starts a desktop session)");
    QCoreApplication::setApplicationName(QStringLiteral("Parlino"));
    QNetworkAccessManager network;
    auto services =
        Parlino::makeSystemServices(network, Base::SteadyClock::shared(),
                                    Base::QtScheduler::shared(), Base::SteadySleeper::shared());

    EXPECT_TRUE(services.capture.isTrusted());
    EXPECT_EQ(services.capture.ownBundleID, QStringLiteral("Parlino"));
    EXPECT_EQ(services.network, &network);
    const auto players = services.makeChunkPlayers();
    ASSERT_TRUE(players);
    EXPECT_NE(players, services.makeChunkPlayers()) << "a fresh factory for every read";

    std::optional<Parlino::KeychainReadResult> key;
    services.secretStore->read(QStringLiteral("elevenlabs-api-key"),
                               [&](Parlino::KeychainReadResult result) { key = result; });
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return key.has_value(); }, 20000));
}

} // namespace
