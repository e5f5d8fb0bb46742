#include "Parlino/Panel/HighlightedTextView.h"

#include "PanelTesting.h"

#include "support/EventLoop.h"
#include "support/FakeTextMeasurer.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <algorithm>

using namespace Parlino;

namespace {

struct Fixture {
    ServicesTesting::TestSettings settings;
    PanelTesting::Motion motion;
    PlayerViewModel model;
    HighlightedTextView view{model, settings.keys, motion.context};

    Fixture() {
        view.resize(300, 120);
        view.show();
    }

    QScrollBar& bar() { return *view.scrollArea().verticalScrollBar(); }
    QAbstractButton& followButton() {
        return *view.findChild<QAbstractButton*>(QStringLiteral("FollowCurrentWordButton"));
    }
    // Moves the current word and lets the scroll animation finish.
    void speak(qsizetype word) {
        model.setCurrentWordIndex(word);
        motion.scheduler.advance(0.5);
    }
    qreal centredOn(qsizetype word) {
        const TranscriptCanvas& canvas = view.canvas();
        const auto paragraph = paragraphHoldingWord(canvas.transcriptLayout(), word);
        return centredScrollOffset(canvas.transcriptLayout(), *paragraph,
                                   view.scrollArea().viewport()->height());
    }
    void wheel() {
        QWidget* viewport = view.scrollArea().viewport();
        QWheelEvent event(QPointF(10, 10), viewport->mapToGlobal(QPointF(10, 10)), QPoint(),
                          QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &event);
    }
};

} // namespace

TEST(HighlightedTextView, ShowsSelectablePlainParagraphsUntilTimingsArrive) {
    Fixture f;
    f.model.setText(QStringLiteral("First line\n\nThird line"));
    QList<QTextEdit*> blocks = f.view.canvas().findChildren<QTextEdit*>();
    ASSERT_EQ(blocks.size(), 2) << "the empty line takes no block, only its spacing";
    EXPECT_EQ(blocks[0]->toPlainText(), QStringLiteral("First line"));
    EXPECT_TRUE(blocks[0]->isReadOnly());
    EXPECT_TRUE(blocks[0]->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_EQ(blocks[1]->y(),
              blocks[0]->y() + blocks[0]->height() + 2 * int(TranscriptLayout::paragraphSpacing));

    f.model.setTimingWords(PanelTesting::timingsOf(f.model.text()));
    EXPECT_TRUE(f.view.canvas().findChildren<QTextEdit*>().isEmpty());
    EXPECT_EQ(f.view.canvas().transcriptLayout().wordRects.size(), 4);
}

TEST(HighlightedTextView, BreaksAPlainWordWiderThanTheViewOverLinesAndStacksItsBlocksTight) {
    Fixture f;
    // Two blocks of 2,000 code units, each many lines long.
    f.model.setText(QStringLiteral("Start") + QString(3995, u'x'));
    const auto shown = [&] {
        QList<QTextEdit*> blocks = f.view.canvas().findChildren<QTextEdit*>();
        std::ranges::sort(blocks, {}, [](const QTextEdit* block) { return block->y(); });
        return blocks;
    };
    const QTextEdit& first = *shown().first();
    EXPECT_LE(first.document()->idealWidth(), first.width()) << "nothing stands past the edge";
    EXPECT_GT(first.document()->firstBlock().layout()->lineCount(), 1);

    f.bar().setValue(first.height() - 60);
    const QList<QTextEdit*> blocks = shown();
    ASSERT_EQ(blocks.size(), 2);
    for (const QTextEdit* block : blocks)
        EXPECT_EQ(block->height(), qCeil(block->document()->size().height()))
            << "as tall as its lines, all of them";
    EXPECT_EQ(blocks[1]->y(), blocks[0]->y() + blocks[0]->height());
}

TEST(HighlightedTextView, AHugePlainTextShowsOnlyWhatIsNearTheVisibleBand) {
    Fixture f;
    // One paragraph of 400,000 characters, then 20,000 short lines.
    QString text;
    for (int sentence = 0; text.size() < 400'000; ++sentence)
        text += QStringLiteral("Sentence %1 goes on for a while. ").arg(sentence);
    for (int line = 0; line < 20'000; ++line)
        text += QStringLiteral("\nLine %1").arg(line);
    f.model.setText(text);
    TranscriptCanvas& canvas = f.view.canvas();
    const auto shown = [&] { return canvas.findChildren<QTextEdit*>(); };
    EXPECT_LE(shown().size(), 4);
    EXPECT_GT(canvas.height(), 20'000 * 10) << "the whole text stands at its estimated height";

    // Scrolled into the lines, the blocks there show; the first paragraph's go.
    f.bar().setValue(f.bar().maximum() / 2);
    const int top = f.bar().value();
    const QList<QTextEdit*> views = shown();
    ASSERT_FALSE(views.isEmpty());
    EXPECT_LE(views.size(), 40);
    for (QTextEdit* block : views) {
        EXPECT_LT(block->toPlainText().size(), 2001);
        EXPECT_LT(std::abs(block->y() - top), 3 * 120) << "near the band";
    }
    const bool coversTop = std::any_of(views.cbegin(), views.cend(), [&](QTextEdit* block) {
        return block->geometry().top() <= top + 60 && block->geometry().bottom() >= top + 60;
    });
    EXPECT_TRUE(coversTop) << "the middle of the visible band shows text";

    // Every character is in exactly one block.
    qsizetype characters = 0;
    const auto& blocks = canvas.plainLayout().blocks();
    for (const auto& block : blocks)
        characters += block.text.size();
    EXPECT_EQ(characters, text.size() - text.count(QLatin1Char('\n')));
}

TEST(HighlightedTextView, TappingAChipReportsItsGlobalIndex) {
    Fixture f;
    PanelTesting::startRead(f.model, QStringLiteral("one two\nthree four five"));
    QList<qsizetype> tapped;
    f.model.onWordTap = [&](qsizetype index) { tapped.append(index); };
    const QRectF chip = f.view.canvas().transcriptLayout().wordRects[3];
    QTest::mouseClick(&f.view.canvas(), Qt::LeftButton, Qt::NoModifier, chip.center().toPoint());
    // A press on one word released on another is no tap.
    QTest::mousePress(&f.view.canvas(), Qt::LeftButton, Qt::NoModifier, chip.center().toPoint());
    QTest::mouseRelease(&f.view.canvas(), Qt::LeftButton, Qt::NoModifier,
                        f.view.canvas().transcriptLayout().wordRects[0].center().toPoint());
    EXPECT_EQ(tapped, (QList<qsizetype>{3}));
}

TEST(HighlightedTextView, RepaintsOnlyTheChipsThatChangedTier) {
    Fixture f;
    PanelTesting::startRead(f.model, PanelTesting::longText(6, 12));
    TranscriptCanvas& canvas = f.view.canvas();
    canvas.setCurrentWordIndex(14);
    const QRegion region = canvas.setCurrentWordIndex(15);
    const auto& layout = canvas.transcriptLayout();
    EXPECT_TRUE(region.contains(layout.wordRects[14].toAlignedRect()));
    EXPECT_TRUE(region.contains(layout.wordRects[15].toAlignedRect()));
    EXPECT_TRUE(layout.paragraphs[1].rect.toAlignedRect().contains(region.boundingRect()));
    // Crossing into the next paragraph touches both, and nothing else.
    const QRegion crossing = canvas.setCurrentWordIndex(24);
    EXPECT_TRUE(crossing.intersects(layout.paragraphs[2].rect.toAlignedRect()));
    EXPECT_FALSE(crossing.intersects(layout.paragraphs[0].rect.toAlignedRect()));
    EXPECT_FALSE(crossing.intersects(layout.paragraphs[3].rect.toAlignedRect()));
    EXPECT_TRUE(canvas.setCurrentWordIndex(24).isEmpty());
}

TEST(HighlightedTextView, FollowsTheCurrentParagraphUntilTheUserScrolls) {
    Fixture f;
    PanelTesting::startRead(f.model, PanelTesting::longText(30, 8));
    ASSERT_GT(f.bar().maximum(), 0);
    f.speak(8 * 12);
    EXPECT_EQ(f.bar().value(), qRound(f.centredOn(8 * 12)));
    EXPECT_FALSE(f.view.isAutoScrollSuspended());
    EXPECT_TRUE(f.followButton().isHidden());

    f.wheel();
    EXPECT_TRUE(f.view.isAutoScrollSuspended());
    EXPECT_FALSE(f.followButton().isHidden());
    const int userOffset = f.bar().value();
    f.speak(8 * 20);
    EXPECT_EQ(f.bar().value(), userOffset);

    QTest::mouseClick(&f.followButton(), Qt::LeftButton);
    EXPECT_FALSE(f.view.isAutoScrollSuspended());
    EXPECT_TRUE(f.followButton().isHidden());
    f.speak(8 * 22);
    EXPECT_EQ(f.bar().value(), qRound(f.centredOn(8 * 22)));
}

// Most words of a read fall in the paragraph already centred: they wake nothing.
TEST(HighlightedTextView, AWordInTheParagraphShownSchedulesNoFrame) {
    Fixture f;
    PanelTesting::startRead(f.model, PanelTesting::longText(30, 8));
    f.speak(8 * 12);
    f.motion.scheduler.advance(5); // the scroll view's own fades run out too
    ASSERT_EQ(f.motion.scheduler.pendingCount(), 0u);
    for (qsizetype word = 8 * 12 + 1; word < 8 * 13; ++word) {
        f.model.setCurrentWordIndex(word);
        EXPECT_EQ(f.motion.scheduler.pendingCount(), 0u) << "word " << word;
    }
    f.model.setCurrentWordIndex(8 * 13);
    EXPECT_GT(f.motion.scheduler.pendingCount(), 0u);
    f.motion.scheduler.advance(0.5);
    EXPECT_EQ(f.bar().value(), qRound(f.centredOn(8 * 13)));
}

// While the read stands still no word moves on: the press itself brings the current word back,
// from the pointer or from an assistive technology.
TEST(HighlightedTextView, FollowingAgainReturnsToTheCurrentWordAtOnce) {
    Fixture f;
    PanelTesting::startRead(f.model, PanelTesting::longText(30, 8));
    f.speak(8 * 20);
    const int followed = f.bar().value();
    ASSERT_GT(followed, 0);
    for (const bool assistive : {false, true}) {
        f.wheel();
        f.bar().setValue(0);
        ASSERT_FALSE(f.followButton().isHidden());
        if (assistive) {
            QAccessibleInterface* button = QAccessible::queryAccessibleInterface(&f.followButton());
            ASSERT_TRUE(button && button->actionInterface());
            button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            EXPECT_TRUE(TestSupport::pumpUntil([&] { return f.followButton().isHidden(); }, 2000));
        } else {
            QTest::mouseClick(&f.followButton(), Qt::LeftButton);
        }
        f.motion.scheduler.advance(0.5);
        EXPECT_EQ(f.bar().value(), followed) << (assistive ? "assistive press" : "click");
    }
}

TEST(HighlightedTextView, FollowsAgainWhenTakenOutAndShownAgain) {
    Fixture f;
    PanelTesting::startRead(f.model, PanelTesting::longText(30, 8));
    f.wheel();
    ASSERT_TRUE(f.view.isAutoScrollSuspended());
    f.view.hide();
    f.view.show();
    EXPECT_FALSE(f.view.isAutoScrollSuspended());
    EXPECT_TRUE(f.followButton().isHidden());
}

TEST(HighlightedTextView, DraggingTheScrollBarCountsAsTheUsersButAnOutOfRangeWordIsIgnored) {
    Fixture f;
    PanelTesting::startRead(f.model, PanelTesting::longText(30, 8));
    f.speak(9999);
    EXPECT_EQ(f.bar().value(), 0);
    f.bar().triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_TRUE(f.view.isAutoScrollSuspended());
}

TEST(HighlightedTextView, ScrollsAtOnceUnderReduceMotionAndGlidesOtherwise) {
    Fixture f;
    PanelTesting::startRead(f.model, PanelTesting::longText(30, 8));
    f.model.setCurrentWordIndex(8 * 15);
    const int target = qRound(f.centredOn(8 * 15));
    EXPECT_LT(f.bar().value(), target);
    f.motion.scheduler.advance(0.1);
    EXPECT_GT(f.bar().value(), 0);
    EXPECT_LT(f.bar().value(), target);
    f.motion.scheduler.advance(0.2);
    EXPECT_EQ(f.bar().value(), target);

    qputenv("PARLINO_REDUCE_MOTION", "1");
    Fixture reduced;
    qunsetenv("PARLINO_REDUCE_MOTION");
    PanelTesting::startRead(reduced.model, PanelTesting::longText(30, 8));
    reduced.model.setCurrentWordIndex(8 * 15);
    EXPECT_EQ(reduced.bar().value(), qRound(reduced.centredOn(8 * 15)));
}

TEST(HighlightedTextView, WordsArrivingChunkByChunkShowAsIfTheyCameAtOnce) {
    Fixture arriving;
    const auto sameChips = [&](const QList<Core::WordTiming>& words) {
        Fixture atOnce;
        atOnce.model.setText(arriving.model.text());
        atOnce.model.setTimingWords(words);
        EXPECT_EQ(arriving.view.canvas().transcriptLayout().wordRects,
                  atOnce.view.canvas().transcriptLayout().wordRects);
    };
    const QString text = PanelTesting::longText(6, 9);
    const QList<Core::WordTiming> words = PanelTesting::timingsOf(text);
    arriving.model.setText(text);
    for (const qsizetype chunkEnd : {7, 20, 21, 54}) {
        arriving.model.setTimingWords(words.first(chunkEnd));
        sameChips(words.first(chunkEnd));
    }

    // Words that come in between earlier ones are laid out anew, not after the last.
    QList<Core::WordTiming> merged = words;
    merged.insert(3, words[30]);
    arriving.model.setTimingWords(merged);
    sameChips(merged);

    // Another text with as many words is another transcript.
    const QString other = QString(text).replace(QStringLiteral("the"), QStringLiteral("a"));
    arriving.model.setText(other);
    arriving.model.setTimingWords(PanelTesting::timingsOf(other));
    sameChips(PanelTesting::timingsOf(other));
}

// The sheet grows and shrinks frame by frame as it drops or turns into a card: the transcript's
// height follows, its layout stays.
TEST(HighlightedTextView, LaysItsTextOutAgainOnlyForNewContentOrAnotherWidth) {
    const TestSupport::FakeTextMeasurer measurer(10, 20);
    const QString text = QStringLiteral("one two three");
    const Core::TimedWords words = PanelTesting::timingsOf(text);
    TranscriptCanvas canvas(measurer, words);
    canvas.setContent({text, TranscriptCaseChoice::preserve, QFont()});
    canvas.layOutAtWidth(300);
    measurer.measured.clear();
    canvas.layOutAtWidth(300);
    EXPECT_TRUE(measurer.measured.isEmpty());
    canvas.layOutAtWidth(200);
    EXPECT_FALSE(measurer.measured.isEmpty());
    measurer.measured.clear();
    canvas.setContent({text, TranscriptCaseChoice::allCaps, QFont()});
    canvas.layOutAtWidth(200);
    EXPECT_TRUE(measurer.measured.contains(QStringLiteral("THREE")));
}
