#include "ClipsViewTesting.h"
#include "Parlino/Clips/ClipControls.h"
#include "Parlino/Clips/ClipsList.h"
#include "Parlino/Clips/ClipsView.h"
#include "Parlino/Clips/ClipsViewModel.h"
#include "Parlino/Style/ArmedButton.h"
#include "Parlino/Style/FadingScrollView.h"
#include "Parlino/Style/FocusRest.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

using namespace Parlino;

// A window of 60 clips with the focus moved with Tab onto the first clip's Play button.
struct ClipsListFocusTest : ::testing::Test, ClipsTesting::ClipsViewHarness {
    ClipsListFocusTest() {
        for (int i = 0; i < 60; ++i)
            save(QStringLiteral("Clip %1").arg(i));
        model.reloadImmediately();
        view = std::make_unique<ClipsView>(model, false, 0, environment);
        view->show();
        view->activateWindow();
        QApplication::setActiveWindow(view.get());
        settle();
        for (int i = 0; i < 8 && focused() != &firstRow()->playButton(); ++i)
            QTest::keyClick(focused(), Qt::Key_Tab);
        settle();
    }

    ClipsList& list() const { return view->list(); }
    FadingScrollView& scrollView() const { return view->scrollView(); }
    ArmedActionButton& clearAll() const { return list().clearAllButton(); }
    QScrollBar& scrollBar() const { return *view->scrollView().scrollArea().verticalScrollBar(); }
    ClipRow* firstRow() const { return list().row(model.clips().front().id); }
    QWidget* focused() const { return QApplication::focusWidget(); }

    // Scrolls down with `step` until the first row lies above the rows the list makes for the view.
    void scrollFirstRowAway(const std::function<void()>& step) {
        const qreal away = list().layout().rowTop(1) + ClipsList::overscan;
        for (int i = 0; i < 40 && scrollBar().value() <= away; ++i) {
            step();
            settle();
        }
        ASSERT_GT(scrollBar().value(), away);
    }
    // Down by one notch, or up with a positive `delta`.
    void turnWheel(int delta = -120) {
        QWidget* viewport = view->scrollView().scrollArea().viewport();
        const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
        QWheelEvent wheel(at, viewport->mapToGlobal(at), {}, {0, delta}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        // Where a row under the pointer passes it on to: a sent wheel event does not propagate.
        QApplication::sendEvent(viewport, &wheel);
    }

    // Every row the list made shows, where its clip lies.
    void expectRowsInPlace() const {
        for (ClipRow* row : list().rows()) {
            const QList<ClipSummary>& clips = model.clips();
            const auto index =
                std::find_if(clips.cbegin(), clips.cend(),
                             [row](const ClipSummary& clip) { return clip.id == row->clip().id; }) -
                clips.cbegin();
            ASSERT_LT(index, clips.size());
            EXPECT_EQ(row->y(), qRound(list().layout().rowTop(index)));
            EXPECT_TRUE(row->isVisible());
        }
    }

    ClipsViewModel model{library, nullptr, players(), settings.keys};
    std::unique_ptr<ClipsView> view;
};

TEST_F(ClipsListFocusTest, TheFocusedRowStaysWithItsFocusWhenTheWheelScrollsItAway) {
    ASSERT_NE(firstRow(), nullptr);
    ASSERT_EQ(focused(), &firstRow()->playButton());

    scrollFirstRowAway([this] { turnWheel(); });
    ASSERT_NE(firstRow(), nullptr);
    EXPECT_EQ(focused(), &firstRow()->playButton());
    EXPECT_FALSE(view->scrollView().scrollArea().viewport()->rect().intersects(
        firstRow()->geometry().translated(list().pos())));
    expectRowsInPlace();

    // Space still plays the clip that has the focus.
    QTest::keyClick(focused(), Qt::Key_Space);
    EXPECT_EQ(model.playingClipID(), model.clips().front().id);
}

TEST_F(ClipsListFocusTest, TheFocusedRowStaysWithItsFocusWhenTheKeyboardScrollsItAway) {
    ASSERT_EQ(focused(), &firstRow()->playButton());

    scrollFirstRowAway([this] { QTest::keyClick(focused(), Qt::Key_PageDown); });
    ASSERT_NE(firstRow(), nullptr);
    EXPECT_EQ(focused(), &firstRow()->playButton());
    expectRowsInPlace();
    // And back: the row the focus kept is the one shown, not a second one.
    for (int i = 0; i < 40 && scrollBar().value() > 0; ++i)
        QTest::keyClick(focused(), Qt::Key_PageUp);
    settle();
    EXPECT_EQ(scrollBar().value(), 0);
    EXPECT_EQ(list().rows().front(), firstRow());
    expectRowsInPlace();
}

TEST_F(ClipsListFocusTest, TabFromARowScrolledAwayGoesOnFromItAndBringsItBack) {
    scrollFirstRowAway([this] { turnWheel(); });
    ClipRow* kept = firstRow();
    ASSERT_NE(kept, nullptr);

    QTest::keyClick(focused(), Qt::Key_Tab);
    settle();
    ASSERT_EQ(focused(), &kept->deleteButton());
    QWidget* viewport = view->scrollView().scrollArea().viewport();
    EXPECT_TRUE(
        viewport->rect().contains(QRect(focused()->mapTo(viewport, QPoint()), focused()->size())));
    expectRowsInPlace();
}

TEST_F(ClipsListFocusTest, ARowScrolledAwayGoesOnceTheFocusIsElsewhere) {
    const ClipID id = model.clips()[3].id;
    ASSERT_NE(list().row(id), nullptr);
    list().row(id)->playButton().setFocus(Qt::TabFocusReason);
    scrollBar().setValue(scrollBar().maximum());
    settle();
    ASSERT_NE(list().row(id), nullptr) << "kept while it holds the focus";
    view->speedChip().setFocus(Qt::TabFocusReason);
    turnWheel(120);
    settle();
    EXPECT_EQ(list().row(id), nullptr);
    expectRowsInPlace();
}

TEST_F(ClipsListFocusTest, DeletingTheFocusedRowHandsTheFocusToTheSameButtonOfTheNextRow) {
    const ClipID id = model.clips().front().id;
    const ClipID next = model.clips()[1].id;
    QTest::keyClick(focused(), Qt::Key_Tab);
    ArmedIconButton& trash = firstRow()->deleteButton();
    ASSERT_EQ(focused(), &trash);
    // Two presses of Space: the first arms, and the button says what the next one does.
    EXPECT_EQ(trash.accessibleName(), QStringLiteral("Delete"));
    QTest::keyClick(focused(), Qt::Key_Space);
    EXPECT_EQ(trash.accessibleName(), QStringLiteral("Press again to delete"));
    QTest::keyClick(focused(), Qt::Key_Space);
    ASSERT_NE(list().row(next), nullptr);
    EXPECT_EQ(focused(), &list().row(next)->deleteButton()) << "at once, not by way of another";
    settle();
    scheduler.advance(ClipsList::removalSeconds + 0.1);
    settle();
    EXPECT_EQ(model.clips().size(), 59);
    EXPECT_EQ(list().row(id), nullptr);
    EXPECT_EQ(focused(), &list().row(next)->deleteButton());
    EXPECT_EQ(list().row(next)->deleteButton().accessibleName(), QStringLiteral("Delete"));
    expectRowsInPlace();
}

TEST_F(ClipsListFocusTest, TheLastRowHandsItsFocusUpAndARowScrolledAwayToItsSuccessor) {
    // The focused row out of view: its successor takes the focus.
    scrollFirstRowAway([this] { turnWheel(); });
    const ClipID next = model.clips()[1].id;
    model.deleteClip(model.clips().front());
    settle();
    scheduler.advance(ClipsList::removalSeconds + 0.1);
    settle();
    ASSERT_NE(list().row(next), nullptr);
    EXPECT_EQ(focused(), &list().row(next)->playButton());
    expectRowsInPlace();

    // The last clip's row hands its focus to the row above it.
    scrollBar().setValue(scrollBar().maximum());
    settle();
    const ClipID last = model.clips().back().id;
    const ClipID above = model.clips()[model.clips().size() - 2].id;
    list().row(last)->textColumn().setFocus(Qt::TabFocusReason);
    model.deleteClip(model.clips().back());
    settle();
    ASSERT_NE(list().row(above), nullptr);
    EXPECT_EQ(focused(), &list().row(above)->textColumn());
}

TEST_F(ClipsListFocusTest, TabWalksTheRowsAsTheyLieWhateverOrderTheyWereMadeIn) {
    view->speedChip().setFocus(Qt::TabFocusReason);
    scrollBar().setValue(scrollBar().maximum());
    settle();
    // Back up a notch at a time: each row above is made after the one below it.
    for (int i = 0; i < 200 && scrollBar().value() > 0; ++i) {
        turnWheel(120);
        settle();
    }
    ASSERT_EQ(scrollBar().value(), 0);
    const QList<ClipRow*> rows = list().rows();
    ASSERT_GT(rows.size(), 2);

    rows[0]->textColumn().setFocus(Qt::TabFocusReason);
    QList<QWidget*> visited;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(focused(), Qt::Key_Tab);
        visited.append(focused());
    }
    EXPECT_EQ(visited, (QList<QWidget*>{&rows[0]->playButton(), &rows[0]->deleteButton(),
                                        &rows[1]->textColumn(), &rows[1]->playButton(),
                                        &rows[1]->deleteButton()}));

    // The last row made hands on to "Clear all".
    scrollBar().setValue(scrollBar().maximum());
    settle();
    list().rows().back()->deleteButton().setFocus(Qt::TabFocusReason);
    QTest::keyClick(focused(), Qt::Key_Tab);
    EXPECT_EQ(focused(), &list().clearAllButton());
}

// Shift+Tab from the speed chip wraps to "Clear all" at the far end of the list: it shows whole,
// clear of the chevron, before Space can arm it; Tab from the chip comes back to the newest clip.
TEST_F(ClipsListFocusTest, TheFocusWrapsToClearAllInViewAndBackToTheNewestClip) {
    view->speedChip().setFocus(Qt::TabFocusReason);
    QTest::keyClick(focused(), Qt::Key_Backtab);
    settle();
    ASSERT_EQ(focused(), &clearAll());
    EXPECT_EQ(scrollBar().value(), scrollBar().maximum());
    EXPECT_TRUE(scrollView().showsWhole(clearAll()));
    QTest::keyClick(focused(), Qt::Key_Space);
    EXPECT_TRUE(clearAll().arming().isArmed());
    EXPECT_EQ(clearAll().accessibleName(), QStringLiteral("Press again to clear all"));

    QTest::keyClick(focused(), Qt::Key_Tab);
    ASSERT_EQ(focused(), &view->speedChip());
    QTest::keyClick(focused(), Qt::Key_Tab);
    settle();
    ASSERT_NE(firstRow(), nullptr);
    EXPECT_EQ(focused(), &firstRow()->textColumn());
    EXPECT_EQ(scrollBar().value(), 0) << "the first row's padding with it";
    EXPECT_TRUE(scrollView().showsWhole(*focused()));
}

// However far the list lies from the focus, no press arms or runs a destructive button that the
// list does not show whole: the press brings it into view, and an armed one scrolled away
// disarms.
TEST_F(ClipsListFocusTest, ADestructiveButtonOutOfViewIsNeitherArmedNorPressed) {
    view->speedChip().setFocus(Qt::TabFocusReason);
    QTest::keyClick(focused(), Qt::Key_Backtab);
    QTest::keyClick(focused(), Qt::Key_Space);
    ASSERT_TRUE(clearAll().arming().isArmed());
    turnWheel(120);
    settle();
    ASSERT_EQ(focused(), &clearAll());
    ASSERT_FALSE(scrollView().showsWhole(clearAll()));
    EXPECT_FALSE(clearAll().arming().isArmed()) << "scrolled away";
    EXPECT_EQ(clearAll().accessibleName(), QStringLiteral("Clear all"));

    for (int i = 0; i < 10; ++i)
        turnWheel(120);
    settle();
    QTest::keyClick(focused(), Qt::Key_Space);
    EXPECT_FALSE(clearAll().arming().isArmed());
    EXPECT_TRUE(scrollView().showsWhole(clearAll())) << "the press brought it into view";
    QTest::keyClick(focused(), Qt::Key_Space);
    EXPECT_TRUE(clearAll().arming().isArmed());
    EXPECT_EQ(model.clips().size(), 60);

    // A clip's delete button on a row the focus kept out of view.
    ArmedIconButton& trash = firstRow()->deleteButton();
    trash.setFocus(Qt::TabFocusReason);
    settle();
    scrollFirstRowAway([this] { turnWheel(); });
    QTest::keyClick(focused(), Qt::Key_Space);
    EXPECT_FALSE(trash.arming().isArmed());
    EXPECT_TRUE(scrollView().showsWhole(trash));
}

// A key pressed again after the chevron, "Clear all" or the last clip's delete button went with
// its action finds the list's rest, which does nothing with it, never the speed chip.
TEST_F(ClipsListFocusTest, AKeyPressedAgainAfterAControlOfTheListWentFindsTheListsRest) {
    const auto pressTwiceThenOnceMore = [this](QWidget& control, int presses) {
        control.setFocus(Qt::TabFocusReason);
        for (int i = 0; i < presses; ++i)
            QTest::keyClick(focused(), Qt::Key_Space);
        ASSERT_EQ(focused(), &view->rest());
        QTest::keyClick(focused(), Qt::Key_Space);
        EXPECT_EQ(Defaults::get(settings.keys.playbackRate), 1.0);
    };
    pressTwiceThenOnceMore(*scrollView().chevron(), 1);
    EXPECT_EQ(scrollBar().value(), scrollBar().maximum()) << "the rest is not scrolled to";

    pressTwiceThenOnceMore(clearAll(), 2);
    // Heard at once, while the rows still fade: the list is empty now.
    EXPECT_EQ(view->rest().accessibleDescription(), QStringLiteral("No clips yet"));
    scheduler.advance(ClipsList::removalSeconds + 0.1);
    settle();
    EXPECT_EQ(focused(), &view->rest());

    save(QStringLiteral("The one clip"));
    model.reloadImmediately();
    settle();
    pressTwiceThenOnceMore(firstRow()->deleteButton(), 2);
    EXPECT_TRUE(model.clips().isEmpty());
}

// Tab and Shift+Tab all the way round the window: every control of the list they reach shows
// whole, and they reach every clip's three controls in the list's order.
TEST_F(ClipsListFocusTest, TabAndShiftTabWalkEveryClipAndKeepEachControlInView) {
    for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Backtab}) {
        SCOPED_TRACE(key == Qt::Key_Tab ? "Tab" : "Shift+Tab");
        view->speedChip().setFocus(Qt::TabFocusReason);
        QList<ClipID> visited;
        for (int step = 0; step < 400; ++step) {
            QTest::keyClick(focused(), key);
            settle();
            if (focused() == &view->speedChip())
                break;
            if (!list().isAncestorOf(focused()))
                continue;
            EXPECT_TRUE(scrollView().showsWhole(*focused())) << "step " << step;
            for (ClipRow* row : list().rows())
                if (focused() == &row->textColumn())
                    visited.append(row->clip().id);
        }
        QList<ClipID> expected;
        for (const ClipSummary& clip : model.clips())
            expected.append(clip.id);
        if (key == Qt::Key_Backtab)
            std::reverse(expected.begin(), expected.end());
        EXPECT_EQ(visited, expected);
    }
}

} // namespace
