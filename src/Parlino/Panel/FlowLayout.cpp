#include "Parlino/Panel/FlowLayout.h"

#include <algorithm>
#include <utility>

namespace Parlino {

QList<FlowLayout::Row> FlowLayout::rows(const QList<QSizeF>& sizes,
                                        std::optional<qreal> maxWidth) const {
    QList<Row> result;
    Row row;
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        const QSizeF size = sizes[i];
        if (maxWidth && !row.items.isEmpty() && row.width + wordSpacing + size.width() > *maxWidth)
            result.append(std::exchange(row, Row{}));
        row.width += (row.items.isEmpty() ? 0 : wordSpacing) + size.width();
        row.height = std::max(row.height, size.height());
        row.items.append(i);
    }
    if (!row.items.isEmpty())
        result.append(row);
    return result;
}

QSizeF FlowLayout::sizeThatFits(const QList<QSizeF>& sizes, std::optional<qreal> width) const {
    const QList<Row> laidOut = rows(sizes, width);
    qreal height = 0;
    qreal widest = 0;
    for (const Row& row : laidOut) {
        height += row.height;
        widest = std::max(widest, row.width);
    }
    if (!laidOut.isEmpty())
        height += lineSpacing * qreal(laidOut.size() - 1);
    return {width.value_or(widest), height};
}

QList<QRectF> FlowLayout::place(const QList<QSizeF>& sizes, const QRectF& bounds) const {
    QList<QRectF> rects(sizes.size());
    qreal y = bounds.top();
    for (const Row& row : rows(sizes, bounds.width())) {
        qreal x = bounds.left();
        for (const qsizetype item : row.items) {
            rects[item] = QRectF(QPointF(x, y), sizes[item]);
            x += sizes[item].width() + wordSpacing;
        }
        y += row.height + lineSpacing;
    }
    return rects;
}

} // namespace Parlino
