#pragma once

#include <QImage>
#include <QString>

#include <array>

namespace Parlino {

// The numbers behind a voice's avatar, all derived from its identifier alone, so one voice looks
// the same in every avatar, at every launch and on every machine.

// A control point of the avatar's mesh in unit coordinates (x from the column, y from the row).
struct MeshPoint {
    float x;
    float y;
    friend bool operator==(const MeshPoint&, const MeshPoint&) = default;
};
using MeshPoints = std::array<MeshPoint, 16>;

// The 16 points of the 4 × 4 mesh, row by row, drifting around the plain grid: corners stay,
// edge points slide along their edge, inner points move freely; all stay inside the unit
// square. Amplitude 0 gives the plain grid.
MeshPoints meshPoints(double phase, double time, double amplitude);

// The palette mood of a voice: 0 to 3.
unsigned meshMood(const QString& voiceID);

// The base hue of a voice: one of 3600 steps in [0, 1).
double meshBaseHue(const QString& voiceID);

// How far the palette has drifted at `time` (seconds): one full cycle every 40 seconds.
double meshDrift(double baseHue, double time);

// The shared grain texture: 128 × 128 pixels of grey noise (RGBA bytes g, g, g, 255), made once.
const QImage& meshGrain();

} // namespace Parlino
