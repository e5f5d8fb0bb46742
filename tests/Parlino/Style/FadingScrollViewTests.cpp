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

// A window with a button before a scroll view of twenty buttons, 40 pixels apart, in a viewport
// of 100: the view shows whichever of them takes the focus whole, clear of the chevron.
TEST_F(FadingScrollViewTest, AControlThatTakesTheFocusShowsWholeHoweverTheFocusCame) {
    QWidget window;
    auto* before = new QPushButton(QStringLiteral("Before"), &window);
    auto* view = new FadingScrollView(JumpToEndPolicy::whenScrollable, pointer, motion, &window);
    auto* content = new QWidget;
    content->setFocusPolicy(Qt::StrongFocus);
    content->setMinimumHeight(810);
    QList<QPushButton*> buttons;
    for (int i = 0; i < 20; ++i) {
        buttons.append(new QPushButton(QString::number(i), content));
        buttons.back()->setGeometry(20, 10 + 40 * i, 100, 30);
    }
    view->setContent(content);
    view->setGeometry(0, 40, 240, 100);
    window.resize(240, 140);
    window.show();
    QApplication::setActiveWindow(&window);
    const auto offset = [&] { return view->model().offset(); };
    const auto showsWhole = [&](QPushButton* button) {
        const QRect place(button->mapTo(view, QPoint()), button->size());
        return view->rect().contains(place) &&
               (!view->chevron()->isShown() || !place.intersects(view->chevron()->geometry()));
    };

    // Shift+Tab wraps from the first control of the window to the last one at the end.
    before->setFocus(Qt::TabFocusReason);
    QTest::keyClick(before, Qt::Key_Backtab);
    ASSERT_EQ(QApplication::focusWidget(), buttons.back());
    EXPECT_EQ(offset(), 710);
    EXPECT_TRUE(showsWhole(buttons.back()));
    // Tab wraps back, and on into the content's first control, from the end.
    QTest::keyClick(buttons.back(), Qt::Key_Tab);
    QTest::keyClick(before, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), content);
    EXPECT_EQ(offset(), 710) << "the content itself is the document, not a control in it";
    QTest::keyClick(content, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), buttons.front());
    EXPECT_EQ(offset(), 10 - FadingScrollView::revealMargin);
    EXPECT_TRUE(showsWhole(buttons.front()));
    // Set by the program, below: its bottom just above the chevron.
    buttons[6]->setFocus(Qt::OtherFocusReason);
    const qreal belowSixth = 10 + 240 + 30 + FadingScrollView::revealMargin - 72;
    EXPECT_EQ(offset(), belowSixth);
    EXPECT_TRUE(showsWhole(buttons[6]));
    EXPECT_FALSE(view->showsWhole(*buttons[7]));

    // A press takes the focus where the control is; the view follows once it is released.
    const QPoint at = buttons[7]->mapTo(&window, QPoint(50, 5));
    QTest::mousePress(window.windowHandle(), Qt::LeftButton, {}, at);
    EXPECT_EQ(QApplication::focusWidget(), buttons[7]);
    EXPECT_EQ(offset(), belowSixth);
    QTest::mouseRelease(window.windowHandle(), Qt::LeftButton, {}, at);
    QApplication::processEvents();
    EXPECT_TRUE(showsWhole(buttons[7]));
    EXPECT_TRUE(view->showsWhole(*buttons[7]));
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
