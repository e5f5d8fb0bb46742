#include "Parlino/Style/WidgetSnapshot.h"

#include <QWidget>

namespace Parlino {

QPixmap widgetSnapshot(QWidget& widget, QSize size) {
    const qreal ratio = widget.devicePixelRatioF();
    QPixmap image(size * ratio);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    widget.render(&image, {}, {}, QWidget::DrawChildren);
    return image;
}

} // namespace Parlino
