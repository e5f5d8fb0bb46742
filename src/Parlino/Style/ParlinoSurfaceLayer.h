#pragma once

#include "Parlino/Style/ParlinoGlass.h"

#include <QWidget>

namespace Parlino {

// The background of a surface: fills its whole frame with the surface's glass look. Content
// goes in front of it; the host clips to `surfaceShape`.
class ParlinoSurfaceLayer final : public QWidget {
public:
    explicit ParlinoSurfaceLayer(ParlinoSurface surface, QWidget* parent = nullptr);

    ParlinoSurface surface() const { return m_surface; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ParlinoSurface m_surface;
};

} // namespace Parlino
