#include "Parlino/Panel/CurrentScreen.h"
#include "support/FakeScreenProvider.h"

#include <gtest/gtest.h>

using namespace Parlino;
using TestSupport::FakeScreenProvider;
using TestSupport::plainScreen;

namespace {

// Two side by side: 1440 × 900 on the left, 1920 × 1080 on the right.
void addTwoScreens(FakeScreenProvider& provider) {
    provider.addScreen(1, plainScreen(1440, 900, 25));
    ScreenScalars right = plainScreen(1920, 1080, 0);
    right.frame.moveLeft(1440);
    right.visibleFrame.moveLeft(1440);
    provider.addScreen(2, right);
}

} // namespace

TEST(ScreenChoice, takesTheScreenUnderThePointerElseTheMainElseTheFirst) {
    FakeScreenProvider provider;
    EXPECT_EQ(screenUnderPointer(provider), std::nullopt);

    addTwoScreens(provider);
    provider.setPointer({1500, 100});
    EXPECT_EQ(screenUnderPointer(provider), 2u);

    provider.setPointer({-50, 100});
    EXPECT_EQ(screenUnderPointer(provider), 1u);
    provider.setMainScreen(2);
    EXPECT_EQ(screenUnderPointer(provider), 2u);
}

TEST(ScreenChoice, countsAPointerOnTheTopAndLeftEdgesAsInside) {
    const QRectF frame(0, 0, 1440, 900);
    EXPECT_TRUE(pointerInRect({0, 900}, frame));
    EXPECT_FALSE(pointerInRect({0, 0}, frame));
    EXPECT_FALSE(pointerInRect({1440, 450}, frame));
}

TEST(ScreenChoice, mirrorsTopDownCoordinatesAtThePrimaryScreensBottom) {
    // A 26 px top panel of a 1080 px screen.
    const QRectF panel = flippedRect(QRectF(0, 0, 1920, 26), 1080);
    EXPECT_EQ(panel.y(), 1054);
    EXPECT_EQ(panel.height(), 26);
    EXPECT_EQ(flippedRect(panel, 1080).y(), 0);
    EXPECT_EQ(flippedPoint({10, 0}, 1080), QPointF(10, 1080));
}

TEST(CurrentScreen, readsTheScreensValuesOnceUntilTheScreensChange) {
    FakeScreenProvider provider;
    addTwoScreens(provider);
    provider.setPointer({1500, 100});
    CurrentScreen current(provider);
    EXPECT_EQ(current.scalars(), std::nullopt) << "nothing chosen yet";

    current.refresh();
    const int readsForChoice = provider.reads;
    EXPECT_EQ(current.scalars()->frame.width(), 1920);
    current.scalars();
    EXPECT_EQ(provider.reads, readsForChoice + 1);

    emit provider.screenParametersChanged();
    current.scalars();
    EXPECT_EQ(provider.reads, readsForChoice + 2);
}

TEST(CurrentScreen, keepsItsScreenWhenThePointerMovesUntilRefreshed) {
    FakeScreenProvider provider;
    addTwoScreens(provider);
    provider.setPointer({1500, 100});
    CurrentScreen current(provider);
    current.refresh();

    provider.setPointer({100, 100});
    EXPECT_EQ(current.screen(), 2u);
    current.refresh();
    EXPECT_EQ(current.screen(), 1u);
}
