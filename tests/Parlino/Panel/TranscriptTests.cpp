#include "Parlino/Panel/Transcript.h"

#include <gtest/gtest.h>

using namespace Parlino;

TEST(TranscriptParagraphs, SplitAtLineFeedsWithUtf16Offsets) {
    // "😀" is a surrogate pair: two code units before the line feed.
    const QString text = QStringLiteral("a😀\n\nbé c\n");
    const QList<Paragraph> split = Transcript::paragraphs(text);
    ASSERT_EQ(split.size(), 4);
    EXPECT_EQ(split[0], (Paragraph{0, QStringLiteral("a😀"), 0}));
    EXPECT_EQ(split[1], (Paragraph{1, QString(), 4}));
    EXPECT_EQ(split[2], (Paragraph{2, QStringLiteral("bé c"), 5}));
    EXPECT_EQ(split[3], (Paragraph{3, QString(), 10}));
    for (const Paragraph& paragraph : split)
        EXPECT_EQ(text.mid(paragraph.utf16Offset, paragraph.text.size()), paragraph.text);
}

TEST(TranscriptParagraphs, EmptyTextAndTextWithoutLineFeedGiveOneParagraph) {
    EXPECT_EQ(Transcript::paragraphs(QString()), (QList<Paragraph>{{0, QString(), 0}}));
    EXPECT_EQ(Transcript::paragraphs(QStringLiteral("one line\r")),
              (QList<Paragraph>{{0, QStringLiteral("one line\r"), 0}}));
}

TEST(TranscriptTiers, FollowTheCurrentWord) {
    EXPECT_EQ(Transcript::tier(0, std::nullopt), WordTier::upcoming);
    EXPECT_EQ(Transcript::tier(4, 5), WordTier::spoken);
    EXPECT_EQ(Transcript::tier(5, 5), WordTier::current);
    EXPECT_EQ(Transcript::tier(6, 5), WordTier::upcoming);
}

TEST(TranscriptHighlight, DistinguishesAheadInsideAndPassed) {
    using Form = ParagraphHighlight::Form;
    EXPECT_EQ(ParagraphHighlight::of(10, 5, std::nullopt).form, Form::ahead);
    EXPECT_EQ(ParagraphHighlight::of(10, 5, 9).form, Form::ahead);
    EXPECT_EQ(ParagraphHighlight::of(10, 5, 10), (ParagraphHighlight{Form::inside, 0}));
    EXPECT_EQ(ParagraphHighlight::of(10, 5, 14), (ParagraphHighlight{Form::inside, 4}));
    EXPECT_EQ(ParagraphHighlight::of(10, 5, 15).form, Form::passed);
    // A paragraph without words is passed as soon as its (shared) base index is reached.
    EXPECT_EQ(ParagraphHighlight::of(3, 0, 3).form, Form::passed);
    // Two words inside the same paragraph differ; two words beyond it do not.
    EXPECT_NE(ParagraphHighlight::of(10, 5, 11), ParagraphHighlight::of(10, 5, 12));
    EXPECT_EQ(ParagraphHighlight::of(10, 5, 20), ParagraphHighlight::of(10, 5, 30));
}

TEST(TranscriptHighlight, ChangedWordsCoverEveryTierChange) {
    EXPECT_EQ(Transcript::changedWords(5, 5), std::nullopt);
    EXPECT_EQ(Transcript::changedWords(std::nullopt, std::nullopt), std::nullopt);
    EXPECT_EQ(Transcript::changedWords(5, 6), (WordRange{5, 6}));
    EXPECT_EQ(Transcript::changedWords(9, 2), (WordRange{2, 9}));
    EXPECT_EQ(Transcript::changedWords(std::nullopt, 3), (WordRange{0, 3}));
    EXPECT_EQ(Transcript::changedWords(4, std::nullopt), (WordRange{0, 4}));
    // Every word outside the range keeps its tier.
    const WordRange range = *Transcript::changedWords(9, 2);
    for (qsizetype w = 0; w < 12; ++w) {
        if (w < range.first || w > range.last) {
            EXPECT_EQ(Transcript::tier(w, 9), Transcript::tier(w, 2)) << w;
        }
    }
}
