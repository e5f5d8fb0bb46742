#pragma once

#include <QObject>

namespace Parlino {

// The level that drives the glow around the surfaces, written on every tick of a read.
class GlowModel : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    double intensity() const { return m_intensity; }
    void setIntensity(double intensity);

signals:
    void intensityChanged();

private:
    double m_intensity = 0.25;
};

} // namespace Parlino
