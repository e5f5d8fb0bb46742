// One display tick of the panel controller while a 10,000-word read plays in the dropped panel:
// the shell's tick (here it only moves the current word) and the panel's relayout check.
// Nothing is painted; the windows are fakes.
#include "Parlino/Panel/PanelController.h"
#include "Parlino/Storage/ClipLibrary.h"
#include "Parlino/Style/MotionPreferences.h"
#include "Parlino/Style/PointerMotion.h"
#include "support/FakeChunkPlayer.h"
#include "support/FakePointerMotionSource.h"
#include "support/FakeScreenProvider.h"
#include "support/FakeSurfaceWindow.h"
#include "support/FakeTextMeasurer.h"
#include "support/ManualTime.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace Parlino;

constexpr qsizetype wordCount = 10000;

struct PanelWithLongRead {
    QTemporaryDir folder;
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    std::shared_ptr<Base::UserDefaults> suite =
        Base::UserDefaults::open(QStringLiteral("settings"), folder.path(), scheduler);
    SettingsKeys keys{suite};
    TestSupport::FakeScreenProvider screens;
    TestSupport::FakePointerMotionSource motionSource;
    TestSupport::FakeTextMeasurer measurer{7, 18};
    PointerMotion pointerMotion{clock, scheduler};
    MotionPreferences motion;
    ClipLibrary clipLibrary{(folder.path() + QStringLiteral("/clips")).toStdString()};
    PlayerViewModel viewModel;
    WarningModel warningModel;
    PanelController controller{
        viewModel,
        clipLibrary,
        warningModel,
        nullptr,
        std::make_unique<TestSupport::FakeChunkPlayerFactory>(),
        PanelEnvironment{
            screens, [](SurfaceKind) { return std::make_unique<TestSupport::FakeSurfaceWindow>(); },
            motionSource, pointerMotion, measurer, motion, keys, clock, scheduler}};
    qsizetype word = 0;

    PanelWithLongRead() {
        screens.addScreen(1, TestSupport::plainScreen(1440, 900, 25));
        screens.setPointer({720, 880});
        viewModel.onPhaseChange = [this](const auto& phase) { controller.phaseDidChange(phase); };
        QString text;
        QList<Core::WordTiming> words;
        for (qsizetype i = 0; i < wordCount; ++i) {
            words.append({QStringLiteral("word"), {i * 5, i * 5 + 4}, i * 0.2, i * 0.2 + 0.15});
            text += QStringLiteral("word ");
        }
        viewModel.setText(text);
        viewModel.setTimingWords(words);
        controller.onTick = [this] { viewModel.setCurrentWordIndex(word++ % wordCount); };
        controller.start();
        viewModel.setPhase(PlayerViewModel::Phase::playing());
        scheduler.advance(0);
        controller.handleBubbleHover();
        scheduler.advance(1);
    }
};

void BM_PanelTickWith10000Words(benchmark::State& state) {
    PanelWithLongRead panel;
    if (panel.controller.machine().state != SurfaceState::panel(false)) {
        state.SkipWithError("the panel did not drop");
        return;
    }
    for (auto _ : state)
        panel.controller.displayTick();
    // The ticks measured the transcript once and then kept to the cached height.
    state.counters["textHeight"] = panel.controller.geometryBox().cachedTextHeight();
    state.counters["measuredWords"] = double(panel.measurer.measured.size());
}
BENCHMARK(BM_PanelTickWith10000Words)->Unit(benchmark::kMicrosecond);

} // namespace
