#include "Parlino/Panel/PlainTranscriptLayout.h"
#include "Parlino/Panel/TranscriptLayout.h"

#include "support/FakeTextMeasurer.h"

#include <gtest/gtest.h>

using namespace Parlino;

namespace {

// Every code unit 10 wide, every line 20 tall.
struct Laid {
    TestSupport::FakeTextMeasurer measurer{10, 20};
    TranscriptLayout layout;

    Laid(const QString& text, const QStringList& words, qreal width,
         TranscriptCaseChoice caseChoice = TranscriptCaseChoice::preserve) {
        QList<Core::WordTiming> timings;
        qsizetype from = 0;
        for (const QString& w : words) {
            const qsizetype at = text.indexOf(w, from);
            timings.append({w, {at, at + w.size()}, 0, 0});
            from = at + w.size();
        }
        layout = layOutTranscript(Transcript::wordGroups(text, timings), caseChoice, QFont(),
                                  measurer, width);
    }
};

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
    EXPECT_EQ(laid.layout.wordTexts, (QStringList{"THE", "CAT", "THE", "HAT"}));
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

TEST(TranscriptLayout, AppendingWordsLaysOutTheSameAsLayingOutAgain) {
    const QString text = QStringLiteral("aa bb cc dd ee\n\nff gg\nhh ii jj kk ll mm");
    QList<Core::WordTiming> words;
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (text[at].isSpace())
            continue;
        const qsizetype start = at;
        while (at < text.size() && !text[at].isSpace())
            ++at;
        words.append({text.mid(start, at - start), {start, at}, 0, 0});
    }
    ASSERT_EQ(words.size(), 13);
    const TestSupport::FakeTextMeasurer measurer{10, 20};
    const auto layOut = [&](qsizetype count) {
        return layOutTranscript(Transcript::wordGroups(text, words.first(count)),
                                TranscriptCaseChoice::allCaps, QFont(), measurer, 92);
    };
    // Words arrive in steps that end inside a paragraph, at its end and past the empty one.
    for (const qsizetype step : {3, 5, 6, 13}) {
        TranscriptLayout grown = layOut(2);
        appendToTranscriptLayout(grown, Transcript::wordGroups(text, words.first(step)),
                                 TranscriptCaseChoice::allCaps, QFont(), measurer);
        const TranscriptLayout whole = layOut(step);
        EXPECT_EQ(grown.wordRects, whole.wordRects) << step;
        EXPECT_EQ(grown.wordTexts, whole.wordTexts) << step;
        EXPECT_EQ(grown.height, whole.height) << step;
        ASSERT_EQ(grown.paragraphs.size(), whole.paragraphs.size());
        for (qsizetype p = 0; p < whole.paragraphs.size(); ++p) {
            EXPECT_EQ(grown.paragraphs[p].rect, whole.paragraphs[p].rect) << step << " " << p;
            EXPECT_EQ(grown.paragraphs[p].firstWord, whole.paragraphs[p].firstWord);
        }
    }
}
