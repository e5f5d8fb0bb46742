#include "Parlino/Style/ParlinoGlass.h"

#include <QPainter>
#include <QVariant>
#include <QWidget>

#include <algorithm>

namespace Parlino {

namespace {

constexpr const char* groundProperty = "parlinoGround";

// A continuous corner starts its curve further from the corner than a circular arc of the same
// radius and bends more gently, so the edge flows into the curve without a visible seam.
constexpr qreal continuousExtent = 1.28;
// Where the curve's control points sit, as a fraction of its extent from the corner.
constexpr qreal circularControl = 1 - 0.5523;
constexpr qreal continuousControl = 0.35;

struct Corner {
    qreal extent = 0;
    qreal control = 0;
};

} // namespace

void setParlinoGround(QWidget& widget, ParlinoGround ground) {
    widget.setProperty(groundProperty, int(ground));
}

ParlinoGround parlinoGround(const QWidget& widget) {
    for (const QWidget* w = &widget; w; w = w->parentWidget()) {
        const QVariant value = w->property(groundProperty);
        if (value.isValid())
            return ParlinoGround(value.toInt());
    }
    return ParlinoGround::glass;
}

namespace ParlinoGlass {

QString rawValue(EdgeTreatment edge) {
    switch (edge) {
    case EdgeTreatment::glassRim:
        return QStringLiteral("glassRim");
    case EdgeTreatment::topLight:
        return QStringLiteral("topLight");
    }
    Q_UNREACHABLE();
}

std::optional<EdgeTreatment> edgeTreatment(const QString& raw) {
    for (const EdgeTreatment edge : allEdgeTreatments)
        if (rawValue(edge) == raw)
            return edge;
    return std::nullopt;
}

Look look(ParlinoSurface surface) {
    Look look{
        .cornerRadii = Theme::pillRadii,
        .cornerStyle = Theme::cornerStyle,
        .tint = Theme::ink(),
        .edge = EdgeTreatment::glassRim,
        .edgeTopLight = Theme::white16(),
        .edgeHairline = Theme::white07(),
        .edgeWidth = 1,
    };
    switch (surface) {
    case ParlinoSurface::panel:
        look.cornerRadii = Theme::panelRadii;
        break;
    case ParlinoSurface::pill:
        break;
    case ParlinoSurface::idleBar:
        look.tint = Theme::black();
        break;
    case ParlinoSurface::card:
        look.cornerRadii = Theme::cardRadii;
        look.tint = Theme::graphite();
        look.edge = EdgeTreatment::topLight;
        break;
    }
    return look;
}

} // namespace ParlinoGlass

QPainterPath roundedShape(const QRectF& rect, const CornerRadii& radii, CornerStyle style) {
    const qreal stretch = style == CornerStyle::continuous ? continuousExtent : 1;
    const auto extent = [&](qreal radius) { return std::max<qreal>(0, radius) * stretch; };
    qreal topLeft = extent(radii.topLeft), topRight = extent(radii.topRight);
    qreal bottomRight = extent(radii.bottomRight), bottomLeft = extent(radii.bottomLeft);

    const auto fit = [](qreal side, qreal a, qreal b) { return a + b > side ? side / (a + b) : 1; };
    const qreal shrink = std::min(
        {fit(rect.width(), topLeft, topRight), fit(rect.width(), bottomLeft, bottomRight),
         fit(rect.height(), topLeft, bottomLeft), fit(rect.height(), topRight, bottomRight)});
    const qreal controlShare =
        style == CornerStyle::continuous ? continuousControl : circularControl;
    const auto corner = [&](qreal e) { return Corner{e * shrink, e * shrink * controlShare}; };
    const Corner tl = corner(topLeft), tr = corner(topRight);
    const Corner br = corner(bottomRight), bl = corner(bottomLeft);

    const qreal left = rect.left(), right = rect.right(), top = rect.top();
    const qreal bottom = rect.bottom();
    QPainterPath path;
    path.moveTo(left + tl.extent, top);
    path.lineTo(right - tr.extent, top);
    path.cubicTo(right - tr.control, top, right, top + tr.control, right, top + tr.extent);
    path.lineTo(right, bottom - br.extent);
    path.cubicTo(right, bottom - br.control, right - br.control, bottom, right - br.extent, bottom);
    path.lineTo(left + bl.extent, bottom);
    path.cubicTo(left + bl.control, bottom, left, bottom - bl.control, left, bottom - bl.extent);
    path.lineTo(left, top + tl.extent);
    path.cubicTo(left, top + tl.control, left + tl.control, top, left + tl.extent, top);
    path.closeSubpath();
    return path;
}

QPainterPath roundedShape(const QRectF& rect, qreal radius, CornerStyle style) {
    return roundedShape(rect, CornerRadii{radius, radius, radius, radius}, style);
}

QPainterPath surfaceShape(const QRectF& rect, const ParlinoGlass::Look& look) {
    return roundedShape(rect, look.cornerRadii, look.cornerStyle);
}

namespace {

// A border inside the shape, lit from the top: a gradient from the top light to the hairline.
void paintTopLight(QPainter& painter, const QRectF& rect, const ParlinoGlass::Look& look) {
    const qreal inset = look.edgeWidth / 2;
    const CornerRadii& r = look.cornerRadii;
    const auto less = [inset](qreal radius) { return std::max<qreal>(0, radius - inset); };
    const CornerRadii insetRadii{less(r.topLeft), less(r.topRight), less(r.bottomRight),
                                 less(r.bottomLeft)};
    const QRectF inner = rect.adjusted(inset, inset, -inset, -inset);

    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, look.edgeTopLight);
    gradient.setColorAt(1, look.edgeHairline);
    QPen pen(QBrush(gradient), look.edgeWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    painter.strokePath(roundedShape(inner, insetRadii, look.cornerStyle), pen);
}

} // namespace

void paintSurface(QPainter& painter, const QRectF& rect, const ParlinoGlass::Look& look) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(surfaceShape(rect, look), look.tint);
    switch (look.edge) {
    case ParlinoGlass::EdgeTreatment::topLight:
        paintTopLight(painter, rect, look);
        break;
    case ParlinoGlass::EdgeTreatment::glassRim:
        break;
    }
    painter.restore();
}

} // namespace Parlino
