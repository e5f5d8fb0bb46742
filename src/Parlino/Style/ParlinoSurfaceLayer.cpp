#include "Parlino/Style/ParlinoSurfaceLayer.h"

#include <QPainter>

namespace Parlino {

ParlinoSurfaceLayer::ParlinoSurfaceLayer(ParlinoSurface surface, QWidget* parent)
    : QWidget(parent), m_surface(surface) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void ParlinoSurfaceLayer::paintEvent(QPaintEvent*) {
    // The look is opaque whatever the transparency preferences say, so it reads none of them.
    QPainter painter(this);
    paintSurface(painter, QRectF(rect()), ParlinoGlass::look(m_surface));
}

} // namespace Parlino
