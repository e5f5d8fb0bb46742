#include "ShellTesting.h"
#include "UpdateTesting.h"

#include "Parlino/Shell/AppDelegate.h"
#include "Parlino/Shell/BuildInformation.h"
#include "Parlino/Shell/UpdatePresenter.h"

namespace {

using Parlino::AppDelegate;
using Parlino::TrayMenuItem;

class SilentPresenter : public Parlino::UpdatePresenter {
public:
    void presentUpdate(const Parlino::UpdateFeed::Release&, const QString&) override {}
    void presentUpToDate(const QString&) override {}
    void presentCheckFailed() override {}
};

class AppDelegateTest : public ShellTesting::RootTest {
protected:
    // A delegate whose update check is set up only with `updaterKey`.
    std::unique_ptr<AppDelegate> makeDelegate(std::optional<QByteArray> updaterKey = {}) {
        Base::PropertyValue::Dictionary information;
        if (updaterKey)
            information.insert(Parlino::BuildInformation::updatePublicKeyKey,
                               Base::PropertyValue(QString::fromLatin1(updaterKey->toBase64())));
        updates = std::make_unique<Parlino::UpdateController>(
            information, Parlino::UpdateController::Dependencies{
                             network, time(), [] { return Base::Date{800'000'000}; }, keys(),
                             std::make_unique<SilentPresenter>()});
        return std::make_unique<AppDelegate>(AppDelegate::Dependencies{
            root(), *updates, keys(), time(),
            []() -> std::unique_ptr<Parlino::ClipsWindowController> { return nullptr; },
            [](Parlino::SettingsNavigation&) -> std::unique_ptr<Parlino::SettingsWindow> {
                return nullptr;
            }});
    }

    static QStringList titles(const QList<TrayMenuItem>& items) {
        QStringList out;
        for (const TrayMenuItem& item : items)
            out << item.title;
        return out;
    }
    static const TrayMenuItem& item(const QList<TrayMenuItem>& items, const QString& title) {
        return *std::find_if(items.cbegin(), items.cend(),
                             [&](const TrayMenuItem& i) { return i.title == title; });
    }

    std::unique_ptr<Parlino::UpdateController> updates;
};

TEST_F(AppDelegateTest, TheMenuListsItsItemsInOrderWithTheTogglesTitledFromTheSettings) {
    const auto delegate = makeDelegate();
    const auto items = delegate->menuItems();
    EXPECT_EQ(titles(items), (QStringList{"Open Parlino", "Settings…", "Audio Clips…", "Tutorial",
                                          "Hide Bubble", "", "Quit Parlino"}));
    EXPECT_TRUE(items[5].isSeparator());
    EXPECT_EQ(item(items, "Settings…").keyText, "Ctrl+,");
    EXPECT_EQ(item(items, "Quit Parlino").keyText, "Ctrl+Q");
    EXPECT_EQ(item(items, "Open Parlino").keyText, "");

    Defaults::set(keys().idleBarHidden, true);
    Defaults::set(keys().showInDock, true);
    const auto flipped = titles(makeDelegate(UpdateTesting::Signer().publicKey)->menuItems());
    EXPECT_EQ(flipped.mid(4),
              (QStringList{"Show Bubble", "", "Check for Updates…", "Quit Parlino"}))
        << "no Dock-icon toggle, whatever the stored setting";
    EXPECT_TRUE(Defaults::get(keys().showInDock));
}

TEST_F(AppDelegateTest, MenuCommandsReachThePanelAndTogglesStoreThenRetitle) {
    const auto delegate = makeDelegate();
    item(delegate->menuItems(), "Open Parlino").action();
    item(delegate->menuItems(), "Tutorial").action();
    EXPECT_EQ(panel->calls, (QStringList{"openPanel", "presentOnboarding"}));

    item(delegate->menuItems(), "Hide Bubble").action();
    EXPECT_TRUE(Defaults::get(keys().idleBarHidden));
    EXPECT_EQ(panel->calls.last(), "idleBarHiddenChanged");
    EXPECT_EQ(titles(delegate->menuItems())[4], "Show Bubble");
}

TEST_F(AppDelegateTest, UnderATestHostLaunchingLogsOneLineAndInstallsNothing) {
    qputenv(AppDelegate::testHostVariable, "");
    makeDelegate()->launch();
    qunsetenv(AppDelegate::testHostVariable);

    EXPECT_EQ(logs.messages("focus-diag"),
              QStringList{"launch suppressed: unit-test host, not a real launch"});
    EXPECT_EQ(panelsMade, 0);
    EXPECT_TRUE(logs.messages("pipeline").isEmpty());
}

TEST_F(AppDelegateTest, AHandedOverTextIsReadWithoutCapturing) {
    const auto delegate = makeDelegate();
    delegate->readWithParlino(QString());
    EXPECT_EQ(synthesisRequests(), 0);

    delegate->readWithParlino(QStringLiteral("Handed over by another program."));
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return synthesisRequests() == 1; }));
    EXPECT_EQ(player().text(), QStringLiteral("Handed over by another program."));
    EXPECT_TRUE(accessibility->scopes.empty()) << "no capture";
}

} // namespace
