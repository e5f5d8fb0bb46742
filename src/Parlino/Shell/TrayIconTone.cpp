#include "Parlino/Shell/TrayIconTone.h"

#include "Parlino/Style/Theme.h"

#include <algorithm>
#include <cmath>

namespace Parlino::TrayIconTone {

namespace {

constexpr qsizetype publishedChannelCount = 12;

double linear(float channel) {
    return channel <= 0.04045f ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) +
           0.0722 * linear(rgb.blueF());
}

QList<QRgb> edgePixels(const QImage& place) {
    QList<QRgb> pixels;
    const int right = place.width() - 1;
    const int bottom = place.height() - 1;
    for (int x = 0; x <= right; ++x) {
        pixels.append(place.pixel(x, 0));
        if (bottom > 0)
            pixels.append(place.pixel(x, bottom));
    }
    for (int y = 1; y < bottom; ++y) {
        pixels.append(place.pixel(0, y));
        if (right > 0)
            pixels.append(place.pixel(right, y));
    }
    return pixels;
}

} // namespace

double contrastRatio(const QColor& first, const QColor& second) {
    const double a = luminance(first);
    const double b = luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor glyphColourOn(const QColor& backdrop) {
    const QColor light = Qt::white;
    const QColor& dark = Theme::ink();
    return contrastRatio(light, backdrop) >= contrastRatio(dark, backdrop) ? light : dark;
}

std::optional<QColor> publishedForeground(const QList<quint32>& channels) {
    if (channels.size() != publishedChannelCount)
        return std::nullopt;
    const auto channel = [&](qsizetype i) { return int(std::min<quint32>(channels[i], 0xffff)); };
    return QColor::fromRgba64(quint16(channel(0)), quint16(channel(1)), quint16(channel(2)));
}

std::optional<QColor> backdropOf(const QImage& place) {
    if (place.isNull())
        return std::nullopt;
    QList<QRgb> pixels = edgePixels(place);
    const auto middle = pixels.begin() + pixels.size() / 2;
    std::nth_element(pixels.begin(), middle, pixels.end(),
                     [](QRgb a, QRgb b) { return qGray(a) < qGray(b); });
    return QColor(*middle);
}

} // namespace Parlino::TrayIconTone
