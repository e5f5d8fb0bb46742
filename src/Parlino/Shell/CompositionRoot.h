#pragma once

#include "Base/Clock.h"
#include "Base/Log.h"
#include "Base/NotificationCenter.h"
#include "Base/Scheduler.h"
#include "Base/Worker.h"
#include "Capture/CaptureCoordinator.h"
#include "Capture/PreviousExternalAppTracker.h"
#include "Defaults/Updates.h"
#include "KeyboardShortcuts/ShortcutRegistry.h"
#include "Parlino/Clips/ClipsViewModel.h"
#include "Parlino/Panel/PanelControl.h"
#include "Parlino/Services/AppCoordinator.h"
#include "Parlino/Services/AudioArbiter.h"
#include "Parlino/Services/AudioOutput.h"
#include "Parlino/Services/KeyringStallWatch.h"
#include "Parlino/Services/NowPlayingCoordinator.h"
#include "Parlino/Services/OnboardingModel.h"
#include "Parlino/Services/PlayerViewModel.h"
#include "Parlino/Services/ReadPipeline.h"
#include "Parlino/Services/SaveFailureNotice.h"
#include "Parlino/Services/SettingsKeys.h"
#include "Parlino/Services/VoiceSamplePlayer.h"
#include "Parlino/Services/VoicesModel.h"
#include "Parlino/Services/WarningModel.h"
#include "Parlino/Settings/SettingsNavigation.h"
#include "Parlino/Shell/SystemServices.h"
#include "Parlino/Storage/CacheStore.h"
#include "Parlino/Storage/ClipLibrary.h"
#include "Parlino/Triggers/RightCommandTapDetector.h"
#include "Parlino/Triggers/TapFeasibilityProbe.h"
#include "Playback/SpeechSession.h"
#include "TTS/Endpoint.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <array>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

namespace Parlino {

// The last read, kept for replay; its audio once the read was synthesised in full.
struct LastPlayed {
    QString text;
    QString voiceID;
    std::optional<QList<AudioChunk>> chunks;
    std::optional<Core::TimedWords> words;
    // The read's cache key while its chunks are the files it staged as they arrived.
    std::optional<QString> stagedKey;

    bool hasAudio() const { return chunks && words; }
};

// Who changed the playback speed, as logged.
enum class SpeedChangeSource { panelChip, clipsChip, mediaKey };
const char* name(SpeedChangeSource source);

// Which player the desktop's Now Playing display follows.
enum class NowPlayingOwner { session, preview, none };

// The service's address: the environment variable PARLINO_SERVICE_URL when it is set, else the
// service's own.
QUrl configuredServiceBaseURL();

// Builds and owns the application's object graph and carries out its reads: the only read
// pipeline, holding the read in progress, its session's events, the playback controls with the
// audio hand-over between the read, clip previews and voice samples, and the key state behind the
// warning pill. Nothing is started by construction. Main thread only.
class CompositionRoot final : public QObject, public ReadPipeline {
    Q_OBJECT

public:
    // Builds the panel's controller from the root's models, on first use.
    using PanelFactory = std::function<std::unique_ptr<PanelControl>(CompositionRoot&)>;

    // Where the root keeps its files and which settings and service it uses.
    struct Configuration {
        const SettingsKeys* keys = nullptr;
        std::filesystem::path cacheRoot;
        std::filesystem::path clipsRoot;
        QString voiceSamplesRoot;
        QString bundle; // the folder of the application's own sound files
        QUrl serviceBaseURL;
        std::filesystem::path recordingsFolder; // made at launch when given

        // The user's folders, the standard settings and the configured service.
        static Configuration standard();
    };

    static constexpr qint64 cacheMaxBytes = 524288000; // 500 MiB
    // UTF-16 code units per chunk, within what the provider takes.
    static constexpr qsizetype chunkBound = 800;
    static inline const QString outputFormat = QStringLiteral("mp3_44100_128");
    // A finished or parked read counts as recent for this long, in seconds.
    static constexpr double reopenWindow = 10;

    CompositionRoot(SystemServices services, Base::Clock& clock, Base::Scheduler& scheduler,
                    Configuration configuration, PanelFactory makePanel);
    ~CompositionRoot() override;

    PlayerViewModel& viewModel() { return m_viewModel; }
    WarningModel& warningModel() { return m_warningModel; }
    VoicesModel& voices() { return m_voicesModel; }
    // Built on first use.
    PanelControl& panelController();
    AppCoordinator& coordinator();
    SecretStore& keychain() { return *m_services.secretStore; }
    CacheStore& cache() { return m_cache; }
    ClipLibrary& clipLibrary() { return m_clipLibrary; }
    // Waits up to `bound` in all for the clips and cache entries being written in the background,
    // publishing them; whether none is left.
    bool finishSaves(std::chrono::milliseconds bound);
    VoiceSamplePlayer& voiceSamplePlayer() { return m_voiceSamplePlayer; }
    AudioOutput& audioOutput() { return m_audioOutput; }
    NowPlayingCoordinator& nowPlaying() { return m_nowPlaying; }

    const std::optional<LastPlayed>& lastPlayed() const { return m_lastPlayed; }
    // The speech session of the current read, if any.
    std::shared_ptr<Playback::SpeechSession> speechSession() const;

    // The read pipeline.
    std::shared_ptr<ReadSession> session() const override;
    std::optional<QString> currentText() const override { return m_currentText; }
    std::optional<Rendition> currentRendition() const override { return m_currentRendition; }
    const VoicesModel& voicesModel() const override { return m_voicesModel; }
    void captureSelection(Capture::CaptureMode mode, CaptureCompletion completion) override;
    void startRead(const QString& text) override;
    void stopSession() override;
    void togglePause() override;
    void retryStalled() override;
    void detachSession(const std::shared_ptr<ReadSession>& session) override;
    void syncNowPlaying() override;

    // Plays audio already at hand (the last read, a saved clip); a text that no longer chunks
    // into as many chunks is read afresh.
    void loadIntoPlayer(const QString& text, const QList<AudioChunk>& chunks,
                        const Core::TimedWords& words, const QString& voiceID, bool autoplay);

    // The panel's decisions and the replay gesture.
    OpenLanding openLandingDecision();
    void parkSessionOnIdleBar();
    bool isReadAttachedToPanel() const;
    void replayLast();

    // Controls.
    void setPlaybackSpeed(SpeedChangeSource source);
    void revertVoice();
    void openClipInPlayer(const ClipID& id);
    NowPlayingOwner nowPlayingOwner() const;
    // A voice sample is about to start.
    void voiceSampleWillStart();
    // A clips list's preview changed; a list that starts playing takes the audio.
    void previewStateChanged(PreviewPlaybackState state, ClipsViewModel& surface);
    // Makes a clips list's preview take part in the audio hand-over and its clips open in the
    // player.
    void attachClipsSurface(ClipsViewModel& surface);
    // The settings window's pane, which follows the tutorial's steps while the window stands in
    // for the panel.
    void attachSettingsWindow(SettingsNavigation& navigation);

    // Key state: reads the key's presence, then the usage when a key is there. `done` runs once
    // the presence is known, unless a newer refresh started meanwhile.
    void refreshKeyPresence(std::function<void()> done = {});
    // The key was saved or removed.
    void keyChanged();

    // The launch wiring: runs every launch step once, in the order of launchSteps().
    void start();
    struct LaunchStep {
        const char* name;
        void (CompositionRoot::*run)();
    };
    static const std::array<LaunchStep, 23>& launchSteps();

    // Clears the stored shortcuts that earlier versions set and this one retired, once per user.
    void migrateShortcuts();
    // A settings surface: the settings window, or a floating panel showing its settings.
    bool isSettingsSurface(const QWidget* window) const;
    // The right-Super tap detector, once the launch wiring has started it.
    RightCommandTapDetector* tapDetector() { return m_tapDetector.get(); }
    // The named shortcuts' actions; none where the desktop has no hot keys.
    KeyboardShortcuts::ShortcutRegistry* shortcuts() { return m_shortcuts.get(); }

    // Launch steps: each installs one group of handlers, holding the root weakly.
    void wirePlayerActions();
    void wirePanelDecisions();
    void wireNowPlaying();
    void wireAudioHandOver();
    void observeWorkspace();
    void observePlaybackSpeed();
    // Logs how many damaged entries the cache removed as it opened.
    void reconcileCache();

private:
    using SessionKind = Playback::SpeechSession::State::Kind;

    // Launch steps of the table.
    void logLaunch();
    void prepareRecordingsFolder();
    void seedDefaultSpeed();
    void buildPanel();
    void presentTutorialUntilSeen();
    void revealForTutorial(OnboardingReveal reveal);
    void registerShortcutActions();
    void startTapDetector();
    void registerShortcutPings();
    void startNowPlaying();
    void attachPanelClips();
    void checkReadSelectionShortcut();
    void startPanel();
    void observePlayer();
    void observeKeyChanges();
    void seedPreviousApp();
    void startDiagnostics();
    // A press of a trigger, handled on a later turn of the event loop so the trigger's own
    // callback returns at once.
    void press(AppCoordinator::FinishedReplay replay, AppCoordinator::Listening listening);

    const SettingsKeys& keys() const { return *m_configuration.keys; }
    TTS::Endpoint endpoint();
    void readKey(std::function<void(KeychainReadResult)> completion);
    Capture::CaptureCoordinator& captureCoordinator();
    SessionStateKind sessionKind() const;

    // Read start.
    enum class CacheUse { lookUp, skip };
    void beginRead(const QString& text, CacheUse cacheUse);
    struct PreparedRead {
        QList<Core::Chunk> chunks;
        QString cacheKey;
    };
    void beginPreparedRead(const QString& text, const QString& voice, const QString& modelID,
                           CacheUse cacheUse, std::shared_ptr<Core::TTSProvider> provider,
                           const PreparedRead& prepared);
    std::shared_ptr<Core::TTSProvider> makeProvider();
    std::shared_ptr<Playback::SpeechSession>
    makeSession(std::shared_ptr<Core::TTSProvider> provider, const QString& text,
                const QList<Core::Chunk>& chunks, const QString& voice, const QString& modelID,
                const QString& cacheKey);
    void replaceSession(std::shared_ptr<Playback::SpeechSession> session);
    void releaseStagedAudio();
    void showProgress(const Playback::SpeechSession& session);
    void finishStart();
    void restartRead();

    // Session events.
    void sessionStateChanged(const Playback::SpeechSession::State& state);
    void replaceUndecodableCachedRead();
    void glowLevelChanged(float decibels);
    void utteranceCompleted(const QList<Playback::SpeechSession::ChunkAudio>& chunks,
                            const Core::TimedWords& words, const QString& cacheKey,
                            const QString& text, const QString& voice, const QString& modelID);
    void panelTick(const std::weak_ptr<Playback::SpeechSession>& session);

    // Audio hand-over.
    void handOverForSessionStart();
    // `surface` is the clips list whose preview a stopActivePreview yield stops.
    void applyYields(const QList<AudioArbiter::Yield>& yields, ClipsViewModel* surface);
    void playFromNowPlaying();
    void pauseFromNowPlaying();
    void toggleFromNowPlaying();
    void restartFromNowPlaying();
    void seekFromNowPlaying(double seconds);
    void showSeek(const std::shared_ptr<Playback::SpeechSession>& session);

    void refreshUsage(quint64 generation);

    Base::Log m_log{QStringLiteral("pipeline")};
    SystemServices m_services;
    Base::Clock& m_clock;
    Base::Scheduler& m_scheduler;
    const Configuration m_configuration;
    const PanelFactory m_makePanel;

    PlayerViewModel m_viewModel;
    WarningModel m_warningModel;
    VoicesModel m_voicesModel;
    std::unique_ptr<PanelControl> m_panelController;
    std::unique_ptr<AppCoordinator> m_coordinator;
    CacheStore m_cache;
    ClipLibrary m_clipLibrary;
    SaveFailureNotice m_saveFailureNotice{m_viewModel};
    KeyringStallWatch m_keyringStallWatch{m_viewModel, *m_services.secretStore,
                                          Base::NotificationCenter::defaultCenter()};
    std::shared_ptr<Playback::ChunkPlayerFactory> m_samplePlayers;
    VoiceSamplePlayer m_voiceSamplePlayer;
    AudioOutput m_audioOutput;
    Capture::PreviousExternalAppTracker m_previousAppTracker;
    std::unique_ptr<Capture::CaptureCoordinator> m_captureCoordinator;
    NowPlayingCoordinator m_nowPlaying;

    QPointer<ClipsViewModel> m_activeClipsSurface;
    QPointer<SettingsNavigation> m_settingsWindowNavigation;
    PreviewPlaybackState m_previewState = PreviewPlaybackState::stopped;
    std::shared_ptr<SpeechReadSession> m_session;
    std::optional<QString> m_currentText;
    std::optional<Rendition> m_currentRendition;
    std::optional<double> m_finishedAt;
    std::optional<double> m_sessionParkedAt;
    std::optional<LastPlayed> m_lastPlayed;
    // The cache key of the read playing from the cache, and the fresh read that replaces it when
    // its audio does not decode.
    std::optional<QString> m_cachedReadKey;
    Base::ScheduledTask m_freshRead;
    bool m_hasPromptedForAX = false;
    quint64 m_keyGeneration = 0;
    quint64 m_readGeneration = 0; // a read prepared aside starts only if no other came since
    Defaults::UpdateStream<double> m_speedUpdates;
    std::unique_ptr<KeyboardShortcuts::ShortcutRegistry> m_shortcuts;
    std::unique_ptr<RightCommandTapDetector> m_tapDetector;
    Defaults::UpdateStream<bool> m_tapEnabledUpdates;
    std::unique_ptr<TapFeasibilityProbe> m_tapProbe;
    Base::NotificationCenter::ObserverToken m_keyChangedObserver;
    // Chunks long texts and reads the service's answers; declared last: joined first.
    Base::Worker m_worker;
};

} // namespace Parlino
