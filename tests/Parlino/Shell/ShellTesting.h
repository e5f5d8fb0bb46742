#pragma once

#include "KeyboardShortcuts/Storage.h"
#include "Parlino/Services/APIKeyCredential.h"
#include "Parlino/Services/OnboardingModel.h"
#include "Parlino/Settings/SettingsNavigation.h"
#include "Parlino/Shell/CompositionRoot.h"

#include "Parlino/Services/ServicesTesting.h"
#include "Playback/Linux/NullOutput.h"
#include "Playback/Linux/SystemChunkPlayerFactory.h"
#include "Playback/Linux/TestAudio.h"
#include "support/CaptureFakes.h"
#include "support/EventLoop.h"
#include "support/FakeHotKeySystem.h"
#include "support/FakeNowPlayingCenter.h"
#include "support/FakeSecretStore.h"
#include "support/FakeSpeechService.h"
#include "support/FakeTapEventSource.h"
#include "support/LogCapture.h"
#include "support/VirtualTime.h"

#include <QNetworkAccessManager>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A composition root over fakes: the fake service through the real client, real chunk players on
// the clocked null output, and temporary folders.
namespace ShellTesting {

class FakePanel : public Parlino::PanelControl {
public:
    explicit FakePanel(std::unique_ptr<Parlino::ClipsViewModel> clips) : clips(std::move(clips)) {}

    void start() override { calls << "start"; }
    void openPanel() override { calls << "openPanel"; }
    void presentOnboarding() override { calls << "presentOnboarding"; }
    void contentModeDidChange(Parlino::PanelContentMode mode) override {
        contentModes.append(mode);
    }
    void idleBarHiddenChanged() override { calls << "idleBarHiddenChanged"; }
    void send(Parlino::SurfaceEvent event) override { events.append(event); }
    Parlino::OnboardingModel& onboardingModel() override { return onboarding; }
    Parlino::ClipsViewModel& clipsViewModel() override { return *clips; }
    Parlino::SettingsNavigation& settingsNavigation() override { return navigation; }
    void phaseDidChange(const Parlino::PlayerViewModel::Phase& phase) override {
        phases.append(phase);
    }
    void readAttached() override { ++attachments; }
    void closePanelNow() override { ++closes; }
    void makeRoomForWindow() override { calls << "makeRoomForWindow"; }
    void settingsWindowShownChanged(bool shown) override {
        calls << (shown ? "settingsWindowShown" : "settingsWindowHidden");
    }
    void setOnTick(std::function<void()> tick) override { onTick = std::move(tick); }
    void setOnOpenLanding(std::function<Parlino::OpenLanding()> decide) override {
        onOpenLanding = std::move(decide);
    }
    void setOnSessionParkedOnIdleBar(std::function<void()> park) override {
        onParked = std::move(park);
    }
    void setIsReadAttachedToPanel(std::function<bool()> attached) override {
        isReadAttached = std::move(attached);
    }

    std::unique_ptr<Parlino::ClipsViewModel> clips;
    Parlino::OnboardingModel onboarding;
    Parlino::SettingsNavigation navigation;
    QStringList calls;
    QList<Parlino::PanelContentMode> contentModes;
    QList<Parlino::SurfaceEvent> events;
    QList<Parlino::PlayerViewModel::Phase> phases;
    int attachments = 0;
    int closes = 0;
    std::function<void()> onTick;
    std::function<Parlino::OpenLanding()> onOpenLanding;
    std::function<void()> onParked;
    std::function<bool()> isReadAttached;
};

class FakeWorkspace : public Parlino::Workspace {
public:
    Core::FrontmostApp frontmostApp() override { return front; }
    bool isRunning(const Core::FrontmostApp& app) override { return running.contains(app.pid); }
    void setOnActivated(std::function<void(const Core::FrontmostApp&)> handler) override {
        activated = std::move(handler);
    }
    void setOnTerminated(std::function<void(qint32)> handler) override {
        terminated = std::move(handler);
    }

    Core::FrontmostApp front{QStringLiteral("Editor"), QStringLiteral("org.example.editor"), 42};
    QSet<qint32> running{42};
    std::function<void(const Core::FrontmostApp&)> activated;
    std::function<void(qint32)> terminated;
};

class FakeReachability : public Parlino::ReachabilityProbe {
public:
    bool isNetworkUnavailable() const override { return unavailable; }
    bool unavailable = false;
};

// Null outputs that keep the source of the last one made, so that a test can take the sound
// output away from the playing chunk as a sound server that quits would.
class LosableOutputs : public Playback::PcmOutputFactory {
public:
    LosableOutputs(const Base::Clock& clock, Base::Scheduler& scheduler,
                   Playback::PcmSource*& lastSource)
        : m_nulls(clock, scheduler), m_lastSource(lastSource) {}
    std::unique_ptr<Playback::PcmOutput> make(const Playback::PcmFormat& format,
                                              Playback::PcmSource& source) override {
        m_lastSource = &source;
        return m_nulls.make(format, source);
    }

private:
    Playback::NullOutputFactory m_nulls;
    Playback::PcmSource*& m_lastSource;
};

// Real chunk players whose gain a test can read and whose sound output a test can take away.
class RecordingPlayerFactory : public Playback::ChunkPlayerFactory {
public:
    RecordingPlayerFactory(const Base::Clock& clock, Base::Scheduler& scheduler)
        : m_inner(std::make_unique<LosableOutputs>(clock, scheduler, lastSource)) {}
    Base::Result<std::unique_ptr<Playback::ChunkPlayer>, Playback::AudioDecodeError>
    makePlayer(const QByteArray& data) override {
        return m_inner.makePlayer(data);
    }
    std::optional<double> decodedDuration(const QByteArray& data) override {
        return m_inner.decodedDuration(data);
    }
    void setGain(float value) override {
        gain = value;
        m_inner.setGain(value);
    }
    float gain = 1.0f;
    // The source of the newest player's output: the playing chunk's while a read plays.
    Playback::PcmSource* lastSource = nullptr;

private:
    Playback::SystemChunkPlayerFactory m_inner;
};

inline const QString apiKey = QStringLiteral("test-key");

// An answer the service keeps back until the test releases it.
inline TestSupport::FakeSpeechService::Response heldAnswer() {
    TestSupport::FakeSpeechService::Response response;
    response.held = true;
    return response;
}

class RootTest : public ::testing::Test {
protected:
    RootTest() {
        KeyboardShortcuts::setStore(settings.suite);
        service.serveSpeech(speech, 1.5);
        auto secretStore = std::make_unique<TestSupport::FakeSecretStore>();
        secrets = secretStore.get();
        secrets->secrets.insert(Parlino::apiKeyAccount, apiKey);
        auto center = std::make_unique<TestSupport::FakeNowPlayingCenter>();
        nowPlayingCenter = center.get();
        auto probe = std::make_unique<FakeReachability>();
        reachability = probe.get();

        Parlino::SystemServices services;
        services.secretStore = std::move(secretStore);
        services.nowPlayingCenter = std::move(center);
        services.reachability = std::move(probe);
        services.makeChunkPlayers = [this] {
            auto factory = std::make_shared<RecordingPlayerFactory>(settings.clock, time());
            factories.append(factory);
            return factory;
        };
        services.network = &network;
        auto system = std::make_unique<TestSupport::FakeHotKeySystem>();
        hotKeys = system.get();
        services.hotKeys = std::move(system);
        services.makeTapEventSource = [this] {
            auto source = std::make_unique<TestSupport::FakeTapEventSource>();
            tapSources.append(source.get());
            return source;
        };
        services.capture = {
            accessibility,
            keyPoster,
            pasteboard,
            workspace,
            [this] { return trusted; },
            QStringLiteral("Parlino"),
            &captureTime,
            &captureTime,
            primarySelection,
            [this](const Core::FrontmostApp& app) { return app.bundleID == terminalBundleID; }};

        const QString folder = folders.path();
        Parlino::CompositionRoot::Configuration configuration{
            &settings.keys,
            (folder + "/cache").toStdString(),
            (folder + "/clips").toStdString(),
            folder + "/samples",
            folder + "/bundle",
            service.baseURL(),
            (folder + "/recordings").toStdString()};
        compositionRoot = std::make_unique<Parlino::CompositionRoot>(
            std::move(services), settings.clock, time(), configuration,
            [this](Parlino::CompositionRoot& owner) {
                ++panelsMade;
                auto made = std::make_unique<FakePanel>(std::make_unique<Parlino::ClipsViewModel>(
                    owner.clipLibrary(), &owner.audioOutput(),
                    std::make_unique<RecordingPlayerFactory>(settings.clock, time()),
                    settings.keys));
                panel = made.get();
                return made;
            });
        root().viewModel().onPhaseChange = [this](const Parlino::PlayerViewModel::Phase& phase) {
            phases.append(phase.kind());
        };
    }

    ~RootTest() override {
        compositionRoot.reset();
        KeyboardShortcuts::setStore(nullptr);
    }

    Parlino::CompositionRoot& root() { return *compositionRoot; }
    TestSupport::ManualScheduler& time() { return settings.scheduler; }
    const Parlino::SettingsKeys& keys() { return settings.keys; }
    Parlino::PlayerViewModel& player() { return root().viewModel(); }
    Parlino::PlayerViewModel::Phase::Kind phase() { return player().phase().kind(); }

    // As the coordinator starts a read: the text shows, loading, then the pipeline starts it.
    void read(const QString& text) {
        player().setText(text);
        player().setPhase(Parlino::PlayerViewModel::Phase::loading());
        root().startRead(text);
    }
    qsizetype synthesisRequests() const {
        qsizetype count = 0;
        for (const auto& request : service.requests())
            count += request.path().endsWith("/with-timestamps");
        return count;
    }
    bool waitForAudio() {
        return TestSupport::pumpUntil(
            [this] { return root().lastPlayed() && root().lastPlayed()->hasAudio(); }, 20000);
    }
    // Plays in steps of 50 ms of manual time, with the panel's tick, until `done` holds.
    bool playUntil(const std::function<bool()>& done) {
        for (int step = 0; step < 4000 && !done(); ++step) {
            time().advance(0.05);
            if (panel && panel->onTick)
                panel->onTick();
            TestSupport::drainEvents();
        }
        return done();
    }
    bool playToEnd() {
        return playUntil(
            [this] { return phase() == Parlino::PlayerViewModel::Phase::Kind::finished; });
    }
    bool pumpUntilPhase(Parlino::PlayerViewModel::Phase::Kind kind) {
        return TestSupport::pumpUntil([&] { return phase() == kind; }, 20000);
    }

    const QByteArray speech = TestAudio::speechMp3();
    ServicesTesting::TestSettings settings;
    QTemporaryDir folders;
    QNetworkAccessManager network;
    TestSupport::FakeSpeechService service;
    TestSupport::VirtualTime captureTime;
    std::shared_ptr<TestSupport::FakeAXClient> accessibility =
        std::make_shared<TestSupport::FakeAXClient>();
    std::shared_ptr<TestSupport::FakePrimarySelection> primarySelection =
        std::make_shared<TestSupport::FakePrimarySelection>();
    std::shared_ptr<TestSupport::FakeKeyPoster> keyPoster =
        std::make_shared<TestSupport::FakeKeyPoster>();
    std::shared_ptr<TestSupport::FakePasteboard> pasteboard =
        std::make_shared<TestSupport::FakePasteboard>(captureTime);
    std::shared_ptr<FakeWorkspace> workspace = std::make_shared<FakeWorkspace>();
    // The application with this identifier counts as a terminal emulator.
    QString terminalBundleID = QStringLiteral("org.terminal");
    bool trusted = true;
    TestSupport::FakeSecretStore* secrets = nullptr;
    TestSupport::FakeNowPlayingCenter* nowPlayingCenter = nullptr;
    FakeReachability* reachability = nullptr;
    QList<std::shared_ptr<RecordingPlayerFactory>> factories;
    TestSupport::FakeHotKeySystem* hotKeys = nullptr;
    QList<TestSupport::FakeTapEventSource*> tapSources;
    FakePanel* panel = nullptr;
    int panelsMade = 0;
    QList<Parlino::PlayerViewModel::Phase::Kind> phases;
    TestSupport::LogCapture logs;
    std::unique_ptr<Parlino::CompositionRoot> compositionRoot;
};

} // namespace ShellTesting
