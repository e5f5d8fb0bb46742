// The settings window as a real window of the desktop session: a key typed into its field and
// confirmed by the fake service lands in the session's keyring. Skips without a desktop.
#include "Base/Scheduler.h"
#include "Parlino/Services/APIKeyCredential.h"
#include "Parlino/Services/Linux/KeychainStore.h"
#include "Parlino/Settings/SettingsNavigation.h"
#include "Parlino/Settings/SettingsView.h"
#include "Parlino/Settings/SettingsWindow.h"
#include "Parlino/Settings/VoiceMeshTimeline.h"
#include "Parlino/Style/PointerMotion.h"

#include "Parlino/Settings/VoicesTesting.h"
#include "support/DesktopSession.h"
#include "support/EventLoop.h"
#include "support/FakePreferences.h"
#include "support/FakeSpeechService.h"
#include "support/Screenshots.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QTest>

#include <gtest/gtest.h>

using namespace Parlino;
using TestSupport::pumpUntil;

namespace {

bool desktopSession() {
    const auto bus = QDBusConnection::sessionBus();
    return QGuiApplication::platformName() == u"xcb" && bus.isConnected() &&
           bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.secrets"));
}

// What the session's keyring holds for the store's account, once it has answered.
KeychainReadResult lookUp(KeychainStore& store) {
    std::optional<KeychainReadResult> result;
    store.lookup(apiKeyAccount, [&](KeychainReadResult found) { result = std::move(found); });
    EXPECT_TRUE(pumpUntil([&] { return result.has_value(); }, 15'000));
    return result.value_or(KeychainReadResult::notFound());
}

void remove(KeychainStore& store) {
    bool done = false;
    store.remove(apiKeyAccount, [&](auto) { done = true; });
    pumpUntil([&] { return done; }, 15'000);
}

TEST(SettingsWindowE2E, AKeyTypedIntoTheWindowIsCheckedAndStoredInTheKeyring) {
    PARLINO_REQUIRE_SERVICE(desktopSession(),
                            "no desktop session with a keyring: run under scripts/ci-services.sh");
    // A service name of the test's own, so the session's real key is never touched.
    KeychainStore store(
        QStringLiteral("com.parlino.e2e.settings-%1").arg(QCoreApplication::applicationPid()),
        Base::QtScheduler::shared());
    remove(store);
    TestSupport::FakeSpeechService service;
    service.on("GET", QStringLiteral("/v1/user"),
               TestSupport::FakeSpeechService::Response::json(Base::Json::Value{
                   {"subscription", {{"character_count", 10}, {"character_limit", 1000}}}}));
    QNetworkAccessManager session;
    Base::NotificationCenter notifications;
    MotionPreferences preferences;
    PointerMotion pointer(Base::SteadyClock::shared(), Base::QtScheduler::shared());
    int terminations = 0;
    VoicesTesting::VoicesWorld voices;
    VoiceMeshTimeline avatarTimeline(Base::QtScheduler::shared(), [] { return Base::Date::now(); });
    TestSupport::PreferenceFakes preferenceFakes;
    const SettingsServices services{
        store,
        session,
        service.baseURL(),
        notifications,
        {Base::SteadyClock::shared(), Base::QtScheduler::shared(), preferences},
        pointer,
        [&] { ++terminations; },
        preferenceFakes.keys,
        preferenceFakes.registry,
        preferenceFakes.loginItem,
        preferenceFakes.desktopSettings,
        preferenceFakes.recordings.recordings,
        preferenceFakes.cache,
        QStringLiteral("Parlino"),
        {},
        {voices.model, voices.samples, avatarTimeline}};
    SettingsNavigation navigation;
    navigation.setSelection(SettingsPane::apiKey);
    SettingsWindow window(services, navigation);
    window.present();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.size(), QSize(760, 560));

    QLineEdit* field = nullptr;
    ASSERT_TRUE(pumpUntil([&] {
        field = window.findChild<QLineEdit*>(QStringLiteral("APIKeyField"));
        return field && field->isVisible();
    }));
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("sk-e2e-typed"));
    QAbstractButton* save = nullptr;
    for (auto* button : window.findChildren<QAbstractButton*>())
        if (button->text() == u"Validate & Save")
            save = button;
    ASSERT_NE(save, nullptr);
    QTest::mouseClick(save, Qt::LeftButton);
    ASSERT_TRUE(pumpUntil([&] { return !window.findChild<QLineEdit*>(); }, 15'000))
        << "the pane did not switch to the saved layout";
    TestSupport::renderScreenshot(window, 1, QStringLiteral("SettingsE2E"),
                                  QStringLiteral("saved"));

    EXPECT_EQ(lookUp(store), KeychainReadResult::found(QStringLiteral("sk-e2e-typed")));
    EXPECT_EQ(service.requests().size(), 1);
    EXPECT_EQ(terminations, 0);
    remove(store);
}

} // namespace
