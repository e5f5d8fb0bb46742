#pragma once

#include "Playback/SpeechSession.h"

#include <QList>

#include <optional>

namespace Parlino {

// The state of a clip preview as a clips surface reports it.
enum class PreviewPlaybackState { playing, paused, stopped };

// What the desktop's Now Playing display shows.
enum class NowPlayingState { playing, paused, stopped };

// The state of the current read's session; absent when there is none.
using SessionStateKind = std::optional<Playback::SpeechSession::State::Kind>;

// Which of the three players gives way when another starts, and the one Now Playing state of the
// read and the clip preview together. Pure.
namespace AudioArbiter {

// What a player gives way with, in the order it is carried out.
enum class Yield { pauseSession, stopActivePreview, stopVoiceSample };

// The player about to start.
struct Source {
    enum class Kind { clipsPreview, session, voiceSample };

    static Source clipsPreview(bool onActiveSurface) {
        return {Kind::clipsPreview, onActiveSurface};
    }
    static Source session() { return {Kind::session, false}; }
    static Source voiceSample() { return {Kind::voiceSample, false}; }

    Kind kind;
    bool onActiveSurface; // for a clip preview: started on the surface already recorded active
};

NowPlayingState nowPlayingState(SessionStateKind session, PreviewPlaybackState preview);

// `preview` is the preview state recorded before the report being handled.
QList<Yield> yields(Source starting, SessionStateKind session, PreviewPlaybackState preview,
                    bool voiceSamplePlaying);

const char* name(NowPlayingState state);

} // namespace AudioArbiter

} // namespace Parlino
