#include "Parlino/Panel/BubbleGeometryBox.h"
#include "Parlino/Panel/BubbleView.h"
#include "Parlino/Panel/IdleBarGeometryBox.h"
#include "Parlino/Panel/IdleBarView.h"
#include "Parlino/Style/Theme.h"

#include "PanelTesting.h"

#include "support/Screenshots.h"

#include <QAbstractButton>
#include <QEnterEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace Parlino;
using Phase = PlayerViewModel::Phase;

namespace {

void enter(QWidget& widget) {
    QEnterEvent event(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&widget, &event);
}

void leave(QWidget& widget) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&widget, &event);
}

struct Bubble {
    ServicesTesting::TestSettings settings;
    PanelTesting::Motion motion;
    PlayerViewModel model;
    BubbleGeometryBox geometry;
    BubbleView view{model, geometry, settings.keys, motion.context};
    int hovers = 0;

    Bubble() {
        view.onHoverEntered = [this] { ++hovers; };
        // A pill 40 tall whose top 12 lie in the screen's top inset, in a window twice as tall.
        geometry.setPillHeight(40);
        geometry.setVisibleHeight(28);
        geometry.setRevealed(true);
        view.resize(180, 80);
        motion.scheduler.advance(1);
    }

    QImage render(const QString& name) {
        return TestSupport::renderScreenshot(view, 2, QStringLiteral("Panel"), name);
    }
    QWidget& pill() { return *view.findChild<QWidget*>(QStringLiteral("BubblePill")); }
};

bool isRed(const QColor& colour) {
    return colour.red() > 150 && colour.green() < 120 && colour.blue() < 120;
}

bool hasRedIn(const QImage& image, const QRect& area) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (isRed(image.pixelColor(x, y)))
                return true;
    return false;
}

} // namespace

TEST(BubbleView, StandsAtTheBottomAndRetractsByItsVisibleHeight) {
    Bubble bubble;
    EXPECT_EQ(bubble.view.pillRect(), QRectF(0, 40, 180, 40));
    bubble.geometry.setRevealed(false);
    bubble.motion.scheduler.advance(0.09);
    EXPECT_GT(bubble.view.pillRect().top(), 40 - 28);
    EXPECT_LT(bubble.view.pillRect().top(), 40);
    bubble.motion.scheduler.advance(0.2);
    EXPECT_EQ(bubble.view.pillRect(), QRectF(0, 40 - 28, 180, 40));

    bubble.geometry.setHorizontalBleed(0.5);
    EXPECT_EQ(bubble.view.pillRect().left(), 0.5);
    EXPECT_EQ(bubble.view.pillRect().width(), 179);
}

TEST(BubbleView, ReportsEachEntryOfThePointerOnce) {
    Bubble bubble;
    bubble.view.show();
    enter(bubble.pill());
    enter(bubble.pill());
    leave(bubble.pill());
    EXPECT_EQ(bubble.hovers, 1);
    enter(bubble.pill());
    EXPECT_EQ(bubble.hovers, 2);
}

TEST(BubbleView, RendersEachPhase) {
    Bubble bubble;
    bubble.model.setPhase(Phase::listening());
    bubble.render(QStringLiteral("bubble-listening"));
    bubble.model.setPhase(Phase::loading());
    const QImage loading = bubble.render(QStringLiteral("bubble-loading"));

    bubble.model.setPhase(Phase::playing());
    bubble.model.progress().update(7.6, 135, false);
    const QImage playing = bubble.render(QStringLiteral("bubble-playing"));
    // The band inside the top inset is black; the row below it is the pill's own ground.
    EXPECT_EQ(playing.pixelColor(180, 80 + 10), QColor(Qt::black));
    const QRect speed(2 * 10, 2 * (40 + 12), 2 * 30, 2 * 28);
    EXPECT_FALSE(hasRedIn(playing, speed));

    bubble.model.setPhase(Phase::stalled(Core::TTSError::network(QStringLiteral("offline"))));
    const QImage stalled = bubble.render(QStringLiteral("bubble-stalled"));
    EXPECT_TRUE(hasRedIn(stalled, speed));
    const QRect trailing(2 * 150, 2 * (40 + 12), 2 * 20, 2 * 28);
    EXPECT_TRUE(hasRedIn(stalled, trailing));
    EXPECT_FALSE(hasRedIn(loading, trailing));
}

namespace {

struct IdleBar {
    PanelTesting::Motion motion;
    IdleBarGeometryBox geometry;
    IdleBarView view{geometry, motion.context};
    int clicks = 0;

    IdleBar() {
        view.onClicked = [this] { ++clicks; };
        geometry.setRevealed(true);
        view.resize(200, 2 * 14 + 4);
        view.show();
        motion.scheduler.advance(1);
    }
    QAbstractButton& button() {
        return *view.findChild<QAbstractButton*>(QStringLiteral("IdleBarButton"));
    }
};

} // namespace

TEST(IdleBarView, IsOneButtonThatOpensParlino) {
    IdleBar bar;
    EXPECT_EQ(bar.button().accessibleName(), QStringLiteral("Open Parlino"));
    QTest::mouseClick(&bar.button(), Qt::LeftButton);
    bar.button().click(); // the accessibility press
    EXPECT_EQ(bar.clicks, 2);
    EXPECT_EQ(bar.view.barRect(), QRectF(0, 14, 200, 14));
    const QImage image = TestSupport::renderScreenshot(bar.view, 2, QStringLiteral("Panel"),
                                                       QStringLiteral("idle-bar"));
    EXPECT_EQ(image.pixelColor(200, 2 * 20).alpha(), 255);
    EXPECT_EQ(image.pixelColor(200, 2 * 5).alpha(), 0);
}

TEST(IdleBarView, GrowsDownWhileHoveredAndStartsAfreshEachPresentation) {
    IdleBar bar;
    enter(bar.button());
    bar.motion.scheduler.advance(1);
    EXPECT_EQ(bar.view.barRect(), QRectF(0, 14, 200, 18));
    leave(bar.button());
    bar.motion.scheduler.advance(1);
    EXPECT_EQ(bar.view.barRect(), QRectF(0, 14, 200, 14));

    enter(bar.button());
    bar.motion.scheduler.advance(1);
    bar.geometry.setPresentationID(1);
    EXPECT_EQ(bar.view.barRect().height(), 14);
}

TEST(IdleBarView, GoingAwayWhileItGrowsLeavesNoFrameBehind) {
    PanelTesting::Motion motion;
    IdleBarGeometryBox geometry;
    auto view = std::make_unique<IdleBarView>(geometry, motion.context);
    geometry.setRevealed(true);
    view->resize(200, 2 * 14 + 4);
    view->show();
    motion.scheduler.advance(1);
    enter(*view->findChild<QAbstractButton*>(QStringLiteral("IdleBarButton")));
    ASSERT_GT(motion.scheduler.pendingCount(), 0u);

    view.reset();
    EXPECT_EQ(motion.scheduler.pendingCount(), 0u);
    motion.scheduler.advance(1);
}

TEST(IdleBarView, RetractsBySlideDistance) {
    IdleBar bar;
    bar.geometry.setSlideDistance(10);
    bar.geometry.setRevealed(false);
    bar.motion.scheduler.advance(1);
    EXPECT_EQ(bar.view.barRect().top(), 14 - 10);
}
