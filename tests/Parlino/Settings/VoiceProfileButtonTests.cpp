#include "Parlino/Settings/VoiceMeshTimeline.h"
#include "Parlino/Settings/VoiceProfileButton.h"
#include "Parlino/Style/MotionPreferences.h"
#include "Parlino/Style/Theme.h"

#include "support/ManualTime.h"
#include "support/Screenshots.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace Parlino;

namespace {

struct Motion {
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    MotionPreferences preferences;
    MotionContext context{clock, scheduler, preferences};
    VoiceMeshTimeline timeline{scheduler, [this] { return Base::Date{800000000 + clock.now()}; }};
};

// Counts its paints, to see which subscribers a frame reaches.
class PaintCounter final : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

void expectRing(const PlayingRingLook& look, qreal scale, qreal opacity) {
    EXPECT_NEAR(look.scale, scale, 1e-9);
    EXPECT_NEAR(look.opacity, opacity, 1e-9);
}

} // namespace

TEST(VoiceProfileButtonTest, MarksScaleWithTheDiameterAboveTheirFloors) {
    const auto small = VoiceProfileMetrics::forDiameter(20);
    EXPECT_DOUBLE_EQ(small.selectionRingWidth, 2);
    EXPECT_DOUBLE_EQ(small.playingRingWidth, 1.5);
    const auto large = VoiceProfileMetrics::forDiameter(100);
    EXPECT_DOUBLE_EQ(large.selectionRingWidth, 3.8);
    EXPECT_DOUBLE_EQ(large.playingRingWidth, 3);
    EXPECT_DOUBLE_EQ(large.badgeSide, 28.8);
    const auto compact = VoiceProfileMetrics::forDiameter(52);
    EXPECT_NEAR(compact.spinnerScale, 0.572, 1e-12);
    // The expanded playing ring (radius 1.14 × 26 plus half its scaled stroke) fits the margin.
    EXPECT_GE(compact.margin, 26 * 0.14 + 1.56 * 1.14 / 2);
}

TEST(VoiceProfileButtonTest, PlayingRingPulsesUnlessMotionIsReduced) {
    expectRing(PlayingRingLook::at(0, false), 1.0, 0.55);
    expectRing(PlayingRingLook::at(0.45, false), 1.07, 0.35);
    expectRing(PlayingRingLook::at(0.9, false), 1.14, 0.15);
    expectRing(PlayingRingLook::at(1.35, false), 1.07, 0.35);
    expectRing(PlayingRingLook::at(1.8, false), 1.0, 0.55);
    expectRing(PlayingRingLook::at(2.7, false), 1.14, 0.15);
    const PlayingRingLook early = PlayingRingLook::at(0.2, false);
    EXPECT_GT(early.scale, 1.0);
    EXPECT_LT(early.scale, 1.07);
    expectRing(PlayingRingLook::at(0.9, true), 1.0, 0.55);
}

TEST(VoiceProfileButtonTest, OnlyTheCircleTakesPresses) {
    Motion motion;
    VoiceProfileButton button(u"EXAVITQu4vr4xnSDxMaL"_qs, 52, motion.context, motion.timeline);
    button.show();
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    const int m = int(button.metrics().margin);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(m + 3, m + 3));
    EXPECT_EQ(clicks.count(), 0);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(m + 51, m + 51));
    EXPECT_EQ(clicks.count(), 0);
    QTest::mouseClick(&button, Qt::LeftButton, {}, button.rect().center());
    EXPECT_EQ(clicks.count(), 1);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(m + 26, m + 2));
    EXPECT_EQ(clicks.count(), 2);
    button.setAvailability(VoiceAvailability::unavailable);
    QTest::mouseClick(&button, Qt::LeftButton, {}, button.rect().center());
    EXPECT_EQ(clicks.count(), 3);
}

TEST(VoiceProfileButtonTest, AsksForFramesOnlyWhileSomethingMoves) {
    Motion motion;
    VoiceProfileButton button(u"JBFqnCBsd6RMkjVDRZzb"_qs, 52, motion.context, motion.timeline);
    EXPECT_FALSE(motion.timeline.isRunning()); // not shown yet
    button.show();
    EXPECT_TRUE(motion.timeline.isRunning());
    button.setAvailability(VoiceAvailability::onHold);
    EXPECT_TRUE(motion.timeline.isRunning());
    button.setAvailability(VoiceAvailability::unavailable);
    EXPECT_FALSE(motion.timeline.isRunning());
    button.setPlaying(true);
    EXPECT_TRUE(motion.timeline.isRunning()); // the pulse
    motion.preferences.setReduceMotion(true);
    EXPECT_FALSE(motion.timeline.isRunning());
    button.setAvailability(VoiceAvailability::available);
    EXPECT_FALSE(motion.timeline.isRunning());
    button.setLoading(true);
    EXPECT_TRUE(motion.timeline.isRunning()); // the spinner
    button.setLoading(false);
    motion.preferences.setReduceMotion(false);
    EXPECT_TRUE(motion.timeline.isRunning());
    button.hide();
    EXPECT_FALSE(motion.timeline.isRunning());
    EXPECT_EQ(motion.scheduler.pendingCount(), 0u);
}

TEST(VoiceMeshTimelineTest, RepaintsOnlySubscribersOnScreenThirtyTimesASecond) {
    Motion motion;
    PaintCounter shown, hidden;
    shown.resize(20, 20);
    shown.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&shown));
    QApplication::processEvents();
    motion.timeline.subscribe(&shown);
    motion.timeline.subscribe(&shown);
    motion.timeline.subscribe(&hidden);
    EXPECT_EQ(motion.scheduler.nextDelay(), 1.0 / 30);
    const int before = shown.paints;
    motion.scheduler.advance(1.0 / 30);
    QApplication::processEvents();
    EXPECT_GT(shown.paints, before);
    EXPECT_EQ(hidden.paints, 0);
    EXPECT_EQ(motion.scheduler.pendingCount(), 1u);

    motion.timeline.unsubscribe(&shown);
    EXPECT_TRUE(motion.timeline.isRunning());
    {
        PaintCounter gone;
        motion.timeline.subscribe(&gone);
    }
    motion.timeline.unsubscribe(&hidden);
    motion.scheduler.advance(1.0 / 30); // the destroyed widget drops out
    EXPECT_FALSE(motion.timeline.isRunning());
    EXPECT_EQ(motion.scheduler.pendingCount(), 0u);
}

TEST(VoiceProfileButtonTest, ScreenshotsOfEachState) {
    struct State {
        const char* name;
        VoiceAvailability availability;
        bool selected, loading, playing, reduceMotion;
    };
    const State states[] = {
        {"plain", VoiceAvailability::available, false, false, false, false},
        {"selected", VoiceAvailability::available, true, false, false, false},
        {"loading", VoiceAvailability::available, false, true, false, false},
        {"playing", VoiceAvailability::available, false, false, true, false},
        {"loading-playing-selected", VoiceAvailability::available, true, true, true, false},
        {"onHold", VoiceAvailability::onHold, false, false, false, false},
        {"unavailable-selected", VoiceAvailability::unavailable, true, false, false, false},
        {"reduceMotion-playing", VoiceAvailability::available, false, false, true, true},
    };
    for (const State& state : states) {
        Motion motion;
        motion.preferences.setReduceMotion(state.reduceMotion);
        VoiceProfileButton button(u"Xb7hH8MSUJpSbSDYk0k2"_qs, 52, motion.context, motion.timeline);
        button.setAvailability(state.availability);
        button.setSelected(state.selected);
        button.setLoading(state.loading);
        button.setPlaying(state.playing);
        motion.scheduler.advance(0.45); // the selection fade is over; the pulse is half out
        for (const qreal ratio : {1.0, 2.0}) {
            const QImage image = TestSupport::renderScreenshot(
                button, ratio, u"VoiceProfileButton"_qs, QString::fromLatin1(state.name));
            const QPointF centre = QRectF(button.rect()).center() * ratio;
            const qreal m = button.metrics().margin * ratio;
            EXPECT_EQ(qAlpha(image.pixel(1, 1)), 0) << state.name;
            // The selection ring sits on the circle's top edge.
            const QColor top = QColor::fromRgba(image.pixel(int(centre.x()), int(m - 0.5 * ratio)));
            EXPECT_EQ(top.blue() > 200 && top.red() < 140, state.selected) << state.name;
            if (state.loading) {
                const QColor veiled = QColor::fromRgba(
                    image.pixel(int(centre.x() - 12 * ratio), int(centre.y() + 12 * ratio)));
                EXPECT_LT(veiled.valueF(), 0.7) << state.name;
            }
        }
    }
}
