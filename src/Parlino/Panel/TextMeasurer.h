#pragma once

#include <QFont>
#include <QSizeF>
#include <QString>

namespace Parlino {

// Measures a text set on one line in a font, as drawn: the line's height and the text's width,
// in points.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    virtual QSizeF lineSize(const QString& text, const QFont& font) const = 0;
};

// Measures with the font's metrics (QFontMetricsF).
class FontMetricsTextMeasurer final : public TextMeasurer {
public:
    QSizeF lineSize(const QString& text, const QFont& font) const override;
};

} // namespace Parlino
