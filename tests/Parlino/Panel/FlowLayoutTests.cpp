#include "Parlino/Panel/FlowLayout.h"

#include "support/FakeTextMeasurer.h"

#include <QList>
#include <gtest/gtest.h>

using namespace Parlino;

namespace {

FlowLayout::Item chip(qreal width, bool spaceBefore = true, bool breakBefore = true,
                      qreal ascent = 8, qreal descent = 2) {
    return {{width, ascent, descent}, spaceBefore, breakBefore};
}

// Every row's items as (left, width), rows in order, the open one last.
QList<QList<std::pair<qreal, qreal>>> rowsOf(FlowLayout& flow) {
    QList<FlowLayout::Row> rows = flow.takeClosedRows();
    rows.append(flow.openRow());
    QList<QList<std::pair<qreal, qreal>>> result;
    for (const FlowLayout::Row& row : rows) {
        QList<std::pair<qreal, qreal>> items;
        for (qsizetype i = 0; i < row.items.size(); ++i)
            items.append({row.lefts[i], row.items[i].line.width});
        result.append(items);
    }
    return result;
}

using Items = QList<std::pair<qreal, qreal>>;

} // namespace

TEST(FlowLayout, WrapsBeforeAChipThatWouldPassTheWidthAndSharesTheTallestBaseline) {
    FlowLayout flow(40);
    EXPECT_EQ(flow.height(), 0);
    // 10 + 4 + 20 = 34 fits 40; + 4 + 10 = 48 does not. An exact fit stays.
    for (const FlowLayout::Item& item : {chip(10), chip(20, true, true, 11, 3), chip(10), chip(26)})
        flow.add(item);
    const QList<FlowLayout::Row> closed = flow.takeClosedRows();
    ASSERT_EQ(closed.size(), 1);
    EXPECT_EQ(closed[0].ascent, 11);
    EXPECT_EQ(closed[0].height(), 14);
    EXPECT_EQ(flow.openRow().top, 14 + 5);
    EXPECT_EQ(flow.openRow().lefts, (QList<qreal>{0, 14}));
    EXPECT_DOUBLE_EQ(flow.height(), 14 + 5 + 10);
}

TEST(FlowLayout, GluesChipsWithoutSpaceAndCarriesThemToTheNextRowWhereNoBreakIsAllowed) {
    FlowLayout glued(40);
    for (const FlowLayout::Item& item : {chip(10), chip(10, false), chip(10, false)})
        glued.add(item);
    EXPECT_EQ(rowsOf(glued), (QList<Items>{{{0, 10}, {10, 10}, {20, 10}}}));

    // "aa bb" + glued "c" + "d" that may not start a row: "bb", "c" and "d" move together.
    FlowLayout carried(40);
    for (const FlowLayout::Item& item :
         {chip(10), chip(10), chip(6, false, true), chip(12, false, false), chip(10, false, false)})
        carried.add(item);
    EXPECT_EQ(rowsOf(carried), (QList<Items>{{{0, 10}, {14, 10}}, {{0, 6}, {6, 12}, {18, 10}}}));

    // No place to break on the whole row: the row ends before the chip anyway.
    FlowLayout unbreakable(20);
    for (const FlowLayout::Item& item : {chip(10), chip(10, false, false), chip(10, false, false)})
        unbreakable.add(item);
    EXPECT_EQ(rowsOf(unbreakable), (QList<Items>{{{0, 10}, {10, 10}}, {{0, 10}}}));
}

TEST(FlowLayout, BreaksAWordWiderThanTheRowAtLineBreaksElseAnywhere) {
    const TestSupport::FakeTextMeasurer measurer(10, 20);
    const auto pieces = [&](const QString& word, qreal width) {
        QStringList shown;
        for (const FlowLayout::Item& item :
             wordChips(word, 3, measurer.lineMetrics(word, {}), true, true, width, {}, measurer)) {
            EXPECT_TRUE(item.line.width <= width || item.piece.size() == 2) << item.from;
            EXPECT_EQ(item.word, 3);
            shown << (item.piece.isEmpty() ? word : item.piece);
        }
        return shown;
    };
    EXPECT_EQ(pieces(QStringLiteral("short"), 50), QStringList{"short"});
    const QString url = QStringLiteral("https://example.com/a/very/long/path");
    EXPECT_EQ(pieces(url, 120), (QStringList{"https://", "example.com/", "a/very/long/", "path"}));
    EXPECT_EQ(pieces(QStringLiteral("abcdefghij"), 40), (QStringList{"abcd", "efgh", "ij"}));
    // Never inside a character cluster, and at least one cluster a piece.
    const QString marks = QStringLiteral("e\u0301e\u0301e\u0301");
    EXPECT_EQ(pieces(marks, 30), (QStringList{"e\u0301", "e\u0301", "e\u0301"}));
    EXPECT_EQ(pieces(marks, 5).size(), 3);
    // A flow without width yet (a view not laid out) breaks nothing.
    FlowLayout unsized(0);
    unsized.addWord(url, 0, measurer.lineMetrics(url, {}), true, true, {}, measurer);
    EXPECT_EQ(unsized.openRow().items.size(), 1);
}

TEST(FlowLayout, BreaksALongWordMeasuringEachPartOfItAboutOnce) {
    const TestSupport::FakeTextMeasurer measurer(10, 20);
    const QString word = QStringLiteral("Start") + QString(19'995, u'x');
    const QList<FlowLayout::Item> pieces =
        wordChips(word, 0, measurer.lineMetrics(word, {}), true, true, 95, {}, measurer);
    QString shown;
    for (const FlowLayout::Item& piece : pieces) {
        EXPECT_LE(piece.line.width, 95);
        shown += piece.piece;
    }
    EXPECT_EQ(shown, word);
    EXPECT_EQ(pieces.size(), 2223) << "nine letters to a piece";
    qsizetype measuredLength = 0;
    for (const QString& text : std::as_const(measurer.measured))
        measuredLength += text.size();
    EXPECT_LT(measuredLength, 4 * word.size()) << "the word once, each piece a few times";
}
