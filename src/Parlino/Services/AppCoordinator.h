#pragma once

#include "Base/Clock.h"
#include "Parlino/Services/PlayerViewModel.h"
#include "Parlino/Services/ReadPipeline.h"
#include "Parlino/Services/SettingsKeys.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <stop_token>

namespace Parlino {

// Turns the user's trigger presses into reads: coalesces bursts, captures and sanitises the
// selection, then starts a read, asks to confirm a long text, pauses or resumes the read that
// is showing, restarts it with a changed voice or model, or does nothing; capture failures
// become phases of the player. Also answers the long-text card and the closing of the panel.
// Main thread only.
class AppCoordinator : public QObject {
    Q_OBJECT

public:
    // A press on the same text whose read has finished starts it again, or does nothing.
    enum class FinishedReplay { enabled, suppressed };
    // When the press shows the listening phase: at once, or only once its capture has found a
    // text. Either way a capture that fails shows its failure card.
    enum class Listening { atPress, onceCaptured };

    // Seconds after the last accepted press during which another press is dropped.
    static constexpr double coalesceWindow = 0.25;

    AppCoordinator(ReadPipeline& pipeline, PlayerViewModel& viewModel, Base::Clock& clock,
                   const SettingsKeys& keys, QObject* parent = nullptr);

    // One press of a trigger. A newer accepted press supersedes this one once its capture has
    // returned. `done` runs on the main thread when the press was dropped or has been handled
    // or superseded, from inside this call when that happens at once.
    void handlePress(FinishedReplay finishedReplay, Listening listening,
                     std::function<void()> done = {});
    // Reads a text handed over by the Services entry, without capturing.
    void read(const QString& text);
    // The answer of the long-text card; nothing without a text waiting for it.
    void confirmLength(PlayerViewModel::LengthChoice choice);
    // The user closed the panel: a paused read keeps its session, anything else ends.
    void dismiss();

    // Closes the panel at once, leaving the session alone; called when a paused read is closed.
    std::function<void()> onCloseKeepingSession;

private:
    struct Press {
        FinishedReplay finishedReplay;
        Listening listening;
        std::stop_token cancel;
    };
    // What the press on a showing read noted before capturing.
    struct RenditionCheck {
        bool finishedAtPress = false;
        bool keepSession = true;
    };
    using CaptureHandler = std::function<void(Capture::CaptureResult)>;

    void capture(const Press& press, std::function<void()> done, CaptureHandler handler);

    void idlePress(const Press& press, std::function<void()> done);
    void handleCaptureFailure(const Press& press, const Core::CaptureError& error);
    void startOrAsk(const QString& text);
    void start(const QString& text);
    void startAfresh(const QString& text);

    RenditionCheck checkRendition();
    void pressOnShowingRead(const Press& press, std::function<void()> done);
    void decideOnShowingRead(const Press& press, const RenditionCheck& check, const QString& text);
    void handleTapOnShowing(const Press& press, const Core::CaptureError& error);

    void fail(const Core::CaptureError& error);
    bool isLive(const std::shared_ptr<ReadSession>& session) const;
    qint64 confirmThreshold() const;

    ReadPipeline& m_pipeline;
    PlayerViewModel& m_viewModel;
    Base::Clock& m_clock;
    const SettingsKeys& m_keys;

    std::optional<double> m_lastPress;
    std::stop_source m_inFlight{std::nostopstate};
    std::optional<QString> m_pendingText;
};

} // namespace Parlino
