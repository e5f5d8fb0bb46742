#include "ShellTesting.h"

#include "KeyboardShortcuts/ModifierFlags.h"
#include "Parlino/Panel/FloatingPanel.h"
#include "Parlino/Services/AppShortcutNames.h"

#include <QRegularExpression>
#include <QSignalSpy>

namespace {

using KeyboardShortcuts::Name;
using KeyboardShortcuts::Shortcut;

const Shortcut controlShiftS(KeyboardShortcuts::Key::s, KeyboardShortcuts::ModifierFlag::control |
                                                            KeyboardShortcuts::ModifierFlag::shift);

class LaunchTest : public ShellTesting::RootTest {
protected:
    // The launch steps in the order they ran, from their log lines.
    QStringList stepsRun() const {
        QStringList steps;
        for (const QString& line : logs.messages("pipeline"))
            if (line.startsWith("launch: ") && !line.startsWith("launch: Parlino"))
                steps << line.mid(8);
        return steps;
    }
};

TEST_F(LaunchTest, StartRunsEveryStepOnceWithTheOrderingTheWiringDependsOn) {
    KeyboardShortcuts::setShortcut(controlShiftS, Parlino::AppShortcutNames::readSelection());

    root().start();

    const QStringList steps = stepsRun();
    ASSERT_EQ(steps.size(), qsizetype(root().launchSteps().size()));
    EXPECT_EQ(QSet<QString>(steps.cbegin(), steps.cend()).size(), steps.size());
    const auto at = [&](const char* step) { return steps.indexOf(QString::fromLatin1(step)); };
    EXPECT_EQ(at("log the launch"), 0);
    EXPECT_LT(at("migrate shortcuts"), at("register shortcut actions"));
    EXPECT_EQ(at("present the tutorial"), at("build the panel") + 1);
    EXPECT_EQ(at("attach the panel's clips"), at("register the remote commands") + 1);
    for (const char* later :
         {"observe the player", "wire panel decisions", "wire the audio hand-over"})
        EXPECT_LT(at("start the panel"), at(later)) << later;
    EXPECT_LT(at("observe key changes"), at("seed the previous application"));
    EXPECT_EQ(at("start diagnostics"), steps.size() - 1);

    // What the steps installed; the tutorial comes up until it has been seen.
    EXPECT_EQ(panel->calls, (QStringList{"presentOnboarding", "start"}));
    EXPECT_EQ(tapSources.size(), 1);
    EXPECT_TRUE(root().tapDetector());
    EXPECT_TRUE(hotKeys->isRegistered(controlShiftS));
    player().setPhase(Parlino::PlayerViewModel::Phase::loading());
    EXPECT_EQ(panel->phases.size(), 1);
    player().setPinned(true);
    ASSERT_EQ(panel->events.size(), 1);
    EXPECT_EQ(panel->events[0], Parlino::SurfaceEvent::pin(Parlino::PinSource::explicitToggle));
    ASSERT_TRUE(TestSupport::pumpUntil(
        [&] { return root().warningModel().keyPresence() == Parlino::KeyPresence::present; }));
    EXPECT_FALSE(logs.contains(QStringLiteral(
        "readSelection shortcut is unset or disabled — the hotkey will not fire (tap enabled: "
        "true)")));
}

TEST_F(LaunchTest, TheTutorialStepsRevealTheirPartOfThePanel) {
    Defaults::set(keys().hasSeenOnboarding, true);
    root().start();
    EXPECT_FALSE(panel->calls.contains("presentOnboarding"));

    using Parlino::OnboardingReveal;
    using Parlino::PanelContentMode;
    using Parlino::SettingsPane;
    struct Step {
        OnboardingReveal reveal;
        PanelContentMode mode;
        SettingsPane pane;
    };
    // Content steps leave the pane alone; the reset step leaves the content alone.
    const Step steps[] = {
        {OnboardingReveal::apiKey, PanelContentMode::settings, SettingsPane::apiKey},
        {OnboardingReveal::resetPane, PanelContentMode::settings, SettingsPane::general},
        {OnboardingReveal::shortcuts, PanelContentMode::settings, SettingsPane::shortcuts},
        {OnboardingReveal::voices, PanelContentMode::voices, SettingsPane::shortcuts},
        {OnboardingReveal::clips, PanelContentMode::clips, SettingsPane::shortcuts},
        {OnboardingReveal::usage, PanelContentMode::settings, SettingsPane::usage},
        {OnboardingReveal::resetPane, PanelContentMode::settings, SettingsPane::general},
    };
    QSignalSpy paneChanges(&panel->navigation, &Parlino::SettingsNavigation::selectionChanged);
    for (const Step& step : steps) {
        panel->onboarding.onReveal(step.reveal);
        EXPECT_EQ(player().contentMode(), step.mode) << int(step.reveal);
        EXPECT_EQ(panel->navigation.selection(), step.pane) << int(step.reveal);
    }
    EXPECT_EQ(panel->contentModes.size(), 4) << "the panel hears each change once";
    EXPECT_EQ(paneChanges.size(), 5) << "a pane is selected only when it differs";
}

TEST_F(LaunchTest, WhileTheSettingsWindowStandsInForThePanelItShowsTheStepsPartsToo) {
    Defaults::set(keys().hasSeenOnboarding, true);
    root().start();
    Parlino::SettingsNavigation window;
    root().attachSettingsWindow(window);

    using Parlino::OnboardingReveal;
    using Parlino::PanelContentMode;
    using Parlino::SettingsPane;
    // Beside the panel the window keeps the pane its user chose.
    window.setSelection(SettingsPane::playback);
    panel->onboarding.onReveal(OnboardingReveal::apiKey);
    EXPECT_EQ(window.selection(), SettingsPane::playback);

    panel->onboarding.setHost(Parlino::OnboardingHost::settingsWindow);
    const std::pair<OnboardingReveal, SettingsPane> steps[] = {
        {OnboardingReveal::resetPane, SettingsPane::general},
        {OnboardingReveal::apiKey, SettingsPane::apiKey},
        {OnboardingReveal::usage, SettingsPane::usage},
        {OnboardingReveal::shortcuts, SettingsPane::shortcuts},
        {OnboardingReveal::voices, SettingsPane::voice},
        {OnboardingReveal::clips, SettingsPane::voice}, // the window holds no clips
    };
    for (const auto& [reveal, pane] : steps) {
        panel->onboarding.onReveal(reveal);
        EXPECT_EQ(window.selection(), pane) << int(reveal);
    }
    // The panel keeps up, for when it comes down again.
    EXPECT_EQ(player().contentMode(), PanelContentMode::clips);
    EXPECT_EQ(panel->navigation.selection(), SettingsPane::shortcuts);
}

TEST_F(LaunchTest, AnUnsetReadShortcutIsLoggedWithTheTapSetting) {
    KeyboardShortcuts::setShortcut(std::nullopt, Parlino::AppShortcutNames::readSelection());
    Defaults::set(keys().rightCommandTapEnabled, false);

    root().start();

    EXPECT_TRUE(logs.contains(QStringLiteral(
        "readSelection shortcut is unset or disabled — the hotkey will not fire (tap enabled: "
        "false)")));
}

// The tap source hears every key typed anywhere: it runs only while the tap is on.
TEST_F(LaunchTest, TheTapSourceRunsOnlyWhileTheTapIsOn) {
    Defaults::set(keys().rightCommandTapEnabled, false);
    root().start();
    ASSERT_EQ(tapSources.size(), 1);
    EXPECT_FALSE(tapSources[0]->isStarted());

    Defaults::set(keys().rightCommandTapEnabled, true);
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return tapSources[0]->isStarted(); }));
    Defaults::set(keys().rightCommandTapEnabled, false);
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return !tapSources[0]->isStarted(); }));
}

TEST_F(LaunchTest, ShortcutMigrationsRunOncePerUser) {
    const Name replay = Parlino::AppShortcutNames::replayLast();
    const Name cycle = Name::fromRawValue("cyclePlaybackSpeed");
    const Name pauseResume = Name::fromRawValue("pauseResume");
    const Shortcut retiredReplay(15, 0x1200);
    const Shortcut otherReplay(35, 0x1200);
    struct Case {
        const char* name;
        bool migratedToV2;
        bool migratedToV3;
        Shortcut storedReplay;
        bool replayKept;
        bool cycleKept;
        bool pauseResumeKept;
        QStringList lines;
    };
    const QString v3 = "shortcut migration v3 ran: pauseResume cleared";
    const Case cases[] = {
        {"first launch, retired replay",
         false,
         false,
         retiredReplay,
         false,
         false,
         false,
         {v3, "shortcut migration v2 ran: clearedReplayLast=true"}},
        {"first launch, own replay",
         false,
         false,
         otherReplay,
         true,
         false,
         false,
         {v3, "shortcut migration v2 ran: clearedReplayLast=false"}},
        {"only v3 done",
         false,
         true,
         retiredReplay,
         false,
         false,
         true,
         {"shortcut migration v2 ran: clearedReplayLast=true"}},
        {"both done", true, true, retiredReplay, true, true, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        logs.sink->clear();
        Defaults::set(keys().shortcutsMigratedToV2, c.migratedToV2);
        Defaults::set(keys().shortcutsMigratedToV3, c.migratedToV3);
        KeyboardShortcuts::setShortcut(c.storedReplay, replay);
        KeyboardShortcuts::setShortcut(controlShiftS, cycle);
        KeyboardShortcuts::setShortcut(controlShiftS, pauseResume);

        root().migrateShortcuts();

        EXPECT_EQ(KeyboardShortcuts::getShortcut(replay).has_value(), c.replayKept);
        EXPECT_EQ(KeyboardShortcuts::getShortcut(cycle).has_value(), c.cycleKept);
        EXPECT_EQ(KeyboardShortcuts::getShortcut(pauseResume).has_value(), c.pauseResumeKept);
        EXPECT_TRUE(Defaults::get(keys().shortcutsMigratedToV2));
        EXPECT_TRUE(Defaults::get(keys().shortcutsMigratedToV3));
        EXPECT_EQ(logs.messages("pipeline"), c.lines);
    }
}

TEST_F(LaunchTest, SettingsSurfacesAreTheSettingsWindowAndThePanelShowingSettings) {
    QWidget settingsWindow;
    settingsWindow.setWindowTitle("Parlino Settings");
    QWidget otherWindow;
    otherWindow.setWindowTitle("Audio Clips");
    Parlino::FloatingPanel floating;

    EXPECT_TRUE(root().isSettingsSurface(&settingsWindow));
    EXPECT_FALSE(root().isSettingsSurface(&otherWindow));
    EXPECT_FALSE(root().isSettingsSurface(nullptr));
    EXPECT_FALSE(root().isSettingsSurface(&floating));
    player().setContentMode(Parlino::PanelContentMode::settings);
    EXPECT_TRUE(root().isSettingsSurface(&floating));
    EXPECT_FALSE(root().isSettingsSurface(&otherWindow));
}

} // namespace
