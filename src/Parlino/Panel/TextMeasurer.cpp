#include "Parlino/Panel/TextMeasurer.h"

#include <QTextLayout>

namespace Parlino {

LineMetrics FontMetricsTextMeasurer::lineMetrics(const QString& text, const QFont& font) const {
    // The layout's line (advance width, the ascent and descent of the fonts used), not the
    // tighter ink bounds: the same line that draws the text.
    QTextLayout layout(text, font);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    return {line.naturalTextWidth(), line.ascent(), line.descent()};
}

} // namespace Parlino
