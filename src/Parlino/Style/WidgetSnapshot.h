#pragma once

#include <QPixmap>

class QWidget;

namespace Parlino {

// A still picture of `widget` and its children as they are drawn now, on a transparent ground of
// `size` at the widget's device pixel ratio: what a widget that goes leaves behind to fade out,
// so that nothing of the widget itself lingers to take a key, a click or a screen reader's
// attention.
QPixmap widgetSnapshot(QWidget& widget, QSize size);

} // namespace Parlino
