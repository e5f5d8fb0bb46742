#pragma once

#include "Parlino/Services/AudioArbiter.h"

#include <QString>

#include <functional>
#include <optional>

namespace Parlino {

// The desktop's media controls, as they reach the application.
enum class RemoteCommand {
    play,
    pause,
    togglePlayPause,
    nextTrack,
    skipForward,
    previousTrack,
    skipBackward,
};

const char* name(RemoteCommand command);

// What the desktop's Now Playing display shows while something plays or is paused.
struct NowPlayingInfo {
    QString title;
    NowPlayingState state = NowPlayingState::paused; // playing or paused
    double duration = 0;                             // seconds
    double elapsed = 0;                              // seconds
    double rate = 0;                                 // 0 while paused
    double defaultRate = 1;                          // the current speed, also while paused
    bool canSeek = false;                            // a position request can move it

    friend bool operator==(const NowPlayingInfo&, const NowPlayingInfo&) = default;
};

// The desktop's Now Playing display and media commands. The system's one is in Services/Linux.
class NowPlayingCenter {
public:
    virtual ~NowPlayingCenter() = default;

    // Called on the main thread for every command the desktop sends.
    virtual void setCommandHandler(std::function<void(RemoteCommand)> handler) = 0;
    // Called on the main thread with the position in seconds the desktop asks for; only while
    // the published information says it can seek.
    virtual void setPositionHandler(std::function<void(double seconds)> handler) = 0;
    // Shows `info`; nothing clears the display (stopped).
    virtual void publish(const std::optional<NowPlayingInfo>& info) = 0;
};

} // namespace Parlino
