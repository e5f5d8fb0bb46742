#pragma once

#include <QList>
#include <QRectF>
#include <QSizeF>

#include <optional>

namespace Parlino {

// Places items of fixed sizes in left-aligned rows, wrapping before an item that would pass
// the width. An item too wide for an empty row stays on it alone; an item that ends exactly at
// the width stays on its row. Without a width every item goes on one row.
struct FlowLayout {
    struct Row {
        QList<qsizetype> items; // indices into the sizes
        qreal width = 0;
        qreal height = 0;
    };

    qreal wordSpacing = 4;
    qreal lineSpacing = 5;

    QList<Row> rows(const QList<QSizeF>& sizes, std::optional<qreal> maxWidth) const;
    // The rows' total height; the width proposed, or the widest row when none is.
    QSizeF sizeThatFits(const QList<QSizeF>& sizes, std::optional<qreal> width) const;
    // Each item's rectangle, rows from the top of `bounds`, items sharing their row's top edge.
    QList<QRectF> place(const QList<QSizeF>& sizes, const QRectF& bounds) const;
};

} // namespace Parlino
