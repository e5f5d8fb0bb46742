#include "Parlino/Style/JumpToEndPolicy.h"
#include "Parlino/Style/ScrollBarFader.h"
#include "Parlino/Style/ScrollBarModel.h"
#include "Parlino/Style/ScrollReveal.h"

#include "support/ManualTime.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <limits>

namespace {

using Parlino::JumpToEndPolicy;
using Parlino::ScrollBarFader;
using Parlino::ScrollBarModel;
using Parlino::ScrollMetrics;
namespace ScrollBar = Parlino::ScrollBar;
namespace JumpToEnd = Parlino::JumpToEnd;
namespace ScrollReveal = Parlino::ScrollReveal;

ScrollMetrics metrics(qreal offset, qreal content, qreal viewport) {
    return {offset, content, viewport};
}

// A viewport of 100 over 1000 pixels whose lowest 28 pixels the chevron covers while content lies
// below.
TEST(ScrollReveal, ABandComesWholeIntoViewClearOfTheChevronByTheLeastScroll) {
    const qreal covered = 28;
    const auto at = [](qreal offset) { return metrics(offset, 1000, 100); };
    EXPECT_TRUE(ScrollReveal::showsWhole(at(300), 300, 372, covered));
    EXPECT_FALSE(ScrollReveal::showsWhole(at(300), 300, 373, covered)) << "under the chevron";
    EXPECT_FALSE(ScrollReveal::showsWhole(at(300), 299, 340, covered)) << "above the top";
    EXPECT_DOUBLE_EQ(ScrollReveal::offsetShowing(at(300), 320, 350, covered), 300)
        << "already whole: no scroll";

    // Below: its bottom goes just above the chevron; above: its top to the top.
    EXPECT_DOUBLE_EQ(ScrollReveal::offsetShowing(at(0), 500, 530, covered), 458);
    EXPECT_DOUBLE_EQ(ScrollReveal::offsetShowing(at(600), 500, 530, covered), 500);
    // At the end the chevron is gone: the last 28 pixels count there, and nothing goes past it.
    EXPECT_DOUBLE_EQ(ScrollReveal::offsetShowing(at(0), 965, 990, covered), 900);
    EXPECT_TRUE(ScrollReveal::showsWhole(at(900), 965, 990, covered));
    EXPECT_FALSE(ScrollReveal::showsWhole(at(898), 965, 990, covered)) << "2 pixels short";
    // Taller than the clear part: its top shows.
    EXPECT_DOUBLE_EQ(ScrollReveal::offsetShowing(at(0), 400, 480, covered), 400);
    EXPECT_DOUBLE_EQ(ScrollReveal::offsetShowing(at(0), 400, 480, 0), 380) << "no chevron";
    // Content that fits never scrolls.
    EXPECT_DOUBLE_EQ(ScrollReveal::offsetShowing(metrics(0, 80, 100), 40, 90, covered), 0);
}

TEST(ScrollBarGeometry, ATallDocumentGetsTheMinimumThumbPlacedByProgress) {
    const auto bar = ScrollBar::geometry(metrics(450, 1000, 100));
    EXPECT_DOUBLE_EQ(bar.trackLength, 94);
    EXPECT_DOUBLE_EQ(bar.thumbLength, 24);
    EXPECT_DOUBLE_EQ(bar.thumbOffset, 35);
}

TEST(ScrollBarGeometry, ThumbIsProportionalAndItsOffsetClampsToTheTrack) {
    EXPECT_DOUBLE_EQ(ScrollBar::geometry(metrics(0, 400, 300)).thumbLength, 220.5);
    EXPECT_DOUBLE_EQ(ScrollBar::geometry(metrics(0, 400, 300)).thumbOffset, 0);
    EXPECT_DOUBLE_EQ(ScrollBar::geometry(metrics(100, 400, 300)).thumbOffset, 73.5);
    EXPECT_DOUBLE_EQ(ScrollBar::geometry(metrics(250, 400, 300)).thumbOffset, 73.5);
    EXPECT_DOUBLE_EQ(ScrollBar::geometry(metrics(-20, 400, 300)).thumbOffset, 0);
}

TEST(ScrollBarGeometry, AShortTrackCapsTheThumbAndATinyViewportHasNoTrack) {
    const auto shortTrack = ScrollBar::geometry(metrics(500, 1000, 20));
    EXPECT_DOUBLE_EQ(shortTrack.trackLength, 14);
    EXPECT_DOUBLE_EQ(shortTrack.thumbLength, 14);
    EXPECT_DOUBLE_EQ(shortTrack.thumbOffset, 0);
    const auto none = ScrollBar::geometry(metrics(0, 1000, 4));
    EXPECT_DOUBLE_EQ(none.trackLength, 0);
    EXPECT_DOUBLE_EQ(none.thumbLength, 0);
}

TEST(ScrollBarGeometry, TheBarNeedsMoreThanOnePixelOfOverflowAndAVisibleArea) {
    EXPECT_FALSE(ScrollBar::isShown(metrics(0, 100, 100)));
    EXPECT_FALSE(ScrollBar::isShown(metrics(0, 100.5, 100)));
    EXPECT_FALSE(ScrollBar::isShown(metrics(0, 101, 100)));
    EXPECT_TRUE(ScrollBar::isShown(metrics(0, 101.5, 100)));
    EXPECT_FALSE(ScrollBar::isShown(metrics(0, 500, 0)));
}

TEST(JumpToEndRule, HoldsOnlyWithMoreThanHalfAPixelBelowTheVisibleArea) {
    EXPECT_FALSE(JumpToEnd::canJump(metrics(0, 100.4, 100)));
    EXPECT_TRUE(JumpToEnd::canJump(metrics(0, 100.75, 100))); // too little for a bar
    EXPECT_FALSE(ScrollBar::isShown(metrics(0, 100.75, 100)));
    EXPECT_FALSE(JumpToEnd::canJump(metrics(899.6, 1000, 100)));
    EXPECT_TRUE(JumpToEnd::canJump(metrics(899.4, 1000, 100)));
}

TEST(JumpToEndRule, RejectsCollapsedAndNonFiniteMetrics) {
    const qreal nan = std::numeric_limits<qreal>::quiet_NaN();
    const qreal inf = std::numeric_limits<qreal>::infinity();
    EXPECT_FALSE(JumpToEnd::canJump(metrics(0, 500, 0)));
    EXPECT_FALSE(JumpToEnd::canJump(metrics(nan, 500, 100)));
    EXPECT_FALSE(JumpToEnd::canJump(metrics(0, inf, 100)));
    EXPECT_FALSE(JumpToEnd::canJump(metrics(0, 500, nan)));
    EXPECT_FALSE(JumpToEnd::canJump(metrics(0, 0, 100)));
}

TEST(JumpToEndRule, EachPolicyGatesTheChevron) {
    const ScrollMetrics below = metrics(0, 1000, 100);
    const ScrollMetrics atEnd = metrics(900, 1000, 100);
    for (const bool moving : {false, true}) {
        EXPECT_FALSE(JumpToEnd::isShown(JumpToEndPolicy::never, below, moving));
        EXPECT_TRUE(JumpToEnd::isShown(JumpToEndPolicy::whenScrollable, below, moving));
        EXPECT_FALSE(JumpToEnd::isShown(JumpToEndPolicy::whenScrollable, atEnd, moving));
        EXPECT_FALSE(JumpToEnd::isShown(JumpToEndPolicy::whileThePointerMoves, atEnd, moving));
    }
    EXPECT_FALSE(JumpToEnd::isShown(JumpToEndPolicy::whileThePointerMoves, below, false));
    EXPECT_TRUE(JumpToEnd::isShown(JumpToEndPolicy::whileThePointerMoves, below, true));
}

TEST(ScrollBarModel, AnEqualWriteNotifiesNobody) {
    ScrollBarModel model;
    QSignalSpy offsets(&model, &ScrollBarModel::offsetChanged);
    QSignalSpy contents(&model, &ScrollBarModel::contentHeightChanged);
    model.setOffset(0);
    model.setContentHeight(0);
    EXPECT_EQ(offsets.count() + contents.count(), 0);
    model.setOffset(12);
    model.setOffset(12);
    EXPECT_EQ(offsets.count(), 1);
}

struct ScrollBarFaderTest : ::testing::Test {
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    ScrollBarModel model;
    ScrollBarFader fader{model, scheduler};
};

TEST_F(ScrollBarFaderTest, SmallStepsAreGatheredInEitherDirectionUntilTheyPassHalfAPixel) {
    model.setOffset(0.3);
    EXPECT_FALSE(fader.isVisible());
    scheduler.advance(3); // gathered travel does not decay with time
    model.setOffset(0);
    EXPECT_TRUE(fader.isVisible());
    // The flash emptied the gathered travel.
    scheduler.advance(1);
    model.setOffset(0.4);
    EXPECT_FALSE(fader.isVisible());
}

TEST_F(ScrollBarFaderTest, FadesPointNineSecondsAfterTheLastFlash) {
    QSignalSpy changes(&fader, &ScrollBarFader::isVisibleChanged);
    model.setOffset(10);
    scheduler.advance(0.5);
    model.setOffset(20); // restarts the wait
    scheduler.advance(0.899);
    EXPECT_TRUE(fader.isVisible());
    scheduler.advance(0.001);
    EXPECT_FALSE(fader.isVisible());
    EXPECT_EQ(changes.count(), 2);
}

TEST_F(ScrollBarFaderTest, HeightChangesAloneNeverShowTheBar) {
    model.setContentHeight(800);
    model.setViewportHeight(200);
    EXPECT_FALSE(fader.isVisible());
}

TEST_F(ScrollBarFaderTest, HidingDropsThePendingFade) {
    model.setOffset(10);
    fader.hide();
    EXPECT_FALSE(fader.isVisible());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    model.setOffset(20);
    EXPECT_TRUE(fader.isVisible());
}

TEST_F(ScrollBarFaderTest, StartsFromTheModelsOffsetWithoutFlashing) {
    ScrollBarModel scrolled;
    scrolled.setOffset(300);
    ScrollBarFader late(scrolled, scheduler);
    scrolled.setOffset(300.2);
    EXPECT_FALSE(late.isVisible());
}

} // namespace
