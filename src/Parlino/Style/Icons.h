#pragma once

#include <QColor>
#include <QIcon>
#include <QPainterPath>
#include <QPixmap>
#include <QRectF>
#include <QStringList>

#include <optional>

class QPainter;

namespace Parlino::Icons {

// How heavy the strokes of a symbol are, as the weights of the text beside it.
enum class Weight { regular, medium, semibold, bold };

// Every symbol name the icon set draws.
QStringList names();

// The symbol's outline, to be filled, in a square of side `size` at the origin; no value for a
// name the set does not know.
std::optional<QPainterPath> path(const QString& name, qreal size, Weight weight = Weight::medium);

// Paints the symbol centred in `rect`, `size` logical pixels square. A name the set does not
// know is a programming error: it is logged and drawn as a crossed box, never left blank.
void paint(QPainter& painter, const QRectF& rect, const QString& name, qreal size,
           const QColor& colour, Weight weight = Weight::medium);

// The application's own icon, as the desktop's icon theme has it or as it comes with the
// program, for every window's title bar and task list entry.
QIcon application();

// The symbol as a still image of `size` logical pixels at a device pixel ratio, drawn once
// and then taken from the pixmap cache.
QPixmap pixmap(const QString& name, qreal size, const QColor& colour, Weight weight, qreal ratio);

} // namespace Parlino::Icons
