#include "Parlino/Clips/ClipsViewModel.h"

#include "ClipsTesting.h"
#include "Parlino/Services/AudioOutput.h"
#include "Parlino/Services/ServicesTesting.h"
#include "Parlino/Storage/StorageTesting.h"
#include "support/EventLoop.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace Parlino;
using ClipsTesting::chunks;
using ServicesTesting::SignalCount;
using TestSupport::FakeChunkPlayer;
using TestSupport::FakeChunkPlayerFactory;
using State = PreviewPlaybackState;

// Longer than a summary's 200-character preview.
QString longText(char letter) {
    return QString(250, QLatin1Char(letter));
}

struct ClipsViewModelTest : ::testing::Test {
    ClipsViewModelTest() { attach(model); }

    void attach(ClipsViewModel& clips) {
        clips.onPreviewStateChange = [this](State state) { reports.push_back(state); };
        clips.onOpenInPlayer = [this](const ClipID& id) { opened.push_back(id); };
    }
    ClipID save(const QList<AudioChunk>& audio = chunks({2.0, 3.0}),
                const QString& text = longText('a')) {
        const auto id = library.save(text, audio, {}, QStringLiteral("voice"), std::nullopt);
        EXPECT_TRUE(id);
        return id.value_or(ClipID{});
    }
    ClipSummary summaryOf(const ClipID& id) const {
        for (const ClipSummary& clip : model.clips())
            if (clip.id == id)
                return clip;
        ADD_FAILURE() << "not listed: " << id.rawValue.toStdString();
        return {};
    }
    void removeFromDisk(const ClipID& id) {
        StorageTesting::fs::remove_all(library.root() / id.rawValue.toStdString());
    }
    FakeChunkPlayer* chunk() const {
        return factory.made.isEmpty() ? nullptr : factory.made.last();
    }

    ServicesTesting::TestSettings settings;
    StorageTesting::TemporaryFolder folder;
    ClipLibrary library{folder.path() / "clips"};
    std::unique_ptr<FakeChunkPlayerFactory> owned = std::make_unique<FakeChunkPlayerFactory>();
    FakeChunkPlayerFactory& factory = *owned;
    ClipsViewModel model{library, nullptr, std::move(owned), settings.keys};
    std::vector<State> reports;
    std::vector<ClipID> opened;
};

TEST_F(ClipsViewModelTest, ToggleStartsReplacesAndStopsThePreview) {
    const ClipID first = save(), second = save(chunks({4.0}));
    SignalCount playingChanges(&model, &ClipsViewModel::playingClipIDChanged);

    model.stop();
    EXPECT_TRUE(reports.empty());

    model.toggle(first);
    EXPECT_EQ(reports, (std::vector{State::playing}));
    EXPECT_EQ(model.playingClipID(), first);
    ASSERT_TRUE(chunk());
    EXPECT_TRUE(chunk()->playing);

    model.toggle(second);
    EXPECT_EQ(reports, (std::vector{State::playing, State::playing}));
    EXPECT_EQ(model.playingClipID(), second);
    EXPECT_FALSE(factory.isAlive(0));
    EXPECT_DOUBLE_EQ(model.player().totalDuration(), 4.0);

    model.toggle(second);
    EXPECT_EQ(reports, (std::vector{State::playing, State::playing, State::stopped}));
    EXPECT_EQ(model.playingClipID(), std::nullopt);
    EXPECT_EQ(model.player().current(), nullptr);
    EXPECT_EQ(playingChanges.count(), 3);
}

TEST_F(ClipsViewModelTest, TheEndOfTheClipReportsStopped) {
    const ClipID id = save(chunks({1.0, 1.0}));
    model.toggle(id);
    model.pausePreview();
    model.resumePreview();
    chunk()->finish();
    EXPECT_EQ(model.playingClipID(), id);
    chunk()->finish();

    EXPECT_EQ(reports,
              (std::vector{State::playing, State::paused, State::playing, State::stopped}));
    EXPECT_EQ(model.playingClipID(), std::nullopt);
    EXPECT_FALSE(model.previewPaused());
}

TEST_F(ClipsViewModelTest, AClipThatCannotStartReportsOnlyStopped) {
    const ClipID broken = save({ClipsTesting::undecodable(1.0)});
    SignalCount playingChanges(&model, &ClipsViewModel::playingClipIDChanged);
    model.toggle(broken);
    EXPECT_EQ(reports, (std::vector{State::stopped}));
    EXPECT_EQ(model.playingClipID(), std::nullopt);

    const ClipID empty = save({});
    model.toggle(empty);
    EXPECT_EQ(reports, (std::vector{State::stopped, State::stopped}));
    EXPECT_EQ(model.playingClipID(), std::nullopt);
    EXPECT_EQ(playingChanges.count(), 4);
}

TEST_F(ClipsViewModelTest, AClipThatCannotPlayIsMarkedUntilItPlays) {
    const ClipID undecodable =
        save({ClipsTesting::chunks({1.0})[0], ClipsTesting::undecodable(1.0)});
    const ClipID unreadable = save(), gone = save(), sound = save();
    model.reloadImmediately();
    SignalCount changes(&model, &ClipsViewModel::unplayableClipIDsChanged);

    model.toggle(undecodable);
    EXPECT_TRUE(model.unplayableClipIDs().isEmpty()) << "its first chunk plays";
    chunk()->finish();
    EXPECT_EQ(model.unplayableClipIDs(), QSet<ClipID>{undecodable});

    // A clip that does not load leaves the list instead, whether its files are kept or gone.
    const auto chunkFile = library.root() / unreadable.rawValue.toStdString() / "chunk-0.mp3";
    StorageTesting::fs::remove(chunkFile);
    StorageTesting::fs::create_directory(chunkFile);
    model.toggle(unreadable);
    removeFromDisk(gone);
    model.toggle(gone);
    model.toggle(sound);
    EXPECT_EQ(model.unplayableClipIDs(), QSet<ClipID>{undecodable});
    EXPECT_EQ(model.clips(), (QList<ClipSummary>{summaryOf(sound), summaryOf(undecodable)}));
    EXPECT_EQ(changes.count(), 1);
}

// The reset shows the library's listing at once and then what a look at the disk found: a clip
// removed by another program leaves, and one saved by this run stays.
TEST_F(ClipsViewModelTest, TheResetShowsTheListingAtOnceAndOthersChangesOnceFound) {
    const ClipID removedByOther = save();
    StorageTesting::listClips(library);
    removeFromDisk(removedByOther);
    const ClipID saved = save();

    model.reloadImmediately();
    EXPECT_EQ(model.clips().size(), 2);
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return model.clips().size() == 1; }));
    EXPECT_EQ(model.clips().front().id, saved);
}

TEST_F(ClipsViewModelTest, AClipGoneFromDiskReloadsTheListAndReportsNothing) {
    const ClipID gone = save(), kept = save();
    model.reloadImmediately();
    ASSERT_EQ(model.clips().size(), 2);
    removeFromDisk(gone);

    model.toggle(gone);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(model.playingClipID(), std::nullopt);
    ASSERT_EQ(model.clips().size(), 1);
    EXPECT_EQ(model.clips()[0].id, kept);
    EXPECT_TRUE(factory.made.isEmpty());
}

TEST_F(ClipsViewModelTest, PauseAndResumeReportOnlyRealChanges) {
    SignalCount pausedChanges(&model, &ClipsViewModel::previewPausedChanged);
    model.pausePreview();
    model.resumePreview();
    EXPECT_TRUE(reports.empty());

    model.toggle(save());
    model.resumePreview();
    model.pausePreview();
    model.pausePreview();
    EXPECT_TRUE(model.previewPaused());
    EXPECT_FALSE(chunk()->playing);
    model.resumePreview();
    model.resumePreview();
    EXPECT_TRUE(chunk()->playing);

    EXPECT_EQ(reports, (std::vector{State::playing, State::paused, State::playing}));
    EXPECT_EQ(pausedChanges.count(), 2);

    model.pausePreview();
    model.stop();
    EXPECT_FALSE(model.previewPaused());
    EXPECT_EQ(reports.back(), State::stopped);
}

TEST_F(ClipsViewModelTest, CycleSpeedStepsTheSharedSpeedAndLogsIt) {
    struct Step {
        double from, to;
        const char* line;
    };
    const Step steps[] = {
        {1.0, 1.25, "playback speed: 1.000000 -> 1.250000 (source=clipsChip)"},
        {2.0, 0.5, "playback speed: 2.000000 -> 0.500000 (source=clipsChip)"},
        {1.1, 1.25, "playback speed: 1.100000 -> 1.250000 (source=clipsChip)"},
    };
    for (const Step& step : steps) {
        TestSupport::LogCapture logs;
        Defaults::set(settings.keys.playbackRate, step.from);
        model.cycleSpeed();
        EXPECT_EQ(Defaults::get(settings.keys.playbackRate), step.to) << step.from;
        EXPECT_EQ(logs.messages(QStringLiteral("pipeline")),
                  QStringList{QString::fromUtf8(step.line)});
    }
}

TEST_F(ClipsViewModelTest, ThePlayingChunkFollowsTheSharedSpeed) {
    model.toggle(save());
    model.cycleSpeed();
    EXPECT_EQ(chunk()->rate(), 1.25f); // at once, before the change is delivered

    Defaults::set(settings.keys.playbackRate, 1.75);
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return chunk()->rate() == 1.75f; }));
    chunk()->finish();
    EXPECT_EQ(chunk()->rate(), 1.75f);
}

TEST_F(ClipsViewModelTest, ExpandingLoadsTheFullTextOnceUntilTheNextReload) {
    const ClipID a = save(chunks({1.0}), longText('a')), b = save(chunks({1.0}), longText('b'));
    model.reloadImmediately();
    const ClipSummary summaryA = summaryOf(a), summaryB = summaryOf(b);
    SignalCount expandedChanges(&model, &ClipsViewModel::expandedClipIDChanged);

    model.setExpanded(summaryA, true);
    EXPECT_EQ(model.expandedClipID(), a);
    EXPECT_EQ(model.fullTextCache().value(a), longText('a'));
    model.setExpanded(summaryB, true);
    EXPECT_EQ(model.expandedClipID(), b);

    // Expanding again uses the cached text, not the file.
    removeFromDisk(a);
    model.setExpanded(summaryA, true);
    EXPECT_EQ(model.expandedClipID(), a);
    EXPECT_EQ(model.fullTextCache().value(a), longText('a'));
    EXPECT_EQ(expandedChanges.count(), 3);
    EXPECT_TRUE(opened.empty());

    // Once the cache is emptied, a clip that no longer loads shows its preview.
    model.reloadImmediately();
    EXPECT_EQ(model.expandedClipID(), std::nullopt);
    model.setExpanded(summaryA, true);
    EXPECT_EQ(model.fullTextCache().value(a), summaryA.preview);
    EXPECT_NE(summaryA.preview, longText('a'));
}

TEST_F(ClipsViewModelTest, AClipThatFitsOrIsExpandedOpensInThePlayer) {
    const ClipID a = save(), b = save();
    model.reloadImmediately();
    model.setExpanded(summaryOf(a), true);

    model.setExpanded(summaryOf(a), true);
    model.setExpanded(summaryOf(b), false);
    EXPECT_EQ(opened, (std::vector{a, b}));
    EXPECT_EQ(model.expandedClipID(), a);
}

TEST_F(ClipsViewModelTest, ReloadCollapsesButKeepsThePreviewAndAnimatesOnlyWhenAsked) {
    const ClipID a = save();
    model.toggle(a);
    model.setExpanded(ClipSummary{a, {}, {}, 0}, true);
    std::vector<bool> animated;
    QObject::connect(&model, &ClipsViewModel::clipsChanged, &model,
                     [&] { animated.push_back(model.animatesChanges()); });

    model.reload();
    EXPECT_EQ(model.expandedClipID(), std::nullopt);
    EXPECT_TRUE(model.fullTextCache().isEmpty());
    EXPECT_EQ(model.playingClipID(), a);
    EXPECT_TRUE(chunk()->playing);

    save();
    model.reloadImmediately();
    EXPECT_EQ(animated, (std::vector{true, false}));
    EXPECT_FALSE(model.animatesChanges());
    EXPECT_EQ(reports, (std::vector{State::playing}));
}

TEST_F(ClipsViewModelTest, DeletingStopsThePreviewOnlyForThePlayingClip) {
    const ClipID a = save(), b = save();
    model.reloadImmediately();
    model.toggle(a);

    model.deleteClip(summaryOf(b));
    EXPECT_EQ(model.playingClipID(), a);
    EXPECT_EQ(model.clips().size(), 1);
    model.deleteClip(summaryOf(a));
    EXPECT_EQ(model.playingClipID(), std::nullopt);
    EXPECT_TRUE(model.clips().isEmpty());
    EXPECT_TRUE(StorageTesting::listClips(library).isEmpty());
    EXPECT_EQ(reports, (std::vector{State::playing, State::stopped}));
}

TEST_F(ClipsViewModelTest, ClearAllStopsAndRemovesEveryClip) {
    const ClipID a = save();
    save();
    model.toggle(a);
    model.clearAll();
    EXPECT_EQ(reports, (std::vector{State::playing, State::stopped}));
    EXPECT_TRUE(StorageTesting::listClips(library).isEmpty());
    EXPECT_TRUE(model.clips().isEmpty());
}

struct ClipsViewModelOutputTest : ClipsViewModelTest {
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    AudioOutput output{scheduler};
};

TEST_F(ClipsViewModelOutputTest, APreviewFollowsTheOutputsMuteState) {
    output.setMuted(true);
    scheduler.advance(1);
    auto players = std::make_unique<FakeChunkPlayerFactory>();
    auto& made = players->made;
    ClipsViewModel clips(library, &output, std::move(players), settings.keys);
    clips.toggle(save());
    EXPECT_EQ(made.last()->volume(), 0.0f); // silent from the start

    output.setMuted(false);
    scheduler.advance(1);
    EXPECT_EQ(made.last()->volume(), 1.0f);
}

} // namespace
