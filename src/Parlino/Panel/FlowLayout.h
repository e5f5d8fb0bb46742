#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace Parlino {

// Places items of fixed sizes one after another in left-aligned rows within a width, wrapping
// before an item that would pass it. An item too wide for an empty row stays on it alone; an
// item that ends exactly at the width stays on its row. Items share their row's top edge. The
// flow keeps its open row, so items can be added to it at any later time.
class FlowLayout {
public:
    static constexpr qreal wordSpacing = 4;
    static constexpr qreal lineSpacing = 5;

    FlowLayout() = default;
    // Rows start at `origin` and are at most `width` wide.
    FlowLayout(QPointF origin, qreal width) : m_origin(origin), m_width(width) {}

    // Where the next item of `size` goes.
    QRectF place(QSizeF size);
    // The height of the rows so far; 0 before the first item.
    qreal height() const;

private:
    QPointF m_origin;
    qreal m_width = 0;
    qreal m_rowTop = 0; // from the origin
    qreal m_rowWidth = 0;
    qreal m_rowHeight = 0;
    bool m_rowEmpty = true;
};

} // namespace Parlino
