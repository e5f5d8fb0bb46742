#include "Parlino/Panel/FlowLayout.h"

#include <gtest/gtest.h>

using namespace Parlino;

namespace {

QList<QList<qsizetype>> rowItems(const QList<FlowLayout::Row>& rows) {
    QList<QList<qsizetype>> items;
    for (const auto& row : rows)
        items.append(row.items);
    return items;
}

} // namespace

TEST(FlowLayout, WrapsBeforeAnItemThatWouldPassTheWidth) {
    const FlowLayout flow;
    // 10 + 4 + 20 = 34 fits 40; + 4 + 10 = 48 does not.
    const QList<QSizeF> sizes{{10, 12}, {20, 14}, {10, 12}, {6, 12}};
    const auto rows = flow.rows(sizes, 40);
    EXPECT_EQ(rowItems(rows), (QList<QList<qsizetype>>{{0, 1}, {2, 3}}));
    EXPECT_DOUBLE_EQ(rows[0].width, 34);
    EXPECT_DOUBLE_EQ(rows[0].height, 14);
    EXPECT_DOUBLE_EQ(rows[1].width, 20);
    EXPECT_EQ(flow.sizeThatFits(sizes, 40), QSizeF(40, 14 + 5 + 12));
}

TEST(FlowLayout, KeepsAnExactFitAndAnOversizedItemAlone) {
    const FlowLayout flow;
    EXPECT_EQ(rowItems(flow.rows({{18, 10}, {18, 10}}, 40)), (QList<QList<qsizetype>>{{0, 1}}));
    const auto rows = flow.rows({{5, 10}, {90, 10}, {5, 10}}, 40);
    EXPECT_EQ(rowItems(rows), (QList<QList<qsizetype>>{{0}, {1}, {2}}));
    EXPECT_DOUBLE_EQ(rows[1].width, 90);
}

TEST(FlowLayout, WithoutAWidthPutsEverythingOnOneRow) {
    const FlowLayout flow;
    const QList<QSizeF> sizes{{10, 12}, {20, 14}, {30, 12}};
    EXPECT_EQ(flow.rows(sizes, std::nullopt).size(), 1);
    EXPECT_EQ(flow.sizeThatFits(sizes, std::nullopt), QSizeF(10 + 4 + 20 + 4 + 30, 14));
    EXPECT_EQ(flow.sizeThatFits({}, std::nullopt), QSizeF(0, 0));
    EXPECT_EQ(flow.sizeThatFits({}, 50), QSizeF(50, 0));
}

TEST(FlowLayout, PlacesItemsLeftAlignedOnTheirRowsTop) {
    const FlowLayout flow;
    const QList<QRectF> rects =
        flow.place({{10, 12}, {20, 14}, {10, 12}}, QRectF(100, 50, 40, 200));
    ASSERT_EQ(rects.size(), 3);
    EXPECT_EQ(rects[0], QRectF(100, 50, 10, 12));
    EXPECT_EQ(rects[1], QRectF(114, 50, 20, 14));
    EXPECT_EQ(rects[2], QRectF(100, 50 + 14 + 5, 10, 12));
}
