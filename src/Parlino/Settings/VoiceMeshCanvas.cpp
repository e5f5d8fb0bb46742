#include "Parlino/Settings/VoiceMeshCanvas.h"

#include "Parlino/Settings/MeshGradient.h"
#include "Parlino/Settings/VoiceMesh.h"
#include "Parlino/Style/Theme.h"

#include <QPainter>
#include <QPixmapCache>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <vector>

namespace Parlino::VoiceMeshCanvas {

namespace {

// The shadow: a radial gradient, clear up to 55 % of its radius, then darkening to ink at
// 38 % opacity at its rim and beyond.
constexpr double shadowCentreX = 0.36;
constexpr double shadowCentreY = 0.30;
constexpr double shadowRadius = 0.82;
constexpr double shadowClearUntil = 0.55;
constexpr double shadowOpacity = 0.38;

MeshGradient meshOf(const QString& voiceID, VoiceAvailability availability, bool isMoving,
                    double time) {
    const double baseHue = meshBaseHue(voiceID);
    const MeshPoints points = isMoving ? meshPoints(baseHue, time, 1.0) : meshPoints(0, 0, 0);
    const double drift = isMoving ? meshDrift(baseHue, time) : 0;
    const QList<QColor> palette =
        Theme::huePalette(meshMood(voiceID), baseHue, drift, look(availability).saturationScale);
    MeshGradient gradient{points, {}, Theme::ink()};
    std::copy_n(palette.begin(), std::min<qsizetype>(palette.size(), 16), gradient.colours.begin());
    return gradient;
}

// The mesh is a smooth field, so it is rasterised at no more than this many pixels across and
// stretched bilinearly; grain and edge stay at full resolution.
constexpr int meshPixelsMax = 32;

// The grain laid over the mesh in overlay at one opacity, for every backdrop and grain byte:
// table[backdrop × 256 + grain]. Indexed by backdrop first, since neighbouring pixels share
// backdrops while the grain is noise, so the rows in use stay in the cache.
using OverlayTable = std::array<uchar, 256 * 256>;

OverlayTable makeOverlayTable(double opacity) {
    OverlayTable table{};
    for (int c = 0; c < 256; ++c) {
        const double backdrop = c / 255.0;
        for (int g = 0; g < 256; ++g) {
            const double source = g / 255.0;
            const double blended =
                backdrop <= 0.5 ? 2 * backdrop * source : 1 - 2 * (1 - backdrop) * (1 - source);
            const double mixed = backdrop + opacity * (blended - backdrop);
            table[c * 256 + g] = static_cast<uchar>(std::clamp(mixed * 255 + 0.5, 0.0, 255.0));
        }
    }
    return table;
}

const OverlayTable& overlayFor(VoiceAvailability availability) {
    static std::map<VoiceAvailability, OverlayTable> cache;
    auto it = cache.find(availability);
    if (it == cache.end()) {
        const double opacity = meshGrain().isNull() ? 0.0 : look(availability).grainOpacity;
        it = cache.emplace(availability, makeOverlayTable(opacity)).first;
    }
    return it->second;
}

QSize meshSizeFor(int w, int h) {
    return {std::min(w, meshPixelsMax), std::min(h, meshPixelsMax)};
}

// For each output pixel along one axis: the two mesh pixels it lies between and the weight of
// the second in 1/256.
struct Taps {
    std::vector<int> first, second;
    std::vector<quint32> weight;
};

Taps makeTaps(int outputPixels, int meshPixels) {
    Taps taps;
    for (int i = 0; i < outputPixels; ++i) {
        const float at =
            std::clamp((i + 0.5f) * meshPixels / outputPixels - 0.5f, 0.0f, float(meshPixels - 1));
        const int first = std::min(int(at), meshPixels - 1);
        taps.first.push_back(first);
        taps.second.push_back(std::min(first + 1, meshPixels - 1));
        taps.weight.push_back(static_cast<quint32>((at - first) * 256 + 0.5f));
    }
    return taps;
}

// The colour `weight`/256 of the way from a to b, two channels at a time.
QRgb mix(QRgb a, QRgb b, quint32 weight) {
    const quint32 keep = 256 - weight;
    const quint32 redBlue = (((a & 0xff00ff) * keep + (b & 0xff00ff) * weight) >> 8) & 0xff00ff;
    const quint32 green = ((a & 0xff00) * keep + (b & 0xff00) * weight) >> 8 & 0xff00;
    return redBlue | green;
}

// What each pixel inside the circle takes from its place alone: per channel the factor of
// shadow and alpha in 1/65536, its alpha (the circle's coverage at the mesh opacity) and the
// grain pixel that falls on it.
struct Place {
    std::array<quint32, 3> factor;
    uchar alpha;
    uchar grain;
};

// The layers of an avatar of one size and availability. The circle is convex, so each row's
// covered pixels are one span; pixels outside the spans are transparent.
struct PixelLayers {
    std::vector<int> spanBegin, spanEnd; // per row, [begin, end) in pixels
    std::vector<Place> places;           // row by row, w per row
    Taps columns;
    Taps rows;
};

PixelLayers makeLayers(int w, int h, VoiceAvailability availability) {
    const QImage& grain = meshGrain();
    const float meshOpacity = static_cast<float>(look(availability).meshOpacity);
    const QColor ink = Theme::ink();
    const std::array<float, 3> inkLight{1 - float(ink.redF()), 1 - float(ink.greenF()),
                                        1 - float(ink.blueF())};
    const QSize mesh = meshSizeFor(w, h);
    PixelLayers layers{std::vector<int>(h, 0), std::vector<int>(h, 0),
                       std::vector<Place>(std::size_t(w) * h), makeTaps(w, mesh.width()),
                       makeTaps(h, mesh.height())};
    const float rx = w / 2.0f, ry = h / 2.0f, rMin = std::min(rx, ry);
    const float shadowX = float(shadowCentreX) * w, shadowY = float(shadowCentreY) * h;
    const float shadowReach = float(shadowRadius) * w;
    for (int y = 0; y < h; ++y) {
        const float py = y + 0.5f;
        const uchar* grainLine = grain.isNull() ? nullptr : grain.constScanLine(int(py * 128 / h));
        int begin = w, end = 0;
        for (int x = 0; x < w; ++x) {
            Place& place = layers.places[std::size_t(y) * w + x];
            const float px = x + 0.5f;
            const float ex = (px - rx) / rx, ey = (py - ry) / ry;
            const float coverage =
                std::clamp((1 - std::sqrt(ex * ex + ey * ey)) * rMin + 0.5f, 0.0f, 1.0f);
            const float alpha = coverage * meshOpacity;
            const float t =
                std::sqrt((px - shadowX) * (px - shadowX) + (py - shadowY) * (py - shadowY)) /
                shadowReach;
            const float shade =
                float(shadowOpacity) *
                std::clamp((t - float(shadowClearUntil)) / float(1 - shadowClearUntil), 0.0f, 1.0f);
            place.alpha = static_cast<uchar>(alpha * 255 + 0.5f);
            place.grain = grainLine ? grainLine[4 * int(px * 128 / w)] : 128;
            for (int channel = 0; channel < 3; ++channel)
                place.factor[channel] =
                    static_cast<quint32>(alpha * (1 - shade * inkLight[channel]) * 65536 + 0.5f);
            if (place.alpha != 0) {
                begin = std::min(begin, x);
                end = x + 1;
            }
        }
        layers.spanBegin[y] = begin;
        layers.spanEnd[y] = std::max(begin, end);
    }
    return layers;
}

// Kept per size and availability (a screen of avatars uses one or two sizes); main thread only.
const PixelLayers& layersFor(int w, int h, VoiceAvailability availability) {
    static std::map<std::tuple<int, int, VoiceAvailability>, PixelLayers> cache;
    const std::tuple key{w, h, availability};
    auto it = cache.find(key);
    if (it == cache.end())
        it = cache.emplace(key, makeLayers(w, h, availability)).first;
    return it->second;
}

// Each mesh row stretched across `width` pixels, rows one after another in `wide`.
void stretchRows(const QImage& mesh, const Taps& columns, int width, std::vector<QRgb>& wide) {
    wide.resize(std::size_t(mesh.height()) * width);
    for (int row = 0; row < mesh.height(); ++row) {
        const auto* line = reinterpret_cast<const QRgb*>(mesh.constScanLine(row));
        QRgb* out = wide.data() + std::size_t(row) * width;
        for (int x = 0; x < width; ++x)
            out[x] = mix(line[columns.first[x]], line[columns.second[x]], columns.weight[x]);
    }
}

// Stretches the mesh over the target and adds grain in overlay, the shadow in multiply and the
// round clip at the availability's opacity, in one pass over sRGB bytes as the canvas blends.
void compose(QImage& target, const QImage& mesh, VoiceAvailability availability) {
    const int w = target.width(), h = target.height();
    const PixelLayers& layers = layersFor(w, h, availability);
    const uchar* overlay = overlayFor(availability).data();
    static std::vector<QRgb> wide; // main thread only, kept to spare an allocation per frame
    stretchRows(mesh, layers.columns, w, wide);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(target.scanLine(y));
        const int begin = layers.spanBegin[y], end = layers.spanEnd[y];
        std::fill(line, line + begin, 0);
        std::fill(line + end, line + w, 0);
        const QRgb* upper = wide.data() + std::size_t(layers.rows.first[y]) * w;
        const QRgb* lower = wide.data() + std::size_t(layers.rows.second[y]) * w;
        const quint32 fy = layers.rows.weight[y];
        const Place* places = layers.places.data() + std::size_t(y) * w;
        for (int x = begin; x < end; ++x) {
            const Place& place = places[x];
            const QRgb pixel = mix(upper[x], lower[x], fy);
            const uchar* grained = overlay + place.grain;
            const auto channel = [&](int shift, int index) {
                const quint32 value = grained[((pixel >> shift) & 0xff) * 256];
                return ((value * place.factor[index] + 0x8000) >> 16) << shift;
            };
            line[x] = (QRgb(place.alpha) << 24) | channel(16, 0) | channel(8, 1) | channel(0, 2);
        }
    }
}

} // namespace

void render(QImage& target, const QString& voiceID, VoiceAvailability availability, bool isMoving,
            double time) {
    Q_ASSERT(target.format() == QImage::Format_ARGB32_Premultiplied);
    static QImage mesh; // painting happens on the main thread only
    const QSize meshSize = meshSizeFor(target.width(), target.height());
    if (mesh.size() != meshSize)
        mesh = QImage(meshSize, QImage::Format_RGB32);
    rasterize(meshOf(voiceID, availability, isMoving && look(availability).moves, time), mesh);
    compose(target, mesh, availability);
}

QPixmap stillImage(const QString& voiceID, VoiceAvailability availability, int side, qreal ratio) {
    const QString key = QStringLiteral("voiceAvatar/%1/%2/%3/%4")
                            .arg(voiceID, rawValue(availability))
                            .arg(side)
                            .arg(ratio);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;
    const int pixels = static_cast<int>(std::ceil(side * ratio));
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    render(image, voiceID, availability, false, 0);
    pixmap = QPixmap::fromImage(std::move(image));
    pixmap.setDevicePixelRatio(ratio);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

void paint(QPainter& painter, const QRectF& rect, const QString& voiceID,
           VoiceAvailability availability, bool isMoving, double time, QImage& scratch) {
    const qreal ratio = painter.device()->devicePixelRatioF();
    if (!isMoving || !look(availability).moves) {
        painter.drawPixmap(rect.topLeft(),
                           stillImage(voiceID, availability, qRound(rect.width()), ratio));
        return;
    }
    const QSize pixels(qCeil(rect.width() * ratio), qCeil(rect.height() * ratio));
    if (scratch.size() != pixels)
        scratch = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    render(scratch, voiceID, availability, true, time);
    scratch.setDevicePixelRatio(ratio);
    painter.drawImage(rect.topLeft(), scratch);
}

} // namespace Parlino::VoiceMeshCanvas
