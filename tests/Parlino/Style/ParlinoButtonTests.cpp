#include "Parlino/Style/HoverTracker.h"
#include "Parlino/Style/ParlinoButton.h"
#include "Parlino/Style/Theme.h"

#include "support/ManualTime.h"
#include "support/Screenshots.h"

#include <QApplication>
#include <QEnterEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace Parlino;

namespace {

// The style of the panel's control bar buttons.
ParlinoButtonStyle controlBarStyle() {
    return {.scale = 0.97,
            .pressedScale = 0.93,
            .brightness = 0.06,
            .pressedBrightness = -0.05,
            .backdrop = std::nullopt,
            .backdropCornerRadius = 8,
            .hover = true};
}

void expectLook(const ControlLook& look, qreal backdropAlpha, qreal scale, qreal opacity) {
    EXPECT_NEAR(look.backdrop.alphaF(), backdropAlpha, 1e-3);
    EXPECT_DOUBLE_EQ(look.scale, scale);
    EXPECT_DOUBLE_EQ(look.opacity, opacity);
}

void sendEnter(QWidget& widget) {
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&widget, &enter);
}

void sendLeave(QWidget& widget) {
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&widget, &leave);
}

struct Motion {
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    MotionPreferences preferences;
    MotionContext context{clock, scheduler, preferences};
};

} // namespace

TEST(ParlinoButtonStyle, ResolvesEachStateWithAndWithoutReduceMotion) {
    const ParlinoButtonStyle style = controlBarStyle();
    expectLook(style.look(false, false, false), 0, 1, 1);
    expectLook(style.look(false, true, false), 0.06, 0.97, 1);
    expectLook(style.look(true, false, false), 0.05, 0.93, 1);
    expectLook(style.look(true, true, false), 0.05, 0.93, 1);
    expectLook(style.look(false, false, true), 0, 1, 1);
    expectLook(style.look(false, true, true), 0.06, 1, 0.75);
    expectLook(style.look(true, true, true), 0.05, 1, 0.55);
    EXPECT_EQ(style.look(false, true, false).backdrop.rgb(), QColor(Qt::white).rgb());
}

TEST(ParlinoButtonStyle, WithoutHoverOnlyThePressShows) {
    ParlinoButtonStyle style = controlBarStyle();
    style.hover = false;
    for (const bool reduceMotion : {false, true}) {
        EXPECT_EQ(style.look(false, true, reduceMotion), ControlLook());
        EXPECT_NE(style.look(true, true, reduceMotion), ControlLook());
    }
}

TEST(ParlinoButtonStyle, ABackdropColourIsTheSameHoveredAndPressed) {
    ParlinoButtonStyle style = controlBarStyle();
    style.backdrop = Theme::accent();
    EXPECT_EQ(style.look(false, true, false).backdrop, Theme::accent());
    EXPECT_EQ(style.look(true, false, false).backdrop, Theme::accent());
    EXPECT_NE(style.look(false, true, false).scale, style.look(true, false, false).scale);
    EXPECT_NE(style.look(false, true, true).opacity, style.look(true, false, true).opacity);
}

TEST(ParlinoButtonStyle, BlendedLooksMeetTheStatesAtTheirEnds) {
    const ParlinoButtonStyle style = controlBarStyle();
    EXPECT_EQ(style.blendedLook(0, 0, false), style.look(false, false, false));
    EXPECT_EQ(style.blendedLook(1, 1, true), style.look(true, true, true));
    const ControlLook halfway = style.blendedLook(0, 0.5, false);
    EXPECT_NEAR(halfway.scale, 0.985, 1e-9);
    EXPECT_NEAR(halfway.backdrop.alphaF(), 0.03, 1e-3);
    // Fading in from clear keeps the backdrop white, not grey.
    EXPECT_EQ(halfway.backdrop.red(), 255);
}

TEST(ParlinoHoverModifier, ScalesOrDimsOnlyWhileHovered) {
    const ParlinoHoverModifier modifier{
        .scale = 1.05, .brightness = 0.08, .backdrop = std::nullopt, .backdropCornerRadius = 6};
    expectLook(modifier.look(false, false), 0, 1, 1);
    expectLook(modifier.look(false, true), 0, 1, 1);
    expectLook(modifier.look(true, false), 0.08, 1.05, 1);
    expectLook(modifier.look(true, true), 0.08, 1, 0.75);
    const ParlinoHoverModifier tinted{.scale = 1, .backdrop = Theme::red85()};
    EXPECT_EQ(tinted.look(true, false).backdrop, Theme::red85());
}

TEST(HoverTracker, ReportsCrossingsToTheCurrentCallbacksOnly) {
    QWidget host;
    HoverTracker tracker(host);
    QStringList calls;
    tracker.onEntered = [&] { calls << "entered"; };
    tracker.onExited = [&] { calls << "first exit"; };
    sendEnter(host);
    sendEnter(host);
    EXPECT_TRUE(tracker.isHovering());
    tracker.onExited = [&] { calls << "second exit"; };
    sendLeave(host);
    sendLeave(host);
    EXPECT_FALSE(tracker.isHovering());
    EXPECT_EQ(calls, QStringList({"entered", "second exit"}));
}

TEST(ParlinoButton, TheSpokenTitleLeavesOutTheArrowOfALinkAndNothingElse) {
    EXPECT_EQ(spokenTitle(QStringLiteral("Go to API key ↗")), QStringLiteral("Go to API key"));
    EXPECT_EQ(spokenTitle(QStringLiteral("↗ Open")), QStringLiteral("Open"));
    EXPECT_EQ(spokenTitle(QStringLiteral("↓ current word")), QStringLiteral("↓ current word"));
}

TEST(ParlinoButton, EasesIntoTheHoverAndPressLooks) {
    Motion motion;
    ParlinoIconButton button(QStringLiteral("play.fill"), 14, Qt::white, controlBarStyle(),
                             motion.context);
    button.resize(28, 28);
    sendEnter(button);
    EXPECT_TRUE(button.isHovering());
    EXPECT_EQ(button.currentLook(), ControlLook());
    motion.scheduler.advance(0.06);
    const qreal midway = button.currentLook().scale;
    EXPECT_LT(midway, 1);
    EXPECT_GT(midway, 0.97);
    motion.scheduler.advance(0.1);
    EXPECT_EQ(button.currentLook(), controlBarStyle().look(false, true, false));
    EXPECT_EQ(motion.scheduler.pendingCount(), 0u);

    int clicks = 0;
    QObject::connect(&button, &QAbstractButton::clicked, [&] { ++clicks; });
    QTest::mousePress(&button, Qt::LeftButton);
    motion.scheduler.advance(0.2);
    EXPECT_EQ(button.currentLook(), controlBarStyle().look(true, true, false));
    QTest::mouseRelease(&button, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    sendLeave(button);
    motion.scheduler.advance(0.2);
    EXPECT_EQ(button.currentLook(), ControlLook());
}

TEST(ParlinoButton, GoingAwayMidMotionLeavesNoFrameBehind) {
    Motion motion;
    auto button = std::make_unique<ParlinoIconButton>(QStringLiteral("play.fill"), 14, Qt::white,
                                                      controlBarStyle(), motion.context);
    button->resize(28, 28);
    button->show();
    sendEnter(*button);
    QTest::mousePress(button.get(), Qt::LeftButton);
    ASSERT_GT(motion.scheduler.pendingCount(), 0u);

    // Its teardown hides it, which ends the hover: no frame may be scheduled for it then.
    button.reset();
    EXPECT_EQ(motion.scheduler.pendingCount(), 0u);
    motion.scheduler.advance(1);
}

class ButtonScreenshots : public testing::TestWithParam<qreal> {};

TEST_P(ButtonScreenshots, HoveredButtonsShowTheirBackdropBehindTheLabel) {
    const qreal ratio = GetParam();
    Motion motion;
    ParlinoIconButton icon(QStringLiteral("pause.fill"), 14, Theme::accent(), controlBarStyle(),
                           motion.context);
    QFont font;
    font.setPixelSize(13);
    ParlinoTextButton text(QStringLiteral("Validate & Save"), font, Qt::white,
                           {.brightness = 0.2, .backdrop = std::nullopt, .backdropCornerRadius = 6},
                           motion.context);
    icon.resize(32, 32);
    text.resize(text.sizeHint());
    for (ParlinoButton* button :
         {static_cast<ParlinoButton*>(&icon), static_cast<ParlinoButton*>(&text)})
        sendEnter(*button);
    motion.scheduler.advance(0.2);

    const QImage iconImage = TestSupport::renderScreenshot(icon, ratio, QStringLiteral("Style"),
                                                           QStringLiteral("button-icon-hovered"));
    ASSERT_EQ(iconImage.size(), QSize(32, 32) * ratio);
    EXPECT_EQ(iconImage.pixelColor(0, 0).alpha(), 0);
    // Scaled to 0.97, the backdrop leaves a thin clear margin and fills in just inside it.
    const QColor edge = iconImage.pixelColor(int(3 * ratio), int(16 * ratio));
    EXPECT_NEAR(edge.alphaF(), 0.06, 0.01);
    // The left bar of the pause symbol sits left of the centre, in the accent colour.
    bool accentFound = false;
    for (int x = 0; x < iconImage.width() / 2; ++x) {
        const QColor c = iconImage.pixelColor(x, iconImage.height() / 2);
        accentFound |= c.alpha() == 255 && qAbs(c.blue() - 255) < 3 && c.red() < 120;
    }
    EXPECT_TRUE(accentFound);

    const QImage textImage = TestSupport::renderScreenshot(text, ratio, QStringLiteral("Style"),
                                                           QStringLiteral("button-text-hovered"));
    ASSERT_EQ(textImage.size(), text.size() * ratio);
    EXPECT_EQ(textImage.pixelColor(0, 0).alpha(), 0);
    EXPECT_NEAR(textImage.pixelColor(int(2 * ratio), textImage.height() / 2).alphaF(), 0.2, 0.02);
}

INSTANTIATE_TEST_SUITE_P(Ratios, ButtonScreenshots, testing::Values(1.0, 2.0));
