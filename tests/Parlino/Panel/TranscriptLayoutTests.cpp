#include "Parlino/Panel/PlainTranscriptLayout.h"
#include "Parlino/Panel/TranscriptLayout.h"

#include "TTS/WordMapper.h"
#include "support/FakeTextMeasurer.h"

#include <gtest/gtest.h>

using namespace Parlino;

namespace {

// Timings for `words`, found in `text` one after another.
QList<Core::WordTiming> timingsIn(const QString& text, const QStringList& words) {
    QList<Core::WordTiming> timings;
    qsizetype from = 0;
    for (const QString& w : words) {
        const qsizetype at = text.indexOf(w, from);
        timings.append({w, {at, at + w.size()}, 0, 0});
        from = at + w.size();
    }
    return timings;
}

// Every code unit 10 wide, every line 20 tall.
struct Laid {
    TestSupport::FakeTextMeasurer measurer{10, 20};
    TranscriptLayout layout;

    Laid(const QString& text, const QList<Core::WordTiming>& timings, qreal width,
         TranscriptCaseChoice caseChoice = TranscriptCaseChoice::preserve) {
        layout = layOutTranscript(Transcript::paragraphs(text), timings, caseChoice, QFont(),
                                  measurer, width);
    }
    Laid(const QString& text, const QStringList& words, qreal width,
         TranscriptCaseChoice caseChoice = TranscriptCaseChoice::preserve)
        : Laid(text, timingsIn(text, words), width, caseChoice) {}

    QList<qsizetype> wordCounts() const {
        QList<qsizetype> counts;
        for (const auto& box : layout.paragraphs)
            counts.append(box.wordCount);
        return counts;
    }
    QList<qsizetype> firstWords() const {
        QList<qsizetype> firsts;
        for (const auto& box : layout.paragraphs)
            firsts.append(box.firstWord);
        return firsts;
    }
};

Core::WordTiming word(const QString& text, qint64 lower) {
    return {text, {lower, lower + text.size()}, 0, 0};
}

} // namespace

TEST(TranscriptLayout, StacksParagraphsInsideThePadding) {
    // Content width 132 - 32 = 100: "aaaa bbbb" is 40 + 4 + 40, "cccc" wraps.
    const Laid laid(QStringLiteral("aaaa bbbb cccc\n\ndd"),
                    {QStringLiteral("aaaa"), QStringLiteral("bbbb"), QStringLiteral("cccc"),
                     QStringLiteral("dd")},
                    132);
    const TranscriptLayout& layout = laid.layout;
    ASSERT_EQ(layout.paragraphs.size(), 3);
    EXPECT_EQ(layout.paragraphs[0].rect, QRectF(16, 4, 100, 20 + 5 + 20));
    // The empty middle paragraph has no height but keeps its spacing.
    EXPECT_EQ(layout.paragraphs[1].rect, QRectF(16, 4 + 45 + 8, 100, 0));
    EXPECT_EQ(layout.paragraphs[2].rect, QRectF(16, 57 + 8, 100, 20));
    EXPECT_DOUBLE_EQ(layout.height, 65 + 20 + 4);
    EXPECT_EQ(layout.wordRects[1], QRectF(16 + 44, 4, 40, 20));
    EXPECT_EQ(layout.wordRects[2], QRectF(16, 4 + 25, 40, 20));
    EXPECT_EQ(layout.paragraphs[1].firstWord, 3);
    EXPECT_EQ(layout.paragraphs[2].firstWord, 3);
}

TEST(TranscriptLayout, MeasuresEachShownWordOnceInItsCase) {
    const Laid laid(QStringLiteral("the cat the hat"),
                    {QStringLiteral("the"), QStringLiteral("cat"), QStringLiteral("the"),
                     QStringLiteral("hat")},
                    400, TranscriptCaseChoice::allCaps);
    EXPECT_EQ(laid.measurer.measured, (QStringList{"THE", "CAT", "HAT"}));
}

TEST(TranscriptLayout, HitTestsWordChipsOnly) {
    const Laid laid(QStringLiteral("aaaa bbbb cccc\n\ndd"),
                    {QStringLiteral("aaaa"), QStringLiteral("bbbb"), QStringLiteral("cccc"),
                     QStringLiteral("dd")},
                    132);
    EXPECT_EQ(wordAt(laid.layout, {20, 10}), 0);
    EXPECT_EQ(wordAt(laid.layout, {70, 10}), 1);
    EXPECT_EQ(wordAt(laid.layout, {58, 10}), std::nullopt); // the gap between chips
    EXPECT_EQ(wordAt(laid.layout, {20, 30}), 2);
    EXPECT_EQ(wordAt(laid.layout, {20, 70}), 3);
    EXPECT_EQ(wordAt(laid.layout, {20, 2}), std::nullopt);
    EXPECT_EQ(wordAt(laid.layout, {20, 60}), std::nullopt); // the empty paragraph
}

TEST(TranscriptLayout, FindsParagraphsAndRepaintsOnlyChangedChips) {
    const Laid laid(QStringLiteral("aaaa bbbb cccc\n\ndd"),
                    {QStringLiteral("aaaa"), QStringLiteral("bbbb"), QStringLiteral("cccc"),
                     QStringLiteral("dd")},
                    132);
    const TranscriptLayout& layout = laid.layout;
    EXPECT_EQ(paragraphHoldingWord(layout, 2), 0);
    EXPECT_EQ(paragraphHoldingWord(layout, 3), 2);
    EXPECT_EQ(paragraphHoldingWord(layout, 4), std::nullopt);

    EXPECT_EQ(changedRects(layout, {0, 1}), (QList<QRectF>{QRectF(16, 4, 84, 20)}));
    // Across a paragraph boundary: one box per paragraph, none for the empty one.
    EXPECT_EQ(changedRects(layout, {2, 3}),
              (QList<QRectF>{layout.wordRects[2], layout.wordRects[3]}));
    // A range past the words is cut to them.
    EXPECT_EQ(changedRects(layout, {3, 9}), (QList<QRectF>{layout.wordRects[3]}));
}

TEST(TranscriptLayout, CentresAParagraphWithinTheContent) {
    const Laid laid(QStringLiteral("a\nb\nc\nd\ne\nf"),
                    {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                     QStringLiteral("d"), QStringLiteral("e"), QStringLiteral("f")},
                    200);
    const TranscriptLayout& layout = laid.layout; // rows 20 tall, 8 apart: height 4+170+4
    EXPECT_DOUBLE_EQ(centredScrollOffset(layout, 3, 60), 4 + 3 * 28 + 10 - 30);
    EXPECT_DOUBLE_EQ(centredScrollOffset(layout, 0, 60), 0);
    EXPECT_DOUBLE_EQ(centredScrollOffset(layout, 5, 60), layout.height - 60);
    EXPECT_DOUBLE_EQ(centredScrollOffset(layout, 5, 500), 0);
}

TEST(PlainTranscriptLayout, CutsLongParagraphsAfterSentencesOrWhiteSpace) {
    const QString prose = QStringLiteral("One two. Three four five six");
    // A sentence end in the second half of the allowance wins over later white space.
    EXPECT_EQ(PlainTranscriptLayout::blockEnd(prose, 0, 16), 9);
    EXPECT_EQ(PlainTranscriptLayout::blockEnd(prose, 0, 20), 20) << "too early: white space";
    // Without a sentence end in reach, the last white space.
    EXPECT_EQ(PlainTranscriptLayout::blockEnd(prose, 9, 14), 20);
    EXPECT_EQ(PlainTranscriptLayout::blockEnd(prose, 9, 100), prose.size());
    // Without white space, a hard cut that never splits a surrogate pair.
    const QString emoji = QString(5, u'a') + QString::fromUcs4(U"😀") + QString(5, u'a');
    EXPECT_EQ(PlainTranscriptLayout::blockEnd(emoji, 0, 6), 5);
    EXPECT_EQ(PlainTranscriptLayout::blockEnd(emoji, 0, 7), 7);
}

TEST(PlainTranscriptLayout, MeasuresOnlyTheBandAndMovesWhatFollows) {
    QString longParagraph;
    while (longParagraph.size() < 5000)
        longParagraph += QStringLiteral("Words and more words. ");
    PlainTranscriptLayout plain;
    plain.reset(Transcript::paragraphs(longParagraph + QStringLiteral("\n\nlast")),
                TranscriptCaseChoice::preserve, [](const QString&) { return 100.0; });
    const auto& blocks = plain.blocks();
    ASSERT_EQ(blocks.size(), 5) << "three slices, the empty line, the last line";
    EXPECT_EQ(blocks[3].height, 0);
    EXPECT_EQ(blocks[1].top, 4 + 100);
    EXPECT_EQ(blocks[3].top, 4 + 300 + 8) << "slices of one paragraph take no spacing";
    EXPECT_EQ(blocks[4].top, 4 + 300 + 8 + 8);

    QList<qsizetype> measured;
    const auto band = plain.measureBand(150, 250, [&](qsizetype block) {
        measured.append(block);
        return 130.0;
    });
    EXPECT_EQ(band, (QList<qsizetype>{1, 2})) << "block 2 moved to 234, inside the band";
    EXPECT_EQ(measured, band);
    EXPECT_EQ(blocks[4].top, 4 + 100 + 260 + 8 + 8);
    EXPECT_EQ(plain.height(), blocks[4].top + 100 + 4);
    // Measured blocks are not measured again.
    measured.clear();
    plain.measureBand(150, 250, [&](qsizetype block) {
        measured.append(block);
        return 1.0;
    });
    EXPECT_TRUE(measured.isEmpty());
}

TEST(TranscriptLayout, WordsArrivingInStepsLayOutAsAllAtOnceAndAreMeasuredOnce) {
    const QString text = QStringLiteral("aa bb cc aa ee\n\nff gg\nhh aa jj kk ll mm");
    const QList<Core::WordTiming> words = timingsIn(
        text,
        QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')).split(u' ', Qt::SkipEmptyParts));
    ASSERT_EQ(words.size(), 13);
    const QList<Paragraph> paragraphs = Transcript::paragraphs(text);
    TestSupport::FakeTextMeasurer measurer{10, 20};
    TranscriptLayout grown = layOutTranscript(paragraphs, words.first(2),
                                              TranscriptCaseChoice::allCaps, QFont(), measurer, 92);
    // Steps that end inside a paragraph, at its end, past the empty one and at the last word.
    for (const qsizetype step : {3, 5, 6, 13}) {
        appendToTranscriptLayout(grown, paragraphs, words.first(step),
                                 TranscriptCaseChoice::allCaps, QFont(), measurer);
        const Laid whole(text, words.first(step), 92, TranscriptCaseChoice::allCaps);
        EXPECT_EQ(grown.wordRects, whole.layout.wordRects) << step;
        EXPECT_EQ(grown.height, whole.layout.height) << step;
        ASSERT_EQ(grown.paragraphs.size(), whole.layout.paragraphs.size());
        for (qsizetype p = 0; p < whole.layout.paragraphs.size(); ++p) {
            EXPECT_EQ(grown.paragraphs[p].rect, whole.layout.paragraphs[p].rect) << step << p;
            EXPECT_EQ(grown.paragraphs[p].firstWord, whole.layout.paragraphs[p].firstWord);
            EXPECT_EQ(grown.paragraphs[p].wordCount, whole.layout.paragraphs[p].wordCount);
        }
    }
    EXPECT_EQ(measurer.measured.size(), 11)
        << "\"AA\" once: " << measurer.measured.join(u' ').toStdString();
}

TEST(TranscriptLayout, AssignsWordsToParagraphsByOffsetNeverGoingBack) {
    const Laid grouped(QStringLiteral("One two\n\nthree 😀 four"),
                       {word("One", 0), word("two", 4), word("three", 9), word("four", 18)}, 400);
    EXPECT_EQ(grouped.wordCounts(), (QList<qsizetype>{2, 0, 2}));
    EXPECT_EQ(grouped.firstWords(), (QList<qsizetype>{0, 2, 2}));

    // The third word points back into the first paragraph; the last lies past the end.
    const Laid back(QStringLiteral("aa\nbb\ncc"),
                    {word("aa", 0), word("bb", 3), word("aa", 0), word("cc", 6), word("zz", 40)},
                    400);
    EXPECT_EQ(back.wordCounts(), (QList<qsizetype>{1, 2, 2}));
    EXPECT_EQ(back.firstWords(), (QList<qsizetype>{0, 1, 3}));

    // Paragraphs no word starts in are skipped, without height.
    const Laid skipped(QStringLiteral("a\nb\nc\nd"), {word("d", 6)}, 400);
    EXPECT_EQ(skipped.wordCounts(), (QList<qsizetype>{0, 0, 0, 1}));
    EXPECT_EQ(skipped.layout.paragraphs[3].rect.top(), 4 + 3 * 8);
}

TEST(TranscriptLayout, FindsTheWordsWhoseRowsMeetABand) {
    // Rows at 4 (aaaa bbbb) and 29 (cccc), each 20 tall; "dd" at 65.
    const Laid laid(QStringLiteral("aaaa bbbb cccc\n\ndd"),
                    {QStringLiteral("aaaa"), QStringLiteral("bbbb"), QStringLiteral("cccc"),
                     QStringLiteral("dd")},
                    132);
    using Span = std::pair<qsizetype, qsizetype>;
    const auto span = [&](qreal top, qreal bottom) {
        const WordSpan words = wordsMeeting(laid.layout, top, bottom);
        return std::pair(words.first, words.end);
    };
    EXPECT_EQ(span(0, 10), Span(0, 2));
    EXPECT_EQ(span(10, 40), Span(0, 3)) << "a row begun above";
    EXPECT_EQ(span(45, 47), Span(2, 3));
    EXPECT_EQ(span(70, 90), Span(3, 4));
}

// A word shown in a taller fallback font makes a row whose chips differ in height.
TEST(TranscriptLayout, KeepsChipsOfMixedHeightsAndFindsTheirWholeRow) {
    const QList<QRectF> chips{{16, 4, 40.5, 20},       {60.5, 4, 30, 26}, {94.5, 4, 20, 20},
                              {16, 35, 40.015625, 20}, {60, 35, 12, 20},  {16, 60, 8, 20}};
    TranscriptLayout layout;
    for (const QRectF& chip : chips)
        layout.wordRects.append(chip);
    ASSERT_EQ(layout.wordRects.size(), chips.size());
    for (qsizetype w = 0; w < chips.size(); ++w)
        EXPECT_EQ(layout.wordRects[w], chips[w]) << w;

    const auto span = [&](qreal top, qreal bottom) {
        const WordSpan words = wordsMeeting(layout, top, bottom);
        return std::pair(words.first, words.end);
    };
    using Span = std::pair<qsizetype, qsizetype>;
    EXPECT_EQ(span(28, 30), Span(0, 3)) << "the whole first row, across its heights";
    EXPECT_EQ(span(36, 61), Span(3, 6));
    EXPECT_EQ(wordAt(layout, {70, 28}), 1);
    EXPECT_EQ(wordAt(layout, {100, 28}), std::nullopt);
}

TEST(PlainTranscriptLayout, MovesTheBlocksAfterAMeasuredOneOnce) {
    PlainTranscriptLayout plain;
    plain.reset(Transcript::paragraphs(QStringLiteral("one\ntwo\nthree")),
                TranscriptCaseChoice::preserve, [](const QString&) { return 100.0; });
    // Tops 4, 112, 220; only the first reaches into the band.
    plain.measureBand(0, 110, [](qsizetype) { return 130.0; });
    const auto& blocks = plain.blocks();
    EXPECT_EQ(blocks[1].top, 4 + 130 + 8);
    EXPECT_EQ(blocks[2].top, 4 + 130 + 8 + 100 + 8);
}

TEST(PlainTranscriptLayout, CutsOnlyBetweenCharacterClusters) {
    const auto cut = [](const QString& before, const QString& cluster, qsizetype into) {
        const QString text = before + cluster + QStringLiteral("zzzz");
        return PlainTranscriptLayout::blockEnd(text, 0, before.size() + into);
    };
    const QString run(6, u'a');
    EXPECT_EQ(cut(run, QStringLiteral("e\u0301"), 1), 6) << "a letter and its combining mark";
    EXPECT_EQ(cut(run, QStringLiteral("\u0E01\u0E33"), 1), 6) << "a Thai vowel sign";
    // Qt joins a Thai mark to the character before it only when it sees what precedes that one.
    const QString afterReplacement = QStringLiteral("is \uFFFD\u0E31.");
    EXPECT_EQ(PlainTranscriptLayout::blockEnd(afterReplacement, 3, 1), 5) << "a mark after U+FFFD";
    const QString family = QString::fromUcs4(U"👩\u200D💻");
    for (qsizetype into = 1; into < family.size(); ++into)
        EXPECT_EQ(cut(run, family, into), 6) << "an emoji sequence, " << into;
    EXPECT_EQ(cut(run, QString::fromUcs4(U"🇫🇷🇩🇪"), 6), 6 + 4) << "between two flags";
    EXPECT_EQ(cut(run, QStringLiteral("e\u0301"), 2), 8) << "after the cluster";
    // White space that a mark joins to what follows is no place to cut either.
    const QString spaced = QString(6, u'a') + QStringLiteral(" \u0301") + QString(2, u'b');
    EXPECT_EQ(PlainTranscriptLayout::blockEnd(spaced, 0, 8), 8);
    // One cluster longer than the allowance is taken whole.
    const QString marks = QStringLiteral("a") + QString(10, u'\u0301') + QStringLiteral("b");
    EXPECT_EQ(PlainTranscriptLayout::blockEnd(marks, 0, 4), 11);
}

TEST(PlainTranscriptLayout, TitleCasesAParagraphAsAWholeAcrossItsBlocks) {
    const QString paragraph = QStringLiteral("hello ") + QString(3000, u'a');
    PlainTranscriptLayout plain;
    plain.reset(Transcript::paragraphs(paragraph), TranscriptCaseChoice::titleCase,
                [](const QString&) { return 100.0; });
    const auto& blocks = plain.blocks();
    ASSERT_EQ(blocks.size(), 2);
    EXPECT_TRUE(blocks[0].text.startsWith(QStringLiteral("Hello Aaa")));
    EXPECT_EQ(blocks[1].text, QString(blocks[1].text.size(), u'a')) << "no capital mid-word";
    EXPECT_EQ(blocks[0].text.size() + blocks[1].text.size(), paragraph.size());
}

namespace {

// The words of `text` as the service's alignment gives them.
Laid laidAsSpoken(const QString& text, qreal width) {
    return Laid(text, TTS::WordMapper::words(text), width);
}

// The words' indices from left to right on the row of word `first`.
QList<qsizetype> visualRow(const TranscriptLayout& layout, qsizetype first) {
    QList<qsizetype> row;
    for (qsizetype w = 0; w < layout.wordRects.size(); ++w)
        if (layout.wordRects.top(w) == layout.wordRects.top(first))
            row.append(w);
    std::ranges::sort(row, {}, [&](qsizetype w) { return layout.wordRects[w].left(); });
    return row;
}

} // namespace

TEST(TranscriptLayout, StartsRightToLeftRowsAtTheRightEdgeAndHitsTheirWords) {
    // Content width 100: "שלום עולם" is 40 + 4 + 40, "טוב" wraps.
    const Laid hebrew = laidAsSpoken(QStringLiteral("שלום עולם טוב."), 132);
    const TranscriptLayout& layout = hebrew.layout;
    EXPECT_TRUE(layout.paragraphs[0].rightToLeft);
    EXPECT_EQ(layout.wordRects[0], QRectF(116 - 40, 4, 40, 20));
    EXPECT_EQ(layout.wordRects[1], QRectF(116 - 84, 4, 40, 20));
    EXPECT_EQ(layout.wordRects[2], QRectF(116 - 40, 29, 40, 20)) << "טוב. at the right";
    EXPECT_TRUE(setsRightToLeft(layout, 2)) << "its full stop on its left";
    for (qsizetype w = 0; w < 3; ++w)
        EXPECT_EQ(wordAt(layout, layout.wordRects[w].center()), w);
    EXPECT_EQ(wordAt(layout, {116 - 42, 10}), std::nullopt) << "the gap";
}

TEST(TranscriptLayout, OrdersMixedDirectionsOnARowByTheBidirectionalAlgorithm) {
    // Arabic first: a right-to-left paragraph, the English phrase inside it left to right.
    const Laid arabic = laidAsSpoken(QStringLiteral("قال hello world لي"), 432);
    EXPECT_TRUE(arabic.layout.paragraphs[0].rightToLeft);
    EXPECT_EQ(visualRow(arabic.layout, 0), (QList<qsizetype>{3, 1, 2, 0}));
    EXPECT_EQ(arabic.layout.wordRects[0].right(), 416);
    EXPECT_FALSE(setsRightToLeft(arabic.layout, 1));
    EXPECT_TRUE(setsRightToLeft(arabic.layout, 3));

    // English first: left to right, the Arabic phrase inside it right to left, its full stop
    // after it on the right.
    const Laid english = laidAsSpoken(QStringLiteral("He said مرحبا صديقي. Then"), 432);
    EXPECT_FALSE(english.layout.paragraphs[0].rightToLeft);
    EXPECT_EQ(visualRow(english.layout, 0), (QList<qsizetype>{0, 1, 3, 2, 4}));
    EXPECT_EQ(english.layout.wordRects[0].left(), 16);
    EXPECT_FALSE(setsRightToLeft(english.layout, 3)) << "a full stop that reads with English";
    EXPECT_TRUE(setsRightToLeft(english.layout, 2));

    // Each paragraph takes its own direction; a digit alone decides nothing.
    const Laid both = laidAsSpoken(QStringLiteral("12 שלום\nhello"), 432);
    EXPECT_TRUE(both.layout.paragraphs[0].rightToLeft);
    EXPECT_FALSE(both.layout.paragraphs[1].rightToLeft);
    EXPECT_EQ(both.layout.wordRects[2].left(), 16);
}

TEST(TranscriptLayout, SetsChipsOfARowOnOneBaseline) {
    TestSupport::FakeTextMeasurer measurer{10, 20};
    measurer.tall = QStringLiteral("م");
    measurer.extraAscent = 3;
    const QString text = QStringLiteral("ab مر cd\nef");
    const TranscriptLayout layout =
        layOutTranscript(Transcript::paragraphs(text), TTS::WordMapper::words(text),
                         TranscriptCaseChoice::preserve, QFont(), measurer, 400);
    for (qsizetype w = 0; w < 3; ++w) {
        EXPECT_EQ(layout.wordRects[w].height(), 23) << w;
        EXPECT_EQ(layout.wordRects.baseline(w), 19) << w;
    }
    EXPECT_EQ(layout.wordRects.baseline(3), 16) << "a row of its own";
}

TEST(TranscriptLayout, GluesCharactersWrittenWithoutSpacesAndWrapsWhereALineMayEnd) {
    // Ten glued chips of 10, 30 to a row; the full stop may not start a row, so "す" goes with
    // it.
    const Laid japanese = laidAsSpoken(QStringLiteral("今日は良い天気です。"), 62);
    const WordBoxes& rects = japanese.layout.wordRects;
    ASSERT_EQ(rects.size(), 10);
    EXPECT_EQ(rects[1].left(), rects[0].right()) << "no gap";
    EXPECT_EQ(rects[3].top(), rects[0].top() + 25);
    EXPECT_EQ(rects[8].top(), rects[9].top());
    EXPECT_EQ(rects[8].left(), 16);
    EXPECT_EQ(japanese.layout.height, 4 + 4 * 20 + 3 * 5 + 4);

    // Thai words are chips of their own, glued, wrapped between words.
    const Laid thai = laidAsSpoken(QStringLiteral("ภาษาไทยง่ายนิดเดียว"), 32 + 80);
    ASSERT_GE(thai.layout.wordRects.size(), 3);
    EXPECT_EQ(thai.layout.wordRects[1].left(), thai.layout.wordRects[0].right());
    EXPECT_GT(thai.layout.height, 4 + 20 + 4) << "more than one row";
}

TEST(TranscriptLayout, BreaksAWordWiderThanTheRowOverRowsAndKeepsItWhole) {
    QString url = QStringLiteral("https://example.com/");
    while (url.size() < 300)
        url += QStringLiteral("segment/");
    const QString text = QStringLiteral("see ") + url + QStringLiteral(" now");
    const Laid laid = laidAsSpoken(text, 232); // 20 code units to a row
    const TranscriptLayout& layout = laid.layout;
    ASSERT_EQ(layout.wordRects.size(), 3);
    const QList<TranscriptLayout::Piece> pieces = piecesOf(layout, 1);
    ASSERT_GE(pieces.size(), 15);
    QString shown;
    for (const TranscriptLayout::Piece& piece : pieces) {
        shown += piece.text;
        EXPECT_GE(piece.rect.left(), 16);
        EXPECT_LE(piece.rect.right(), 216) << piece.text.toStdString();
        EXPECT_EQ(wordAt(layout, piece.rect.center()), 1);
    }
    EXPECT_EQ(shown, url);
    EXPECT_EQ(layout.wordRects[1], pieces.first().rect);
    EXPECT_EQ(pieces.first().rect.top(), layout.wordRects[0].top() + 25) << "starts a row";
    EXPECT_EQ(layout.wordRects[2].top(), pieces.last().rect.top()) << "the next word follows";
    EXPECT_EQ(changedRects(layout, {1, 1}).size(), 1 + pieces.size());
    EXPECT_EQ(layout.height, pieces.last().rect.bottom() + 4);
}

TEST(TranscriptLayout, WordsOfEveryScriptArrivingInStepsLayOutAsAllAtOnce) {
    const QString text =
        QStringLiteral("今日は良い天気です。明日も\nقال hello world لي اليوم\nhttps://example.com/"
                       "a/long/path/that/goes/on ภาษาไทยง่าย");
    const QList<Core::WordTiming> words = TTS::WordMapper::words(text);
    const QList<Paragraph> paragraphs = Transcript::paragraphs(text);
    TestSupport::FakeTextMeasurer measurer{10, 20};
    TranscriptLayout grown = layOutTranscript(
        paragraphs, words.first(1), TranscriptCaseChoice::preserve, QFont(), measurer, 92);
    for (qsizetype step = 2; step <= words.size(); ++step) {
        appendToTranscriptLayout(grown, paragraphs, words.first(step),
                                 TranscriptCaseChoice::preserve, QFont(), measurer);
        const Laid whole(text, words.first(step), 92);
        ASSERT_EQ(grown.wordRects, whole.layout.wordRects) << step;
        EXPECT_EQ(grown.pieces.size(), whole.layout.pieces.size()) << step;
        EXPECT_EQ(grown.contraryWords, whole.layout.contraryWords) << step;
        EXPECT_EQ(grown.height, whole.layout.height) << step;
    }
}
