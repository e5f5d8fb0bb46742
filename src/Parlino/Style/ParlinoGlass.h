#pragma once

#include "Parlino/Style/Theme.h"

#include <QColor>
#include <QPainterPath>
#include <QRectF>
#include <QString>

#include <array>
#include <optional>

class QPainter;
class QWidget;

namespace Parlino {

// The kinds of window surface, each with its own glass look.
enum class ParlinoSurface { panel, pill, idleBar, card };
inline constexpr std::array allParlinoSurfaces{ParlinoSurface::panel, ParlinoSurface::pill,
                                               ParlinoSurface::idleBar, ParlinoSurface::card};

// What a card sits on: a glass surface (the panel) or the solid ground of a standalone window.
enum class ParlinoGround { glass, solid };
inline constexpr std::array allParlinoGrounds{ParlinoGround::glass, ParlinoGround::solid};

// Sets the ground for `widget` and everything inside it.
void setParlinoGround(QWidget& widget, ParlinoGround ground);
// The ground set on `widget` or its nearest ancestor that has one; `glass` when none has.
ParlinoGround parlinoGround(const QWidget& widget);

namespace ParlinoGlass {

enum class EdgeTreatment { glassRim, topLight };
inline constexpr std::array allEdgeTreatments{EdgeTreatment::glassRim, EdgeTreatment::topLight};

QString rawValue(EdgeTreatment edge);
// The treatment whose raw value is exactly `raw`, if any.
std::optional<EdgeTreatment> edgeTreatment(const QString& raw);

// The look of one surface kind: its shape, its tint, and the border a card draws inside it.
struct Look {
    CornerRadii cornerRadii;
    CornerStyle cornerStyle = CornerStyle::continuous;
    QColor tint;
    EdgeTreatment edge = EdgeTreatment::glassRim;
    QColor edgeTopLight;
    QColor edgeHairline;
    qreal edgeWidth = 0;
};

Look look(ParlinoSurface surface);

} // namespace ParlinoGlass

// A rectangle with its own radius at each corner; radii too large for the rectangle shrink so
// that neighbouring corners meet without overlapping.
QPainterPath roundedShape(const QRectF& rect, const CornerRadii& radii, CornerStyle style);
QPainterPath roundedShape(const QRectF& rect, qreal radius, CornerStyle style);
// The shape every user of a surface clips to.
QPainterPath surfaceShape(const QRectF& rect, const ParlinoGlass::Look& look);

// Paints a surface's background into `rect`: the tint in the surface's shape and, on a card,
// the top-light border inside it.
void paintSurface(QPainter& painter, const QRectF& rect, const ParlinoGlass::Look& look);

} // namespace Parlino
