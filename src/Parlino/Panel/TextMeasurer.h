#pragma once

#include <QFont>
#include <QSizeF>
#include <QString>

namespace Parlino {

// A text set on one line: its advance width and how far the line reaches above and below its
// baseline, in points, with every fallback font it takes.
struct LineMetrics {
    qreal width = 0;
    qreal ascent = 0;
    qreal descent = 0;

    qreal height() const { return ascent + descent; }
    friend bool operator==(const LineMetrics&, const LineMetrics&) = default;
};

// Measures a text set on one line in a font, as drawn.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    virtual LineMetrics lineMetrics(const QString& text, const QFont& font) const = 0;
};

// Measures with the text engine that draws the text (one QTextLayout line).
class FontMetricsTextMeasurer final : public TextMeasurer {
public:
    LineMetrics lineMetrics(const QString& text, const QFont& font) const override;
};

} // namespace Parlino
