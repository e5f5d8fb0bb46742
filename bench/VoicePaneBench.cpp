// The cost of building the voices pane for an account of 300 voices: the content value alone,
// and the whole pane with its tiles, laid out and painted once (the target is under 100 ms).
// Also the rebuild after one keystroke in the search field, and what a tick of the avatars'
// frame clock spends on the pane.
#include "Base/Clock.h"
#include "Base/NotificationCenter.h"
#include "Base/Scheduler.h"
#include "Parlino/Services/SettingsKeys.h"
#include "Parlino/Services/VoiceSamplePlayer.h"
#include "Parlino/Services/VoicesModel.h"
#include "Parlino/Settings/VoiceMeshTimeline.h"
#include "Parlino/Settings/VoicePane.h"
#include "Parlino/Settings/VoiceProfileButton.h"
#include "Parlino/Settings/VoiceTile.h"
#include "Parlino/Style/PointerMotion.h"

#include "support/FakeChunkPlayer.h"
#include "support/FakePreferences.h"
#include "support/FakeSecretStore.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace Parlino;

constexpr int voiceCount = 300;

QList<TTS::Voice> voices() {
    QList<TTS::Voice> list;
    for (int i = 0; i < voiceCount; ++i)
        list.append({QStringLiteral("voice-%1").arg(i),
                     QStringLiteral("Voice %1 - Narrator, Warm").arg(i),
                     i % 3 ? QStringLiteral("premade") : QStringLiteral("cloned"),
                     i % 11 ? std::nullopt : std::optional<QString>(QStringLiteral("CAPTCHA")),
                     QUrl(QStringLiteral("https://example.test/%1.mp3").arg(i))});
    return list;
}

// The services of the pane, with a loaded list of 300 voices.
struct World {
    QTemporaryDir folder;
    Base::SteadyClock& clock = Base::SteadyClock::shared();
    Base::QtScheduler& scheduler = Base::QtScheduler::shared();
    SettingsKeys keys{Base::UserDefaults::open(QStringLiteral("bench"), folder.path(), scheduler)};
    VoicesModel model{[] { return true; },
                      [](auto completion) { completion(VoicesModel::FetchResult(voices())); }};
    TestSupport::FakeChunkPlayerFactory players;
    VoiceSamplePlayer samples{folder.path(), folder.path(), players,
                              [](const QUrl&, auto, std::stop_token) {}};
    MotionPreferences preferences;
    PointerMotion pointer{clock, scheduler};
    VoiceMeshTimeline timeline{scheduler, [this] { return Base::Date{800000000 + clock.now()}; }};
    TestSupport::FakeSecretStore secrets;
    QNetworkAccessManager session;
    Base::NotificationCenter notifications;
    TestSupport::PreferenceFakes preferenceFakes;
    SettingsServices services{secrets,
                              session,
                              QUrl(),
                              notifications,
                              {clock, scheduler, preferences},
                              pointer,
                              {},
                              keys,
                              preferenceFakes.registry,
                              preferenceFakes.loginItem,
                              preferenceFakes.desktopSettings,
                              preferenceFakes.recordings.recordings,
                              preferenceFakes.cache,
                              QStringLiteral("Parlino"),
                              {},
                              {model, samples, timeline}};

    World() { model.refresh(); }
};

void settle(QWidget& pane) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    benchmark::DoNotOptimize(pane.grab());
}

void BM_PaneContent300(benchmark::State& state) {
    World world;
    const VoiceChoice choice{QStringLiteral("voice-4"), {QStringLiteral("voice-7")}};
    for (auto _ : state)
        benchmark::DoNotOptimize(
            VoicePaneContent::make(world.model.state(), world.samples.state(), choice, QString()));
}
BENCHMARK(BM_PaneContent300)->Unit(benchmark::kMicrosecond);

void BM_BuildPane300(benchmark::State& state) {
    World world;
    for (auto _ : state) {
        VoicePane pane(world.services, {}, false);
        pane.resize(560, 560);
        pane.show();
        settle(pane);
        state.counters["tiles"] = double(pane.tiles().size());
    }
}
BENCHMARK(BM_BuildPane300)->Unit(benchmark::kMillisecond);

void BM_SearchKeystroke300(benchmark::State& state) {
    World world;
    VoicePane pane(world.services, {}, false);
    pane.resize(560, 560);
    pane.show();
    settle(pane);
    bool narrow = false;
    for (auto _ : state) {
        pane.searchField().setText(narrow ? QStringLiteral("Voice 1") : QStringLiteral("Voice"));
        narrow = !narrow;
        settle(pane);
    }
}
BENCHMARK(BM_SearchKeystroke300)->Unit(benchmark::kMillisecond);

// What one tick of the avatars' shared frame clock spends finding which of the pane's 300
// moving avatars are on screen.
void BM_FrameClockVisibility300(benchmark::State& state) {
    World world;
    VoicePane pane(world.services, {}, false);
    pane.resize(560, 560);
    pane.show();
    settle(pane);
    for (auto _ : state) {
        int onScreen = 0;
        for (const VoiceTile* tile : pane.tiles())
            onScreen += !tile->button().visibleRegion().isEmpty();
        benchmark::DoNotOptimize(onScreen);
    }
}
BENCHMARK(BM_FrameClockVisibility300)->Unit(benchmark::kMicrosecond);

} // namespace
