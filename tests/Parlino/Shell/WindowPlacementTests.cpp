#include "Parlino/Shell/WindowPlacement.h"

#include "support/Printers.h"

#include <QtMath>

#include <gtest/gtest.h>

using Parlino::WindowPlacement::fitsClear;
using Parlino::WindowPlacement::isFrame;
using Parlino::WindowPlacement::logicalFrame;
using Parlino::WindowPlacement::outsideDocks;
using Parlino::WindowPlacement::place;
using Parlino::WindowPlacement::Request;

namespace {

const QRect left(0, 0, 1920, 1080);
const QRect right(1920, 0, 1920, 1080);
const QMargins frame(1, 24, 1, 1);
const QSize settings(760, 560);
// The reading panel hanging from the top edge with the tutorial's card under it.
const QRect panel(750, 0, 420, 300);
const QRect card(712, 300, 496, 154);

QRect framed(const QRect& content) {
    return content.marginsAdded(frame);
}

bool coversNothing(const QRect& content, const QList<QRect>& covered) {
    for (const QRect& rect : covered)
        if (framed(content).intersects(rect))
            return false;
    return true;
}

TEST(WindowPlacementTest, OpensCentredOnTheScreenUnderThePointer) {
    const QRect onRight = place({{left, right}, {2500, 500}, {}, settings, frame, {}, {}});
    EXPECT_EQ(framed(onRight).center(), right.center());
    EXPECT_EQ(onRight.size(), settings);

    const QRect onLeft = place({{left, right}, {100, 900}, {}, settings, frame, {}, {}});
    EXPECT_EQ(framed(onLeft).center(), left.center());

    const QRect nearest = place({{left, right}, {5000, -40}, {}, settings, frame, {}, {}});
    EXPECT_TRUE(right.contains(framed(nearest))) << "the pointer is off every screen";
}

TEST(WindowPlacementTest, StandsClearOfThePanelAndTheTutorialsCard) {
    const QList<QRect> covered{panel, card};
    const QRect content = place({{left}, {960, 540}, covered, settings, frame, {}, {}});
    EXPECT_EQ(content.size(), settings);
    EXPECT_TRUE(left.contains(framed(content)));
    EXPECT_TRUE(coversNothing(content, covered)) << testing::PrintToString(framed(content));
    EXPECT_GT(content.top(), card.bottom()) << "below them, its title bar in sight";

    // Surfaces on the other screen are no obstacle.
    const QRect onRight = place({{left, right}, {2500, 500}, covered, settings, frame, {}, {}});
    EXPECT_EQ(framed(onRight).center(), right.center());
}

TEST(WindowPlacementTest, GoesBesideTheSurfacesWhenThereIsNoRoomBelowThem) {
    const QRect tallPanel(700, 0, 500, 700);
    const QRect content = place({{left}, {960, 540}, {tallPanel}, {600, 560}, frame, {}, {}});
    EXPECT_TRUE(left.contains(framed(content)));
    EXPECT_TRUE(coversNothing(content, {tallPanel})) << testing::PrintToString(framed(content));
}

TEST(WindowPlacementTest, CoversAsLittleAsItCanWhenNoPlaceIsClear) {
    const QRect wide(200, 0, 1520, 500);
    const QRect content = place({{left}, {960, 540}, {wide}, settings, frame, {}, {}});
    EXPECT_TRUE(left.contains(framed(content)));
    // The least it can cover is below the surface, down to the screen's bottom edge.
    EXPECT_EQ(framed(content).bottom(), left.bottom());
}

// 1920 × 1080 at one and a half times the scale: the panel and the tutorial's card leave no place
// for the whole window, only a strip below them and narrower ones beside them.
TEST(WindowPlacementTest, ShrinksIntoTheLargestFreeAreaRatherThanCoverTheSurfaces) {
    const QRect scaled(0, 0, 1280, 720);
    const QList<QRect> covered{{384, 0, 512, 328}, {392, 348, 496, 132}};
    const QSize minimum(480, 200);
    Request request{{scaled}, {640, 600}, covered, settings, frame, {}, minimum};
    const QRect content = place(request);
    EXPECT_TRUE(coversNothing(content, covered)) << testing::PrintToString(framed(content));
    EXPECT_TRUE(scaled.contains(framed(content)));
    EXPECT_EQ(content.width(), settings.width()) << "the strip below is wide enough";
    EXPECT_EQ(framed(content).bottom(), scaled.bottom());
    EXPECT_GE(content.height(), minimum.height());
    EXPECT_LT(content.height(), settings.height());

    // A free area narrower or lower than the minimum is no place for it: it covers as little as
    // it can at its own size.
    request.minimum = QSize(480, 300);
    const QRect whole = place(request);
    EXPECT_EQ(whole.size(), settings);
    EXPECT_FALSE(coversNothing(whole, covered));
    request.minimum = {};
    EXPECT_EQ(place(request), whole) << "without a minimum it keeps its size";
}

TEST(WindowPlacementTest, SaysWhetherItFindsAPlaceClearOfTheSurfaces) {
    EXPECT_TRUE(fitsClear({{left}, {960, 540}, {panel, card}, settings, frame, {}, {}}));
    EXPECT_FALSE(fitsClear({{left}, {960, 540}, {{200, 0, 1520, 500}}, settings, frame, {}, {}}));

    // 1920 × 1080 at twice the scale: the panel and the window of the card under it leave no
    // room even for the window's least size, and without a minimum none for its own.
    const QRect scaled(0, 0, 960, 540);
    const QRect twicePanel(224, 0, 512, 328);
    const QRect twiceCard(232, 0, 496, 480);
    Request request{{scaled}, {480, 300}, {twicePanel, twiceCard}, settings, frame, {}, {480, 200}};
    EXPECT_FALSE(fitsClear(request));
    // With the panel gone the card goes up under the top edge and leaves a strip below it.
    request.covered = {QRect(232, 0, 496, 154)};
    EXPECT_TRUE(fitsClear(request));
    request.minimum = {};
    EXPECT_FALSE(fitsClear(request)) << "not at its own size";
}

TEST(WindowPlacementTest, FitsIntoAScreenSmallerThanTheWindow) {
    // 1920 × 1080 at twice the scale, under a 26-pixel desktop panel.
    const QRect scaled(0, 13, 960, 527);
    const QRect content = place({{scaled}, {480, 300}, {}, settings, frame, {}, {}});
    EXPECT_EQ(content.size(), QSize(760, 527 - 25));
    EXPECT_EQ(framed(content).top(), scaled.top());
    EXPECT_TRUE(scaled.contains(framed(content)));

    const QRect tiny(0, 0, 300, 200);
    EXPECT_EQ(place({{tiny}, {10, 10}, {}, settings, frame, {}, {}}).size(), QSize(298, 175));
}

// However large the frame, the window's contents stay inside the screen at their least size or
// more; the frame reaches past the edges instead.
TEST(WindowPlacementTest,
     AFrameLargerThanTheScreenNeitherPushesTheWindowOutNorShrinksItPastItsLeast) {
    const QSize least(480, 320);
    for (const QMargins& huge : {QMargins(16384, 16384, 16384, 16384), QMargins(0, 2000, 0, 0),
                                 QMargins(900, 30, 900, 1)}) {
        SCOPED_TRACE(testing::PrintToString(huge));
        for (const QSize& size : {settings, QSize(3000, 3000)}) {
            const QRect content = place({{right}, {2500, 500}, {}, size, huge, {}, least});
            EXPECT_TRUE(right.contains(content)) << testing::PrintToString(content);
            EXPECT_GE(content.width(), least.width());
            EXPECT_GE(content.height(), least.height());
        }
    }
    // On a screen smaller than the least size the window fills it.
    const QRect tiny(0, 0, 300, 200);
    EXPECT_EQ(place({{tiny}, {}, {}, settings, {500, 500, 500, 500}, {}, least}), tiny);
}

// 1920 × 1080 at twice the scale, with the session's tray strip of 26 pixels along the top edge
// and no room kept for it.
TEST(WindowPlacementTest, TheDocksAlongAScreensEdgesAreLeftOutOfItsFreeArea) {
    const QRect scaled(0, 0, 960, 540);
    const QRect tray(0, 0, 960, 13);
    EXPECT_EQ(outsideDocks(scaled, {tray}), QRect(0, 13, 960, 527));
    EXPECT_EQ(outsideDocks(scaled, {QRect(700, 0, 260, 13)}), QRect(0, 13, 960, 527))
        << "a strip at one end of the edge takes the band too";
    EXPECT_EQ(outsideDocks(scaled, {QRect(0, 500, 960, 40), QRect(0, 0, 30, 540)}),
              QRect(30, 0, 930, 500));
    EXPECT_EQ(outsideDocks(QRect(0, 13, 960, 527), {tray}), QRect(0, 13, 960, 527))
        << "where room is kept for it already";
    EXPECT_EQ(outsideDocks(scaled, {QRect(100, 200, 300, 20), QRect(0, 0, 960, 200)}), scaled)
        << "away from the edges, or deeper than a quarter of the screen";

    // The window as tall as it can be, its title bar below the strip.
    const QRect content =
        place({{outsideDocks(scaled, {tray})}, {480, 300}, {}, {520, 620}, frame, {}, {}});
    EXPECT_EQ(framed(content).top(), 13);
    EXPECT_EQ(framed(content).bottom(), 539);
}

TEST(WindowPlacementTest, OnlyAFrameOfAtMostAnEighthOfTheScreenOnEachSideIsOne) {
    EXPECT_TRUE(isFrame(frame, left.size()));
    EXPECT_TRUE(isFrame({}, left.size()));
    EXPECT_TRUE(isFrame({240, 135, 240, 135}, left.size()));
    EXPECT_FALSE(isFrame({241, 24, 1, 1}, left.size()));
    EXPECT_FALSE(isFrame({1, 136, 1, 1}, left.size()));
    EXPECT_FALSE(isFrame({1, 24, 1, 136}, left.size()));
    EXPECT_FALSE(isFrame({16384, 16384, 16384, 16384}, left.size()));
    EXPECT_FALSE(isFrame({1, -24, 1, 1}, left.size()));
    EXPECT_FALSE(isFrame(frame, {}));
}

// The window manager's frame comes in device pixels, the placement in logical ones: a frame of
// a few pixels, thin or thick, that the scale does not divide still ends inside the screen.
TEST(WindowPlacementTest, AFrameToldInDevicePixelsKeepsTheWindowInsideTheScreenAtEveryScale) {
    for (const QMargins& device : {QMargins(1, 20, 1, 1), QMargins(8, 39, 8, 8)})
        for (const qreal ratio : {1.0, 1.5, 2.0}) {
            SCOPED_TRACE(testing::Message() << ratio << " " << testing::PrintToString(device));
            const QMargins logical = logicalFrame(device, ratio);
            const QRect screen(0, 0, qFloor(1920 / ratio), qFloor(1080 / ratio));
            const QSize tall(760, 2000);
            const QRect content = place({{screen}, {}, {}, tall, logical, {}, {}});
            // Qt puts the frame's top left at whole device pixels; the manager then puts the
            // content within it by its own frame.
            const QPoint topLeft =
                (content.topLeft() - QPoint(logical.left(), logical.top())) * ratio;
            const QSize size = (QSizeF(content.size()) * ratio).toSize().grownBy(device);
            EXPECT_TRUE(QRect(0, 0, 1920, 1080).contains(QRect(topLeft, size)))
                << testing::PrintToString(QRect(topLeft, size));
            EXPECT_GE(QRect(topLeft, size).bottom(), 1080 - qCeil(2 * ratio))
                << "and leaves no more than a rounding below";
        }
}

TEST(WindowPlacementTest, AWindowShownBeforeStaysWhereItWasUnlessCoveredOrOnAnotherScreen) {
    const QRect moved(100, 400, 762, 585);
    const QRect kept = place({{left, right}, {900, 100}, {}, settings, frame, moved, {}});
    EXPECT_EQ(framed(kept), moved);

    const QRect covered(0, 900, 400, 100);
    const QRect uncovered =
        place({{left, right}, {900, 100}, {covered}, settings, frame, moved, {}});
    EXPECT_TRUE(coversNothing(uncovered, {covered}));

    const QRect elsewhere = place({{left, right}, {2500, 100}, {}, settings, frame, moved, {}});
    EXPECT_EQ(framed(elsewhere).center(), right.center());

    const QRect overTheEdge(1500, 300, 762, 585);
    const QRect pulledIn = place({{left, right}, {900, 100}, {}, settings, frame, overTheEdge, {}});
    EXPECT_EQ(framed(pulledIn), QRect(1920 - 762, 300, 762, 585));
}

} // namespace
