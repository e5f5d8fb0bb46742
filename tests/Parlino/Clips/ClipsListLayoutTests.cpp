#include "Parlino/Clips/ClipsListLayout.h"

#include <QFontMetricsF>

#include <gtest/gtest.h>

namespace {

using namespace Parlino;

QString words(int count) {
    QStringList list;
    for (int i = 0; i < count; ++i)
        list.append(QStringLiteral("word%1").arg(i));
    return list.join(QLatin1Char(' '));
}

TEST(WrapTextTest, ClampsToTheLinesAskedForWithAnEllipsis) {
    const QFont font = ClipsFonts::body();
    const qreal width = 200;
    const WrappedText full = wrapText(words(60), font, width);
    ASSERT_GT(full.lineCount, 3);
    EXPECT_EQ(full.lines.size(), full.lineCount);
    EXPECT_FALSE(full.isTruncated());

    const WrappedText clamped = wrapText(words(60), font, width, 2);
    EXPECT_EQ(clamped.lineCount, full.lineCount);
    ASSERT_EQ(clamped.lines.size(), 2);
    EXPECT_TRUE(clamped.isTruncated());
    EXPECT_EQ(clamped.lines[0], full.lines[0]);
    EXPECT_TRUE(clamped.lines[1].endsWith(QChar(0x2026)));
    EXPECT_LE(QFontMetricsF(font).horizontalAdvance(clamped.lines[1]), width);
}

TEST(WrapTextTest, KeepsLineBreaksAndCountsTwoLinesAsFitting) {
    const QFont font = ClipsFonts::body();
    const WrappedText two = wrapText(QStringLiteral("first\nsecond"), font, 300, 2);
    EXPECT_EQ(two.lines, (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
    EXPECT_FALSE(two.isTruncated());

    // The cut comes after the second line's own text, not with the third line pulled up.
    const WrappedText three = wrapText(QStringLiteral("one\r\ntwo\nthree"), font, 300, 2);
    EXPECT_EQ(three.lineCount, 3);
    EXPECT_EQ(three.lines,
              (QStringList{QStringLiteral("one"), QStringLiteral("two") + QChar(0x2026)}));

    EXPECT_EQ(wrapText(QStringLiteral("short"), font, 300, 2).lines,
              QStringList{QStringLiteral("short")});
}

TEST(WrapTextTest, BreaksAWordLongerThanTheWidth) {
    const QFont font = ClipsFonts::body();
    const WrappedText wrapped = wrapText(QString(200, QLatin1Char('x')), font, 100);
    EXPECT_GT(wrapped.lineCount, 1);
    for (const QString& line : wrapped.lines)
        EXPECT_LE(QFontMetricsF(font).horizontalAdvance(line), 100);
}

TEST(WrapTextTest, EachLineReadsInTheDirectionOfItsParagraph) {
    const QFont font = ClipsFonts::body();
    // Later lines of an Arabic paragraph begin with Latin words and still read right to left.
    const WrappedText arabic = wrapText(QStringLiteral("كتبت ") + words(40), font, 200);
    ASSERT_GT(arabic.lines.size(), 2);
    EXPECT_TRUE(arabic.lines[1].startsWith(QStringLiteral("word")));
    EXPECT_EQ(arabic.readsRightToLeft, QList<bool>(arabic.lines.size(), true));

    // Digits and punctuation are not strong; a paragraph of its own takes its own direction.
    const WrappedText mixed = wrapText(QStringLiteral("15 «قرأت» iPhone\nRead in Arabic: قرأت\n"
                                                      "\u05E9\u05DC\u05D5\u05DD"),
                                       font, 300, 2);
    EXPECT_EQ(mixed.readsRightToLeft, (QList<bool>{true, false}));
    EXPECT_EQ(wrapText(QStringLiteral("a\n\u05E9\u05DC\u05D5\u05DD"), font, 300).readsRightToLeft,
              (QList<bool>{false, true}));
}

TEST(ClipRowMetricsTest, ReservesTwoLinesAndTheButtonsBesideTheText) {
    const ClipRowMetrics metrics = ClipRowMetrics::standard();
    // 16 padding each side, three gaps of 12, the 8-pixel spacer and two 22-pixel buttons.
    EXPECT_DOUBLE_EQ(metrics.textColumnWidth(520), 400);
    EXPECT_DOUBLE_EQ(metrics.textWidth(520), 392);
    EXPECT_DOUBLE_EQ(metrics.rowHeight(2) - metrics.textColumnHeight(2), 44.0 / 3);
    EXPECT_DOUBLE_EQ(metrics.textColumnHeight(3) - metrics.textColumnHeight(2), metrics.bodyLine);
}

ClipsListGeometry geometry(std::optional<qsizetype> expanded) {
    return {.count = 10,
            .collapsedHeight = 79,
            .expanded = expanded,
            .expandedHeight = 199,
            .clearAllHeight = 40};
}

TEST(ClipsListGeometryTest, PlacesRowsDividersAndClearAll) {
    const ClipsListGeometry plain = geometry(std::nullopt);
    EXPECT_DOUBLE_EQ(plain.rowTop(3), 240);
    EXPECT_DOUBLE_EQ(plain.clearAllTop(), 800);
    EXPECT_DOUBLE_EQ(plain.totalHeight(), 840);

    const ClipsListGeometry open = geometry(2);
    EXPECT_DOUBLE_EQ(open.rowTop(2), 160);
    EXPECT_DOUBLE_EQ(open.rowHeight(2), 199);
    EXPECT_DOUBLE_EQ(open.rowTop(3), 360);
    EXPECT_DOUBLE_EQ(open.totalHeight(), 960);
}

TEST(ClipsListGeometryTest, FindsTheRowsInAnAreaAcrossTheExpandedRow) {
    const ClipsListGeometry plain = geometry(std::nullopt);
    EXPECT_EQ(plain.rowsBetween(0, 100), std::make_pair(qsizetype(0), qsizetype(2)));
    EXPECT_EQ(plain.rowsBetween(250, 330), std::make_pair(qsizetype(3), qsizetype(5)));
    EXPECT_EQ(plain.rowsBetween(700, 2000), std::make_pair(qsizetype(8), qsizetype(10)));
    EXPECT_EQ(plain.rowsBetween(-50, -10).first, 0);

    const ClipsListGeometry open = geometry(2);
    // The expanded row spans 160 to 359.
    EXPECT_EQ(open.rowsBetween(200, 300), std::make_pair(qsizetype(2), qsizetype(3)));
    EXPECT_EQ(open.rowsBetween(365, 370), std::make_pair(qsizetype(3), qsizetype(4)));
    EXPECT_EQ(open.rowsBetween(440, 450).first, 4);

    EXPECT_EQ(ClipsListGeometry{}.rowsBetween(0, 500), std::make_pair(qsizetype(0), qsizetype(0)));
}

} // namespace
