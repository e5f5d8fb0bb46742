#include "Parlino/Style/FadingScrollView.h"
#include "Parlino/Style/PointerMotion.h"
#include "Parlino/Style/Theme.h"

#include "support/ManualTime.h"
#include "support/Screenshots.h"

#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace Parlino;

namespace {

const QString suite = QStringLiteral("FadingScrollView");

// A column of rows 40 pixels apart, tall as `height`.
class Rows final : public QWidget {
public:
    explicit Rows(int height) { setMinimumHeight(height); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Theme::ink());
        for (int y = 0; y < height(); y += 40)
            painter.fillRect(QRect(8, y + 8, width() - 16, 24), Theme::white08());
    }
};

struct FadingScrollViewTest : ::testing::Test {
    std::unique_ptr<FadingScrollView> makeView(JumpToEndPolicy policy, int contentHeight = 1000) {
        auto view = std::make_unique<FadingScrollView>(policy, pointer, motion);
        view->setContent(new Rows(contentHeight));
        view->resize(240, 100);
        view->show();
        return view;
    }
    void scrollTo(FadingScrollView& view, int offset) {
        view.scrollArea().verticalScrollBar()->setValue(offset);
    }

    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    MotionPreferences preferences;
    MotionContext motion{clock, scheduler, preferences};
    PointerMotion pointer{clock, scheduler};
};

TEST_F(FadingScrollViewTest, ReportsItsMetricsAndKeepsThePlatformBarsOff) {
    const auto view = makeView(JumpToEndPolicy::never);
    EXPECT_EQ(view->model().contentHeight(), 1000);
    EXPECT_EQ(view->model().viewportHeight(), 100);
    scrollTo(*view, 250);
    EXPECT_EQ(view->model().offset(), 250);
    EXPECT_FALSE(view->scrollArea().verticalScrollBar()->isVisible());
    view->resize(240, 160);
    EXPECT_EQ(view->model().viewportHeight(), 160);
    view->scrollArea().widget()->setMinimumHeight(1400);
    QApplication::processEvents();
    EXPECT_EQ(view->model().contentHeight(), 1400);
    EXPECT_EQ(view->chevron(), nullptr);
}

TEST_F(FadingScrollViewTest, TheBarFlashesWhileScrollingFadesAfterwardsAndLetsClicksThrough) {
    const auto view = makeView(JumpToEndPolicy::never);
    const FadingScrollBar& bar = view->scrollBar();
    EXPECT_DOUBLE_EQ(bar.opacity(), 0);
    scrollTo(*view, 450);
    scheduler.advance(0.25);
    EXPECT_DOUBLE_EQ(bar.opacity(), 1);
    // Thumb of a 100-pixel view over 1000 pixels: 24 tall, 35 down the track, which starts at 3.
    const QImage shown =
        TestSupport::renderScreenshot(*view, 2, suite, QStringLiteral("bar-shown"));
    const int barX = 240 - 3 - 3;
    EXPECT_GT(shown.pixelColor(2 * barX, 2 * 50).lightness(),
              shown.pixelColor(2 * barX, 2 * 90).lightness());
    EXPECT_EQ(view->childAt(barX, 50), view->scrollArea().widget());

    scheduler.advance(0.65 + 0.25);
    EXPECT_DOUBLE_EQ(bar.opacity(), 0);
    TestSupport::renderScreenshot(*view, 1, suite, QStringLiteral("bar-faded"));
}

TEST_F(FadingScrollViewTest, TheChevronJumpsToTheEndAndHidesThere) {
    const auto view = makeView(JumpToEndPolicy::whenScrollable);
    JumpToEndChevron* chevron = view->chevron();
    ASSERT_NE(chevron, nullptr);
    EXPECT_TRUE(chevron->isShown());
    EXPECT_EQ(chevron->geometry(), QRect(107, 72, 26, 26));
    scheduler.advance(0.15);
    TestSupport::renderScreenshot(*view, 2, suite, QStringLiteral("chevron-shown"));
    QTest::mouseClick(chevron, Qt::LeftButton);
    EXPECT_EQ(view->model().offset(), 900);
    EXPECT_FALSE(chevron->isShown());
    EXPECT_TRUE(view->scrollBar().fader().isVisible());
    scheduler.advance(0.15);
    TestSupport::renderScreenshot(*view, 2, suite, QStringLiteral("chevron-at-end"));
    EXPECT_NE(view->childAt(chevron->geometry().center()), chevron);
}

// Tab reaches the chevron only while it shows (no ring around an empty spot); pressed from the
// keyboard, it hides at the end and hands the focus back.
TEST_F(FadingScrollViewTest, TheChevronIsATabStopOnlyWhileItShows) {
    QWidget window;
    auto* before = new QPushButton(QStringLiteral("Before"), &window);
    auto* view = new FadingScrollView(JumpToEndPolicy::whenScrollable, pointer, motion, &window);
    view->setContent(new Rows(50));
    view->setGeometry(0, 40, 240, 100);
    window.resize(240, 140);
    window.show();
    QApplication::setActiveWindow(&window);
    before->setFocus(Qt::TabFocusReason);
    JumpToEndChevron* chevron = view->chevron();
    ASSERT_FALSE(chevron->isShown());
    QTest::keyClick(before, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), before);

    view->scrollArea().widget()->setMinimumHeight(1000);
    QApplication::processEvents();
    ASSERT_TRUE(chevron->isShown());
    QTest::keyClick(before, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), chevron);
    QTest::keyClick(chevron, Qt::Key_Space);
    EXPECT_EQ(view->model().offset(), 900);
    EXPECT_FALSE(chevron->isShown());
    EXPECT_EQ(QApplication::focusWidget(), before);
    QTest::keyClick(before, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), before);

    // Hidden while its window is in the background: the window's focus goes back all the same.
    scrollTo(*view, 0);
    ASSERT_TRUE(chevron->isShown());
    QTest::keyClick(before, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), chevron);
    QApplication::setActiveWindow(nullptr);
    scrollTo(*view, 900);
    EXPECT_FALSE(chevron->isShown());
    EXPECT_EQ(window.focusWidget(), before);
}

TEST_F(FadingScrollViewTest, AMotionGatedChevronShowsOnlyWhileThePointerMoves) {
    const auto view = makeView(JumpToEndPolicy::whileThePointerMoves);
    JumpToEndChevron* chevron = view->chevron();
    EXPECT_FALSE(chevron->isShown());
    pointer.pointerMoved();
    EXPECT_TRUE(chevron->isShown());
    EXPECT_EQ(view->childAt(chevron->geometry().center()), chevron);
    scheduler.advance(1);
    EXPECT_FALSE(chevron->isShown());
    scheduler.advance(0.15);
    EXPECT_DOUBLE_EQ(chevron->opacity(), 0);
}

} // namespace
