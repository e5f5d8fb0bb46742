#include "Parlino/Settings/VoiceMesh.h"

#include "Core/StableHash.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace Parlino {

namespace {

constexpr std::array<double, 4> grid = {0.0, 1.0 / 3.0, 2.0 / 3.0, 1.0};
constexpr std::array<double, 16> driftFrequencies = {0.031, 0.037, 0.041, 0.043, 0.047, 0.053,
                                                     0.059, 0.061, 0.067, 0.071, 0.073, 0.079,
                                                     0.083, 0.089, 0.097, 0.101};
constexpr double edgeScale = 0.13;
constexpr double innerScale = 0.2;
constexpr double twoPi = 2 * std::numbers::pi;

// Two detuned sine waves per coordinate, so no two points move in step.
double displacement(double phase, double time, double amplitude, int j, double scale) {
    const double a = twoPi * phase + 0.9 * j;
    const double f1 = 3 * driftFrequencies[j % 16];
    const double f2 = 3 * driftFrequencies[(7 * j + 5) % 16];
    return amplitude * scale *
           (0.62 * std::sin(a + twoPi * time * f1) +
            0.38 * std::sin(1.7 * a + twoPi * time * f2 + 1.3));
}

float unitFloat(double value) {
    return static_cast<float>(std::clamp(value, 0.0, 1.0));
}

quint64 fmix64(quint64 h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

QImage makeGrain() {
    constexpr int side = 128;
    QImage image(side, side, QImage::Format_RGBA8888_Premultiplied);
    quint64 x = 0x2545F4914F6CDD1DULL;
    for (int row = 0; row < side; ++row) {
        uchar* pixel = image.scanLine(row);
        for (int column = 0; column < side; ++column, pixel += 4) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            const auto g = static_cast<uchar>((x >> 33) & 255);
            pixel[0] = pixel[1] = pixel[2] = g;
            pixel[3] = 255;
        }
    }
    return image;
}

} // namespace

MeshPoints meshPoints(double phase, double time, double amplitude) {
    MeshPoints points{};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            const int k = 4 * r + c;
            double x = grid[c];
            double y = grid[r];
            const bool edgeRow = r == 0 || r == 3;
            const bool edgeColumn = c == 0 || c == 3;
            if (edgeRow && !edgeColumn) {
                x += displacement(phase, time, amplitude, k, edgeScale);
            } else if (edgeColumn && !edgeRow) {
                y += displacement(phase, time, amplitude, k, edgeScale);
            } else if (!edgeRow && !edgeColumn) {
                x += displacement(phase, time, amplitude, k, innerScale);
                y += displacement(phase, time, amplitude, k + 11, innerScale);
            }
            points[k] = {unitFloat(x), unitFloat(y)};
        }
    }
    return points;
}

unsigned meshMood(const QString& voiceID) {
    return fmix64(Core::stableHash(voiceID + QStringLiteral("parlino-mesh-mood"))) & 3;
}

double meshBaseHue(const QString& voiceID) {
    return static_cast<double>(
               Core::stableHash(voiceID + QStringLiteral("parlino-mesh-v5-303162")) % 3600) /
           3600.0;
}

double meshDrift(double baseHue, double time) {
    const double x = baseHue + time * 3 / 120;
    return x - std::trunc(x);
}

const QImage& meshGrain() {
    static const QImage grain = makeGrain();
    return grain;
}

} // namespace Parlino
