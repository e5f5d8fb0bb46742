#include "Parlino/Clips/ClipsView.h"
#include "Parlino/Clips/ClipsViewModel.h"
#include "Parlino/Panel/FailureRows.h"
#include "Parlino/Panel/LengthConfirmCard.h"
#include "Parlino/Panel/NavCircleButton.h"
#include "Parlino/Panel/PanelGeometryBox.h"
#include "Parlino/Panel/PanelPages.h"
#include "Parlino/Panel/PanelView.h"
#include "Parlino/Services/AudioOutput.h"
#include "Parlino/Services/KeyringState.h"
#include "Parlino/Services/WarningModel.h"
#include "Parlino/Settings/SettingsNavigation.h"
#include "Parlino/Settings/SettingsView.h"
#include "Parlino/Settings/VoiceMeshTimeline.h"
#include "Parlino/Settings/VoicesSectionView.h"

#include "PanelTesting.h"

#include "Parlino/Clips/ClipsViewTesting.h"
#include "Parlino/Settings/SettingsTesting.h"
#include "Parlino/Settings/VoicesTesting.h"
#include "support/EventLoop.h"
#include "support/FakePreferences.h"
#include "support/Screenshots.h"

#include <QAccessible>
#include <QApplication>
#include <QEnterEvent>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace Parlino;
using Phase = PlayerViewModel::Phase;
using Mode = PanelContentMode;

namespace {

const QString suite = QStringLiteral("Panel");

// A panel with its warning model, mute switch and a page maker that records what it was asked.
struct ChromePanel {
    ServicesTesting::TestSettings settings;
    PanelTesting::Motion motion;
    PlayerViewModel model;
    PanelGeometryBox geometry;
    WarningModel warnings;
    AudioOutput audio{motion.scheduler};
    std::vector<std::pair<Mode, qreal>> pagesMade;
    TestSupport::FakeDesktopSettings desktop;
    std::unique_ptr<PanelView> view;

    explicit ChromePanel(std::function<QWidget*(Mode, qreal)> makePage = {},
                         const QLocale& locale = QLocale(QLocale::English, QLocale::UnitedStates)) {
        QLocale::setDefault(locale);
        if (!makePage)
            makePage = [this](Mode mode, qreal inset) {
                pagesMade.emplace_back(mode, inset);
                return new QWidget;
            };
        view = std::make_unique<PanelView>(model, geometry, settings.keys, motion.context,
                                           PanelViewServices{.warningModel = &warnings,
                                                             .audioOutput = &audio,
                                                             .makePage = std::move(makePage),
                                                             .desktopSettings = &desktop});
        geometry.setTopContentInset(32);
        geometry.setCachedTextHeight(120);
        geometry.setScreenHeight(900);
        geometry.setRevealed(true);
        motion.scheduler.advance(1);
        view->resize(496, 360);
        view->show();
    }
    ~ChromePanel() { QLocale::setDefault(QLocale::c()); }

    template <class T = QWidget> T* find(const char* name) const {
        return view->findChild<T*>(QLatin1String(name));
    }
    template <class T = QAbstractButton> T& child(const char* name) const {
        T* found = find<T>(name);
        EXPECT_NE(found, nullptr) << name;
        return *found;
    }
    void click(const char* name) { QTest::mouseClick(&child(name), Qt::LeftButton); }
    bool shows(const char* name) const {
        const QWidget* widget = find(name);
        return widget && widget->isVisibleTo(view.get());
    }
    // Lets a finished transition settle and deferred deletions run.
    void settle() {
        motion.scheduler.advance(1);
        TestSupport::drainEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void showWarning(const ActiveWarning& warning) {
        warnings.setCurrent(warning);
        geometry.setWarningRowHeight(warning == ActiveWarning::none() ? 0 : 33);
    }
    QImage screenshot(const QString& name, qreal ratio = 1) {
        settle();
        return TestSupport::renderScreenshot(*view, ratio, suite, name);
    }
};

void play(PlayerViewModel& model) {
    PanelTesting::startRead(model, PanelTesting::longText(3, 12));
    model.setCurrentWordIndex(5);
    model.progress().update(4, 30, true);
}

} // namespace

TEST(PanelHeader, PageButtonsToggleTheirPagesAndLightUp) {
    ChromePanel panel;
    std::vector<Mode> reported;
    panel.model.onContentModeChange = [&](Mode mode) { reported.push_back(mode); };
    auto& settings = panel.child<NavCircleButton>("SettingsButton");

    panel.click("SettingsButton");
    EXPECT_EQ(panel.model.contentMode(), Mode::settings);
    EXPECT_TRUE(settings.look().isActive);
    EXPECT_EQ(settings.accessibleName(), QStringLiteral("Settings"));
    // From the settings straight to the voices, then back to reading with a second press.
    panel.click("VoicesButton");
    EXPECT_EQ(panel.model.contentMode(), Mode::voices);
    EXPECT_FALSE(settings.look().isActive);
    panel.click("VoicesButton");
    panel.click("ClipsButton");
    panel.click("ClipsButton");
    EXPECT_EQ(reported, (std::vector{Mode::settings, Mode::voices, Mode::reading, Mode::clips,
                                     Mode::reading}));
}

TEST(PanelHeader, MuteAndPinDriveTheirModels) {
    ChromePanel panel;
    std::vector<bool> pins;
    panel.model.onPinChange = [&](bool pinned) { pins.push_back(pinned); };
    auto& mute = panel.child<NavCircleButton>("MuteButton");
    auto& pin = panel.child<NavCircleButton>("PinButton");
    EXPECT_EQ(mute.accessibleName(), QStringLiteral("Mute Parlino"));

    panel.click("MuteButton");
    EXPECT_TRUE(panel.audio.isMuted());
    EXPECT_EQ(mute.look().systemImage, QStringLiteral("speaker.slash.fill"));
    EXPECT_EQ(mute.accessibleName(), QStringLiteral("Unmute Parlino"));
    panel.click("MuteButton");
    EXPECT_FALSE(panel.audio.isMuted());

    panel.click("PinButton");
    EXPECT_EQ(pin.look().systemImage, QStringLiteral("pin.fill"));
    EXPECT_EQ(pin.accessibleName(), QStringLiteral("Unpin"));
    panel.click("PinButton");
    EXPECT_EQ(pins, (std::vector{true, false}));
    EXPECT_EQ(pin.accessibleName(), QStringLiteral("Pin panel open"));
}

TEST(PanelHeader, WarningRowShowsOnlyDuringTheReadsOwnPhases) {
    ChromePanel panel;
    int taps = 0;
    panel.view->onWarningTapped = [&] { ++taps; };
    EXPECT_FALSE(panel.shows("WarningButton"));

    panel.showWarning(ActiveWarning::usageLow(1234));
    ASSERT_TRUE(panel.shows("WarningButton"));
    auto& warning = panel.child<WarningNavCircleButton>("WarningButton");
    EXPECT_EQ(warning.accessibleName(), QStringLiteral("1,234 Tokens Left"));
    EXPECT_EQ(warning.systemImage(), QStringLiteral("exclamationmark.triangle.fill"));
    panel.click("WarningButton");
    EXPECT_EQ(taps, 1);
    // The header grows by the row; the reading content starts under it.
    EXPECT_EQ(panel.child<QWidget>("PanelHeader").height(), 32 + 33);
    EXPECT_EQ(panel.child<QWidget>("NoRecentAudio").y(), 32 + 33);

    panel.showWarning(ActiveWarning::noKey());
    EXPECT_EQ(warning.accessibleName(), QStringLiteral("No API Key"));
    // A card hides the row with every other header button but the "esc" pill.
    panel.model.setPhase(Phase::confirmingLength(1500));
    for (const char* name : {"WarningButton", "SettingsButton", "VoicesButton", "ClipsButton",
                             "MuteButton", "PinButton"})
        EXPECT_FALSE(panel.shows(name)) << name;
    EXPECT_TRUE(panel.shows("EscPillButton"));
}

TEST(PanelView, LengthCardStatesTheCostAndForwardsEachAnswer) {
    ChromePanel panel;
    std::vector<PlayerViewModel::LengthChoice> answers;
    panel.model.onConfirmLength = [&](auto choice) { answers.push_back(choice); };
    Defaults::set(panel.settings.keys.synthesisModel, QStringLiteral("flash"));
    panel.model.setPhase(Phase::confirmingLength(2401));

    ASSERT_TRUE(panel.shows("LengthConfirmCard"));
    // The summary breaks only before "≈": its other spaces do not break.
    const auto summary = [&] {
        return panel.child<QLabel>("LengthSummary").text().replace(QChar::Nbsp, u' ');
    };
    EXPECT_EQ(panel.child<QLabel>("LengthSummary").text().count(u' '), 1);
    EXPECT_EQ(summary(), QStringLiteral("~2,401 characters ≈ 1,201 credits"));
    auto& readFirst = panel.child("ReadFirstButton");
    EXPECT_EQ(readFirst.text(), QStringLiteral("Read first 1,000"));
    // The card follows the settings while it shows.
    Defaults::set(panel.settings.keys.confirmThreshold, qint64(1500));
    Defaults::set(panel.settings.keys.synthesisModel, QStringLiteral("multilingual"));
    EXPECT_TRUE(TestSupport::pumpUntil(
        [&] { return readFirst.text() == QStringLiteral("Read first 1,500"); }));
    EXPECT_EQ(summary(), QStringLiteral("~2,401 characters ≈ 2,401 credits"));
    panel.screenshot(QStringLiteral("panel-card-length"), 2);

    panel.click("ReadAnywayButton");
    panel.click("ReadFirstButton");
    panel.click("CancelLengthButton");
    using Choice = PlayerViewModel::LengthChoice;
    EXPECT_EQ(answers, (std::vector{Choice::readAnyway, Choice::readFirstChunk, Choice::cancel}));

    // An answer that moves the read on removes the card.
    panel.model.onConfirmLength = [&](auto) { panel.model.setPhase(Phase::loading()); };
    panel.click("ReadAnywayButton");
    panel.settle();
    EXPECT_EQ(panel.find("LengthConfirmCard"), nullptr);
    EXPECT_TRUE(panel.shows("HighlightedTextView"));
}

TEST(PanelView, CaptureFailureCardOffersSettingsOnlyForAMissingPermission) {
    ChromePanel panel;
    panel.model.setPhase(
        Phase::failed(Core::CaptureError::permissionDenied(), PlayerViewModel::Dwell::persist));
    panel.settle();
    auto& card = panel.child<FailureRow>("CaptureFailureCard");
    EXPECT_EQ(card.message(),
              QStringLiteral("Parlino needs Accessibility access to read selections."));
    EXPECT_EQ(card.actionTitle(), QStringLiteral("Open Settings"));
    panel.click("CardActionButton");
    EXPECT_EQ(panel.desktop.opens, 1);
    EXPECT_DOUBLE_EQ(panel.view->sheetRect().height(), 32 + 64 + 32);
    panel.screenshot(QStringLiteral("panel-card-permission"), 2);

    panel.model.setPhase(Phase::failed(Core::CaptureError::appDenied(QStringLiteral("org.x")),
                                       PlayerViewModel::Dwell::autoDismiss));
    panel.settle();
    auto& denied = panel.child<FailureRow>("CaptureFailureCard");
    EXPECT_EQ(denied.message(), QStringLiteral("Capture is disabled for this app."));
    EXPECT_TRUE(denied.actionTitle().isEmpty());
    panel.screenshot(QStringLiteral("panel-card-app-denied"));
}

TEST(PanelView, StallRowRetriesOrRevertsThroughTheModel) {
    ChromePanel panel;
    int retries = 0;
    int reverts = 0;
    panel.model.onRetry = [&] { ++retries; };
    panel.model.onRevert = [&] { ++reverts; };
    play(panel.model);
    EXPECT_FALSE(panel.shows("StallRow"));

    panel.model.setPhase(Phase::stalled(Core::TTSError::providerFault(404, {})));
    ASSERT_TRUE(panel.shows("StallRow"));
    auto& row = panel.child<FailureRow>("StallRow");
    EXPECT_EQ(row.actionTitle(), QStringLiteral("Revert"));
    EXPECT_EQ(row.height(), 28);
    // The row sits between the transcript and the control bar.
    const QWidget& bar = panel.child<QWidget>("ControlBar");
    EXPECT_EQ(row.geometry().bottom() + 1, bar.y());
    EXPECT_EQ(panel.child<QWidget>("HighlightedTextView").geometry().bottom() + 1, row.y());
    panel.screenshot(QStringLiteral("panel-stalled-revert"), 2);
    panel.click("StallActionButton");

    panel.model.setPhase(Phase::stalled(Core::TTSError::network(QStringLiteral("offline"))));
    EXPECT_EQ(row.message(), QStringLiteral("No connection — audio will resume when you retry."));
    EXPECT_EQ(row.actionTitle(), QStringLiteral("Retry"));
    panel.click("StallActionButton");
    EXPECT_EQ(reverts, 1);
    EXPECT_EQ(retries, 1);
    panel.model.setPhase(Phase::playing());
    EXPECT_FALSE(panel.shows("StallRow"));
}

// Every keyring state is told in the stall row whole, beside its "Retry".
TEST(PanelView, TheStallRowShowsEveryKeyringStateWhole) {
    ChromePanel panel;
    play(panel.model);
    for (const KeyringState state :
         {KeyringState::away, KeyringState::locked, KeyringState::failing, KeyringState::noDefault,
          KeyringState::awaitingUnlock, KeyringState::unusableKey}) {
        panel.model.setPhase(Phase::stalled(keyringError(state)));
        panel.settle();
        const auto& row = panel.child<FailureRow>("StallRow");
        EXPECT_EQ(row.findChild<QLabel*>("FailureMessage")->text(), keyringStateText(state));
        EXPECT_EQ(row.actionTitle(), QStringLiteral("Retry"));
    }
    panel.model.setPhase(Phase::stalled(keyringError(KeyringState::awaitingUnlock)));
    panel.screenshot(QStringLiteral("panel-stalled-awaiting-unlock"), 2);
    panel.model.setPhase(Phase::stalled(keyringError(KeyringState::unusableKey)));
    panel.screenshot(QStringLiteral("panel-stalled-unusable-key"), 2);
}

TEST(PanelView, MakesEachPageFreshBelowTheBandAndItsWarningRow) {
    ChromePanel panel;
    panel.model.setContentMode(Mode::settings);
    ASSERT_NE(panel.view->page(), nullptr);
    QPointer<QWidget> settingsPage = panel.view->page();
    EXPECT_EQ(settingsPage->geometry(), QRect(QPoint(), panel.view->sheetRect().size().toSize()));
    EXPECT_FALSE(panel.shows("NoRecentAudio"));

    // The warning row moves the page's free band down: the page is made again for it.
    panel.showWarning(ActiveWarning::noKey());
    panel.model.setContentMode(Mode::clips);
    panel.model.setContentMode(Mode::reading);
    panel.settle();
    EXPECT_TRUE(settingsPage.isNull());
    EXPECT_EQ(panel.view->page(), nullptr);
    EXPECT_TRUE(panel.shows("NoRecentAudio"));
    using Made = std::vector<std::pair<Mode, qreal>>;
    EXPECT_EQ(panel.pagesMade,
              (Made{{Mode::settings, 32}, {Mode::settings, 65}, {Mode::clips, 65}}));

    // A card replaces the page; the mode comes back with the read.
    panel.model.setContentMode(Mode::voices);
    panel.model.setPhase(Phase::confirmingLength(4000));
    EXPECT_EQ(panel.view->page(), nullptr);
    EXPECT_NE(panel.view->card(), nullptr);
}

TEST(PanelView, GoingAwayMidChangeTakesItsDiscardedPageAndReportsNoExit) {
    ChromePanel panel;
    int exits = 0;
    panel.view->onHoverExited = [&] { ++exits; };
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(panel.find("PanelSheet"), &enter);
    panel.model.setContentMode(Mode::settings);
    QPointer<QWidget> discarded = panel.view->page();
    panel.model.setContentMode(Mode::clips);
    ASSERT_FALSE(discarded.isNull()) << "deleted only once control is back in the event loop";
    ASSERT_GT(panel.motion.scheduler.pendingCount(), 0u);

    panel.view.reset();
    EXPECT_TRUE(discarded.isNull());
    EXPECT_EQ(exits, 0);
    EXPECT_EQ(panel.motion.scheduler.pendingCount(), 0u);
    panel.motion.scheduler.advance(1);
}

TEST(PanelView, PageChangesFadeInUnlessMotionIsReduced) {
    ChromePanel panel;
    panel.model.setContentMode(Mode::clips);
    panel.motion.scheduler.advance(PanelView::pageSeconds / 2);
    auto* fade = qobject_cast<QGraphicsOpacityEffect*>(
        panel.child<QWidget>("PanelContent").graphicsEffect());
    ASSERT_NE(fade, nullptr);
    EXPECT_GT(fade->opacity(), 0);
    EXPECT_LT(fade->opacity(), 1);
    panel.motion.scheduler.advance(PanelView::pageSeconds);
    EXPECT_EQ(panel.child<QWidget>("PanelContent").graphicsEffect(), nullptr);

    qputenv("PARLINO_REDUCE_MOTION", "1");
    ChromePanel reduced;
    qunsetenv("PARLINO_REDUCE_MOTION");
    reduced.model.setContentMode(Mode::settings);
    EXPECT_EQ(reduced.child<QWidget>("PanelContent").graphicsEffect(), nullptr);
}

// The real pages in the panel, for the screenshots of every content mode.
struct RealPages : SettingsTesting::PaneServices, ClipsTesting::ClipsViewHarness {
    TestSupport::PreferenceFakes preferenceFakes;
    VoicesTesting::VoicesWorld voices;
    VoiceMeshTimeline avatarTimeline{scheduler, &ClipsTesting::testNow};
    Base::NotificationCenter notifications;
    SettingsNavigation navigation;
    Parlino::ClipsViewModel clips{library, nullptr, players(), settings.keys};
    PanelPages pages{.settings = {store,
                                  session,
                                  service.baseURL(),
                                  notifications,
                                  {clock, scheduler, preferences},
                                  pointer,
                                  [] {},
                                  preferenceFakes.keys,
                                  preferenceFakes.registry,
                                  preferenceFakes.loginItem,
                                  preferenceFakes.desktopSettings,
                                  preferenceFakes.recordings.recordings,
                                  preferenceFakes.cache,
                                  QStringLiteral("Parlino"),
                                  {},
                                  {voices.model, voices.samples, avatarTimeline}},
                     .navigation = navigation,
                     .clips = clips,
                     .clipsEnvironment = environment};
};

TEST(PanelView, RendersEveryContentMode) {
    RealPages real;
    real.save(QStringLiteral("A clip saved from an earlier read, with a few words."));
    ChromePanel panel(real.pages);
    panel.screenshot(QStringLiteral("panel-mode-reading-hidden"));
    play(panel.model);
    panel.showWarning(ActiveWarning::usageLow(420));
    panel.screenshot(QStringLiteral("panel-mode-reading-warning"), 2);
    panel.showWarning(ActiveWarning::none());

    panel.view->resize(496, 360);
    panel.click("SettingsButton");
    auto* settings = dynamic_cast<SettingsView*>(panel.view->page());
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return settings->detail() != nullptr; }));
    panel.screenshot(QStringLiteral("panel-mode-settings"), 2);

    panel.click("ClipsButton");
    auto* clips = dynamic_cast<ClipsView*>(panel.view->page());
    ASSERT_NE(clips, nullptr);
    EXPECT_TRUE(clips->isEmbedded());
    EXPECT_EQ(real.clips.clips().size(), 1);
    const QImage image = panel.screenshot(QStringLiteral("panel-mode-clips"), 2);
    // The lit page button is drawn brighter than an unlit one.
    const QPoint lit = panel.child("ClipsButton").geometry().center();
    const QPoint unlit = panel.child("SettingsButton").geometry().center();
    const QPoint sheet = panel.view->sheetRect().topLeft().toPoint();
    EXPECT_GT(qGray(image.pixel((lit + sheet + QPoint(-9, 0)) * 2)),
              qGray(image.pixel((unlit + sheet + QPoint(-9, 0)) * 2)));

    real.voices.load(VoicesTesting::manyVoices(8));
    panel.click("VoicesButton");
    auto* voices = dynamic_cast<VoicesSectionView*>(panel.view->page());
    ASSERT_NE(voices, nullptr);
    EXPECT_FALSE(voices->cells().isEmpty());
    panel.screenshot(QStringLiteral("panel-mode-voices"), 2);
}

namespace {

QAccessibleInterface* accessible(QObject& object) {
    return QAccessible::queryAccessibleInterface(&object);
}

} // namespace

TEST(PanelAccessibility, ButtonsAreNamedByTheirActionAndPageButtonsSayWhichPageIsOpen) {
    ChromePanel panel;
    play(panel.model);
    panel.model.setPhase(Phase::playing());
    EXPECT_EQ(panel.child("PlayPauseButton").accessibleName(), QStringLiteral("Pause"));
    panel.model.setPhase(Phase::paused());
    EXPECT_EQ(panel.child("PlayPauseButton").accessibleName(), QStringLiteral("Play"));
    EXPECT_EQ(panel.child("ReplayButton").accessibleName(), QStringLiteral("Restart"));
    EXPECT_EQ(panel.child("EscPillButton").accessibleName(), QStringLiteral("Close"));
    // The chip shows only "1×": a reader hears what it sets.
    EXPECT_EQ(accessible(panel.child("SpeedChip"))->text(QAccessible::Name),
              QStringLiteral("Playback speed 1×"));
    Defaults::set(panel.settings.keys.playbackRate, 1.25);
    TestSupport::drainEvents();
    EXPECT_EQ(accessible(panel.child("SpeedChip"))->text(QAccessible::Name),
              QStringLiteral("Playback speed 1.25×"));

    QAccessibleInterface* settings = accessible(panel.child("SettingsButton"));
    EXPECT_FALSE(settings->state().checked);
    // An assistive tool toggles the button rather than clicking it: the page opens all the same.
    settings->actionInterface()->doAction(settings->actionInterface()->actionNames().first());
    EXPECT_EQ(panel.model.contentMode(), Mode::settings);
    EXPECT_TRUE(settings->state().checked);
    panel.click("VoicesButton");
    EXPECT_EQ(panel.model.contentMode(), Mode::voices);
    EXPECT_FALSE(settings->state().checked);
    EXPECT_TRUE(accessible(panel.child("VoicesButton"))->state().checked);
    panel.click("VoicesButton");
    EXPECT_EQ(panel.model.contentMode(), Mode::reading);
    EXPECT_FALSE(accessible(panel.child("VoicesButton"))->state().checked);
}

TEST(PanelAccessibility, TheLengthCardListsItsAnswersInTheOrderTheyShow) {
    ChromePanel panel;
    panel.model.setPhase(Phase::confirmingLength(2401));
    QWidget& card = panel.child<QWidget>("LengthConfirmCard");
    QAccessibleInterface* listed = accessible(card);
    QStringList names;
    QList<int> lefts;
    for (int i = 0; i < listed->childCount(); ++i) {
        auto* button = qobject_cast<QAbstractButton*>(listed->child(i)->object());
        if (!button)
            continue;
        names << listed->child(i)->text(QAccessible::Name);
        lefts << button->x();
    }
    EXPECT_EQ(names, (QStringList{QStringLiteral("Read anyway"), QStringLiteral("Read first 1,000"),
                                  QStringLiteral("Cancel")}));
    EXPECT_TRUE(std::is_sorted(lefts.begin(), lefts.end())) << "left to right, as listed";
}

TEST(PanelAccessibility, TheTranscriptIsTextWithItsCaretAtTheSpokenWordAndNothingSelected) {
    ChromePanel panel;
    PanelTesting::startRead(panel.model, QStringLiteral("One two\nthree four"));
    QWidget& canvas = panel.child<QWidget>("TranscriptCanvas");
    QAccessibleInterface* transcript = accessible(canvas);
    ASSERT_NE(transcript->textInterface(), nullptr);
    QAccessibleTextInterface& text = *transcript->textInterface();
    EXPECT_EQ(transcript->text(QAccessible::Name), QStringLiteral("Transcript"));
    EXPECT_TRUE(transcript->state().readOnly);
    EXPECT_EQ(text.characterCount(), 18);
    EXPECT_EQ(text.text(0, text.characterCount()), QStringLiteral("One two\nthree four"));

    // A screen reader finds the spoken word at the caret when it asks; nothing is selected, as
    // a reader would speak each selection over the voice that reads (no event tells of the
    // caret's moves either: the desktop test with a screen reader hears that).
    panel.model.setCurrentWordIndex(2);
    EXPECT_EQ(text.cursorPosition(), 8);
    panel.model.setCurrentWordIndex(3);
    EXPECT_EQ(text.cursorPosition(), 14);
    EXPECT_EQ(text.selectionCount(), 0);

    panel.model.setText(QStringLiteral("Another text"));
    EXPECT_EQ(text.text(0, -1), QStringLiteral("Another text"));
}

TEST(PanelAccessibility, ThePanelsFocusGoesToTheTranscriptWhoseKeysReachThePanel) {
    ChromePanel panel;
    int playPauses = 0;
    panel.model.onPlayPause = [&] { ++playPauses; };
    play(panel.model);
    panel.model.setPhase(Phase::playing());
    // The window becomes key, as a click makes it.
    QApplication::setActiveWindow(nullptr);
    QApplication::setActiveWindow(panel.view.get());
    QWidget& canvas = panel.child<QWidget>("TranscriptCanvas");
    EXPECT_EQ(QApplication::focusWidget(), &canvas);
    EXPECT_TRUE(accessible(canvas)->state().focused);
    QTest::keyClick(&canvas, Qt::Key_Space);
    EXPECT_EQ(playPauses, 1);

    // On another page the header's first button takes it.
    panel.click("SettingsButton");
    panel.settle();
    QApplication::setActiveWindow(nullptr);
    QApplication::setActiveWindow(panel.view.get());
    EXPECT_EQ(QApplication::focusWidget(), &panel.child("SettingsButton"));
}

TEST(PanelAccessibility, TheProgressBarIsASliderWhoseValueIsTheSharePlayed) {
    ChromePanel panel;
    play(panel.model); // 4 s of 30
    QWidget& bar = panel.child<QWidget>("SmoothProgressBar");
    QAccessibleInterface* slider = accessible(bar);
    EXPECT_EQ(slider->role(), QAccessible::Slider);
    EXPECT_EQ(slider->text(QAccessible::Name), QStringLiteral("Playback position"));
    ASSERT_NE(slider->valueInterface(), nullptr);
    EXPECT_EQ(slider->valueInterface()->currentValue().toInt(), 13);
    EXPECT_EQ(slider->valueInterface()->maximumValue().toInt(), 100);

    panel.model.progress().update(4.5, 30, true);
    EXPECT_EQ(slider->valueInterface()->currentValue().toInt(), 15);

    // An assistive tool seeks with it, as far into the read as the share it sets.
    std::vector<double> seeks;
    panel.model.onSeek = [&](double seconds) { seeks.push_back(seconds); };
    slider->valueInterface()->setCurrentValue(50);
    slider->valueInterface()->setCurrentValue(140);
    slider->valueInterface()->setCurrentValue(QStringLiteral("half"));
    EXPECT_EQ(seeks, (std::vector<double>{15, 30}));
}
