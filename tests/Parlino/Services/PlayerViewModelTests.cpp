#include "Parlino/Services/PlayerViewModel.h"

#include "Parlino/Services/ServicesTesting.h"

#include <gtest/gtest.h>

#include <limits>

using namespace Parlino;
using Core::CaptureError;
using Phase = PlayerViewModel::Phase;
using Dwell = PlayerViewModel::Dwell;
using ServicesTesting::SignalCount;

namespace {

class PlayerViewModelTest : public ::testing::Test {
protected:
    PlayerViewModelTest() {
        model.onPhaseChange = [this](const Phase& phase) { phases.push_back(phase); };
        model.onContentModeChange = [this](PanelContentMode mode) { modes.push_back(mode); };
        model.onPinChange = [this](bool pinned) { pins.push_back(pinned); };
    }

    PlayerViewModel model;
    std::vector<Phase> phases;
    std::vector<PanelContentMode> modes;
    std::vector<bool> pins;
};

TEST_F(PlayerViewModelTest, PhaseChangesAreReportedOnceEach) {
    SignalCount spy(&model, &PlayerViewModel::phaseChanged);
    model.setPhase(Phase::loading());
    model.setPhase(Phase::loading());
    model.setPhase(Phase::failed(CaptureError::timedOut(), Dwell::autoDismiss));
    model.setPhase(Phase::failed(CaptureError::timedOut(), Dwell::persist));
    model.setPhase(Phase::failed(CaptureError::timedOut(), Dwell::persist));
    EXPECT_EQ(phases, (std::vector{Phase::loading(),
                                   Phase::failed(CaptureError::timedOut(), Dwell::autoDismiss),
                                   Phase::failed(CaptureError::timedOut(), Dwell::persist)}));
    EXPECT_EQ(spy.count(), 3);
}

TEST_F(PlayerViewModelTest, HiddenReturnsThePanelToTheReadingPage) {
    model.setContentMode(PanelContentMode::clips);
    model.setPhase(Phase::hidden());
    EXPECT_EQ(model.contentMode(), PanelContentMode::reading);
    EXPECT_EQ(modes, (std::vector{PanelContentMode::clips, PanelContentMode::reading}));
    EXPECT_TRUE(phases.empty());
}

TEST_F(PlayerViewModelTest, HideReportsHiddenExactlyOnceAndClearsTheRead) {
    model.setTimingWords({{QStringLiteral("Hi"), {0, 2}, 0, 0.3}});
    model.setText(QStringLiteral("Hi"));
    model.setCurrentWordIndex(0);
    model.setPhase(Phase::playing());
    phases.clear();

    model.hide();
    model.hide();
    EXPECT_EQ(phases, (std::vector{Phase::hidden(), Phase::hidden()}));
    EXPECT_TRUE(model.text().isEmpty());
    EXPECT_TRUE(model.timingWords().isEmpty());
    EXPECT_EQ(model.currentWordIndex(), std::nullopt);
}

TEST_F(PlayerViewModelTest, BeginListeningResetsThePanelButKeepsTheWords) {
    const QList<Core::WordTiming> words{{QStringLiteral("Hi"), {0, 2}, 0, 0.3}};
    model.setTimingWords(words);
    model.setContentMode(PanelContentMode::voices);
    model.setPinned(true);
    model.setCurrentWordIndex(0);

    model.beginListening();
    EXPECT_EQ(phases, std::vector{Phase::listening()});
    EXPECT_EQ(model.contentMode(), PanelContentMode::reading);
    EXPECT_EQ(pins, (std::vector{true, false}));
    EXPECT_EQ(model.currentWordIndex(), std::nullopt);
    EXPECT_EQ(model.timingWords(), words);

    model.beginListening();
    EXPECT_EQ(pins.size(), 2u);
}

// The session keeps appending to the words it hands over: the model holds them as they were
// given until it is given more, and notifies only when they changed.
TEST_F(PlayerViewModelTest, HoldsTheWordsAsGivenWhileTheGiversGrow) {
    SignalCount spy(&model, &PlayerViewModel::timingWordsChanged);
    Core::TimedWords words{{QStringLiteral("One"), {0, 3}, 0, 0.3},
                           {QStringLiteral("two"), {4, 7}, 0.3, 0.6}};
    model.setTimingWords(words);
    words.append({QStringLiteral("three"), {8, 13}, 0.6, 0.9});
    EXPECT_EQ(model.timingWords().size(), 2);
    EXPECT_EQ(model.timingWords().last().word, QStringLiteral("two"));
    model.setTimingWords(words);
    EXPECT_EQ(model.timingWords(), words);
    model.setTimingWords(Core::TimedWords(words.toList()));
    EXPECT_EQ(spy.count(), 2);

    // Words merged in before the end, then fewer words, as for another read.
    QList<Core::WordTiming> merged = words.toList();
    merged.insert(1, {QStringLiteral("and"), {3, 4}, 0.2, 0.3});
    model.setTimingWords(merged);
    EXPECT_EQ(model.timingWords(), merged);
    model.setTimingWords(merged.first(2));
    EXPECT_EQ(model.timingWords(), merged.first(2));
    EXPECT_EQ(spy.count(), 4);
}

TEST_F(PlayerViewModelTest, EveryTextAssignmentRaisesTheEpochButOnlyChangesNotify) {
    SignalCount textSpy(&model, &PlayerViewModel::textChanged);
    model.setText(QStringLiteral("Hello"));
    model.setText(QStringLiteral("Hello"));
    EXPECT_EQ(model.textEpoch(), 2);
    EXPECT_EQ(textSpy.count(), 1);
}

TEST(ProgressModel, WholeSecondsAndTotalNotifyOnlyWhenTheyChange) {
    ProgressModel progress;
    SignalCount elapsed(&progress, &ProgressModel::elapsedChanged);
    SignalCount whole(&progress, &ProgressModel::elapsedWholeSecondsChanged);
    SignalCount total(&progress, &ProgressModel::totalChanged);

    progress.update(2.9, 10, false);
    progress.update(2.95, 10, false);
    EXPECT_EQ(elapsed.count(), 2);
    EXPECT_EQ(whole.count(), 1);
    EXPECT_EQ(progress.elapsedWholeSeconds(), 2);
    EXPECT_EQ(total.count(), 1);

    progress.update(2.95, 10, true);
    EXPECT_EQ(total.count(), 2);
    EXPECT_EQ(progress.total(), (ProgressModel::Total{10, true}));
}

TEST(ProgressModel, NonFiniteElapsedTimeCountsAsZero) {
    ProgressModel progress;
    progress.update(3.5, 10, true);
    for (const double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        progress.update(bad, 10, true);
        EXPECT_EQ(progress.elapsed(), 0);
        EXPECT_EQ(progress.elapsedWholeSeconds(), 0);
        progress.update(3.5, 10, true);
    }
    progress.update(1e300, 10, true);
    EXPECT_GT(progress.elapsedWholeSeconds(), 0);
}

TEST(GlowModel, NotifiesOnlyOnAChange) {
    GlowModel glow;
    SignalCount spy(&glow, &GlowModel::intensityChanged);
    glow.setIntensity(0.25);
    glow.setIntensity(0.8);
    EXPECT_EQ(spy.count(), 1);
}

} // namespace
