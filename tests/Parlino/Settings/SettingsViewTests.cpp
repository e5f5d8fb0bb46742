#include "KeyboardShortcuts/Key.h"
#include "KeyboardShortcuts/ModifierFlags.h"
#include "KeyboardShortcuts/Recorder.h"
#include "Parlino/Services/APIKeyCredential.h"
#include "Parlino/Services/AppShortcutNames.h"
#include "Parlino/Services/KeyringState.h"
#include "Parlino/Settings/APIKeyPane.h"
#include "Parlino/Settings/SettingsSidebar.h"
#include "Parlino/Settings/SettingsView.h"
#include "Parlino/Settings/SettingsWindow.h"
#include "Parlino/Settings/ShortcutsPane.h"
#include "Parlino/Settings/UsagePane.h"
#include "Parlino/Settings/VoiceMeshTimeline.h"
#include "Parlino/Style/ArmedButton.h"
#include "Parlino/Style/ParlinoGlass.h"
#include "Parlino/Style/PointerMotion.h"
#include "Parlino/Style/Theme.h"

#include "SettingsTesting.h"
#include "VoicesTesting.h"
#include "support/EventLoop.h"
#include "support/FakeKeyboardLayout.h"
#include "support/FakePreferences.h"
#include "support/LayoutCheck.h"
#include "support/ManualTime.h"
#include "support/Screenshots.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QApplication>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include <memory>

using namespace Parlino;
using namespace SettingsTesting;

namespace {

const QString suite = QStringLiteral("Settings");

// The panel's own surface behind the embedded view, so its screenshots show what the panel does.
class PanelHost final : public QWidget {
public:
    explicit PanelHost(QWidget* view) {
        view->setParent(this);
        resize(600, 420);
        view->resize(size());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        paintSurface(painter, QRectF(rect()), ParlinoGlass::look(ParlinoSurface::panel));
    }
};

struct SettingsViewTest : ::testing::Test, PaneServices {
    SettingsViewTest() {
        service.on("GET", QStringLiteral("/v1/user"), quotaAnswer(12345, 100000));
        voices.load(VoicesTesting::manyVoices(12));
    }

    // Lets the key store and the service answer, every transition finish and the panes that went
    // be deleted.
    void settle(const std::function<bool()>& until = [] { return true; }) {
        TestSupport::pumpUntil(until, 2000);
        TestSupport::drainEvents();
        scheduler.advance(1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void select(SettingsView& view, SettingsPane pane) {
        QTest::mouseClick(view.sidebar().row(pane), Qt::LeftButton);
    }

    // The pane's child of that name in the window's detail area; null while none shows.
    template <class Widget> static Widget* paneChild(SettingsWindow& window, const char* name) {
        return window.view().detail()->findChild<Widget*>(QString::fromLatin1(name));
    }

    // Shows the window on the API key pane, once the pane shows the key saved.
    void showSavedKey(SettingsWindow& window) {
        navigation.setSelection(SettingsPane::apiKey);
        window.show();
        settle([&] { return paneChild<QLabel>(window, "APIKeySavedMark") != nullptr; });
    }

    // Shows the view, active, on the API key pane; its key field.
    QLineEdit* showKeyField(SettingsView& view) {
        view.show();
        QApplication::setActiveWindow(&view);
        select(view, SettingsPane::apiKey);
        settle([&] { return view.detail()->findChild<QLineEdit*>() != nullptr; });
        return view.detail()->findChild<QLineEdit*>(QStringLiteral("APIKeyField"));
    }

    // Moves the pointer onto the detail's button with this text and clicks it.
    void hoverAndClick(SettingsView& view, const QString& text) {
        for (auto* button : view.detail()->findChildren<QAbstractButton*>()) {
            if (button->text() != text)
                continue;
            QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
            QApplication::sendEvent(button, &enter);
            QTest::mouseClick(button, Qt::LeftButton);
            return;
        }
        ADD_FAILURE() << "no button " << text.toStdString();
    }

    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    MotionPreferences preferences;
    PointerMotion pointer{clock, scheduler};
    Base::NotificationCenter notifications;
    int terminations = 0;
    VoicesTesting::VoicesWorld voices;
    VoiceMeshTimeline avatarTimeline{scheduler,
                                     [this] { return Base::Date{800000000 + clock.now()}; }};
    TestSupport::PreferenceFakes preferenceFakes;
    SettingsServices services{store,
                              session,
                              service.baseURL(),
                              notifications,
                              {clock, scheduler, preferences},
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
};

TEST_F(SettingsViewTest, TheWindowAndThePanelLayOutTheirOwnSidebar) {
    SettingsWindow window(services, navigation);
    EXPECT_EQ(window.size(), QSize(760, 560));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Parlino Settings"));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        EXPECT_EQ(window.geometry().center(), screen->availableGeometry().center());
    }
    window.show();
    SettingsView& windowView = window.view();
    EXPECT_EQ(windowView.sidebar().width(), 200);
    EXPECT_EQ(windowView.sidebar().row(SettingsPane::general)->y(), 16);
    const QImage windowImage =
        TestSupport::renderScreenshot(window, 2, suite, QStringLiteral("window"));
    EXPECT_EQ(windowImage.size(), QSize(1520, 1120));
    EXPECT_EQ(windowImage.pixelColor(QPoint(20, 1100)).rgb(), Theme::graphite().rgb());
    EXPECT_EQ(windowImage.pixelColor(QPoint(1500, 1100)).rgb(), Theme::ink().rgb());

    SettingsNavigation panelNavigation;
    SettingsView panel(services, panelNavigation, true, 40);
    panel.resize(600, 420);
    panel.show();
    EXPECT_EQ(panel.sidebar().width(), 170);
    EXPECT_GT(panel.sidebar().row(SettingsPane::general)->y(), 40 + 12);
    EXPECT_GE(panel.detail()->y(), 40);
    EXPECT_EQ(panelNavigation.selection(), SettingsPane::general);
}

TEST_F(SettingsViewTest, AtItsLeastSizeTheWindowShowsEverySidebarRowWholeAndThePaneScrolls) {
    EXPECT_GT(SettingsView::leastWindowSize(31).height(),
              SettingsView::leastWindowSize(29).height())
        << "taller rows, as another font or scale makes them, need a taller window";
    SettingsWindow window(services, navigation);
    window.setFixedSize(SettingsView::leastWindowSize());
    window.show();
    settle();
    const SettingsView& view = window.view();
    for (const SettingsPane pane : allSettingsPanes) {
        const SidebarRow* row = view.sidebar().row(pane);
        EXPECT_TRUE(view.rect().contains(QRect(row->mapTo(&view, QPoint()), row->size())))
            << title(pane).toStdString();
    }
    const auto* scroll = view.detail()->findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    EXPECT_GT(scroll->verticalScrollBar()->maximum(), 0) << "the General pane scrolls";
    // Every pane shows its rows whole across, the Voice pane its six columns of voices.
    for (const SettingsPane pane : allSettingsPanes) {
        if (pane == SettingsPane::quit)
            continue;
        select(window.view(), pane);
        settle();
        const auto* paneScroll = view.detail()->findChild<QScrollArea*>();
        ASSERT_NE(paneScroll, nullptr) << title(pane).toStdString();
        const QWidget* viewport = paneScroll->viewport();
        EXPECT_LE(paneScroll->widget()->minimumSizeHint().width(), viewport->width())
            << title(pane).toStdString();
        for (const auto* grid : paneScroll->findChildren<QWidget*>(QStringLiteral("VoiceGrid")))
            EXPECT_LE(grid->mapTo(viewport, QPoint(grid->width(), 0)).x(), viewport->width());
        const QString name = QStringLiteral("window-least-") + title(pane).toLower().remove(u' ');
        for (const qreal ratio : {1.0, 1.5, 2.0})
            TestSupport::renderScreenshot(window, ratio, suite, name);
    }
}

TEST_F(SettingsViewTest, EveryPaneIsRenderedInBothHosts) {
    store.secrets[apiKeyAccount] = QStringLiteral("sk-saved");
    SettingsNavigation panelNavigation;
    SettingsView window(services, navigation, false, 0);
    auto* panel = new SettingsView(services, panelNavigation, true, 40);
    PanelHost host(panel);
    window.resize(760, 560); // the settings window's size
    window.show();
    host.show();
    for (const SettingsPane pane : allSettingsPanes) {
        for (auto* view : {&window, panel}) {
            auto& nav = view == &window ? navigation : panelNavigation;
            nav.setSelection(pane);
            settle([&] {
                auto* usage = dynamic_cast<UsagePane*>(view->detail());
                return !usage ||
                       usage->model().state().kind() == UsagePaneModel::UsageState::Kind::loaded;
            });
            const QString name =
                rawValue(pane) + QString::fromLatin1(view == &window ? "-window" : "-panel");
            QWidget& shown = view == &window ? static_cast<QWidget&>(window) : host;
            const QImage image = TestSupport::renderScreenshot(shown, 1, suite, name);
            EXPECT_EQ(image.size(), shown.size());
            EXPECT_TRUE(TestSupport::hasCleanLayout(shown)) << name.toStdString();
        }
    }
}

TEST_F(SettingsViewTest, TheDetailIsRebuiltOnlyWhenTheSelectionChanges) {
    SettingsView view(services, navigation, false, 0);
    view.show();
    select(view, SettingsPane::usage);
    settle();
    const QPointer usage = view.detail();
    EXPECT_TRUE(dynamic_cast<UsagePane*>(usage.data()));
    select(view, SettingsPane::usage);
    EXPECT_EQ(view.detail(), usage);
    select(view, SettingsPane::apiKey);
    settle();
    EXPECT_TRUE(dynamic_cast<APIKeyPane*>(view.detail()));
    EXPECT_TRUE(usage.isNull()) << "the pane left behind is gone once the transition ends";
}

// The pane that goes is gone from the moment it goes: while its picture fades, Tab, the pointer
// and assistive tools meet the pane that comes alone.
TEST_F(SettingsViewTest, APaneThatGoesLeavesNothingBehindThatTakesTheKeyboardOrAScreenReader) {
    SettingsWindow window(services, navigation);
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    SettingsView& view = window.view();
    auto* detail = view.findChild<QWidget*>(QStringLiteral("SettingsDetail"));
    ASSERT_NE(detail, nullptr);
    const auto showingPanes = [&] {
        QAccessibleInterface* host = QAccessible::queryAccessibleInterface(detail);
        int showing = 0;
        for (int i = 0; i < host->childCount(); ++i)
            showing += !host->child(i)->state().invisible;
        return showing;
    };
    settle();
    for (const auto& [from, to] : {std::pair{SettingsPane::general, SettingsPane::playback},
                                   std::pair{SettingsPane::playback, SettingsPane::general}}) {
        ASSERT_EQ(navigation.selection(), from);
        const QPointer leaving = view.detail();
        select(view, to);
        scheduler.advance(SettingsView::transitionSeconds / 2);
        ASSERT_NE(view.detail(), leaving);
        TestSupport::renderScreenshot(window, 1, suite,
                                      QStringLiteral("switch-midway-to-") + rawValue(to));
        EXPECT_TRUE(!leaving || !leaving->isVisible()) << rawValue(from).toStdString();
        EXPECT_EQ(showingPanes(), 1) << rawValue(to).toStdString();
        view.sidebar().row(SettingsPane::quit)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        const QWidget* next = QApplication::focusWidget();
        EXPECT_TRUE(next && view.detail()->isAncestorOf(next))
            << rawValue(to).toStdString() << " " << (next ? next->metaObject()->className() : "");
        settle();
        EXPECT_TRUE(leaving.isNull());
    }
}

TEST_F(SettingsViewTest, TheKeyboardWalksTheSidebarAndEveryTabStopIsAControl) {
    SettingsWindow window(services, navigation);
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    SettingsSidebar& sidebar = window.view().sidebar();
    sidebar.row(SettingsPane::general)->setFocus(Qt::TabFocusReason);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_TRUE(sidebar.row(SettingsPane::appearance)->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    EXPECT_TRUE(sidebar.row(SettingsPane::general)->hasFocus()) << "the first row stays";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    settle([&] { return navigation.selection() == SettingsPane::apiKey; });
    EXPECT_EQ(navigation.selection(), SettingsPane::apiKey);

    // Past the rows, Tab goes on to the pane's controls, never to a container that shows nothing.
    sidebar.row(SettingsPane::quit)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget* next = QApplication::focusWidget();
    ASSERT_NE(next, nullptr);
    EXPECT_TRUE(window.view().detail()->isAncestorOf(next));
    EXPECT_EQ(qobject_cast<QAbstractScrollArea*>(next), nullptr) << next->metaObject()->className();
}

TEST_F(SettingsViewTest, CtrlWAndEscapeCloseTheWindowUnlessARecorderTakesThem) {
    SettingsWindow window(services, navigation);
    const auto showActive = [&] {
        window.show();
        window.activateWindow();
        QApplication::setActiveWindow(&window);
        return TestSupport::pumpUntil([&] { return window.isActiveWindow(); });
    };
    ASSERT_TRUE(showActive());
    window.view().sidebar().row(SettingsPane::general)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(window.isVisible());

    ASSERT_TRUE(showActive());
    select(window.view(), SettingsPane::shortcuts);
    settle([&] { return dynamic_cast<ShortcutsPane*>(window.view().detail()) != nullptr; });
    auto* pane = dynamic_cast<ShortcutsPane*>(window.view().detail());
    ASSERT_NE(pane, nullptr);
    auto& recorder = pane->recorder(AppShortcutNames::openPanel()).control();
    recorder.setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(recorder.model().isRecording());
    QTest::keyClick(&recorder, Qt::Key_Escape);
    QTest::keyClick(&recorder, Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(window.isVisible()) << "the recorder had both keys";

    recorder.clearFocus();
    window.view().sidebar().row(SettingsPane::general)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

// A recorder keeps the keyboard after Escape and after it recorded, rather than leave the focus on
// nothing, from where Tab would start again at the first sidebar row.
TEST_F(SettingsViewTest, TheKeyboardStaysOnAShortcutFieldAfterEscapeAndAfterARecording) {
    TestSupport::KeyboardLayoutScope layout{TestSupport::FakeKeyboardLayout::us()};
    SettingsWindow window(services, navigation);
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    select(window.view(), SettingsPane::shortcuts);
    settle([&] { return dynamic_cast<ShortcutsPane*>(window.view().detail()) != nullptr; });
    auto* pane = dynamic_cast<ShortcutsPane*>(window.view().detail());
    ASSERT_NE(pane, nullptr);
    auto& recorder = pane->recorder(AppShortcutNames::openPanel()).control();
    // Keys as the desktop reports them: the virtual key code and the modifier mask.
    const auto press = [](KeyboardShortcuts::Key key, qint64 carbonModifiers = 0) {
        QKeyEvent event(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, 0, quint32(key.rawValue),
                        quint32(carbonModifiers));
        QCoreApplication::sendEvent(QApplication::focusWidget(), &event);
    };

    recorder.setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(recorder.model().isRecording());
    press(KeyboardShortcuts::Key::escape);
    EXPECT_FALSE(recorder.model().isRecording());
    EXPECT_EQ(QApplication::focusWidget(), &recorder);
    EXPECT_TRUE(window.isVisible()) << "the recorder took Escape";

    QTest::keyClick(&recorder, Qt::Key_Space);
    ASSERT_TRUE(recorder.model().isRecording());
    press(KeyboardShortcuts::Key::k,
          KeyboardShortcuts::CarbonModifier::control | KeyboardShortcuts::CarbonModifier::option);
    EXPECT_EQ(recorder.text(), QStringLiteral("Ctrl+Alt+K"));
    EXPECT_FALSE(recorder.model().isRecording());
    EXPECT_EQ(QApplication::focusWidget(), &recorder);

    QTest::keyClick(&recorder, Qt::Key_Tab);
    EXPECT_TRUE(pane->isAncestorOf(QApplication::focusWidget())) << "Tab goes on from the field";
}

TEST_F(SettingsViewTest, TheQuitRowQuitsOnTheSecondClickAndHidingDisarmsIt) {
    SettingsView view(services, navigation, false, 0);
    view.show();
    SidebarRow* quit = view.sidebar().row(SettingsPane::quit);
    QTest::mouseClick(quit, Qt::LeftButton);
    EXPECT_TRUE(quit->isArmed());
    EXPECT_EQ(quit->tint(), QColor(Qt::white));
    settle();
    TestSupport::renderScreenshot(view, 1, suite, QStringLiteral("quit-armed"));
    view.hide();
    EXPECT_FALSE(quit->isArmed());
    view.show();
    QTest::mouseClick(quit, Qt::LeftButton);
    EXPECT_EQ(terminations, 0);
    QTest::mouseClick(quit, Qt::LeftButton);
    EXPECT_EQ(terminations, 1);
    EXPECT_EQ(navigation.selection(), SettingsPane::general);
}

TEST_F(SettingsViewTest, TheQuitRowIsAButtonThatTheKeyboardReachesAndPressesTwiceToQuit) {
    SettingsWindow window(services, navigation);
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    SettingsSidebar& sidebar = window.view().sidebar();
    sidebar.row(SettingsPane::shortcuts)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    SidebarRow* quit = sidebar.row(SettingsPane::quit);
    ASSERT_TRUE(quit->hasFocus());
    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(quit);
    EXPECT_EQ(button->role(), QAccessible::Button);
    EXPECT_EQ(button->text(QAccessible::Name), QStringLiteral("Quit"));
    EXPECT_FALSE(button->state().selectable);

    QTest::keyClick(quit, Qt::Key_Space);
    settle([&] { return quit->isArmed(); });
    EXPECT_TRUE(quit->isArmed());
    // A screen reader hears what the next press does.
    EXPECT_EQ(button->text(QAccessible::Name), QStringLiteral("Press again to quit"));
    scheduler.advance(3);
    EXPECT_FALSE(quit->isArmed()) << "the arming ran out";
    EXPECT_EQ(button->text(QAccessible::Name), QStringLiteral("Quit"));
    QTest::keyClick(quit, Qt::Key_Space);
    settle([&] { return quit->isArmed(); });
    QTest::keyClick(quit, Qt::Key_Return);
    settle([&] { return terminations == 1; });
    EXPECT_EQ(terminations, 1);
    EXPECT_EQ(navigation.selection(), SettingsPane::general);
}

TEST_F(SettingsViewTest, TheKeyFieldHidesWhatIsTypedAndFeedsTheSaveButton) {
    SettingsView view(services, navigation, false, 0);
    QLineEdit* field = showKeyField(view);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->echoMode(), QLineEdit::Password);
    QAbstractButton* save = nullptr;
    for (auto* button : view.detail()->findChildren<QAbstractButton*>())
        if (button->text() == QStringLiteral("Validate & Save"))
            save = button;
    ASSERT_NE(save, nullptr);
    EXPECT_FALSE(save->isEnabled());
    QTest::keyClicks(field, QStringLiteral("sk-typed"));
    EXPECT_TRUE(save->isEnabled());
    TestSupport::renderScreenshot(view, 1, suite, QStringLiteral("apiKey-entry"));
    // Pressed from the keyboard, the button goes with its layout; the focus stays in the pane.
    field->setFocus(Qt::TabFocusReason);
    QTest::keyClick(field, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), save);
    QTest::keyClick(save, Qt::Key_Space);
    settle([&] { return store.secrets.contains(apiKeyAccount); });
    EXPECT_EQ(store.secrets.value(apiKeyAccount), QStringLiteral("sk-typed"));
    EXPECT_EQ(view.detail()->findChild<QLineEdit*>(), nullptr) << "the saved layout has no field";
    TestSupport::renderScreenshot(view, 1, suite, QStringLiteral("apiKey-saved-with-status"));
    // The window's focus, which stays where it was put should the test's window lose its
    // activation: on "API key saved", which no key press acts on, never on "Remove Key".
    auto* mark = qobject_cast<QLabel*>(view.focusWidget());
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->text(), QStringLiteral("API key saved"));
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Space, Qt::Key_Enter})
        QTest::keyClick(mark, key);
    TestSupport::pumpUntil([&] { return !store.secrets.contains(apiKeyAccount); }, 400);
    EXPECT_TRUE(store.secrets.contains(apiKeyAccount));
    // A screen reader hears the outcome of the check with the control that has the focus.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(mark)->text(QAccessible::Name),
              QStringLiteral("API key saved. Valid ✓ — 12,345 / 100,000 characters used this "
                             "month."));

    // "Remove Key", reached by the user's own move, arms on the first press and removes on the
    // second.
    QTest::keyClick(mark, Qt::Key_Tab);
    auto* remove = dynamic_cast<ArmedActionButton*>(view.focusWidget());
    ASSERT_NE(remove, nullptr);
    EXPECT_EQ(remove->text(), QStringLiteral("Remove Key"));
    QTest::keyClick(remove, Qt::Key_Return);
    settle([&] { return remove->arming().isArmed(); });
    EXPECT_TRUE(store.secrets.contains(apiKeyAccount));
    EXPECT_EQ(remove->accessibleName(), QStringLiteral("Press again to remove the key"));
    TestSupport::renderScreenshot(view, 1, suite, QStringLiteral("apiKey-remove-armed"));
    QTest::keyClick(remove, Qt::Key_Space);
    settle([&] { return !store.secrets.contains(apiKeyAccount); });
    EXPECT_FALSE(store.secrets.contains(apiKeyAccount));
    EXPECT_EQ(view.focusWidget(),
              view.detail()->findChild<QLineEdit*>(QStringLiteral("APIKeyField")));
}

// While the pane shows it follows the keyring: a key removed elsewhere, the desktop's prompt to
// unlock it up, and a saved key that is not text show as they happen.
TEST_F(SettingsViewTest, TheAPIKeyPaneFollowsTheKeyringWhileItShows) {
    store.secrets[apiKeyAccount] = QStringLiteral("sk-saved");
    SettingsWindow window(services, navigation);
    showSavedKey(window);
    const auto keyField = [&] { return paneChild<QLineEdit>(window, "APIKeyField"); };
    const auto status = [&] {
        const auto* line = paneChild<QLabel>(window, "APIKeyStatus");
        return line && line->isVisible() ? line->text() : QString();
    };

    store.secrets.clear();
    store.reach.mayAnswerOtherwise();
    settle([&] { return keyField() != nullptr; });
    ASSERT_NE(keyField(), nullptr) << "the key removed while the pane showed still showed";
    for (const auto& [state, result, name] :
         {std::tuple(KeyringState::awaitingUnlock,
                     KeychainReadResult::locked(KeychainStatus::awaitingUnlock),
                     QStringLiteral("apiKey-awaiting-unlock")),
          std::tuple(KeyringState::unusableKey, KeychainReadResult::error(KeychainStatus::unusable),
                     QStringLiteral("apiKey-unusable-key"))}) {
        store.nextLookup = result;
        store.reach.mayAnswerOtherwise();
        settle([&] { return status() == keyringStateText(state); });
        EXPECT_EQ(status(), keyringStateText(state));
        for (const qreal ratio : {1.0, 2.0})
            TestSupport::renderScreenshot(window.view(), ratio, suite, name);
    }
}

// Settings shown again reads the keyring again: a key removed, or a keyring locked, while it was
// closed shows as such without the user changing panes.
TEST_F(SettingsViewTest, SettingsShownAgainShowsWhatTheKeyringHoldsNow) {
    store.secrets[apiKeyAccount] = QStringLiteral("sk-saved");
    SettingsWindow window(services, navigation);
    showSavedKey(window);
    const auto keyField = [&] { return paneChild<QLineEdit>(window, "APIKeyField"); };
    const auto status = [&] { return paneChild<QLabel>(window, "APIKeyStatus"); };
    ASSERT_EQ(keyField(), nullptr);
    paneChild<QLabel>(window, "APIKeySavedMark")->setFocus();

    window.hide();
    store.secrets.clear();
    window.show();
    QApplication::setActiveWindow(nullptr); // the window manager has not given it the keyboard yet
    settle([&] { return keyField() != nullptr; });
    ASSERT_NE(keyField(), nullptr) << "the key removed outside still showed as saved";
    EXPECT_EQ(window.focusWidget(), keyField()) << "the focus left the pane";

    window.hide();
    store.secrets[apiKeyAccount] = QStringLiteral("sk-saved");
    store.nextLookup = KeychainReadResult::locked(KeychainStatus::locked);
    window.show();
    settle([&] { return status() && status()->text() == keyringStateText(KeyringState::locked); });
    EXPECT_EQ(status()->text(), keyringStateText(KeyringState::locked));

    // The usage pane asks again too.
    select(window.view(), SettingsPane::usage);
    using Kind = UsagePaneModel::UsageState::Kind;
    const auto usage = [&] { return dynamic_cast<UsagePane*>(window.view().detail()); };
    settle([&] { return usage() && usage()->model().state().kind() == Kind::loaded; });
    window.hide();
    store.secrets.clear();
    window.show();
    settle([&] { return usage()->model().state().kind() == Kind::noKey; });
    EXPECT_EQ(usage()->model().state().kind(), Kind::noKey);
}

// Return and Enter in the key field press "Validate & Save", as in a form: not while the button is
// disabled, and not again while the key typed is being checked.
TEST_F(SettingsViewTest, ReturnInTheKeyFieldSavesTheKeyOnce) {
    service.on("GET", QStringLiteral("/v1/user"), [](const auto&) {
        auto answer = quotaAnswer(5, 10);
        answer.held = true;
        return answer;
    });
    SettingsView view(services, navigation, false, 0);
    QLineEdit* field = showKeyField(view);
    ASSERT_NE(field, nullptr);
    auto* status = view.detail()->findChild<QLabel*>(QStringLiteral("APIKeyStatus"));
    ASSERT_NE(status, nullptr);
    QTest::keyClick(field, Qt::Key_Return);
    settle();
    EXPECT_TRUE(status->isHidden()) << "the button is disabled while the field is empty";

    QTest::keyClicks(field, QStringLiteral("sk-typed"));
    QTest::keyClick(field, Qt::Key_Enter);
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return service.requests().size() == 1; }));
    // The check shows on the button and is said with the field.
    QAbstractButton* save =
        view.detail()->findChild<QAbstractButton*>(QStringLiteral("ValidateAndSaveButton"));
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->text(), APIKeyPane::checkingText);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(field)->text(QAccessible::Description),
              APIKeyPane::checkingText);
    TestSupport::renderScreenshot(view, 1, suite, QStringLiteral("apiKey-checking"));
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(field, key);
        TestSupport::pumpUntil([&] { return service.requests().size() > 1; }, 400);
    }
    QTest::mouseClick(save, Qt::LeftButton);
    TestSupport::pumpUntil([&] { return service.requests().size() > 1; }, 400);
    EXPECT_EQ(service.requests().size(), 1);

    service.releaseHeld();
    settle([&] { return store.secrets.contains(apiKeyAccount); });
    EXPECT_EQ(store.secrets.value(apiKeyAccount), QStringLiteral("sk-typed"));
    EXPECT_EQ(service.requests().size(), 1);
}

TEST_F(SettingsViewTest, SavingAndRemovingTheKeyThenClosingMidMotionLeavesNothingRunning) {
    auto view = std::make_unique<SettingsView>(services, navigation, false, 0);
    view->show();
    select(*view, SettingsPane::apiKey);
    settle([&] { return view->detail()->findChild<QLineEdit*>() != nullptr; });
    QTest::keyClicks(view->detail()->findChild<QLineEdit*>(), QStringLiteral("sk-typed"));

    // Each click replaces the card's layout, and with it the hovered button mid-animation.
    hoverAndClick(*view, QStringLiteral("Validate & Save"));
    settle([&] { return store.secrets.contains(apiKeyAccount); });
    hoverAndClick(*view, QStringLiteral("Remove Key"));
    hoverAndClick(*view, QStringLiteral("Remove Key"));
    settle([&] { return !store.secrets.contains(apiKeyAccount); });
    EXPECT_NE(view->detail()->findChild<QLineEdit*>(), nullptr);

    select(*view, SettingsPane::usage);
    select(*view, SettingsPane::general);
    QTest::mouseClick(view->sidebar().row(SettingsPane::quit), Qt::LeftButton);
    ASSERT_GT(scheduler.pendingCount(), 0u);
    view.reset();
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    scheduler.advance(1);
    EXPECT_EQ(terminations, 0);
}

} // namespace

TEST_F(SettingsViewTest, AssistiveToolsHearWhichPaneIsOpenAndCanOpenAnother) {
    SettingsWindow window(services, navigation);
    window.show();
    SettingsSidebar& sidebar = window.view().sidebar();
    const auto tab = [&](SettingsPane pane) {
        return QAccessible::queryAccessibleInterface(sidebar.row(pane));
    };
    ASSERT_EQ(tab(SettingsPane::general)->role(), QAccessible::PageTab);
    EXPECT_TRUE(tab(SettingsPane::general)->state().selected);
    EXPECT_FALSE(tab(SettingsPane::usage)->state().selected);

    // Pressed by an assistive tool as a click would be.
    QAccessibleActionInterface* actions = tab(SettingsPane::usage)->actionInterface();
    ASSERT_TRUE(actions);
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(navigation.selection(), SettingsPane::usage);
    EXPECT_TRUE(tab(SettingsPane::usage)->state().selected);
    EXPECT_FALSE(tab(SettingsPane::general)->state().selected);
}
