#include "Parlino/Style/Icons.h"

#include "Base/Log.h"

#include <QPainter>
#include <QPainterPathStroker>
#include <QPixmapCache>
#include <QTransform>

#include <functional>
#include <map>
#include <vector>

namespace Parlino::Icons {

namespace {

const Base::Log log("style");

// Symbols are drawn on a 24-unit grid and scaled to the size asked for.
constexpr qreal grid = 24;

using Points = std::vector<QPointF>;

QPainterPath stroked(const QPainterPath& path, qreal width) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(path).united(QPainterPath()); // united() resolves overlaps
}

QPainterPath polyline(const Points& points) {
    QPainterPath path(points.front());
    for (size_t i = 1; i < points.size(); ++i)
        path.lineTo(points[i]);
    return path;
}

QPainterPath polygon(const Points& points) {
    QPainterPath path = polyline(points);
    path.closeSubpath();
    return path;
}

// A filled polygon whose corners are rounded by `rounding` units.
QPainterPath roundedPolygon(const Points& points, qreal rounding) {
    return polygon(points).united(stroked(polygon(points), rounding));
}

QPainterPath roundRect(qreal x, qreal y, qreal w, qreal h, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(QRectF(x, y, w, h), radius, radius);
    return path;
}

QPainterPath circle(qreal cx, qreal cy, qreal r) {
    QPainterPath path;
    path.addEllipse(QPointF(cx, cy), r, r);
    return path;
}

// An open arc; angles in degrees, counter-clockwise from three o'clock.
QPainterPath arc(qreal cx, qreal cy, qreal r, qreal start, qreal sweep) {
    const QRectF box(cx - r, cy - r, 2 * r, 2 * r);
    QPainterPath path;
    path.arcMoveTo(box, start);
    path.arcTo(box, start, sweep);
    return path;
}

QPainterPath unite(std::initializer_list<QPainterPath> parts) {
    QPainterPath all;
    for (const QPainterPath& part : parts)
        all = all.united(part);
    return all;
}

// A slash from top left to bottom right, cut cleanly out of the symbol beneath it.
QPainterPath slashed(const QPainterPath& symbol, qreal w) {
    const QPainterPath line = polyline({{3, 3}, {21, 21}});
    return symbol.subtracted(stroked(line, w * 2.6)).united(stroked(line, w));
}

QPainterPath gearSilhouette() {
    QPainterPath gear = circle(12, 12, 7.4);
    for (int tooth = 0; tooth < 8; ++tooth) {
        QTransform turn;
        turn.translate(12, 12).rotate(tooth * 45).translate(-12, -12);
        gear = gear.united(turn.map(roundRect(10.2, 1.6, 3.6, 6, 0.9)));
    }
    return gear;
}

QPainterPath speaker(qreal w) {
    return roundedPolygon({{2.5, 9}, {6.5, 9}, {11, 4.8}, {11, 19.2}, {6.5, 15}, {2.5, 15}}, w);
}

QPainterPath pinParts() {
    return unite({roundRect(8, 2.5, 8, 2.6, 1),
                  polygon({{9.3, 5}, {14.7, 5}, {15.6, 12}, {8.4, 12}}),
                  roundRect(5.5, 11.6, 13, 3, 1.5)});
}

QPainterPath pinNeedle(qreal w) {
    return stroked(polyline({{12, 14.5}, {12, 21.5}}), w);
}

QPainterPath keyShape() {
    const QPainterPath bow = circle(7, 12, 5).subtracted(circle(5.2, 12, 1.7));
    return unite({bow, roundRect(10.5, 10.5, 11.5, 3, 1), roundRect(16.5, 12, 2.2, 4.5, 0.6),
                  roundRect(19.8, 12, 2.2, 3.5, 0.6)});
}

QPainterPath waves(qreal cx, qreal cy, std::initializer_list<qreal> radii, qreal w) {
    QPainterPath all;
    for (const qreal r : radii)
        all = all.united(stroked(arc(cx, cy, r, -48, 96), w));
    return all;
}

using Builder = std::function<QPainterPath(qreal w)>;

const std::map<QString, Builder>& builders() {
    static const std::map<QString, Builder> table{
        {"xmark",
         [](qreal w) {
             return stroked(polyline({{6, 6}, {18, 18}}), w)
                 .united(stroked(polyline({{18, 6}, {6, 18}}), w));
         }},
        {"checkmark",
         [](qreal w) {
             return stroked(polyline({{4.5, 12.5}, {9.5, 17.5}, {19.5, 6}}), w);
         }},
        {"chevron.left",
         [](qreal w) {
             return stroked(polyline({{15, 4.5}, {7.5, 12}, {15, 19.5}}), w);
         }},
        {"chevron.right",
         [](qreal w) {
             return stroked(polyline({{9, 4.5}, {16.5, 12}, {9, 19.5}}), w);
         }},
        {"chevron.down",
         [](qreal w) {
             return stroked(polyline({{4.5, 8.5}, {12, 16}, {19.5, 8.5}}), w);
         }},
        {"play.fill",
         [](qreal w) {
             return roundedPolygon({{7, 4.5}, {19.5, 12}, {7, 19.5}}, w);
         }},
        {"pause.fill",
         [](qreal) {
             return roundRect(5.5, 4, 4.5, 16, 1.5).united(roundRect(14, 4, 4.5, 16, 1.5));
         }},
        {"stop.fill", [](qreal) { return roundRect(5, 5, 14, 14, 3); }},
        {"play.circle.fill",
         [](qreal w) {
             return circle(12, 12, 10.5)
                 .subtracted(roundedPolygon({{9.5, 7}, {17, 12}, {9.5, 17}}, w * 0.6));
         }},
        {"circle", [](qreal w) { return stroked(circle(12, 12, 9.5), w); }},
        {"playpause.fill",
         [](qreal w) {
             return unite({roundedPolygon({{2.5, 6}, {11, 12}, {2.5, 18}}, w * 0.6),
                           roundRect(14, 6, 3, 12, 1), roundRect(19, 6, 3, 12, 1)});
         }},
        {"forward.fill",
         [](qreal w) {
             return roundedPolygon({{2, 6}, {11.5, 12}, {2, 18}}, w * 0.6)
                 .united(roundedPolygon({{12, 6}, {21.5, 12}, {12, 18}}, w * 0.6));
         }},
        {"backward.fill",
         [](qreal w) {
             return roundedPolygon({{22, 6}, {12.5, 12}, {22, 18}}, w * 0.6)
                 .united(roundedPolygon({{12, 6}, {2.5, 12}, {12, 18}}, w * 0.6));
         }},
        {"arrow.counterclockwise",
         [](qreal w) {
             return stroked(arc(12, 13, 8, 90, -300), w)
                 .united(stroked(polyline({{14.5, 2}, {11, 5}, {14.5, 8}}), w));
         }},
        {"trash",
         [](qreal w) {
             return unite({stroked(polyline({{3.5, 6.5}, {20.5, 6.5}}), w),
                           stroked(polyline({{9, 6.5}, {9, 3.5}, {15, 3.5}, {15, 6.5}}), w),
                           stroked(polyline({{6, 6.5}, {7, 20.5}, {17, 20.5}, {18, 6.5}}), w),
                           stroked(polyline({{10, 10}, {10, 17}}), w * 0.8),
                           stroked(polyline({{14, 10}, {14, 17}}), w * 0.8)});
         }},
        {"power",
         [](qreal w) {
             return stroked(arc(12, 13, 8, 125, 290), w)
                 .united(stroked(polyline({{12, 2.5}, {12, 11.5}}), w));
         }},
        {"gearshape",
         [](qreal w) {
             return stroked(gearSilhouette(), w).united(stroked(circle(12, 12, 3.2), w));
         }},
        {"gearshape.fill", [](qreal) { return gearSilhouette().subtracted(circle(12, 12, 3.2)); }},
        {"waveform",
         [](qreal w) {
             const qreal heights[] = {4, 10, 17, 11, 14, 7, 3};
             QPainterPath bars;
             for (int i = 0; i < 7; ++i) {
                 const qreal x = 3 + 3 * i, h = heights[i] / 2;
                 bars = bars.united(stroked(polyline({{x, 12 - h}, {x, 12 + h}}), w));
             }
             return bars;
         }},
        {"music.note.list",
         [](qreal w) {
             QPainterPath head;
             head.addEllipse(QPointF(16.5, 17.5), 3, 2.4);
             return unite({stroked(polyline({{3, 6}, {12, 6}}), w),
                           stroked(polyline({{3, 11}, {12, 11}}), w),
                           stroked(polyline({{3, 16}, {10, 16}}), w), head,
                           stroked(polyline({{19.2, 17}, {19.2, 4}, {22.5, 5.5}}), w)});
         }},
        {"speaker.wave.2.fill",
         [](qreal w) {
             return speaker(w).united(waves(11, 12, {4.5, 8.5}, w));
         }},
        {"speaker.slash.fill",
         [](qreal w) { return slashed(speaker(w).united(waves(11, 12, {4.5}, w)), w); }},
        {"pin.fill", [](qreal w) { return pinParts().united(pinNeedle(w)); }},
        {"pin", [](qreal w) { return stroked(pinParts(), w).united(pinNeedle(w)); }},
        {"exclamationmark.triangle.fill",
         [](qreal w) {
             return roundedPolygon({{12, 3}, {22, 20.5}, {2, 20.5}}, w)
                 .subtracted(roundRect(10.8, 8.5, 2.4, 7.2, 1.2))
                 .subtracted(circle(12, 18, 1.4));
         }},
        {"key.fill", [](qreal) { return keyShape(); }},
        {"key.slash.fill", [](qreal w) { return slashed(keyShape(), w); }},
        {"paintbrush.fill",
         [](qreal) {
             QTransform turn;
             turn.translate(12, 12).rotate(40).translate(-12, -12);
             QPainterPath bristles;
             bristles.moveTo(9.3, 15);
             bristles.lineTo(14.7, 15);
             bristles.cubicTo(14.7, 19, 13.5, 22, 9.3, 23);
             bristles.closeSubpath();
             return turn.map(unite({roundRect(10.6, 0.5, 2.8, 11, 1.4),
                                    roundRect(9.3, 11.2, 5.4, 3.2, 0.8), bristles}));
         }},
        {"person.wave.2",
         [](qreal w) {
             QPainterPath shoulders(QPointF(3, 21));
             shoulders.cubicTo(3, 14.5, 15, 14.5, 15, 21);
             return unite({stroked(circle(9, 8.5, 3.6), w), stroked(shoulders, w),
                           waves(15, 9, {4, 7.5}, w)});
         }},
        {"chart.bar.fill",
         [](qreal) {
             return unite({roundRect(3, 13, 4.5, 8, 1), roundRect(9.75, 8, 4.5, 13, 1),
                           roundRect(16.5, 3, 4.5, 18, 1)});
         }},
        {"keyboard.fill",
         [](qreal) {
             QPainterPath board = roundRect(1.5, 5, 21, 14, 2.5);
             for (const qreal y : {7.5, 11.0})
                 for (int i = 0; i < 6; ++i)
                     board = board.subtracted(roundRect(4 + 3 * i, y, 1.9, 1.9, 0.4));
             return board.subtracted(roundRect(7, 14.5, 10, 2, 0.8));
         }},
    };
    return table;
}

qreal strokeWidth(Weight weight) {
    switch (weight) {
    case Weight::regular:
        return 1.7;
    case Weight::medium:
        return 2.0;
    case Weight::semibold:
        return 2.3;
    case Weight::bold:
        return 2.6;
    }
    return 2.0;
}

void paintUnknown(QPainter& painter, const QRectF& box, const QColor& colour) {
    QPen pen(colour, std::max<qreal>(1, box.width() / 12));
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QRectF inner = box.adjusted(1, 1, -1, -1);
    painter.drawRect(inner);
    painter.drawLine(inner.topLeft(), inner.bottomRight());
    painter.drawLine(inner.topRight(), inner.bottomLeft());
}

} // namespace

QStringList names() {
    QStringList all;
    for (const auto& [name, build] : builders())
        all.append(name);
    return all;
}

std::optional<QPainterPath> path(const QString& name, qreal size, Weight weight) {
    const auto found = builders().find(name);
    if (found == builders().end())
        return std::nullopt;
    const qreal scale = size / grid;
    return QTransform::fromScale(scale, scale).map(found->second(strokeWidth(weight)));
}

void paint(QPainter& painter, const QRectF& rect, const QString& name, qreal size,
           const QColor& colour, Weight weight) {
    const QRectF box(rect.center() - QPointF(size / 2, size / 2), QSizeF(size, size));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (const auto outline = path(name, size, weight)) {
        painter.translate(box.topLeft());
        painter.fillPath(*outline, colour);
    } else {
        log.error("no symbol named %{public}s", name);
        paintUnknown(painter, box, colour);
    }
    painter.restore();
}

QIcon application() {
    return QIcon::fromTheme(QStringLiteral("parlino"),
                            QIcon(QStringLiteral(":/parlino/parlino.svg")));
}

QPixmap pixmap(const QString& name, qreal size, const QColor& colour, Weight weight, qreal ratio) {
    const QString key = QStringLiteral("parlino-symbol:%1:%2:%3:%4:%5")
                            .arg(name)
                            .arg(size)
                            .arg(colour.rgba(), 8, 16, QLatin1Char('0'))
                            .arg(int(weight))
                            .arg(ratio);
    QPixmap image;
    if (QPixmapCache::find(key, &image))
        return image;
    const int side = qCeil(size * ratio);
    image = QPixmap(side, side);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        paint(painter, QRectF(0, 0, side / ratio, side / ratio), name, size, colour, weight);
    }
    QPixmapCache::insert(key, image);
    return image;
}

} // namespace Parlino::Icons
