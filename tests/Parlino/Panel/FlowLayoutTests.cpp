#include "Parlino/Panel/FlowLayout.h"

#include <QList>
#include <gtest/gtest.h>

using namespace Parlino;

namespace {

QList<QRectF> placeAll(FlowLayout& flow, const QList<QSizeF>& sizes) {
    QList<QRectF> rects;
    for (const QSizeF& size : sizes)
        rects.append(flow.place(size));
    return rects;
}

} // namespace

TEST(FlowLayout, WrapsBeforeAnItemThatWouldPassTheWidthOnTheRowsTop) {
    FlowLayout flow({100, 50}, 40);
    EXPECT_EQ(flow.height(), 0);
    // 10 + 4 + 20 = 34 fits 40; + 4 + 10 = 48 does not.
    const QList<QRectF> rects = placeAll(flow, {{10, 12}, {20, 14}, {10, 12}, {6, 12}});
    EXPECT_EQ(rects,
              (QList<QRectF>{QRectF(100, 50, 10, 12), QRectF(114, 50, 20, 14),
                             QRectF(100, 50 + 14 + 5, 10, 12), QRectF(114, 50 + 14 + 5, 6, 12)}));
    EXPECT_DOUBLE_EQ(flow.height(), 14 + 5 + 12);
}

TEST(FlowLayout, KeepsAnExactFitAndAnOversizedItemAlone) {
    FlowLayout exact({0, 0}, 40);
    EXPECT_EQ(placeAll(exact, {{18, 10}, {18, 10}}).last(), QRectF(22, 0, 18, 10));

    FlowLayout oversized({0, 0}, 40);
    const QList<QRectF> rects = placeAll(oversized, {{5, 10}, {90, 10}, {5, 10}});
    EXPECT_EQ(rects,
              (QList<QRectF>{QRectF(0, 0, 5, 10), QRectF(0, 15, 90, 10), QRectF(0, 30, 5, 10)}));
}
