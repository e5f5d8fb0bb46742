#include "Parlino/Shell/Linux/SystemServices.h"

#include "Base/Environment.h"
#include "Capture/Linux/ApplicationIdentity.h"
#include "Capture/Linux/SystemAXClient.h"
#include "Capture/Linux/SystemKeyPoster.h"
#include "Capture/Linux/SystemPasteboard.h"
#include "Capture/Linux/Terminals.h"
#include "Capture/Linux/X11PrimarySelection.h"
#include "Capture/Linux/X11Workspace.h"
#include "KeyboardShortcuts/Linux/XHotKeySystem.h"
#include "Parlino/Services/Linux/KeychainStore.h"
#include "Parlino/Services/Linux/MprisNowPlayingCenter.h"
#include "Parlino/Services/Linux/SystemReachabilityProbe.h"
#include "Parlino/Triggers/Linux/XInputTapEventSource.h"
#include "Playback/Linux/SystemChunkPlayerFactory.h"
#include "Playback/Linux/SystemOutputFactory.h"

#include <QCoreApplication>
#include <QDBusConnection>

namespace Parlino {

namespace {

// The window manager's applications, through one X11 connection of our own.
class X11WorkspaceAdapter final : public Workspace {
public:
    explicit X11WorkspaceAdapter(std::unique_ptr<Capture::X11Workspace> workspace)
        : m_workspace(std::move(workspace)) {}

    Core::FrontmostApp frontmostApp() override { return m_workspace->frontmostApp(); }
    bool isRunning(const Core::FrontmostApp& app) override { return m_workspace->isRunning(app); }
    void setOnActivated(std::function<void(const Core::FrontmostApp&)> handler) override {
        QObject::connect(m_workspace.get(), &Capture::X11Workspace::activated, std::move(handler));
    }
    void setOnTerminated(std::function<void(qint32)> handler) override {
        QObject::connect(m_workspace.get(), &Capture::X11Workspace::terminated, std::move(handler));
    }

private:
    std::unique_ptr<Capture::X11Workspace> m_workspace;
};

// Without an X display: no application is in front and none is remembered as running.
class NoWorkspace final : public Workspace {
public:
    Core::FrontmostApp frontmostApp() override {
        return {QStringLiteral("App"), QStringLiteral("unknown"), 0};
    }
    bool isRunning(const Core::FrontmostApp&) override { return false; }
    void setOnActivated(std::function<void(const Core::FrontmostApp&)>) override {}
    void setOnTerminated(std::function<void(qint32)>) override {}
};

// Without an X display no synthetic copy can be sent.
class NoKeyPoster final : public Capture::KeyEventPosting {
public:
    bool modifiersReleased() override { return true; }
    bool refusesCopy() override { return false; }
    bool postCopy() override { return false; }
};

// Without an X display no application offers a selection.
class NoPrimarySelection final : public Capture::PrimarySelectionReading {
public:
    Capture::OfferedText read(const Capture::CaptureTarget&, std::stop_token) override {
        return std::optional<QString>();
    }
    std::optional<double> age(const Capture::CaptureTarget&, std::stop_token) override {
        return std::nullopt;
    }
};

// Seconds the owner of a selection (PRIMARY, CLIPBOARD) may take to answer, as long as a copy may.
constexpr double selectionTimeout = 0.4;

// How the window manager names this application's own windows: Qt sets their class to the
// application's name.
QString ownBundleID() {
    const QString name = QCoreApplication::applicationName();
    if (name.isEmpty())
        return QStringLiteral("com.parlino.app");
    return Capture::ApplicationIdentity::bundleID(
        {name.toLower(), name.at(0).toUpper() + name.mid(1)});
}

CaptureBackends captureBackends(const Base::Clock& clock, Base::Sleeper& sleeper) {
    auto accessibility = std::make_shared<Capture::SystemAXClient>(clock);
    std::shared_ptr<Capture::SystemKeyPoster> systemPoster = Capture::SystemKeyPoster::open();
    std::shared_ptr<Capture::KeyEventPosting> keyPoster = systemPoster;
    if (!keyPoster)
        keyPoster = std::make_shared<NoKeyPoster>();
    std::shared_ptr<Workspace> workspace;
    if (auto x11 = Capture::X11Workspace::open())
        workspace = std::make_shared<X11WorkspaceAdapter>(std::move(x11));
    else
        workspace = std::make_shared<NoWorkspace>();
    std::shared_ptr<Capture::PrimarySelectionReading> primarySelection =
        Capture::X11PrimarySelection::open(clock, selectionTimeout);
    if (!primarySelection)
        primarySelection = std::make_shared<NoPrimarySelection>();
    auto isTrusted = [accessibility, systemPoster] {
        return accessibility->isBusAvailable() || (systemPoster && systemPoster->canSynthesise());
    };
    return {std::move(accessibility),
            std::move(keyPoster),
            std::make_shared<Capture::SystemPasteboard>(
                Capture::X11SelectionReader::open("CLIPBOARD", clock, selectionTimeout)),
            std::move(workspace),
            std::move(isTrusted),
            ownBundleID(),
            &clock,
            &sleeper,
            std::move(primarySelection),
            [](const Core::FrontmostApp& app) { return Capture::Terminals::isTerminal(app); }};
}

} // namespace

SystemServices makeSystemServices(QNetworkAccessManager& network, const Base::Clock& clock,
                                  Base::Scheduler& scheduler, Base::Sleeper& sleeper) {
    SystemServices services;
    services.secretStore = std::make_unique<KeychainStore>(KeychainStore::appService, scheduler);
    services.nowPlayingCenter =
        std::make_unique<MprisNowPlayingCenter>(QDBusConnection::sessionBus(), clock);
    services.reachability = std::make_unique<SystemReachabilityProbe>();
    services.makeChunkPlayers = [&clock, &scheduler] {
        return std::make_shared<Playback::SystemChunkPlayerFactory>(
            std::make_unique<Playback::SystemOutputFactory>(clock, scheduler));
    };
    services.network = &network;
    services.capture = captureBackends(clock, sleeper);
    services.hotKeys = KeyboardShortcuts::XHotKeySystem::create(scheduler);
    // Desktop automation (the end-to-end tests) taps through XTest, which is otherwise ignored.
    const auto synthetic = Base::Environment::isSwitchOn(syntheticInputSwitch)
                               ? XInputTapEventSource::SyntheticEvents::delivered
                               : XInputTapEventSource::SyntheticEvents::ignored;
    services.makeTapEventSource = [&clock, synthetic] {
        return std::make_unique<XInputTapEventSource>(clock, synthetic);
    };
    return services;
}

} // namespace Parlino
