#pragma once

#include "Parlino/Settings/VoiceMesh.h"

#include <QColor>
#include <QImage>

#include <array>

namespace Parlino {

// A 4 × 4 mesh gradient: colour k sits at point k (row by row, unit coordinates). Positions
// and colours are interpolated with C1-continuous bicubic splines across the nine patches, the
// colours in the perceptual OKLab space, so neither edges nor creases show between patches.
struct MeshGradient {
    MeshPoints points;
    std::array<QColor, 16> colours; // sRGB
    QColor background;              // where the mesh, folded by its points, leaves a gap
};

// Paints the gradient stretched over the whole of `target`, opaque. The target is a 32-bit
// image (RGB32 or ARGB32_Premultiplied); its device pixel ratio is ignored.
void rasterize(const MeshGradient& gradient, QImage& target);

} // namespace Parlino
