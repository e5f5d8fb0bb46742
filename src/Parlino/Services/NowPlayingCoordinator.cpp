#include "Parlino/Services/NowPlayingCoordinator.h"

#include "Base/Log.h"
#include "Base/MainThread.h"

#include <QPointer>

namespace Parlino {

namespace {
const Base::Log log(QStringLiteral("media-keys"));
}

const char* name(RemoteCommand command) {
    switch (command) {
    case RemoteCommand::play:
        return "play";
    case RemoteCommand::pause:
        return "pause";
    case RemoteCommand::togglePlayPause:
        return "togglePlayPause";
    case RemoteCommand::nextTrack:
        return "nextTrack";
    case RemoteCommand::skipForward:
        return "skipForward";
    case RemoteCommand::previousTrack:
        return "previousTrack";
    case RemoteCommand::skipBackward:
        return "skipBackward";
    }
    Q_UNREACHABLE();
}

NowPlayingCoordinator::NowPlayingCoordinator(NowPlayingCenter& center, QObject* parent)
    : QObject(parent), m_center(center) {}

void NowPlayingCoordinator::start() {
    // The handlers run on the main thread; the command is acted on after the call, and not at all
    // once the coordinator is gone.
    m_center.setCommandHandler([self = QPointer(this)](RemoteCommand command) {
        log.notice("remote command: %{public}s", name(command));
        if (self)
            Base::MainThread::post(*self, [self = self.data(), command] {
                if (const auto& callback = self->callbackFor(command))
                    callback();
            });
    });
    m_center.setPositionHandler([self = QPointer(this)](double seconds) {
        log.notice("remote command: changePlaybackPosition %{public}f", seconds);
        if (self)
            Base::MainThread::post(*self, [self = self.data(), seconds] {
                if (self->onSeek)
                    self->onSeek(seconds);
            });
    });
}

const std::function<void()>& NowPlayingCoordinator::callbackFor(RemoteCommand command) const {
    switch (command) {
    case RemoteCommand::play:
        return onPlay;
    case RemoteCommand::pause:
        return onPause;
    case RemoteCommand::togglePlayPause:
        return onTogglePlayPause;
    case RemoteCommand::nextTrack:
    case RemoteCommand::skipForward:
        return onCycleSpeed;
    case RemoteCommand::previousTrack:
    case RemoteCommand::skipBackward:
        return onRestart;
    }
    Q_UNREACHABLE();
}

void NowPlayingCoordinator::update(NowPlayingState state, double elapsed, double duration,
                                   float rate, bool canSeek) {
    if (state == NowPlayingState::stopped) {
        m_center.publish(std::nullopt);
    } else {
        const bool playing = state == NowPlayingState::playing;
        m_center.publish(NowPlayingInfo{title, state, duration, elapsed, playing ? rate : 0.0,
                                        double(rate), canSeek});
    }
    log.notice("now playing update: %{public}s", AudioArbiter::name(state));
}

} // namespace Parlino
