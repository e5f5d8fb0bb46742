#include "Parlino/Panel/TextHeight.h"
#include "support/FakeTextMeasurer.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Parlino;
using TestSupport::FakeTextMeasurer;

namespace {

qreal heightOf(const QString& text, qreal width, qreal advance = 10, qreal line = 17.3) {
    const FakeTextMeasurer measurer(advance, line);
    return measureTextHeight(text, TranscriptCaseChoice::preserve, QFont(), width, measurer);
}

} // namespace

TEST(TextHeight, countsOnlyTheMarginWithoutWidthOrWords) {
    EXPECT_EQ(heightOf(QStringLiteral("some words"), 0), 8);
    EXPECT_EQ(heightOf(QStringLiteral("some words"), -5), 8);
    EXPECT_EQ(heightOf(QString(), 464), 8);
    EXPECT_EQ(heightOf(QStringLiteral("\n\n"), 464), 24);
    // A paragraph of spaces and tabs adds only its gap.
    EXPECT_EQ(heightOf(QStringLiteral("a\n \t "), 464), 26 + 8);
}

TEST(TextHeight, wrapsWordsGreedilyWithGapsBetweenLinesAndParagraphs) {
    // 20 + 4 + 20 fits 44 exactly; the third word opens a second line.
    EXPECT_EQ(heightOf(QStringLiteral("aa bb cc"), 44), 40 + 8);
    EXPECT_EQ(heightOf(QStringLiteral("aa bb cc"), 68), 18 + 8);
    EXPECT_EQ(heightOf(QStringLiteral("aa  bb\tcc"), 68), 18 + 8) << "runs of space are one gap";
    // Two one-line paragraphs: 17.3 + 8 + 17.3, rounded up.
    EXPECT_EQ(heightOf(QStringLiteral("aa\nbb"), 464), 43 + 8);
}

TEST(TextHeight, breaksAWordWiderThanTheWidthOverLines) {
    // 21 letters, 5 to a 50 pt line: five lines of 17.3 and four gaps.
    EXPECT_EQ(heightOf(QStringLiteral("incomprehensibilities"), 50), 107 + 8);
    // "a" alone, then the pieces, the last one "s" with "bb": six lines.
    EXPECT_EQ(heightOf(QStringLiteral("a incomprehensibilities bb"), 50), 129 + 8);
}

TEST(TextHeight, wrapsTextWrittenWithoutSpacesAsItsWordChipsDo) {
    // Seven kana and kanji touching each other, 10 each: 40 a line, and no gap between them.
    EXPECT_EQ(heightOf(QStringLiteral("今日は良い天気"), 40), 2 * 17.3 + 5 + 1 + 8 - 0.6);
    EXPECT_EQ(heightOf(QStringLiteral("今日は良い天気"), 70), 18 + 8) << "exactly seven chips";
    // Thai: its dictionary words are chips, a line may end between them: "ภาษาไทย",
    // "ง่ายนิด", "เดียว".
    EXPECT_EQ(heightOf(QStringLiteral("ภาษาไทยง่ายนิดเดียว"), 100), 62 + 8);
}

TEST(TextHeight, roundsEachWordUpToAWholePoint) {
    // 7.5 wide words count 8: 8 + 4 + 8 does not fit 19.5.
    EXPECT_EQ(heightOf(QStringLiteral("abc abc"), 19.5, 2.5, 10), 25 + 8);
    EXPECT_EQ(heightOf(QStringLiteral("abc abc"), 20, 2.5, 10), 10 + 8);
}

TEST(TextHeight, splitsWordsAtEveryKindOfWhiteSpace) {
    // A no-break space separates words too: two 40 pt words cannot share 50 pt.
    EXPECT_EQ(heightOf(QStringLiteral("aaaa\u00A0bbbb"), 50), 40 + 8);
    EXPECT_EQ(heightOf(QStringLiteral("aaaa\u2003bbbb"), 50), 40 + 8);
}

TEST(TextHeight, readsAParagraphLongerThanItsWindowsWholeAndALongTextOnlyPastTheLimit) {
    const FakeTextMeasurer measurer(10, 17.3);
    // 3000 words of 30 pt, 13 to a 464 pt line, over windows of 4096 and 8192 code units.
    const QString paragraph = QStringLiteral("abc ").repeated(3000);
    EXPECT_EQ(measureTextHeight(paragraph, TranscriptCaseChoice::preserve, {}, 464, measurer),
              std::ceil(231 * 17.3 + 230 * 5) + 8);

    measurer.measured.clear();
    const QString book = (paragraph + u'\n').repeated(100);
    EXPECT_GT(measureTextHeight(book, TranscriptCaseChoice::preserve, {}, 464, measurer, 200), 200);
    EXPECT_LE(measurer.measured.size(), 4096 / 4) << "no further than the first window";

    // One word of a million letters: its first window is broken into lines, nothing more.
    measurer.measured.clear();
    const QString word(1'000'000, u'x');
    EXPECT_GT(measureTextHeight(word, TranscriptCaseChoice::preserve, {}, 464, measurer, 200), 200);
    qsizetype measuredLength = 0;
    for (const QString& text : std::as_const(measurer.measured))
        measuredLength += text.size();
    EXPECT_LT(measuredLength, 4 * 4096);
}

class TextHeightCacheTest : public ::testing::Test {
protected:
    TextMeasurementKey key(qint64 epoch) {
        TextMeasurementKey key;
        key.textEpoch = epoch;
        key.fontSize = 17;
        key.width = 464;
        return key;
    }

    FakeTextMeasurer measurer{10, 20};
    TextHeightCache cache{measurer, 1000};
};

TEST_F(TextHeightCacheTest, measuresOncePerKey) {
    const qreal first = cache.height(key(1), QStringLiteral("hello there"));
    const auto measuredOnce = measurer.measured.size();

    EXPECT_EQ(cache.height(key(1), QStringLiteral("a different text entirely")), first);
    EXPECT_EQ(measurer.measured.size(), measuredOnce);

    TextMeasurementKey larger = key(1);
    larger.fontSize = 20;
    cache.height(larger, QStringLiteral("hello there"));
    EXPECT_GT(measurer.measured.size(), measuredOnce);
}

TEST_F(TextHeightCacheTest, measuresTheTextAsShownInItsCase) {
    TextMeasurementKey capitals = key(2);
    capitals.caseChoice = TranscriptCaseChoice::allCaps;

    cache.height(capitals, QStringLiteral("hello there"));

    EXPECT_TRUE(measurer.measured.contains(QStringLiteral("HELLO")));
    EXPECT_FALSE(measurer.measured.contains(QStringLiteral("hello")));
}

TEST_F(TextHeightCacheTest, measuresANewTextEpochAgain) {
    const qreal oneLine = cache.height(key(1), QStringLiteral("hi"));
    const qreal twoParagraphs = cache.height(key(2), QString(40, u'x').replace(10, 1, u'\n'));
    EXPECT_EQ(oneLine, 28);
    EXPECT_EQ(twoParagraphs, 20 + 8 + 20 + 8);
}
