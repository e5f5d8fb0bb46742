#include "Parlino/Settings/MeshGradient.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace Parlino {

namespace {

// Vertices per patch edge of the tessellation; the spline is sampled on a (3n + 1)² grid and
// the cells are drawn as Gouraud-shaded triangles.
constexpr int segmentsPerPatch = 8;
constexpr int samplesPerAxis = 3 * segmentsPerPatch + 1;

// x, y in pixels; then OKLab L, a, b (before conversion) or sRGB 0…255 (after).
struct Vertex {
    float x, y, c0, c1, c2;
};

using Weights = std::array<float, 4>;

// Catmull-Rom weights of the four control values at u in [0, 3], with one-sided tangents at
// the ends, so evenly spaced values are reproduced exactly.
Weights splineWeights(double u) {
    const int segment = std::min(static_cast<int>(u), 2);
    const double f = u - segment;
    const double h00 = (2 * f - 3) * f * f + 1;
    const double h10 = ((f - 2) * f + 1) * f;
    const double h01 = (3 - 2 * f) * f * f;
    const double h11 = (f - 1) * f * f;
    // Tangent at control point i as weights of the control values.
    const auto tangent = [](int i) -> std::array<double, 4> {
        switch (i) {
        case 0:
            return {-1, 1, 0, 0};
        case 1:
            return {-0.5, 0, 0.5, 0};
        case 2:
            return {0, -0.5, 0, 0.5};
        default:
            return {0, 0, -1, 1};
        }
    };
    const auto m0 = tangent(segment);
    const auto m1 = tangent(segment + 1);
    Weights w{};
    for (int j = 0; j < 4; ++j)
        w[j] = static_cast<float>(h10 * m0[j] + h11 * m1[j]);
    w[segment] += static_cast<float>(h00);
    w[segment + 1] += static_cast<float>(h01);
    return w;
}

const std::array<Weights, samplesPerAxis>& sampleWeights() {
    static const auto table = [] {
        std::array<Weights, samplesPerAxis> weights{};
        for (int i = 0; i < samplesPerAxis; ++i)
            weights[i] = splineWeights(3.0 * i / (samplesPerAxis - 1));
        return weights;
    }();
    return table;
}

float srgbToLinear(double v) {
    return static_cast<float>(v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
}

// Linear light to 8-bit sRGB through a table, as the per-vertex pow would dominate a frame.
float linearToSrgb255(float v) {
    static constexpr int size = 4096;
    static const auto table = [] {
        std::array<float, size> t{};
        for (int i = 0; i < size; ++i) {
            const double l = static_cast<double>(i) / (size - 1);
            const double s = l <= 0.0031308 ? l * 12.92 : 1.055 * std::pow(l, 1 / 2.4) - 0.055;
            t[i] = static_cast<float>(s * 255);
        }
        return t;
    }();
    return table[static_cast<int>(std::clamp(v, 0.0f, 1.0f) * (size - 1) + 0.5f)];
}

std::array<float, 3> toOklab(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    const float r = srgbToLinear(rgb.redF());
    const float g = srgbToLinear(rgb.greenF());
    const float b = srgbToLinear(rgb.blueF());
    const float l = std::cbrt(0.4122214708f * r + 0.5363325363f * g + 0.0514459929f * b);
    const float m = std::cbrt(0.2119034982f * r + 0.6806995451f * g + 0.1073969566f * b);
    const float s = std::cbrt(0.0883024619f * r + 0.2817188376f * g + 0.6299787005f * b);
    return {0.2104542553f * l + 0.7936177850f * m - 0.0040720468f * s,
            1.9779984951f * l - 2.4285922050f * m + 0.4505937099f * s,
            0.0259040371f * l + 0.7827717662f * m - 0.8086757660f * s};
}

void oklabToSrgb255(Vertex& v) {
    const float l = v.c0 + 0.3963377774f * v.c1 + 0.2158037573f * v.c2;
    const float m = v.c0 - 0.1055613458f * v.c1 - 0.0638541728f * v.c2;
    const float s = v.c0 - 0.0894841775f * v.c1 - 1.2914855480f * v.c2;
    const float l3 = l * l * l, m3 = m * m * m, s3 = s * s * s;
    v.c0 = linearToSrgb255(4.0767416621f * l3 - 3.3077115913f * m3 + 0.2309699292f * s3);
    v.c1 = linearToSrgb255(-1.2684380046f * l3 + 2.6097574011f * m3 - 0.3413193965f * s3);
    v.c2 = linearToSrgb255(-0.0041960863f * l3 - 0.7034186147f * m3 + 1.7076147010f * s3);
}

// The tessellation's vertices, row by row, in pixels and sRGB.
std::vector<Vertex> tessellate(const MeshGradient& gradient, float width, float height) {
    std::array<Vertex, 16> controls{};
    for (int k = 0; k < 16; ++k) {
        const auto lab = toOklab(gradient.colours[k]);
        controls[k] = {gradient.points[k].x * width, gradient.points[k].y * height, lab[0], lab[1],
                       lab[2]};
    }
    const auto& weights = sampleWeights();
    // Interpolate along each control row first, then down the columns.
    std::array<std::array<Vertex, samplesPerAxis>, 4> rows{};
    for (int r = 0; r < 4; ++r) {
        for (int i = 0; i < samplesPerAxis; ++i) {
            Vertex v{};
            for (int c = 0; c < 4; ++c) {
                const float w = weights[i][c];
                const Vertex& p = controls[4 * r + c];
                v.x += w * p.x, v.y += w * p.y, v.c0 += w * p.c0, v.c1 += w * p.c1,
                    v.c2 += w * p.c2;
            }
            rows[r][i] = v;
        }
    }
    std::vector<Vertex> vertices(samplesPerAxis * samplesPerAxis);
    for (int j = 0; j < samplesPerAxis; ++j) {
        for (int i = 0; i < samplesPerAxis; ++i) {
            Vertex v{};
            for (int r = 0; r < 4; ++r) {
                const float w = weights[j][r];
                const Vertex& p = rows[r][i];
                v.x += w * p.x, v.y += w * p.y, v.c0 += w * p.c0, v.c1 += w * p.c1,
                    v.c2 += w * p.c2;
            }
            oklabToSrgb255(v);
            vertices[j * samplesPerAxis + i] = v;
        }
    }
    return vertices;
}

QRgb pack(float r, float g, float b) {
    const auto channel = [](float v) {
        return static_cast<int>(std::clamp(v, 0.0f, 255.0f) + 0.5f);
    };
    return qRgb(channel(r), channel(g), channel(b));
}

// Fills the pixels whose centres lie in the triangle (edges included, so neighbours leave no
// cracks), interpolating the colour linearly.
void fillTriangle(QImage& target, const Vertex& a, Vertex b, Vertex c) {
    float area = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
    if (std::abs(area) < 1e-6f)
        return;
    if (area < 0) {
        std::swap(b, c);
        area = -area;
    }
    const int left = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}))));
    const int right =
        std::min(target.width() - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}))));
    const int top = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}))));
    const int bottom =
        std::min(target.height() - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}))));
    if (left > right || top > bottom)
        return;

    // Edge functions: weight of a (opposite edge bc), of b (edge ca) and of c (edge ab).
    const float inv = 1.0f / area;
    const auto edge = [inv](const Vertex& p, const Vertex& q, float x, float y) {
        return ((q.x - p.x) * (y - p.y) - (x - p.x) * (q.y - p.y)) * inv;
    };
    const float dwaDx = -(c.y - b.y) * inv, dwbDx = -(a.y - c.y) * inv;
    constexpr float tolerance = -1e-5f;
    for (int y = top; y <= bottom; ++y) {
        const float py = y + 0.5f, px = left + 0.5f;
        float wa = edge(b, c, px, py);
        float wb = edge(c, a, px, py);
        auto* line = reinterpret_cast<QRgb*>(target.scanLine(y));
        for (int x = left; x <= right; ++x, wa += dwaDx, wb += dwbDx) {
            const float wc = 1.0f - wa - wb;
            if (wa < tolerance || wb < tolerance || wc < tolerance)
                continue;
            line[x] = pack(wa * a.c0 + wb * b.c0 + wc * c.c0, wa * a.c1 + wb * b.c1 + wc * c.c1,
                           wa * a.c2 + wb * b.c2 + wc * c.c2);
        }
    }
}

} // namespace

void rasterize(const MeshGradient& gradient, QImage& target) {
    Q_ASSERT(target.depth() == 32);
    target.fill(gradient.background.rgb());
    const std::vector<Vertex> vertices = tessellate(gradient, static_cast<float>(target.width()),
                                                    static_cast<float>(target.height()));
    for (int j = 0; j + 1 < samplesPerAxis; ++j) {
        for (int i = 0; i + 1 < samplesPerAxis; ++i) {
            const Vertex& topLeft = vertices[j * samplesPerAxis + i];
            const Vertex& topRight = vertices[j * samplesPerAxis + i + 1];
            const Vertex& bottomLeft = vertices[(j + 1) * samplesPerAxis + i];
            const Vertex& bottomRight = vertices[(j + 1) * samplesPerAxis + i + 1];
            fillTriangle(target, topLeft, topRight, bottomRight);
            fillTriangle(target, topLeft, bottomRight, bottomLeft);
        }
    }
}

} // namespace Parlino
