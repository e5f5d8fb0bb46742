#include "Parlino/Shell/CompositionRoot.h"

#include "Capture/AXCaptureStrategy.h"
#include "Capture/ClipboardCaptureStrategy.h"
#include "Capture/PasteboardGate.h"
#include "Capture/TerminalSelectionStrategy.h"
#include "Parlino/Services/APIKeyCredential.h"
#include "Parlino/Storage/RecordingsExporter.h"
#include "TTS/ElevenLabsClient.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSet>

#include <algorithm>

namespace Parlino {

namespace {

const Base::Log focusLog{QStringLiteral("focus-diag")};

// Capture configuration, in seconds.
constexpr double clipboardPollInterval = 0.005;
constexpr double copyTimeout = 0.4;
constexpr double modifierWaitTimeout = 0.6;
constexpr double lateCopyWatch = 0.5;
constexpr double captureDeadline = 1;
// The strategies that send no keystroke: a terminal's offered selection and the accessible text.
constexpr qsizetype reducedModeStrategyCount = 2;

const char* captureErrorName(const Core::CaptureError& error) {
    using Kind = Core::CaptureError::Kind;
    switch (error.kind()) {
    case Kind::appDenied:
        return "appDenied";
    case Kind::appUnsupported:
        return "appUnsupported";
    case Kind::permissionDenied:
        return "permissionDenied";
    case Kind::nothingSelected:
        return "nothingSelected";
    case Kind::secureField:
        return "secureField";
    case Kind::timedOut:
        return "timedOut";
    case Kind::ownAppFrontmost:
        return "ownAppFrontmost";
    case Kind::selectionTooLarge:
        return "selectionTooLarge";
    }
    return "unknown";
}

const char* capturePathName(Core::CapturePath path) {
    switch (path) {
    case Core::CapturePath::accessibility:
        return "accessibility";
    case Core::CapturePath::offeredSelection:
        return "PRIMARY";
    case Core::CapturePath::copy:
        return "copy";
    }
    return "unknown";
}

} // namespace

QUrl configuredServiceBaseURL() {
    const QByteArray configured = qgetenv("PARLINO_SERVICE_URL");
    return configured.isEmpty() ? TTS::Endpoint::serviceBaseURL()
                                : QUrl(QString::fromUtf8(configured));
}

CompositionRoot::Configuration CompositionRoot::Configuration::standard() {
    return {&SettingsKeys::shared(),
            CacheStore::defaultRoot(),
            ClipLibrary::defaultRoot(),
            VoiceSamplePlayer::defaultCacheRoot(),
            QCoreApplication::applicationDirPath() + QStringLiteral("/../share/parlino"),
            configuredServiceBaseURL(),
            RecordingsExporter::defaultFolder()};
}

CompositionRoot::CompositionRoot(SystemServices services, Base::Clock& clock,
                                 Base::Scheduler& scheduler, Configuration configuration,
                                 PanelFactory makePanel)
    : m_services(std::move(services)), m_clock(clock), m_scheduler(scheduler),
      m_configuration(std::move(configuration)), m_makePanel(std::move(makePanel)),
      m_voicesModel([this] { return m_warningModel.keyPresence() == KeyPresence::present; },
                    [this](std::function<void(VoicesModel::FetchResult)> completion) {
                        TTS::ElevenLabsClient(endpoint(), *m_services.network, {m_worker, *this})
                            .voices(std::move(completion));
                    }),
      m_cache(m_configuration.cacheRoot, cacheMaxBytes), m_clipLibrary(m_configuration.clipsRoot),
      m_samplePlayers(m_services.makeChunkPlayers()),
      m_voiceSamplePlayer(m_configuration.voiceSamplesRoot, m_configuration.bundle,
                          *m_samplePlayers, VoiceSamplePlayer::httpDownload(*m_services.network)),
      m_audioOutput(scheduler), m_previousAppTracker(m_services.capture.ownBundleID,
                                                     [workspace = m_services.capture.workspace](
                                                         const Core::FrontmostApp& app) {
                                                         return workspace->isRunning(app);
                                                     }),
      m_nowPlaying(*m_services.nowPlayingCenter) {
    if (m_services.hotKeys)
        m_shortcuts = std::make_unique<KeyboardShortcuts::ShortcutRegistry>(*m_services.hotKeys);
    const auto saveFailed = [this](const StorageFiles::WriteFailure& failure) {
        m_saveFailureNotice.saveFailed(failure);
    };
    m_cache.onStoreFailed = saveFailed;
    m_clipLibrary.onSaveFailed = saveFailed;
}

bool CompositionRoot::finishSaves(std::chrono::milliseconds bound) {
    const double deadline = m_clock.now() + std::chrono::duration<double>(bound).count();
    if (!m_clipLibrary.finishSaves(bound))
        return false;
    const auto left = std::chrono::duration<double>(std::max(deadline - m_clock.now(), 0.0));
    return m_cache.finishWrites(std::chrono::duration_cast<std::chrono::milliseconds>(left));
}

CompositionRoot::~CompositionRoot() {
    // A read's requests hold its session: one still synthesising is stopped, not left to outlive
    // the objects it reports to.
    detachSession(m_session);
    if (m_session)
        m_session->cancel();
}

PanelControl& CompositionRoot::panelController() {
    if (!m_panelController)
        m_panelController = m_makePanel(*this);
    return *m_panelController;
}

AppCoordinator& CompositionRoot::coordinator() {
    if (!m_coordinator)
        m_coordinator = std::make_unique<AppCoordinator>(*this, m_viewModel, m_clock, keys());
    return *m_coordinator;
}

std::shared_ptr<Playback::SpeechSession> CompositionRoot::speechSession() const {
    return m_session ? m_session->session() : nullptr;
}

std::shared_ptr<ReadSession> CompositionRoot::session() const {
    return m_session;
}

SessionStateKind CompositionRoot::sessionKind() const {
    if (!m_session)
        return std::nullopt;
    return m_session->state().kind();
}

// The key is read afresh for every request; without a readable one the request fails before
// anything is sent.
TTS::Endpoint CompositionRoot::endpoint() {
    return {m_configuration.serviceBaseURL,
            [self = QPointer(this)](TTS::Endpoint::KeyHandler handler) {
                if (!self)
                    return handler(Base::failure(Core::TTSError::keyUnreadable()));
                apiKeyCredential (*self->m_services.secretStore)(std::move(handler));
            }};
}

void CompositionRoot::readKey(std::function<void(KeychainReadResult)> completion) {
    m_services.secretStore->read(apiKeyAccount, std::move(completion));
}

// MARK: Capture

Capture::CaptureCoordinator& CompositionRoot::captureCoordinator() {
    if (m_captureCoordinator)
        return *m_captureCoordinator;
    const CaptureBackends& backends = m_services.capture;
    auto gate = std::make_shared<Capture::PasteboardGate>(backends.pasteboard, *backends.clock,
                                                          *backends.sleeper, lateCopyWatch);
    const auto workspace = backends.workspace;
    const QString ownBundleID = backends.ownBundleID;
    auto ownAppIsFrontmost = [workspace, ownBundleID] {
        return workspace->frontmostApp().bundleID == ownBundleID;
    };
    auto terminals = std::make_shared<const Capture::TerminalDetector>(
        backends.isTerminalApplication, backends.accessibility);
    QList<std::shared_ptr<Capture::CaptureStrategy>> strategies{
        std::make_shared<Capture::TerminalSelectionStrategy>(backends.primarySelection, terminals),
        std::make_shared<Capture::AXCaptureStrategy>(
            backends.accessibility, backends.primarySelection, *backends.clock, *backends.sleeper),
        std::make_shared<Capture::ClipboardCaptureStrategy>(
            backends.primarySelection, std::move(gate), backends.keyPoster, terminals,
            clipboardPollInterval, copyTimeout, modifierWaitTimeout, std::move(ownAppIsFrontmost),
            *backends.clock, *backends.sleeper)};
    const SettingsKeys* settings = m_configuration.keys;
    m_captureCoordinator = std::make_unique<Capture::CaptureCoordinator>(
        std::move(strategies), [workspace] { return workspace->frontmostApp(); },
        [settings] {
            const QStringList ids = Defaults::get(settings->denyListBundleIDs);
            return QSet<QString>(ids.cbegin(), ids.cend());
        },
        ownBundleID, [tracker = &m_previousAppTracker] { return tracker->previous(); },
        captureDeadline, reducedModeStrategyCount, m_scheduler);
    return *m_captureCoordinator;
}

// X11 grants no per-process permission: capture is refused only when neither the accessibility
// interface nor synthetic copies can work, and then the user is told once per run in the log
// and on the failure card.
void CompositionRoot::captureSelection(Capture::CaptureMode mode, CaptureCompletion completion) {
    if (!m_services.capture.isTrusted()) {
        if (!m_hasPromptedForAX) {
            m_hasPromptedForAX = true;
            focusLog.notice(
                "AX prompt shown (AXIsProcessTrustedWithOptions, once per run, hotkey-only)");
        }
        m_log.error("capture failed: permissionDenied");
        completion(Base::failure(Core::CaptureError::permissionDenied()));
        return;
    }
    // One line per capture says which way the text came and how long it took, never the text.
    const double started = m_clock.now();
    captureCoordinator().capture(
        mode, [log = m_log, clock = &m_clock, started,
               completion = std::move(completion)](Capture::CaptureResult result) {
            const double milliseconds = (clock->now() - started) * 1000;
            if (result) {
                focusLog.notice("selection captured by %{public}s in %.1f ms",
                                capturePathName(result->path), milliseconds);
            } else {
                focusLog.notice("capture ended without text in %.1f ms", milliseconds);
                log.error("capture failed: %{public}s", captureErrorName(result.error()));
            }
            completion(std::move(result));
        });
}

void CompositionRoot::observeWorkspace() {
    Workspace& workspace = *m_services.capture.workspace;
    workspace.setOnActivated([self = QPointer(this)](const Core::FrontmostApp& app) {
        if (self)
            self->m_previousAppTracker.noteActivated(app);
    });
    workspace.setOnTerminated([self = QPointer(this)](qint32 pid) {
        if (self && pid >= 1)
            self->m_previousAppTracker.noteTerminated(pid);
    });
}

// MARK: Key state

void CompositionRoot::refreshKeyPresence(std::function<void()> done) {
    const quint64 generation = ++m_keyGeneration;
    readKey([self = QPointer(this), generation,
             done = std::move(done)](const KeychainReadResult& result) {
        if (!self || generation != self->m_keyGeneration)
            return;
        WarningModel& warnings = self->m_warningModel;
        switch (result.kind()) {
        case KeychainReadResult::Kind::found:
            warnings.setKeyPresence(KeyPresence::present);
            self->refreshUsage(generation);
            break;
        case KeychainReadResult::Kind::locked:
            warnings.setKeyPresence(KeyPresence::locked);
            break;
        case KeychainReadResult::Kind::error:
            if (result.status() != KeychainStatus::noKeyring) {
                warnings.setKeyPresence(KeyPresence::unknown);
                break;
            }
            // A keyring service that holds no default keyring holds no key either.
            [[fallthrough]];
        case KeychainReadResult::Kind::notFound:
            warnings.setKeyPresence(KeyPresence::absent);
            warnings.setNetworkFailed(self->m_services.reachability->isNetworkUnavailable());
            warnings.recompute();
            break;
        }
        if (done)
            done();
    });
}

// A check that a newer refresh has overtaken, or that ends after the key went away, is dropped.
void CompositionRoot::refreshUsage(quint64 generation) {
    TTS::ElevenLabsClient(endpoint(), *m_services.network, {m_worker, *this})
        .validateKey([self = QPointer(this),
                      generation](Base::Result<TTS::KeyValidation, Core::TTSError> result) {
            if (!self || generation != self->m_keyGeneration ||
                self->m_warningModel.keyPresence() != KeyPresence::present)
                return;
            std::optional<qint64> remaining;
            bool networkFailed = false;
            if (result) {
                if (const auto& quota = result->quota())
                    remaining = quota->limit - quota->used;
            } else if (result.error().kind() == Core::TTSError::Kind::network) {
                networkFailed = true;
            } else if (result.error().kind() == Core::TTSError::Kind::insufficientCredits) {
                remaining = 0;
            }
            WarningModel& warnings = self->m_warningModel;
            warnings.setCharactersRemaining(remaining);
            warnings.setNetworkFailed(networkFailed);
            warnings.recompute();
        });
}

// A voice list fetched under the old key is fetched again; one never opened is left alone.
void CompositionRoot::keyChanged() {
    refreshKeyPresence([self = QPointer(this)] {
        if (self && self->m_voicesModel.state().kind() != VoicesModel::FetchState::Kind::idle)
            self->m_voicesModel.refresh();
    });
}

} // namespace Parlino
