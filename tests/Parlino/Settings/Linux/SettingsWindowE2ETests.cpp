// The settings window as a real window of the desktop session: a key typed into its field and
// confirmed by the fake service lands in the session's keyring once, and one removed outside shows
// as gone when the window is shown again. Skips without a desktop.
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
#include <QProcess>
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

// The settings window over a keyring entry of the test's own, so the session's real key is never
// touched, and a fake service that accepts every key.
struct SettingsWindowE2E : ::testing::Test {
    void SetUp() override {
        PARLINO_REQUIRE_SERVICE(
            desktopSession(),
            "no desktop session with a keyring: run under scripts/ci-services.sh");
        remove(store);
        service.on("GET", QStringLiteral("/v1/user"),
                   TestSupport::FakeSpeechService::Response::json(Base::Json::Value{
                       {"subscription", {{"character_count", 10}, {"character_limit", 1000}}}}));
        navigation.setSelection(SettingsPane::apiKey);
    }
    void TearDown() override {
        if (!IsSkipped())
            remove(store);
    }

    bool present() {
        window.present();
        return QTest::qWaitForWindowExposed(&window);
    }
    QLineEdit* keyField() const {
        auto* field = window.findChild<QLineEdit*>(QStringLiteral("APIKeyField"));
        return field && field->isVisible() ? field : nullptr;
    }
    QWidget* savedMark() const {
        auto* mark = window.findChild<QWidget*>(QStringLiteral("APIKeySavedMark"));
        return mark && mark->isVisible() ? mark : nullptr;
    }

    const QString serviceName =
        QStringLiteral("com.parlino.e2e.settings-%1").arg(QCoreApplication::applicationPid());
    KeychainStore store{serviceName, Base::QtScheduler::shared()};
    TestSupport::FakeSpeechService service;
    QNetworkAccessManager session;
    Base::NotificationCenter notifications;
    MotionPreferences preferences;
    PointerMotion pointer{Base::SteadyClock::shared(), Base::QtScheduler::shared()};
    int terminations = 0;
    VoicesTesting::VoicesWorld voices;
    VoiceMeshTimeline avatarTimeline{Base::QtScheduler::shared(), [] { return Base::Date::now(); }};
    TestSupport::PreferenceFakes preferenceFakes;
    const SettingsServices services{
        store,
        session,
        service.baseURL(),
        notifications,
        {Base::SteadyClock::shared(), Base::QtScheduler::shared(), preferences},
        pointer,
        [this] { ++terminations; },
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
    SettingsWindow window{services, navigation};
};

// Return pressed again before the answer and after the save: one check, and the key stays.
TEST_F(SettingsWindowE2E, AKeyTypedIntoTheWindowIsCheckedOnceAndStoredInTheKeyring) {
    ASSERT_TRUE(present());
    EXPECT_EQ(window.size(), QSize(760, 560));
    ASSERT_TRUE(pumpUntil([&] { return keyField() != nullptr; }));
    QLineEdit* field = keyField();
    field->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(field, QStringLiteral("sk-e2e-typed"));
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_TRUE(pumpUntil([&] { return savedMark() != nullptr; }, 15'000))
        << "the pane did not switch to the saved layout";
    for (int press = 0; press < 2; ++press)
        QTest::keyClick(window.focusWidget(), Qt::Key_Return);
    // A press that removed the key would show the field again.
    pumpUntil([&] { return keyField() != nullptr; }, 500);
    TestSupport::renderScreenshot(window, 1, QStringLiteral("SettingsE2E"),
                                  QStringLiteral("saved"));

    EXPECT_EQ(window.focusWidget(), savedMark());
    EXPECT_EQ(lookUp(store), KeychainReadResult::found(QStringLiteral("sk-e2e-typed")));
    EXPECT_EQ(service.requests().size(), 1);
    EXPECT_EQ(terminations, 0);
}

// The key removed outside the application while Settings was closed: shown again, the pane says
// so within a second, every time.
TEST_F(SettingsWindowE2E, AKeyRemovedOutsideShowsAsGoneWhenSettingsIsShownAgain) {
    for (int round = 0; round < 10; ++round) {
        bool written = false;
        store.write(apiKeyAccount, QStringLiteral("sk-e2e-saved"), [&](auto) { written = true; });
        ASSERT_TRUE(pumpUntil([&] { return written; }, 15'000));
        ASSERT_TRUE(present());
        ASSERT_TRUE(pumpUntil([&] { return savedMark() != nullptr; }, 15'000)) << round;
        window.close();

        QProcess tool;
        tool.start(QStringLiteral("secret-tool"),
                   {QStringLiteral("clear"), QStringLiteral("service"), serviceName,
                    QStringLiteral("account"), apiKeyAccount});
        ASSERT_TRUE(tool.waitForFinished(15'000));
        ASSERT_EQ(tool.exitCode(), 0);

        ASSERT_TRUE(present());
        EXPECT_TRUE(pumpUntil([&] { return keyField() != nullptr; }, 1000))
            << "round " << round << ": the removed key still showed as saved after a second";
        window.close();
    }
}

} // namespace
