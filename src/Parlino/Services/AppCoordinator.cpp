#include "Parlino/Services/AppCoordinator.h"

#include "Base/Log.h"
#include "Base/Unicode.h"
#include "Core/TextSanitizer.h"

#include <QPointer>

#include <algorithm>
#include <utility>

namespace Parlino {

namespace {

const Base::Log log{QStringLiteral("pipeline")};

// Presses closer than this to the coalescing window still count as outside it, so that a
// press exactly one window later is not lost to rounding.
constexpr double clockTolerance = 1e-9;

using Kind = PlayerViewModel::Phase::Kind;
using SessionKind = ReadSession::State::Kind;
using CaptureKind = Core::CaptureError::Kind;

PlayerViewModel::Dwell dwellFor(const Core::CaptureError& error) {
    switch (error.kind()) {
    case CaptureKind::nothingSelected:
    case CaptureKind::timedOut:
    case CaptureKind::ownAppFrontmost:
        return PlayerViewModel::Dwell::autoDismiss;
    case CaptureKind::permissionDenied:
    case CaptureKind::secureField:
    case CaptureKind::selectionTooLarge:
    case CaptureKind::appDenied:
    case CaptureKind::appUnsupported:
        return PlayerViewModel::Dwell::persist;
    }
    return PlayerViewModel::Dwell::persist;
}

// The failures of a press that found nothing to read where the user is: no selection, or only
// this application in front.
bool isNothingToRead(const Core::CaptureError& error) {
    return error.kind() == CaptureKind::nothingSelected ||
           error.kind() == CaptureKind::ownAppFrontmost;
}

} // namespace

AppCoordinator::AppCoordinator(ReadPipeline& pipeline, PlayerViewModel& viewModel,
                               Base::Clock& clock, const SettingsKeys& keys, QObject* parent)
    : QObject(parent), m_pipeline(pipeline), m_viewModel(viewModel), m_clock(clock), m_keys(keys) {}

void AppCoordinator::handlePress(FinishedReplay finishedReplay, Listening listening,
                                 std::function<void()> done) {
    const double now = m_clock.now();
    if (m_lastPress && now - *m_lastPress < coalesceWindow - clockTolerance) {
        if (done)
            done();
        return;
    }
    m_lastPress = now;
    m_inFlight.request_stop();
    m_inFlight = std::stop_source();
    const Press press{finishedReplay, listening, m_inFlight.get_token()};
    if (m_viewModel.phase().kind() == Kind::hidden)
        idlePress(press, std::move(done));
    else
        pressOnShowingRead(press, std::move(done));
}

// Captures for a press; the handler sees the result only while the coordinator exists and the
// press has not been superseded meanwhile.
void AppCoordinator::capture(const Press& press, std::function<void()> done,
                             CaptureHandler handler) {
    m_pipeline.captureSelection(Capture::CaptureMode::full,
                                [self = QPointer(this), cancel = press.cancel,
                                 done = std::move(done),
                                 handler = std::move(handler)](Capture::CaptureResult result) {
                                    if (self && !cancel.stop_requested())
                                        handler(std::move(result));
                                    if (done)
                                        done();
                                });
}

void AppCoordinator::idlePress(const Press& press, std::function<void()> done) {
    m_pendingText.reset();
    if (press.listening == Listening::atPress)
        m_viewModel.beginListening();
    capture(press, std::move(done), [this, press](Capture::CaptureResult result) {
        if (!result)
            return handleCaptureFailure(press, result.error());
        const QString text = Core::TextSanitizer::sanitize(result->text);
        if (text.isEmpty())
            return handleCaptureFailure(press, Core::CaptureError::nothingSelected());
        if (press.listening == Listening::onceCaptured)
            m_viewModel.beginListening();
        startOrAsk(text);
    });
}

void AppCoordinator::handleCaptureFailure(const Press& press, const Core::CaptureError& error) {
    if (press.listening == Listening::onceCaptured)
        m_viewModel.beginListening();
    fail(error);
}

void AppCoordinator::startOrAsk(const QString& text) {
    if (text.size() <= confirmThreshold()) {
        start(text);
        return;
    }
    m_pendingText = text;
    m_viewModel.setPhase(PlayerViewModel::Phase::confirmingLength(text.size()));
}

void AppCoordinator::start(const QString& text) {
    m_viewModel.setText(text);
    m_viewModel.setPhase(PlayerViewModel::Phase::loading());
    m_pipeline.startRead(text);
}

// A fresh read replaces the showing one on the reading page, whichever page the panel had open,
// so that its transcript, or its failure and Retry, are what the user sees.
void AppCoordinator::startAfresh(const QString& text) {
    m_pipeline.stopSession();
    m_viewModel.setContentMode(PanelContentMode::reading);
    startOrAsk(text);
}

// A changed voice or model matters only to a read that is not playing at the press: a playing
// read pauses as usual, and a later press restarts it.
AppCoordinator::RenditionCheck AppCoordinator::checkRendition() {
    m_pendingText.reset();
    const auto session = m_pipeline.session();
    const bool finishedAtPress = session && session->state().kind() == SessionKind::finished;
    const bool playingAtPress = session && session->state().kind() == SessionKind::playing;
    bool changed = false;
    if (const auto current = m_pipeline.currentRendition()) {
        const Rendition next = Rendition::forNextRead(m_keys, m_pipeline.voicesModel());
        changed = next.voiceID != current->voiceID ||
                  (current->modelID && next.modelID != current->modelID);
    }
    return {finishedAtPress, !changed || playingAtPress};
}

void AppCoordinator::pressOnShowingRead(const Press& press, std::function<void()> done) {
    const RenditionCheck check = checkRendition();
    capture(press, std::move(done), [this, press, check](Capture::CaptureResult result) {
        if (!result)
            return handleTapOnShowing(press, result.error());
        const QString text = Core::TextSanitizer::sanitize(result->text);
        if (text.isEmpty())
            return handleTapOnShowing(press, Core::CaptureError::nothingSelected());
        decideOnShowingRead(press, check, text);
    });
}

void AppCoordinator::decideOnShowingRead(const Press& press, const RenditionCheck& check,
                                         const QString& text) {
    const auto currentText = m_pipeline.currentText();
    const auto session = m_pipeline.session();
    if (currentText != text || !isLive(session)) {
        startAfresh(text);
        return;
    }
    if (!check.keepSession) {
        log.notice("same text, changed rendition — fresh read");
        startAfresh(text);
        return;
    }
    // A read that stalled (no key yet, the service away) tries again, as its Retry does: the
    // press is how the user asks for it.
    if (session->state().kind() == SessionKind::stalled) {
        log.notice("same text on a stalled read — retry");
        m_pipeline.retryStalled();
        return;
    }
    const bool replays = press.finishedReplay == FinishedReplay::enabled;
    if (check.finishedAtPress && replays) {
        m_pipeline.startRead(*currentText);
    } else if (check.finishedAtPress ||
               (!replays && session->state().kind() == SessionKind::finished)) {
        log.notice("tap-on-finished no-op");
    } else {
        m_pipeline.togglePause();
    }
}

// A press that captured nothing usable while a read is showing pauses or resumes that read. A
// tap leaves a finished read as it is when nothing was selected there, and shows why any other
// capture failed, as it would with no read showing.
void AppCoordinator::handleTapOnShowing(const Press& press, const Core::CaptureError& error) {
    if (const auto session = m_pipeline.session(); isLive(session)) {
        if (press.finishedReplay == FinishedReplay::enabled ||
            session->state().kind() != SessionKind::finished) {
            m_pipeline.togglePause();
            return;
        }
        if (isNothingToRead(error)) {
            log.notice("tap-on-finished no-op");
            return;
        }
    }
    fail(error);
}

void AppCoordinator::fail(const Core::CaptureError& error) {
    m_viewModel.setPhase(PlayerViewModel::Phase::failed(error, dwellFor(error)));
}

bool AppCoordinator::isLive(const std::shared_ptr<ReadSession>& session) const {
    return session && session->state().kind() != SessionKind::cancelled;
}

void AppCoordinator::read(const QString& text) {
    m_inFlight.request_stop();
    m_pendingText.reset();
    if (m_viewModel.phase().kind() != Kind::hidden) {
        const auto session = m_pipeline.session();
        m_pipeline.detachSession(session);
        if (session)
            session->cancel();
        m_pipeline.syncNowPlaying();
        m_pipeline.stopSession();
    }
    m_viewModel.beginListening();
    const QString sanitized = Core::TextSanitizer::sanitize(text);
    if (sanitized.isEmpty())
        fail(Core::CaptureError::nothingSelected());
    else
        startOrAsk(sanitized);
}

void AppCoordinator::confirmLength(PlayerViewModel::LengthChoice choice) {
    if (!m_pendingText)
        return;
    const QString text = *std::exchange(m_pendingText, std::nullopt);
    switch (choice) {
    case PlayerViewModel::LengthChoice::readAnyway:
        start(text);
        break;
    case PlayerViewModel::LengthChoice::readFirstChunk:
        start(text.left(Base::Unicode::graphemePrefixLength(text, confirmThreshold())));
        break;
    case PlayerViewModel::LengthChoice::cancel:
        dismiss();
        break;
    }
}

void AppCoordinator::dismiss() {
    m_pendingText.reset();
    if (m_viewModel.phase().kind() == Kind::paused) {
        if (onCloseKeepingSession)
            onCloseKeepingSession();
        return;
    }
    m_pipeline.stopSession();
    m_viewModel.hide();
}

// A threshold below one would ask about every text, even one character long.
qint64 AppCoordinator::confirmThreshold() const {
    return std::max<qint64>(1, Defaults::get(m_keys.confirmThreshold));
}

} // namespace Parlino
