#pragma once

#include "Parlino/Settings/VoiceAvailability.h"

#include <QImage>
#include <QPixmap>
#include <QString>

class QPainter;

namespace Parlino::VoiceMeshCanvas {

// One frame of a voice's avatar drawn over the whole of `target` (ARGB32_Premultiplied, device
// pixels): the voice's mesh gradient, grain in overlay and a soft shadow towards the lower right
// in multiply, clipped to the inscribed circle at the availability's opacity; transparent
// outside the circle. A still avatar is the plain grid without drift. `time` is seconds since
// 2001-01-01.
void render(QImage& target, const QString& voiceID, VoiceAvailability availability, bool isMoving,
            double time);

// The still avatar of `side` logical pixels at a device pixel ratio, painted once and then taken
// from the pixmap cache.
QPixmap stillImage(const QString& voiceID, VoiceAvailability availability, int side, qreal ratio);

// Draws the avatar into `rect` (logical pixels): a still one from the cache, a moving one painted
// afresh into `scratch`, which the caller keeps between frames.
void paint(QPainter& painter, const QRectF& rect, const QString& voiceID,
           VoiceAvailability availability, bool isMoving, double time, QImage& scratch);

} // namespace Parlino::VoiceMeshCanvas
