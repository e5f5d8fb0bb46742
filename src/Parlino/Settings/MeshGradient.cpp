#include "Parlino/Settings/MeshGradient.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace Parlino {

namespace {

// The spline is sampled on a grid of cells about this many pixels wide (at least two and at
// most eight per patch), and the cells are drawn as Gouraud-shaded triangles.
constexpr int cellPixels = 7;

int samplesPerAxis(int pixels) {
    const int segmentsPerPatch = std::clamp((pixels + 3 * cellPixels - 1) / (3 * cellPixels), 2, 8);
    return 3 * segmentsPerPatch + 1;
}

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

std::vector<Weights> sampleWeights(int samples) {
    std::vector<Weights> weights(samples);
    for (int i = 0; i < samples; ++i)
        weights[i] = splineWeights(3.0 * i / (samples - 1));
    return weights;
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
std::vector<Vertex> tessellate(const MeshGradient& gradient, float width, float height,
                               int samples) {
    std::array<Vertex, 16> controls{};
    for (int k = 0; k < 16; ++k) {
        const auto lab = toOklab(gradient.colours[k]);
        controls[k] = {gradient.points[k].x * width, gradient.points[k].y * height, lab[0], lab[1],
                       lab[2]};
    }
    const std::vector<Weights> weights = sampleWeights(samples);
    // Interpolate along each control row first, then down the columns.
    std::array<std::vector<Vertex>, 4> rows;
    for (int r = 0; r < 4; ++r) {
        rows[r].resize(samples);
        for (int i = 0; i < samples; ++i) {
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
    std::vector<Vertex> vertices(samples * samples);
    for (int j = 0; j < samples; ++j) {
        for (int i = 0; i < samples; ++i) {
            Vertex v{};
            for (int r = 0; r < 4; ++r) {
                const float w = weights[j][r];
                const Vertex& p = rows[r][i];
                v.x += w * p.x, v.y += w * p.y, v.c0 += w * p.c0, v.c1 += w * p.c1,
                    v.c2 += w * p.c2;
            }
            oklabToSrgb255(v);
            vertices[j * samples + i] = v;
        }
    }
    return vertices;
}

// The pixels of one image, addressed without QImage's per-row checks.
struct Pixels {
    uchar* bits;
    qsizetype bytesPerLine;
    int width;
    int height;
    QRgb* line(int y) const { return reinterpret_cast<QRgb*>(bits + y * bytesPerLine); }
};

int floorInt(float v) {
    const int i = static_cast<int>(v);
    return i - (v < static_cast<float>(i));
}

int ceilInt(float v) {
    const int i = static_cast<int>(v);
    return i + (v > static_cast<float>(i));
}

// Fills the pixels whose centres lie in the triangle (edges included, so neighbours leave no
// cracks), interpolating the colour linearly; each row is one span bounded by the edges.
void fillTriangle(const Pixels& target, const Vertex& a, Vertex b, Vertex c) {
    float area = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
    if (std::abs(area) < 1e-6f)
        return;
    if (area < 0) {
        std::swap(b, c);
        area = -area;
    }
    const int top = std::max(0, ceilInt(std::min({a.y, b.y, c.y}) - 0.5f));
    const int bottom = std::min(target.height - 1, floorInt(std::max({a.y, b.y, c.y}) - 0.5f));
    if (top > bottom)
        return;

    // Barycentric weight of each corner as a plane over the image: w0 + dx · x + dy · y; the
    // weight of a corner is zero on the opposite edge.
    struct Plane {
        float w0, dx, dy;
    };
    const float inv = 1.0f / area;
    const auto edge = [inv](const Vertex& p, const Vertex& q) {
        const float dx = -(q.y - p.y) * inv;
        const float dy = (q.x - p.x) * inv;
        return Plane{-(dx * p.x + dy * p.y), dx, dy};
    };
    const std::array<Plane, 3> weights{edge(b, c), edge(c, a), edge(a, b)};
    const std::array<std::array<float, 3>, 3> colours{
        {{a.c0, a.c1, a.c2}, {b.c0, b.c1, b.c2}, {c.c0, c.c1, c.c2}}};
    std::array<Plane, 3> channels{};
    for (int i = 0; i < 3; ++i)
        for (int v = 0; v < 3; ++v) {
            channels[i].w0 += weights[v].w0 * colours[v][i];
            channels[i].dx += weights[v].dx * colours[v][i];
            channels[i].dy += weights[v].dy * colours[v][i];
        }

    // Each edge bounds a row's span from the left or from the right at x = k0 + k1 · y, or,
    // when it runs along the row, rules out rows on its outer side.
    constexpr float tolerance = 1e-5f;
    struct Bound {
        float k0, k1;
    };
    std::array<Bound, 3> lefts{}, rights{};
    int leftCount = 0, rightCount = 0;
    float firstY = -1e30f, lastY = 1e30f;
    for (const Plane& w : weights) {
        if (w.dx != 0) {
            const float k = -1.0f / w.dx;
            (w.dx > 0 ? lefts[leftCount++] : rights[rightCount++]) = {(w.w0 + tolerance) * k,
                                                                      w.dy * k};
        } else if (w.dy > 0) {
            firstY = std::max(firstY, -(w.w0 + tolerance) / w.dy);
        } else if (w.dy < 0) {
            lastY = std::min(lastY, -(w.w0 + tolerance) / w.dy);
        }
    }

    const float maxX = target.width - 0.5f;
    for (int y = top; y <= bottom; ++y) {
        const float py = y + 0.5f;
        if (py < firstY || py > lastY)
            continue;
        float from = 0.5f;
        float to = maxX;
        for (int i = 0; i < leftCount; ++i)
            from = std::max(from, lefts[i].k0 + lefts[i].k1 * py);
        for (int i = 0; i < rightCount; ++i)
            to = std::min(to, rights[i].k0 + rights[i].k1 * py);
        if (from > to)
            continue;
        const int first = ceilInt(from - 0.5f);
        const int last = floorInt(to - 0.5f);
        const float px = first + 0.5f;
        // Inside the triangle the colour is a blend of the corners, so within 0…255; the clamp
        // guards the tolerance at the edges.
        float r = channels[0].w0 + channels[0].dx * px + channels[0].dy * py + 0.5f;
        float g = channels[1].w0 + channels[1].dx * px + channels[1].dy * py + 0.5f;
        float bl = channels[2].w0 + channels[2].dx * px + channels[2].dy * py + 0.5f;
        QRgb* line = target.line(y);
        for (int x = first; x <= last; ++x) {
            const auto channel = [](float v) {
                return static_cast<QRgb>(std::clamp(static_cast<int>(v), 0, 255));
            };
            line[x] = 0xff000000u | (channel(r) << 16) | (channel(g) << 8) | channel(bl);
            r += channels[0].dx, g += channels[1].dx, bl += channels[2].dx;
        }
    }
}

} // namespace

void rasterize(const MeshGradient& gradient, QImage& target) {
    Q_ASSERT(target.depth() == 32);
    target.fill(gradient.background.rgb());
    const int samples = samplesPerAxis(std::max(target.width(), target.height()));
    const std::vector<Vertex> vertices = tessellate(gradient, static_cast<float>(target.width()),
                                                    static_cast<float>(target.height()), samples);
    const Pixels pixels{target.bits(), target.bytesPerLine(), target.width(), target.height()};
    for (int j = 0; j + 1 < samples; ++j) {
        for (int i = 0; i + 1 < samples; ++i) {
            const Vertex& topLeft = vertices[j * samples + i];
            const Vertex& topRight = vertices[j * samples + i + 1];
            const Vertex& bottomLeft = vertices[(j + 1) * samples + i];
            const Vertex& bottomRight = vertices[(j + 1) * samples + i + 1];
            fillTriangle(pixels, topLeft, topRight, bottomRight);
            fillTriangle(pixels, topLeft, bottomRight, bottomLeft);
        }
    }
}

} // namespace Parlino
