// Cost of showing a long clips list of 5,000 clips: the first listing of a run (off the main
// thread, with and without the summary index), the window's later shows (the reset from the
// library's listing, then the view up to its first drawn frame; also with the page cache
// dropped), the view alone, and scrolling.
#include "Base/Clock.h"
#include "Base/Scheduler.h"
#include "Base/UserDefaults.h"
#include "Parlino/Clips/ClipsList.h"
#include "Parlino/Clips/ClipsView.h"
#include "Parlino/Clips/ClipsViewModel.h"
#include "Parlino/Style/FadingScrollView.h"
#include "Parlino/Style/PointerMotion.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fstream>
#include <unistd.h>

namespace {

using namespace Parlino;

constexpr int clipCount = 5000;

// A null player factory: the benchmarks never play.
class NoPlayers final : public Playback::ChunkPlayerFactory {
public:
    Base::Result<std::unique_ptr<Playback::ChunkPlayer>, Playback::AudioDecodeError>
    makePlayer(const QByteArray&) override {
        return Base::failure(Playback::AudioDecodeError{QStringLiteral("no audio")});
    }
    std::optional<double> decodedDuration(const QByteArray&) override { return std::nullopt; }
    void setGain(float) override {}
};

// 5,000 saved reads of about 130 words each, with their word timings, made once.
struct Library {
    Library() {
        QString text;
        Core::TimedWords words;
        for (int w = 0; w < 130; ++w) {
            const qint64 offset = text.size();
            text += QStringLiteral("word%1 ").arg(w);
            words.append({QStringLiteral("word%1").arg(w),
                          {offset, text.size() - 1},
                          w * 0.4,
                          w * 0.4 + 0.3});
        }
        const QList<AudioChunk> chunks{{QByteArray(2048, 'a'), 50.0}};
        for (int i = 0; i < clipCount; ++i)
            clips.save(text, chunks, words, QStringLiteral("voice"), std::nullopt);
    }

    QTemporaryDir folder;
    QTemporaryDir settingsFolder;
    ClipLibrary clips{std::filesystem::path(folder.path().toStdString())};
    std::shared_ptr<Base::UserDefaults> suite = Base::UserDefaults::open(
        QStringLiteral("bench"), settingsFolder.path(), Base::QtScheduler::shared());
    SettingsKeys keys{suite};
};

Library& sharedLibrary() {
    static Library shared;
    return shared;
}

struct Surroundings {
    Library& library = sharedLibrary();
    MotionPreferences preferences;
    PointerMotion pointer{Base::SteadyClock::shared(), Base::QtScheduler::shared()};
    ClipsViewEnvironment environment{
        .motion = {Base::SteadyClock::shared(), Base::QtScheduler::shared(), preferences},
        .pointer = pointer,
        .keys = library.keys};
    ClipsViewModel model{library.clips, nullptr, std::make_unique<NoPlayers>(), library.keys};
};

QImage firstFrame(ClipsView& view) {
    view.show();
    QApplication::processEvents();
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    view.render(&image);
    return image;
}

// Lists the library as the application does, off the main thread, and waits for it.
void listAndWait(ClipLibrary& library) {
    bool done = false;
    QObject context;
    library.refresh(&context, [&] { done = true; });
    QDeadlineTimer deadline(60'000);
    while (!done && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
}

// Empties the page cache, as after a long while of other work; false when not allowed (root only).
bool dropPageCache() {
    ::sync();
    std::ofstream control("/proc/sys/vm/drop_caches");
    control << "3\n";
    control.flush();
    return bool(control);
}

// A run's first listing, which the window's first show waits for.
void BM_FirstListOfFiveThousandClips(benchmark::State& state) {
    const Library& library = sharedLibrary();
    for (auto _ : state) {
        ClipLibrary fresh(library.clips.root());
        listAndWait(fresh);
        benchmark::DoNotOptimize(fresh.clips());
    }
}

// The same without the summary index: every manifest read, and the index written anew.
void BM_FirstListOfFiveThousandClipsWithoutIndex(benchmark::State& state) {
    const Library& library = sharedLibrary();
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(library.clips.root() / "summaries.tsv");
        state.ResumeTiming();
        ClipLibrary fresh(library.clips.root());
        listAndWait(fresh);
        benchmark::DoNotOptimize(fresh.clips());
    }
}

// Every later show: the window's reset up to the first drawn frame.
void showFiveThousandClips(benchmark::State& state, bool coldCache) {
    Surroundings around;
    listAndWait(around.library.clips);
    for (auto _ : state) {
        state.PauseTiming();
        around.model.setClips({});
        if (coldCache && !dropPageCache()) {
            state.SkipWithError("dropping the page cache needs root");
            break;
        }
        state.ResumeTiming();
        around.model.reloadImmediately();
        ClipsView view(around.model, false, 0, around.environment);
        benchmark::DoNotOptimize(firstFrame(view));
    }
    state.SetItemsProcessed(state.iterations() * clipCount);
}

void BM_ShowFiveThousandClips(benchmark::State& state) {
    showFiveThousandClips(state, false);
}

void BM_ShowFiveThousandClipsColdCache(benchmark::State& state) {
    showFiveThousandClips(state, true);
}

// The view alone over a list already read.
void BM_ShowFiveThousandListedClips(benchmark::State& state) {
    Surroundings around;
    listAndWait(around.library.clips);
    around.model.reloadImmediately();
    for (auto _ : state) {
        ClipsView view(around.model, false, 0, around.environment);
        benchmark::DoNotOptimize(firstFrame(view));
    }
}

void BM_ScrollFiveThousandClipsByAScreen(benchmark::State& state) {
    Surroundings around;
    listAndWait(around.library.clips);
    around.model.reloadImmediately();
    ClipsView view(around.model, false, 0, around.environment);
    firstFrame(view);
    QScrollBar* bar = view.scrollView().scrollArea().verticalScrollBar();
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        const int next = bar->value() + bar->pageStep();
        bar->setValue(next > bar->maximum() ? 0 : next);
        view.render(&image);
        QApplication::processEvents();
    }
}

BENCHMARK(BM_FirstListOfFiveThousandClips)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FirstListOfFiveThousandClipsWithoutIndex)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_ShowFiveThousandClips)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowFiveThousandClipsColdCache)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ShowFiveThousandListedClips)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollFiveThousandClipsByAScreen)->Unit(benchmark::kMicrosecond);

} // namespace
