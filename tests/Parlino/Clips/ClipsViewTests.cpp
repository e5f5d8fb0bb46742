#include "Parlino/Clips/ClipsView.h"

#include "ClipsViewTesting.h"
#include "Parlino/Clips/ClipControls.h"
#include "Parlino/Clips/ClipsList.h"
#include "Parlino/Clips/ClipsViewModel.h"
#include "Parlino/Style/ArmedButton.h"
#include "Parlino/Style/FadingScrollView.h"
#include "Parlino/Style/ParlinoGlass.h"
#include "support/Screenshots.h"

#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace Parlino;
using ClipsTesting::testNow;
using StorageTesting::utc;

const QString suite = QStringLiteral("ClipsView");

QString sentence(int words) {
    QStringList list;
    for (int i = 0; i < words; ++i)
        list.append(i % 7 == 0 ? QStringLiteral("reading") : QStringLiteral("aloud"));
    return list.join(QLatin1Char(' '));
}

// Stands in for the panel, whose surface an embedded list lies on.
class PanelGround final : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        paintSurface(painter, QRectF(rect()), ParlinoGlass::look(ParlinoSurface::panel));
    }
};

struct ClipsViewTest : ::testing::Test, ClipsTesting::ClipsViewHarness {
    ClipsViewTest() {
        model.onOpenInPlayer = [this](const ClipID& id) { opened.push_back(id); };
    }

    ClipsView& makeView(bool embedded = false, qreal inset = 0) {
        model.reloadImmediately();
        if (embedded) {
            panel = std::make_unique<PanelGround>();
            panel->resize(420, 480);
            panel->show();
        }
        view = std::make_unique<ClipsView>(model, embedded, inset, environment, panel.get());
        if (embedded)
            view->resize(panel->size());
        view->show();
        settle();
        return *view;
    }
    ClipRow& rowOf(const ClipID& id) {
        ClipRow* row = view->list().row(id);
        EXPECT_NE(row, nullptr) << "no row for " << id.rawValue.toStdString();
        return *row;
    }
    // Two presses: the first arms, the second runs.
    static void pressTwice(QAbstractButton& button) {
        QTest::mouseClick(&button, Qt::LeftButton);
        QTest::mouseClick(&button, Qt::LeftButton);
    }
    void finishTransitions() {
        scheduler.advance(ClipsList::removalSeconds + 0.1);
        settle();
    }
    QImage screenshot(const QString& name) {
        return TestSupport::renderScreenshot(*view, 2, suite, name);
    }

    ClipsViewModel model{library, nullptr, players(), settings.keys};
    std::unique_ptr<PanelGround> panel;
    std::unique_ptr<ClipsView> view;
    std::vector<ClipID> opened;
};

TEST_F(ClipsViewTest, AnEmptyListSaysWhySavingIsOffAndFollowsTheSetting) {
    ClipsView& clips = makeView();
    EXPECT_EQ(clips.size(), ClipsView::standaloneSize);
    EXPECT_TRUE(clips.emptyState().isVisible());
    EXPECT_FALSE(clips.scrollView().isVisible());
    EXPECT_FALSE(clips.list().clearAllButton().isVisibleTo(&clips));
    EXPECT_EQ(clips.emptyState().message(), QStringLiteral("No clips yet"));
    screenshot(QStringLiteral("empty"));

    Defaults::set(settings.keys.saveRecordings, false);
    settle();
    EXPECT_EQ(clips.emptyState().message(),
              QStringLiteral("Saving is off — completed reads won't land here. Turn “Save audio "
                             "to folder” back on in Settings ▸ General."));
    EXPECT_EQ(clips.emptyState().accessibleName(), clips.emptyState().message());
    const QImage image = screenshot(QStringLiteral("empty-saving-off"));
    // The message is wrapped and centred: nothing drawn within 48 pixels of either side.
    const int middle = clips.emptyState().geometry().center().y();
    bool inked = false;
    for (int x = 0; x < 520; ++x)
        for (int y = middle - 30; y < middle + 30; ++y)
            if (image.pixelColor(2 * x, 2 * y).lightness() > 60) {
                EXPECT_GE(x, 48);
                EXPECT_LT(x, 520 - 48);
                inked = true;
            }
    EXPECT_TRUE(inked);
}

TEST_F(ClipsViewTest, TheChipShowsTheSharedSpeedAndCyclesIt) {
    ClipsView& clips = makeView();
    ClipSpeedChip& chip = clips.speedChip();
    EXPECT_EQ(chip.text(), QStringLiteral("1×"));
    // Named as the panel's chip is, by what it sets.
    EXPECT_EQ(chip.accessibleName(), QStringLiteral("Playback speed 1×"));
    // Changed elsewhere: a shortcut, a media key, the other list.
    Defaults::set(settings.keys.playbackRate, 1.75);
    settle();
    EXPECT_EQ(chip.text(), QStringLiteral("1.75×"));
    EXPECT_EQ(chip.accessibleName(), QStringLiteral("Playback speed 1.75×"));
    QTest::mouseClick(&chip, Qt::LeftButton);
    settle();
    EXPECT_DOUBLE_EQ(Defaults::get(settings.keys.playbackRate), 2.0);
    EXPECT_EQ(chip.text(), QStringLiteral("2×"));
    // Right-aligned in the header, 16 from the edge, 10 from the top.
    EXPECT_EQ(chip.geometry().right() + 1, 520 - 16);
    EXPECT_EQ(chip.y(), 10);
}

TEST_F(ClipsViewTest, EmbeddedTheChipSitsBelowTheInsetAndTheChevronWaitsForThePointer) {
    for (int i = 0; i < 12; ++i)
        save(QStringLiteral("Clip %1").arg(i));
    ClipsView& clips = makeView(true, 40);
    EXPECT_EQ(clips.speedChip().y(), 40);
    EXPECT_EQ(clips.speedChip().geometry().right() + 1, clips.width() - 12);
    EXPECT_EQ(parlinoGround(clips.list()), ParlinoGround::glass);
    JumpToEndChevron* chevron = clips.scrollView().chevron();
    ASSERT_NE(chevron, nullptr);
    EXPECT_FALSE(chevron->isShown());
    pointer.pointerMoved();
    EXPECT_TRUE(chevron->isShown());
    scheduler.advance(JumpToEndChevron::showSeconds);
    TestSupport::renderScreenshot(*panel, 2, suite, QStringLiteral("embedded"));
}

TEST_F(ClipsViewTest, RowsShowTheirClipAndAnnounceTheirButtons) {
    const ClipID older = save(QStringLiteral("An older clip"), utc(2026, 12, 2, 10, 15, 0), 5);
    const ClipID yesterday =
        save(QStringLiteral("Yesterday's read"), utc(2026, 12, 6, 23, 59, 0), 83);
    const ClipID today = save(sentence(12), utc(2026, 12, 7, 9, 5, 0), 3723);
    ClipsView& clips = makeView();
    EXPECT_FALSE(clips.emptyState().isVisible());
    EXPECT_EQ(clips.list().rows().size(), 3);
    EXPECT_EQ(clips.list().rows().front(), &rowOf(today)); // newest first
    EXPECT_TRUE(clips.list().clearAllButton().isVisible());
    EXPECT_EQ(parlinoGround(clips.list()), ParlinoGround::solid);
    for (const ClipID& id : {older, yesterday, today}) {
        EXPECT_EQ(rowOf(id).playButton().accessibleName(), QStringLiteral("Play"));
        EXPECT_EQ(rowOf(id).deleteButton().accessibleName(), QStringLiteral("Delete"));
        // Each row's buttons say which clip they act on.
        EXPECT_EQ(rowOf(id).playButton().accessibleDescription(), rowOf(id).clip().preview);
        EXPECT_EQ(rowOf(id).deleteButton().accessibleDescription(), rowOf(id).clip().preview);
    }
    screenshot(QStringLiteral("several"));

    QTest::mouseClick(&rowOf(yesterday).playButton(), Qt::LeftButton);
    EXPECT_EQ(model.playingClipID(), yesterday);
    EXPECT_TRUE(rowOf(yesterday).playButton().isPlaying());
    EXPECT_EQ(rowOf(yesterday).playButton().accessibleName(), QStringLiteral("Stop"));
    EXPECT_EQ(rowOf(today).playButton().accessibleName(), QStringLiteral("Play"));
    screenshot(QStringLiteral("one-playing"));

    QTest::mouseClick(&rowOf(yesterday).playButton(), Qt::LeftButton);
    EXPECT_EQ(model.playingClipID(), std::nullopt);
    EXPECT_EQ(rowOf(yesterday).playButton().accessibleName(), QStringLiteral("Play"));
}

TEST_F(ClipsViewTest, AClipThatCannotPlaySaysSoInItsRow) {
    const auto broken =
        library.save(QStringLiteral("This clip's audio is damaged"),
                     {ClipsTesting::undecodable(12)}, {}, QStringLiteral("voice"), std::nullopt);
    ASSERT_TRUE(broken);
    const ClipID sound = save(QStringLiteral("This one plays"));
    makeView();
    const QString unplayable = QStringLiteral("0:12 \u00B7 Can\u2019t be played");
    EXPECT_EQ(rowOf(*broken).textColumn().durationLine(), QStringLiteral("0:12"));

    QTest::mouseClick(&rowOf(*broken).playButton(), Qt::LeftButton);
    EXPECT_EQ(model.playingClipID(), std::nullopt);
    EXPECT_EQ(rowOf(*broken).textColumn().durationLine(), unplayable);
    EXPECT_EQ(rowOf(sound).textColumn().durationLine(), QStringLiteral("1:05"));
    screenshot(QStringLiteral("one-unplayable"));

    model.reload(); // the list comes back with the clip still marked
    settle();
    EXPECT_EQ(rowOf(*broken).textColumn().durationLine(), unplayable);
}

TEST_F(ClipsViewTest, ALongPreviewIsClampedToTwoLinesAndExpandsOnClick) {
    const ClipID shortClip = save(QStringLiteral("Fits on one line"));
    const ClipID longClip = save(sentence(120));
    ClipsView& clips = makeView();
    const qreal collapsed = clips.list().layout().collapsedHeight;

    ClipTextColumn& text = rowOf(longClip).textColumn();
    EXPECT_TRUE(text.isTruncated());
    ASSERT_EQ(text.bodyLines().size(), 2);
    EXPECT_TRUE(text.bodyLines().back().endsWith(QChar(0x2026)));
    // A one-line preview still reserves two lines.
    EXPECT_EQ(rowOf(shortClip).textColumn().bodyLines().size(), 1);
    EXPECT_NEAR(rowOf(shortClip).height(), collapsed, 1);
    EXPECT_NEAR(rowOf(longClip).height(), collapsed, 1);

    QTest::mouseClick(&text, Qt::LeftButton);
    EXPECT_EQ(model.expandedClipID(), longClip);
    EXPECT_TRUE(opened.empty());
    ClipTextColumn& expanded = rowOf(longClip).textColumn();
    EXPECT_TRUE(expanded.isExpanded());
    EXPECT_GT(expanded.bodyLines().size(), 2);
    EXPECT_FALSE(expanded.bodyLines().back().endsWith(QChar(0x2026)));
    EXPECT_GT(rowOf(longClip).height(), collapsed + 2 * clips.list().layout().collapsedHeight / 4);
    EXPECT_DOUBLE_EQ(clips.list().layout().expandedHeight,
                     ClipRowMetrics::standard().rowHeight(expanded.bodyLines().size()));
    screenshot(QStringLiteral("one-expanded"));

    // The expanded clip, and one that fits, open in the reading view instead.
    QTest::mouseClick(&expanded, Qt::LeftButton);
    QTest::mouseClick(&rowOf(shortClip).textColumn(), Qt::LeftButton);
    EXPECT_EQ(opened, (std::vector{longClip, shortClip}));
    EXPECT_EQ(model.expandedClipID(), longClip);
}

// The bands of rows inside `box` that hold light text on the dark ground, top to bottom.
QList<std::pair<int, int>> inkBands(const QImage& image, const QRect& box) {
    QList<std::pair<int, int>> bands;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        bool inked = false;
        for (int x = box.left(); x <= box.right() && !inked; ++x)
            inked = qGray(image.pixel(x, y)) > 90;
        if (!inked)
            continue;
        if (!bands.isEmpty() && bands.back().second == y - 1)
            bands.back().second = y;
        else
            bands.append({y, y});
    }
    return bands;
}

TEST_F(ClipsViewTest, TheDurationFollowsTheLinesThePreviewHas) {
    const ClipID shortClip = save(QStringLiteral("Fits on one line"));
    const ClipID twoLines = save(sentence(14));
    ClipsView& clips = makeView();
    const QImage image = screenshot(QStringLiteral("short-and-two-line-previews"));
    const qreal bodyLine = ClipRowMetrics::standard().bodyLine;

    const auto gapBeforeDuration = [&](const ClipID& id) {
        ClipTextColumn& text = rowOf(id).textColumn();
        const QRect box(text.mapTo(&clips, QPoint(0, 0)) * 2, text.size() * 2);
        const auto bands = inkBands(image, box);
        // The date, each body line, the duration.
        EXPECT_EQ(bands.size(), text.bodyLines().size() + 2);
        return bands.size() < 2 ? 0.0 : (bands.back().first - bands[bands.size() - 2].second) / 2.0;
    };
    ASSERT_EQ(rowOf(shortClip).textColumn().bodyLines().size(), 1);
    ASSERT_EQ(rowOf(twoLines).textColumn().bodyLines().size(), 2);
    // No empty line between the text and its duration: one line or two, the gap is the same.
    const double shortGap = gapBeforeDuration(shortClip);
    EXPECT_LT(shortGap, bodyLine);
    EXPECT_NEAR(shortGap, gapBeforeDuration(twoLines), 2);
    // Both rows keep the height of two lines.
    EXPECT_NEAR(rowOf(shortClip).height(), rowOf(twoLines).height(), 1);
}

// The leftmost and rightmost inked columns inside `box`.
std::pair<int, int> inkSpan(const QImage& image, const QRect& box) {
    std::pair<int, int> span{box.right() + 1, box.left() - 1};
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (qGray(image.pixel(x, y)) > 90)
                span = {std::min(span.first, x), std::max(span.second, x)};
    return span;
}

TEST_F(ClipsViewTest, APreviewStartsAtTheSideItsParagraphReadsFrom) {
    const ClipID english = save(QStringLiteral("A clip in English"));
    const ClipID arabic = save(QStringLiteral("اشتريت أمس هاتفًا جديدًا من نوع iPhone 15 Pro، وأنا "
                                              "سعيد جدًا به لأن الكاميرا رائعة والبطارية تدوم."));
    const ClipID clamped = save(QStringLiteral("قرأت الكتاب كله أمس. ").repeated(12));
    ClipsView& clips = makeView();
    const QImage image = screenshot(QStringLiteral("right-to-left-preview"));

    // The inked extent of each body line, in the 2× image; the middle of each line is measured,
    // as marks above and below Arabic letters can reach into the next.
    const ClipRowMetrics metrics = ClipRowMetrics::standard();
    const auto bodySpans = [&](const ClipID& id) {
        ClipTextColumn& text = rowOf(id).textColumn();
        const QRect box(text.mapTo(&clips, QPoint(0, 0)) * 2, text.size() * 2);
        const qreal top = ClipRowMetrics::textInset + metrics.dateLine + ClipRowMetrics::lineGap;
        QList<std::pair<int, int>> spans;
        for (qsizetype i = 0; i < text.bodyLines().size(); ++i) {
            const int y = box.top() + qRound(2 * (top + qreal(i) * metrics.bodyLine));
            spans.append(inkSpan(
                image, QRect(box.left(), y + 6, box.width(), qRound(2 * metrics.bodyLine) - 12)));
        }
        return std::pair{box, spans};
    };
    const qreal inset = 2 * (ClipRowMetrics::textInset + 2);
    const auto [arabicBox, arabicLines] = bodySpans(arabic);
    ASSERT_EQ(arabicLines.size(), 2);
    for (const auto& [left, right] : arabicLines)
        EXPECT_GT(right, arabicBox.right() - inset);
    // The second line is short: it ends well before the left edge.
    EXPECT_GT(arabicLines[1].first, arabicBox.left() + inset);
    // Cut off, the text ends in an ellipsis at the left end of its second line.
    const auto [clampedBox, clampedLines] = bodySpans(clamped);
    ASSERT_EQ(clampedLines.size(), 2);
    EXPECT_TRUE(rowOf(clamped).textColumn().bodyLines().back().endsWith(QChar(0x2026)));
    for (const auto& [left, right] : clampedLines)
        EXPECT_GT(right, clampedBox.right() - inset);

    const auto [englishBox, englishLines] = bodySpans(english);
    ASSERT_EQ(englishLines.size(), 1);
    EXPECT_LT(englishLines[0].first, englishBox.left() + inset);
    EXPECT_LT(englishLines[0].second, englishBox.center().x());
}

TEST_F(ClipsViewTest, OnlyTheRowsInViewAreMade) {
    std::vector<ClipID> ids;
    for (int i = 0; i < 120; ++i)
        ids.push_back(save(QStringLiteral("Clip %1").arg(i), testNow()));
    ClipsView& clips = makeView();
    const ClipsListGeometry& layout = clips.list().layout();
    EXPECT_EQ(layout.count, 120);
    EXPECT_EQ(clips.list().height(), qCeil(layout.totalHeight()));
    EXPECT_LT(clips.list().rows().size(), 20);
    EXPECT_TRUE(clips.scrollView().chevron()->isShown());

    QTest::mouseClick(clips.scrollView().chevron(), Qt::LeftButton);
    settle();
    const QList<ClipRow*> rows = clips.list().rows();
    EXPECT_LT(rows.size(), 20);
    EXPECT_EQ(rows.back()->clip().id, model.clips().back().id);
    EXPECT_EQ(rows.back()->y(), qRound(layout.rowTop(119)));
    const QRect clearAll = clips.list().clearAllButton().geometry();
    EXPECT_NEAR(clearAll.center().x(), clips.list().width() / 2, 1);
    EXPECT_EQ(clearAll.y(), qRound(layout.clearAllTop() + 10));
    screenshot(QStringLiteral("scrolled-to-end"));
}

TEST_F(ClipsViewTest, DeletingTakesTwoPressesAndTheRowFadesOut) {
    const ClipID first = save(QStringLiteral("First"));
    const ClipID second = save(QStringLiteral("Second"));
    ClipsView& clips = makeView();
    const int secondTop = rowOf(second).y();
    ArmedIconButton& trash = rowOf(second).deleteButton();
    QTest::mouseClick(&trash, Qt::LeftButton);
    EXPECT_TRUE(trash.arming().isArmed());
    EXPECT_EQ(model.clips().size(), 2);

    QTest::mouseClick(&trash, Qt::LeftButton);
    EXPECT_EQ(model.clips().size(), 1);
    EXPECT_EQ(StorageTesting::listClips(library).size(), 1);
    EXPECT_EQ(clips.list().row(second), nullptr);
    EXPECT_TRUE(clips.list().isTransitioning());
    // The row below starts where it was and closes up.
    EXPECT_GT(rowOf(first).y(), secondTop);
    scheduler.advance(ClipsList::removalSeconds / 2);
    EXPECT_GT(rowOf(first).y(), secondTop);
    screenshot(QStringLiteral("row-removing"));
    finishTransitions();
    EXPECT_FALSE(clips.list().isTransitioning());
    EXPECT_EQ(rowOf(first).y(), secondTop);
}

TEST_F(ClipsViewTest, ClearAllEmptiesTheListAfterItsRowsHaveGone) {
    save(QStringLiteral("First"));
    save(QStringLiteral("Second"));
    ClipsView& clips = makeView();
    pressTwice(clips.list().clearAllButton());
    EXPECT_TRUE(model.clips().isEmpty());
    EXPECT_TRUE(StorageTesting::listClips(library).isEmpty());
    EXPECT_TRUE(clips.scrollView().isVisible());
    finishTransitions();
    EXPECT_TRUE(clips.emptyState().isVisible());
    EXPECT_FALSE(clips.scrollView().isVisible());
}

TEST_F(ClipsViewTest, UnderReduceMotionRowsGoAtOnce) {
    preferences.setReduceMotion(true);
    if (!preferences.reduceMotion())
        GTEST_SKIP() << "Reduce Motion is pinned off by the environment";
    const ClipID first = save(QStringLiteral("First"));
    const ClipID second = save(QStringLiteral("Second"));
    ClipsView& clips = makeView();
    const int secondTop = rowOf(second).y();
    pressTwice(rowOf(second).deleteButton());
    EXPECT_FALSE(clips.list().isTransitioning());
    EXPECT_EQ(rowOf(first).y(), secondTop);

    pressTwice(clips.list().clearAllButton());
    EXPECT_TRUE(clips.emptyState().isVisible());
}

} // namespace
