#include "Parlino/Style/ArmedButton.h"
#include "Parlino/Style/Theme.h"

#include "support/ManualTime.h"
#include "support/Screenshots.h"

#include <QApplication>
#include <QEnterEvent>
#include <QTest>
#include <gtest/gtest.h>

using namespace Parlino;

namespace {

const QString suite = QStringLiteral("ArmedButton");

struct ArmedButtonTest : ::testing::Test {
    ArmedButtonTest() {
        text.action = [this] { ++commands; };
        text.resize(140, 30);
        icon.action = [this] { ++commands; };
        icon.resize(22, 22);
    }

    void click(QWidget& button) { QTest::mouseClick(&button, Qt::LeftButton); }
    void enter(QWidget& button) {
        QEnterEvent event(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(&button, &event);
    }
    void leave(QWidget& button) {
        QEvent event(QEvent::Leave);
        QApplication::sendEvent(&button, &event);
    }
    QColor pixel(QWidget& button, const QString& name, QPoint at) {
        return TestSupport::renderScreenshot(button, 2, suite, name).pixelColor(at * 2);
    }

    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    MotionPreferences preferences;
    MotionContext motion{clock, scheduler, preferences};
    ArmedActionButton text{QStringLiteral("Clear all"), QFont(), Theme::red85(), motion};
    ArmedIconButton icon{QStringLiteral("trash"), 22, Theme::white60(), 12, motion};
    int commands = 0;
};

TEST_F(ArmedButtonTest, TwoClicksRunTheCommandOnceAndLeavingOrHidingBetweenThemStartsOver) {
    click(text);
    EXPECT_EQ(commands, 0);
    click(text);
    EXPECT_EQ(commands, 1);
    EXPECT_FALSE(text.arming().isArmed());

    click(text);
    leave(text);
    click(text);
    EXPECT_EQ(commands, 1);
    EXPECT_TRUE(text.arming().isArmed());

    text.show();
    text.hide();
    EXPECT_FALSE(text.arming().isArmed());
    scheduler.advance(3);
    click(text);
    EXPECT_EQ(commands, 1);
}

TEST_F(ArmedButtonTest, TheHighlightGrowsInAndWithReduceMotionOnlyFadesIn) {
    // The capsule's left end lies outside the highlight while it is still small.
    // A programmatic click leaves no pressed backdrop behind to blur the samples.
    const QPoint capsuleEnd(14, 15);
    text.click();
    scheduler.advance(0.03);
    EXPECT_GT(text.armedAmount(), 0);
    EXPECT_LT(text.armedAmount(), 1);
    EXPECT_EQ(pixel(text, QStringLiteral("text-arming"), capsuleEnd).alpha(), 0);
    scheduler.advance(0.12);
    EXPECT_DOUBLE_EQ(text.armedAmount(), 1);
    const QColor armed = pixel(text, QStringLiteral("text-armed"), capsuleEnd);
    EXPECT_EQ(armed.rgb(), Theme::red().rgb());

    leave(text);
    scheduler.advance(1);
    EXPECT_DOUBLE_EQ(text.armedAmount(), 0);
    pixel(text, QStringLiteral("text-idle"), capsuleEnd);
    preferences.setReduceMotion(true);
    text.click();
    scheduler.advance(0.03);
    const QColor fading = pixel(text, QStringLiteral("text-arming-reduce-motion"), capsuleEnd);
    EXPECT_GT(fading.alpha(), 0);
    EXPECT_LT(fading.alpha(), 255);
}

// A disabled button (the cache button while the cache is empty) is no error: no red label.
TEST_F(ArmedButtonTest, ADisabledButtonShowsItsLabelFadedAndWithoutItsColour) {
    struct Label {
        int redness = 0; // how far the most reddish pixel leans to red, weighed by its cover
        int cover = 0;   // the most opaque pixel's alpha
    };
    const auto label = [&](const QString& name) {
        const QImage image = TestSupport::renderScreenshot(text, 2, suite, name);
        Label found;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor colour = image.pixelColor(x, y);
                found.redness =
                    std::max(found.redness, (colour.red() - colour.green()) * colour.alpha() / 255);
                found.cover = std::max(found.cover, colour.alpha());
            }
        return found;
    };
    const Label enabled = label(QStringLiteral("text-enabled"));
    EXPECT_GT(enabled.redness, 100);
    text.setEnabled(false);
    const Label disabled = label(QStringLiteral("text-disabled"));
    EXPECT_LT(disabled.redness, 8);
    EXPECT_GT(disabled.cover, 40);
    EXPECT_LT(disabled.cover, enabled.cover / 2);
}

TEST_F(ArmedButtonTest, TheIconButtonShowsItsHoverDiscOnlyUntilItArms) {
    const QPoint discEdge(3, 11);
    const QPoint centre(11, 11);
    EXPECT_EQ(pixel(icon, QStringLiteral("icon-idle"), discEdge).alpha(), 0);
    enter(icon);
    scheduler.advance(0.12);
    const QColor hovered = pixel(icon, QStringLiteral("icon-hovered"), discEdge);
    EXPECT_NEAR(hovered.alphaF(), 0.28, 0.02);
    click(icon);
    scheduler.advance(0.15);
    // Armed, the disc is red and the symbol in the middle white.
    const QImage armed =
        TestSupport::renderScreenshot(icon, 2, suite, QStringLiteral("icon-armed"));
    EXPECT_EQ(armed.pixelColor(discEdge * 2).rgb(), Theme::red().rgb());
    bool whiteSymbol = false;
    for (int dx = -8; dx <= 8; ++dx)
        whiteSymbol |= armed.pixelColor(centre * 2 + QPoint(dx, 0)).green() > 230;
    EXPECT_TRUE(whiteSymbol);
    leave(icon);
    EXPECT_FALSE(icon.arming().isArmed());
}

} // namespace
