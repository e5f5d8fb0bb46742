#include "Parlino/Panel/TextMeasurer.h"

#include <QFontMetricsF>

namespace Parlino {

QSizeF FontMetricsTextMeasurer::lineSize(const QString& text, const QFont& font) const {
    // The layout rectangle (advance width, line height), not the tighter ink bounds.
    constexpr qreal unbounded = 1e6;
    return QFontMetricsF(font)
        .boundingRect(QRectF(0, 0, unbounded, unbounded), Qt::TextSingleLine, text)
        .size();
}

} // namespace Parlino
