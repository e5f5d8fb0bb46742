#pragma once

#include "Base/Clock.h"
#include "Base/Sleeper.h"
#include "Capture/AXClientProtocol.h"
#include "Capture/KeyEventPosting.h"
#include "Capture/PasteboardProtocol.h"
#include "Capture/PrimarySelectionReading.h"
#include "Core/ReadTypes.h"
#include "KeyboardShortcuts/HotKeySystem.h"
#include "Parlino/Services/NowPlayingCenter.h"
#include "Parlino/Services/ReachabilityProbe.h"
#include "Parlino/Services/SecretStore.h"
#include "Parlino/Triggers/TapEventSource.h"
#include "Playback/ChunkPlayer.h"

#include <QString>

#include <functional>
#include <memory>

class QNetworkAccessManager;

namespace Parlino {

// The applications of the desktop, as the selection capture and the previous-application
// tracker see them.
class Workspace {
public:
    virtual ~Workspace() = default;

    // The application in front: "App", "unknown" and 0 without one. Any thread.
    virtual Core::FrontmostApp frontmostApp() = 0;
    // The application's process still exists and is still that application. Any thread.
    virtual bool isRunning(const Core::FrontmostApp& app) = 0;
    // Report, on the main thread, another application coming to the front and an application
    // ending.
    virtual void setOnActivated(std::function<void(const Core::FrontmostApp&)> handler) = 0;
    virtual void setOnTerminated(std::function<void(qint32 pid)> handler) = 0;
};

// What the selection capture reads through.
struct CaptureBackends {
    std::shared_ptr<Capture::AXClientProtocol> accessibility;
    std::shared_ptr<Capture::KeyEventPosting> keyPoster;
    std::shared_ptr<Capture::PasteboardProtocol> pasteboard;
    std::shared_ptr<Workspace> workspace;
    // Capturing can work at all: the accessibility interface answers or synthetic copies can be
    // sent. Asked before every capture.
    std::function<bool()> isTrusted;
    // How the workspace names this application.
    QString ownBundleID;
    // Time for the capture's worker threads.
    const Base::Clock* clock = nullptr;
    Base::Sleeper* sleeper = nullptr;
    // The selection that applications offer without a keystroke, read before any copy.
    std::shared_ptr<Capture::PrimarySelectionReading> primarySelection;
    // The application is a terminal emulator, as its identifier says. Called from capture worker
    // threads.
    std::function<bool(const Core::FrontmostApp&)> isTerminalApplication;
};

// The system's side of everything the composition root builds on: one struct of interfaces, so
// that tests build the root from fakes. The desktop's implementations are made by
// makeSystemServices() (Shell/Linux).
struct SystemServices {
    std::unique_ptr<SecretStore> secretStore;
    std::unique_ptr<NowPlayingCenter> nowPlayingCenter;
    std::unique_ptr<ReachabilityProbe> reachability;
    // A new factory of chunk players: one for each read and one for the voice samples.
    std::function<std::shared_ptr<Playback::ChunkPlayerFactory>()> makeChunkPlayers;
    // The application's one HTTP session.
    QNetworkAccessManager* network = nullptr;
    CaptureBackends capture;
    // The desktop's system-wide hot keys; none where the desktop has no such service.
    std::unique_ptr<KeyboardShortcuts::HotKeySystem> hotKeys;
    // A new watcher of the whole desktop's keyboard and mouse, for the tap gesture and its probe.
    std::function<std::unique_ptr<TapEventSource>()> makeTapEventSource;
};

} // namespace Parlino
