#pragma once

#include "Parlino/Services/NowPlayingCenter.h"

#include <QObject>

#include <functional>

namespace Parlino {

// Turns the desktop's media commands into six callbacks and publishes the title, duration,
// position and rate of whatever plays, and whether it can seek. Main thread only.
class NowPlayingCoordinator : public QObject {
    Q_OBJECT

public:
    static inline const QString title = QStringLiteral("Parlino");

    explicit NowPlayingCoordinator(NowPlayingCenter& center, QObject* parent = nullptr);

    // Assigned at launch, before start().
    std::function<void()> onPlay;
    std::function<void()> onPause;
    std::function<void()> onTogglePlayPause;
    std::function<void()> onCycleSpeed;         // next track and skip forward
    std::function<void()> onRestart;            // previous track and skip backward
    std::function<void(double seconds)> onSeek; // a position the desktop asks for

    // Starts listening to the commands. Each one is logged and its callback runs later, from the
    // event loop, when it is set by then.
    void start();

    void update(NowPlayingState state, double elapsed, double duration, float rate, bool canSeek);

private:
    const std::function<void()>& callbackFor(RemoteCommand command) const;

    NowPlayingCenter& m_center;
};

} // namespace Parlino
