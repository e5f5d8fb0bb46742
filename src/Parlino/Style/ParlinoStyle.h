#pragma once

#include <QProxyStyle>

namespace Parlino {

// The application's style for the stock controls (check boxes, menu pickers, text fields, tool
// buttons): the desktop's neutral style in the windows' dark palette, with the application's own
// keyboard-focus ring in place of the style's focus marks, and menu pickers whose list opens
// below the control (above it where the screen ends) instead of over it.
class ParlinoStyle final : public QProxyStyle {
public:
    ParlinoStyle();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};

} // namespace Parlino
