#include "Parlino/Services/AudioArbiter.h"

#include <QtGlobal>

namespace Parlino::AudioArbiter {

namespace {
using Kind = Playback::SpeechSession::State::Kind;
}

NowPlayingState nowPlayingState(SessionStateKind session, PreviewPlaybackState preview) {
    if (session == Kind::playing || preview == PreviewPlaybackState::playing)
        return NowPlayingState::playing;
    // A finished read has nothing left to resume: the desktop shows no paused player for it.
    const bool sessionHeld = session && *session != Kind::cancelled && *session != Kind::finished;
    if (sessionHeld || preview == PreviewPlaybackState::paused)
        return NowPlayingState::paused;
    return NowPlayingState::stopped;
}

QList<Yield> yields(Source starting, SessionStateKind session, PreviewPlaybackState preview,
                    bool voiceSamplePlaying) {
    QList<Yield> result;
    if (starting.kind != Source::Kind::session && session == Kind::playing)
        result.append(Yield::pauseSession);
    const bool ownPreview = starting.kind == Source::Kind::clipsPreview && starting.onActiveSurface;
    if (!ownPreview && preview != PreviewPlaybackState::stopped)
        result.append(Yield::stopActivePreview);
    if (voiceSamplePlaying)
        result.append(Yield::stopVoiceSample);
    return result;
}

const char* name(NowPlayingState state) {
    switch (state) {
    case NowPlayingState::playing:
        return "playing";
    case NowPlayingState::paused:
        return "paused";
    case NowPlayingState::stopped:
        return "stopped";
    }
    Q_UNREACHABLE();
}

} // namespace Parlino::AudioArbiter
