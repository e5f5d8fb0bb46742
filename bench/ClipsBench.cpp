// Cost of showing a long clips list of 5,000 clips: the window's first and later shows (the list
// read from disk, then the view up to its first drawn frame), the view alone, and scrolling.
#include "Base/Clock.h"
#include "Base/Scheduler.h"
#include "Base/UserDefaults.h"
#include "Parlino/Clips/ClipsList.h"
#include "Parlino/Clips/ClipsView.h"
#include "Parlino/Clips/ClipsViewModel.h"
#include "Parlino/Style/FadingScrollView.h"
#include "Parlino/Style/PointerMotion.h"

#include <QApplication>
#include <QImage>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

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
    bool decodes(const QByteArray&) override { return false; }
    void setGain(float) override {}
};

// 5,000 saved reads of about 130 words each, with their word timings, made once.
struct Library {
    Library() {
        QString text;
        QList<Core::WordTiming> words;
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

// The window's first show in a run: a library that has not listed its clips yet.
void BM_FirstShowOfFiveThousandClips(benchmark::State& state) {
    Surroundings around;
    for (auto _ : state) {
        ClipLibrary fresh(around.library.clips.root());
        ClipsViewModel model(fresh, nullptr, std::make_unique<NoPlayers>(), around.library.keys);
        model.reloadImmediately();
        ClipsView view(model, false, 0, around.environment);
        benchmark::DoNotOptimize(firstFrame(view));
    }
}

// The first show's reading of the clips alone.
void BM_FirstListOfFiveThousandClips(benchmark::State& state) {
    const Library& library = sharedLibrary();
    for (auto _ : state) {
        ClipLibrary fresh(library.clips.root());
        benchmark::DoNotOptimize(fresh.list());
    }
}

// Every later show: the window's reset (the list read again) up to the first drawn frame.
void BM_ShowFiveThousandClips(benchmark::State& state) {
    Surroundings around;
    around.library.clips.list();
    for (auto _ : state) {
        around.model.setClips({});
        around.model.reloadImmediately();
        ClipsView view(around.model, false, 0, around.environment);
        benchmark::DoNotOptimize(firstFrame(view));
    }
    state.SetItemsProcessed(state.iterations() * clipCount);
}

// The view alone over a list already read.
void BM_ShowFiveThousandListedClips(benchmark::State& state) {
    Surroundings around;
    around.model.reloadImmediately();
    for (auto _ : state) {
        ClipsView view(around.model, false, 0, around.environment);
        benchmark::DoNotOptimize(firstFrame(view));
    }
}

void BM_ScrollFiveThousandClipsByAScreen(benchmark::State& state) {
    Surroundings around;
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

BENCHMARK(BM_FirstShowOfFiveThousandClips)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FirstListOfFiveThousandClips)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ShowFiveThousandClips)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowFiveThousandListedClips)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollFiveThousandClipsByAScreen)->Unit(benchmark::kMicrosecond);

} // namespace
