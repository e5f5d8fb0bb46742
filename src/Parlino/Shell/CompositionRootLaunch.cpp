#include "Parlino/Shell/CompositionRoot.h"

#include "Base/Environment.h"
#include "KeyboardShortcuts/Storage.h"
#include "Parlino/Panel/FloatingPanel.h"
#include "Parlino/Services/AppShortcutNames.h"
#include "Parlino/Services/AppVersion.h"
#include "Parlino/Services/OnboardingModel.h"
#include "Parlino/Settings/SettingsNavigation.h"
#include "Parlino/Shell/BuildInformation.h"
#include "Parlino/Storage/RecordingsExporter.h"
#include "TTS/DiagnosticsProbe.h"

#include <QApplication>
#include <QWidget>

namespace Parlino {

namespace {

const Base::Log tapLog{QStringLiteral("tap")};

// The stored "replayLast" of earlier versions: Control-Shift-R.
constexpr qint64 retiredReplayKeyCode = 15;
constexpr qint64 retiredReplayModifiers = 0x1200;

// The settings window's pane that shows what a tutorial step reveals in the panel; none for the
// clips list, which the window does not hold.
std::optional<SettingsPane> settingsWindowPane(OnboardingReveal reveal) {
    switch (reveal) {
    case OnboardingReveal::resetPane:
        return SettingsPane::general;
    case OnboardingReveal::apiKey:
        return SettingsPane::apiKey;
    case OnboardingReveal::usage:
        return SettingsPane::usage;
    case OnboardingReveal::shortcuts:
        return SettingsPane::shortcuts;
    case OnboardingReveal::voices:
        return SettingsPane::voice;
    case OnboardingReveal::clips:
        return std::nullopt;
    }
    Q_UNREACHABLE();
}

} // namespace

const std::array<CompositionRoot::LaunchStep, 23>& CompositionRoot::launchSteps() {
    static const std::array<LaunchStep, 23> steps{{
        {"log the launch", &CompositionRoot::logLaunch},
        {"prepare the recordings folder", &CompositionRoot::prepareRecordingsFolder},
        {"reconcile the cache", &CompositionRoot::reconcileCache},
        {"migrate shortcuts", &CompositionRoot::migrateShortcuts},
        {"seed the default speed", &CompositionRoot::seedDefaultSpeed},
        {"build the panel", &CompositionRoot::buildPanel},
        {"present the tutorial", &CompositionRoot::presentTutorialUntilSeen},
        {"register shortcut actions", &CompositionRoot::registerShortcutActions},
        {"start the tap detector", &CompositionRoot::startTapDetector},
        {"register shortcut pings", &CompositionRoot::registerShortcutPings},
        {"observe the playback speed", &CompositionRoot::observePlaybackSpeed},
        {"register the remote commands", &CompositionRoot::startNowPlaying},
        {"attach the panel's clips", &CompositionRoot::attachPanelClips},
        {"check the read-selection shortcut", &CompositionRoot::checkReadSelectionShortcut},
        {"wire player actions", &CompositionRoot::wirePlayerActions},
        {"start the panel", &CompositionRoot::startPanel},
        {"observe the player", &CompositionRoot::observePlayer},
        {"wire panel decisions", &CompositionRoot::wirePanelDecisions},
        {"wire the audio hand-over", &CompositionRoot::wireAudioHandOver},
        {"observe key changes", &CompositionRoot::observeKeyChanges},
        {"seed the previous application", &CompositionRoot::seedPreviousApp},
        {"observe the workspace", &CompositionRoot::observeWorkspace},
        {"start diagnostics", &CompositionRoot::startDiagnostics},
    }};
    return steps;
}

void CompositionRoot::start() {
    for (const LaunchStep& step : launchSteps()) {
        m_log.debug("launch: %{public}s", step.name);
        (this->*step.run)();
    }
}

void CompositionRoot::logLaunch() {
    const QString version = BuildInformation::string(BuildInformation::dictionary(),
                                                     BuildInformation::applicationVersionKey);
    m_log.notice("launch: %{public}s", qPrintable(AppVersion::label(version, {})));
}

void CompositionRoot::prepareRecordingsFolder() {
    if (!m_configuration.recordingsFolder.empty())
        RecordingsExporter::ensureDirectory(m_configuration.recordingsFolder);
}

void CompositionRoot::migrateShortcuts() {
    const bool migratedToV2 = Defaults::get(keys().shortcutsMigratedToV2);
    const bool migratedToV3 = Defaults::get(keys().shortcutsMigratedToV3);
    const auto replay = KeyboardShortcuts::getShortcut(AppShortcutNames::replayLast());
    const bool clearsReplay = !migratedToV2 && replay &&
                              replay->carbonKeyCode() == retiredReplayKeyCode &&
                              replay->carbonModifiers() == retiredReplayModifiers;
    const auto clear = [](const QString& rawValue) {
        KeyboardShortcuts::setShortcut(std::nullopt,
                                       KeyboardShortcuts::Name::fromRawValue(rawValue));
    };
    if (!migratedToV2)
        clear(QStringLiteral("cyclePlaybackSpeed"));
    if (clearsReplay)
        clear(AppShortcutNames::replayLast().rawValue());
    if (!migratedToV3) {
        clear(QStringLiteral("pauseResume"));
        Defaults::set(keys().shortcutsMigratedToV3, true);
        m_log.notice("shortcut migration v3 ran: pauseResume cleared");
    }
    if (migratedToV2)
        return;
    Defaults::set(keys().shortcutsMigratedToV2, true);
    m_log.notice("shortcut migration v2 ran: clearedReplayLast=%{bool,public}d", clearsReplay);
}

void CompositionRoot::seedDefaultSpeed() {
    seedDefaultPlaybackRate(keys());
}

void CompositionRoot::buildPanel() {
    OnboardingModel& onboarding = panelController().onboardingModel();
    const QPointer self(this);
    onboarding.onReveal = [self](OnboardingReveal reveal) {
        if (self)
            self->revealForTutorial(reveal);
    };
    onboarding.onDismissPanel = [self] {
        if (self)
            self->coordinator().dismiss();
    };
}

void CompositionRoot::attachSettingsWindow(SettingsNavigation& navigation) {
    m_settingsWindowNavigation = &navigation;
}

// The panel shows what the tutorial's step talks about: a settings step opens the panel's settings
// on its pane, and the reset step returns that pane to General without changing the content. While
// the settings window stands in for the panel, it shows the same on its own pane too.
void CompositionRoot::revealForTutorial(OnboardingReveal reveal) {
    const bool inWindow =
        panelController().onboardingModel().host() == OnboardingHost::settingsWindow;
    if (const auto pane = settingsWindowPane(reveal);
        inWindow && pane && m_settingsWindowNavigation)
        m_settingsWindowNavigation->setSelection(*pane);
    SettingsNavigation& navigation = panelController().settingsNavigation();
    const auto showSettingsPane = [&](SettingsPane pane) {
        navigation.setSelection(pane);
        m_viewModel.setContentMode(PanelContentMode::settings);
    };
    switch (reveal) {
    case OnboardingReveal::resetPane:
        navigation.resetToGeneral();
        return;
    case OnboardingReveal::apiKey:
        showSettingsPane(SettingsPane::apiKey);
        return;
    case OnboardingReveal::usage:
        showSettingsPane(SettingsPane::usage);
        return;
    case OnboardingReveal::shortcuts:
        showSettingsPane(SettingsPane::shortcuts);
        return;
    case OnboardingReveal::voices:
        m_viewModel.setContentMode(PanelContentMode::voices);
        return;
    case OnboardingReveal::clips:
        m_viewModel.setContentMode(PanelContentMode::clips);
        return;
    }
}

void CompositionRoot::presentTutorialUntilSeen() {
    if (!Defaults::get(keys().hasSeenOnboarding))
        panelController().presentOnboarding();
}

void CompositionRoot::press(AppCoordinator::FinishedReplay replay,
                            AppCoordinator::Listening listening) {
    QMetaObject::invokeMethod(
        this, [this, replay, listening] { coordinator().handlePress(replay, listening); },
        Qt::QueuedConnection);
}

void CompositionRoot::registerShortcutActions() {
    if (!m_shortcuts)
        return;
    const QPointer self(this);
    m_shortcuts->onKeyUp(AppShortcutNames::readSelection(), [self] {
        if (self)
            self->press(AppCoordinator::FinishedReplay::enabled,
                        AppCoordinator::Listening::atPress);
    });
    m_shortcuts->onKeyUp(AppShortcutNames::openPanel(), [self] {
        if (self)
            self->panelController().openPanel();
    });
    m_shortcuts->onKeyUp(AppShortcutNames::replayLast(), [self] {
        if (self)
            self->replayLast();
    });
}

bool CompositionRoot::isSettingsSurface(const QWidget* window) const {
    if (!window)
        return false;
    if (window->windowTitle() == QStringLiteral("Parlino Settings"))
        return true;
    return qobject_cast<const FloatingPanel*>(window) &&
           m_viewModel.contentMode() == PanelContentMode::settings;
}

void CompositionRoot::startTapDetector() {
    if (!m_services.makeTapEventSource)
        return;
    const SettingsKeys* settings = m_configuration.keys;
    RightCommandTapDetector::Settings readers{
        [settings] { return Defaults::get(settings->rightCommandTapEnabled); },
        [settings] { return Defaults::get(settings->rightCommandDoubleTapReplayEnabled); },
        [self = QPointer(this)] {
            return self && self->isSettingsSurface(QApplication::activeWindow());
        },
        [settings] {
            return tapModifier(Defaults::get(settings->tapModifier))
                .value_or(TapModifier::rightCommand);
        }};
    m_tapDetector = std::make_unique<RightCommandTapDetector>(
        m_services.makeTapEventSource(), std::move(readers), m_scheduler, m_clock);
    const QPointer self(this);
    m_tapDetector->onSingleTap = [self] {
        if (self)
            self->press(AppCoordinator::FinishedReplay::suppressed,
                        AppCoordinator::Listening::onceCaptured);
    };
    m_tapDetector->onDoubleTap = [self] {
        if (self)
            self->replayLast();
    };
    m_tapDetector->start();
    m_tapEnabledUpdates = Defaults::updates(settings->rightCommandTapEnabled, false);
    m_tapEnabledUpdates.listen(
        [self](bool) {
            if (self && self->m_tapDetector)
                self->m_tapDetector->noteEnabledChanged();
        },
        [](auto) {});
}

void CompositionRoot::registerShortcutPings() {
    if (!m_shortcuts)
        return;
    for (const KeyboardShortcuts::Name& name : AppShortcutNames::all()) {
        m_shortcuts->onKeyDown(name, [self = QPointer(this)] {
            if (self && self->m_tapDetector)
                self->m_tapDetector->noteHotkeyPing();
        });
    }
}

void CompositionRoot::startNowPlaying() {
    wireNowPlaying();
    m_nowPlaying.start();
}

void CompositionRoot::attachPanelClips() {
    attachClipsSurface(panelController().clipsViewModel());
}

void CompositionRoot::checkReadSelectionShortcut() {
    if (KeyboardShortcuts::getShortcut(AppShortcutNames::readSelection()))
        return;
    m_log.error("readSelection shortcut is unset or disabled — the hotkey will not fire (tap "
                "enabled: %{bool,public}d)",
                Defaults::get(keys().rightCommandTapEnabled));
}

void CompositionRoot::startPanel() {
    panelController().start();
}

void CompositionRoot::observePlayer() {
    const QPointer self(this);
    m_viewModel.onPhaseChange = [self](const PlayerViewModel::Phase& phase) {
        if (self)
            self->panelController().phaseDidChange(phase);
    };
    m_viewModel.onPinChange = [self](bool pinned) {
        if (!self)
            return;
        self->panelController().send(pinned ? SurfaceEvent::pin(PinSource::explicitToggle)
                                            : SurfaceEvent::unpin(PinSource::explicitToggle));
    };
    m_viewModel.onContentModeChange = [self](PanelContentMode mode) {
        if (self)
            self->panelController().contentModeDidChange(mode);
    };
}

void CompositionRoot::observeKeyChanges() {
    m_keyChangedObserver = Base::NotificationCenter::defaultCenter().addObserver(
        apiKeyChanged, [self = QPointer(this)](const Base::Notification&) {
            if (self)
                self->keyChanged();
        });
    refreshKeyPresence();
}

void CompositionRoot::seedPreviousApp() {
    const Core::FrontmostApp front = m_services.capture.workspace->frontmostApp();
    if (front.pid > 0)
        m_previousAppTracker.noteActivated(front);
}

void CompositionRoot::startDiagnostics() {
    if (TTS::DiagnosticsProbe::isRequested())
        TTS::DiagnosticsProbe(endpoint(), *m_services.network).run();
    if (TapFeasibilityProbe::isRequested() && m_services.makeTapEventSource) {
        m_tapProbe = std::make_unique<TapFeasibilityProbe>(m_services.makeTapEventSource());
        m_tapProbe->start();
    }
}

} // namespace Parlino
