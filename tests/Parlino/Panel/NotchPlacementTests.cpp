#include "Parlino/Panel/NotchPlacement.h"
#include "Parlino/Panel/PanelSizing.h"
#include "support/FakeScreenProvider.h"
#include "support/FakeSurfaceWindow.h"

#include <gtest/gtest.h>

using namespace Parlino;
using namespace Parlino::NotchPlacement;
using TestSupport::FakeSurfaceWindow;
using TestSupport::plainScreen;

namespace {

// QRectF's == is fuzzy; these must match exactly.
void expectRect(const QRectF& actual, qreal x, qreal y, qreal width, qreal height) {
    EXPECT_EQ(actual.x(), x);
    EXPECT_EQ(actual.y(), y);
    EXPECT_EQ(actual.width(), width);
    EXPECT_EQ(actual.height(), height);
}

// A 1512 × 982 screen with a 32 pt notch 188 pt wide between its two auxiliary areas.
ScreenScalars notchedScreen() {
    return {QRectF(0, 0, 1512, 982), QRectF(0, 0, 1512, 950), 32, 662, 662};
}

} // namespace

TEST(NotchPlacement, placesEveryPillCentredUnderThePanelOfAPlainScreen) {
    const ScreenScalars screen = plainScreen(1440, 900, 25);

    EXPECT_EQ(topInset(screen), 25);
    expectRect(bubblePillRect(screen), 610, 841, 220, 34);
    const PillPlacement bubble = bubblePlacement(screen);
    expectRect(bubble.windowFrame, 610, 841, 220, 68);
    EXPECT_EQ(bubble.pillHeight, 34);
    EXPECT_EQ(bubble.visibleHeight, 34);
    EXPECT_EQ(bubble.horizontalBleed, 0);

    expectRect(idleBarRect(screen), 610, 858, 220, 17);
    const PillPlacement idleBar = idleBarPlacement(screen);
    expectRect(idleBar.windowFrame, 610, 854, 220, 38);
    EXPECT_EQ(idleBar.visibleHeight, 17);

    expectRect(warningPopupRect(screen), 560, 841, 320, 34);
    expectRect(warningPlacement(screen).windowFrame, 560, 841, 320, 68);
}

TEST(NotchPlacement, growsThePillsOutOfTheNotch) {
    const ScreenScalars screen = notchedScreen();

    EXPECT_EQ(topInset(screen), 32);
    // Band 32 below the notch, 16 up into it; 187 wide, starting half a point past 662.
    const QRectF pill = bubblePillRect(screen);
    expectRect(pill, 662.5, 918, 187, 48);
    EXPECT_EQ(hiddenHeight(screen, pill), 16);
    const PillPlacement bubble = bubblePlacement(screen);
    expectRect(bubble.windowFrame, 662, 918, 188, 96);
    EXPECT_EQ(bubble.visibleHeight, 32);
    EXPECT_EQ(bubble.horizontalBleed, 0.5);

    // The idle bar runs from the top of the screen to 16 pt below the notch.
    expectRect(idleBarRect(screen), 662.5, 934, 187, 48);
    const PillPlacement idleBar = idleBarPlacement(screen);
    EXPECT_EQ(idleBar.visibleHeight, 16);
    expectRect(idleBar.windowFrame, 662, 930, 188, 100);

    const PillPlacement warning = warningPlacement(screen);
    expectRect(warning.windowFrame, 596, 918, 320, 64);
    EXPECT_EQ(warning.pillHeight, 32);
}

TEST(NotchPlacement, keepsTheBandAtLeast30AndThePillNeverNegative) {
    ScreenScalars shallow = notchedScreen();
    shallow.safeAreaTop = 20;
    shallow.visibleFrame = QRectF(0, 0, 1512, 962);
    // Band 30, overlap min(20, 15) = 15.
    expectRect(bubblePillRect(shallow), 662.5, 932, 187, 45);

    ScreenScalars crowded = notchedScreen();
    crowded.auxiliaryTopLeftWidth = 1000;
    crowded.auxiliaryTopRightWidth = 1000;
    EXPECT_EQ(bubblePillRect(crowded).width(), 0);
    EXPECT_EQ(warningPopupRect(crowded).width(), 320);
}

TEST(NotchPlacement, startsWindowsOnTheWholePointLeftOfAPill) {
    const ScreenScalars screen = plainScreen(420.5, 900, 25);

    const PillPlacement bubble = bubblePlacement(screen);

    EXPECT_EQ(bubblePillRect(screen).x(), 100.25);
    EXPECT_EQ(bubble.horizontalBleed, 0.25);
    expectRect(bubble.windowFrame, 100, 841, 220.5, 68);
}

TEST(NotchPlacement, sizesThePanelWindowForItsTallestSheet) {
    for (const qreal inset : {0.0, 25.0, 33.0, 120.0}) {
        const ScreenScalars screen = plainScreen(1440, 900, inset);
        const QRectF frame = panelWindowFrame(screen);

        PanelSizing::SheetInputs reading;
        reading.phase = PlayerViewModel::Phase::Kind::stalled;
        reading.topContentInset = inset;
        reading.textHeight = 5000;
        reading.screenHeight = 900;
        PanelSizing::SheetInputs settings = reading;
        settings.contentMode = PanelContentMode::settings;

        EXPECT_EQ(frame.bottom(), 900) << inset;
        EXPECT_GE(frame.height(), PanelSizing::panelHeight(reading)) << inset;
        EXPECT_GE(frame.height(), PanelSizing::panelHeight(settings)) << inset;
    }
    expectRect(panelWindowFrame(plainScreen(1440, 900, 25)), 464, 572, 512, 328);
    expectRect(panelWindowFrame(plainScreen(1440, 900, 40)), 464, 565, 512, 335);
    // A narrow available area narrows the window.
    expectRect(panelWindowFrame(plainScreen(400, 900, 40)), 16, 565, 368, 335);
}

TEST(NotchPlacement, letsClicksThroughOnlyBesideTheVisibleSheet) {
    const ScreenScalars screen = plainScreen(1440, 900, 25);
    const QRectF window = panelWindowFrame(screen);
    const QRectF sheet = visiblePanelRect(screen, 121, window);
    expectRect(sheet, 472, 779, 496, 121);

    EXPECT_TRUE(panelIgnoresMouseAt({720, 700}, window, sheet));
    EXPECT_FALSE(panelIgnoresMouseAt({720, 778}, window, sheet)) << "within the 2 pt slack";
    EXPECT_FALSE(panelIgnoresMouseAt({720, 850}, window, sheet));
    EXPECT_FALSE(panelIgnoresMouseAt({100, 700}, window, sheet)) << "outside the window";
}

TEST(NotchPlacement, presentsAPillByFramingAndOrderingItsWindowFront) {
    FakeSurfaceWindow window;

    const PillPlacement placement = presentIdleBarWindow(window, plainScreen(1440, 900, 25));

    EXPECT_EQ(window.calls, QStringList({"setFrame+display", "orderFront"}));
    expectRect(window.frame(), 610, 854, 220, 38);
    EXPECT_EQ(placement.pillHeight, 17);
}

TEST(NotchPlacement, reframesThePanelOnlyWhenItIsHalfAPointOff) {
    const ScreenScalars screen = plainScreen(1440, 900, 25);
    FakeSurfaceWindow panel;
    panel.setIgnoresMouse(true);

    presentPanelWindow(panel, screen);
    EXPECT_EQ(panel.calls, QStringList({"ignoresMouse=true", "ignoresMouse=false",
                                        "setFrame+display", "orderFront"}));

    panel.setFrame(panelWindowFrame(screen).translated(0.5, -0.5), false);
    EXPECT_FALSE(applyPanelFrame(panel, screen));
    panel.setFrame(panelWindowFrame(screen).adjusted(0, 0, 0, 0.75), false);
    EXPECT_TRUE(applyPanelFrame(panel, screen));
    expectRect(panel.frame(), 464, 572, 512, 328);
}
