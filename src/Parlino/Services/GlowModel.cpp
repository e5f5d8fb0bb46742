#include "Parlino/Services/GlowModel.h"

namespace Parlino {

void GlowModel::setIntensity(double intensity) {
    if (intensity == m_intensity)
        return;
    m_intensity = intensity;
    emit intensityChanged();
}

} // namespace Parlino
