#include "Parlino/Settings/VoiceMesh.h"
#include "Parlino/Settings/VoiceMeshCanvas.h"

#include "support/Screenshots.h"

#include <QColor>
#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace Parlino;

namespace {

const QStringList voiceIDs{u"EXAVITQu4vr4xnSDxMaL"_qs, u"JBFqnCBsd6RMkjVDRZzb"_qs,
                           u"Xb7hH8MSUJpSbSDYk0k2"_qs, u"IKne3meq5aSn9XLyUdCD"_qs,
                           u"SAz9YHcvj6GT2YYXdXww"_qs, QString()};

QImage avatar(const QString& id, VoiceAvailability availability, bool moving = false,
              double time = 0, int side = 104) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    VoiceMeshCanvas::render(image, id, availability, moving, time);
    return image;
}

// The saturation-weighted mean hue of the opaque pixels, as a fraction of the circle.
double meanHue(const QImage& image) {
    double x = 0, y = 0;
    for (int row = 0; row < image.height(); ++row)
        for (int column = 0; column < image.width(); ++column) {
            const QColor colour = QColor::fromRgba(image.pixel(column, row));
            if (colour.alpha() < 255 || colour.hsvHueF() < 0)
                continue;
            const double angle = 2 * std::numbers::pi * colour.hsvHueF();
            x += colour.hsvSaturationF() * std::cos(angle);
            y += colour.hsvSaturationF() * std::sin(angle);
        }
    const double hue = std::atan2(y, x) / (2 * std::numbers::pi);
    return hue < 0 ? hue + 1 : hue;
}

double hueDistance(double a, double b) {
    const double d = std::abs(a - b);
    return std::min(d, 1 - d);
}

int largestChannelSpread(const QImage& image) {
    int spread = 0;
    for (int row = 0; row < image.height(); ++row)
        for (int column = 0; column < image.width(); ++column) {
            const QRgb p = image.pixel(column, row);
            spread = std::max(spread, std::max({qRed(p), qGreen(p), qBlue(p)}) -
                                          std::min({qRed(p), qGreen(p), qBlue(p)}));
        }
    return spread;
}

} // namespace

TEST(VoiceAvatarTest, ARoundPictureInTheVoicesHue) {
    const QString folder = TestSupport::screenshotFolder(u"VoiceAvatar"_qs);
    for (const QString& id : voiceIDs) {
        const QImage image = avatar(id, VoiceAvailability::available);
        image.save(QStringLiteral("%1/available-%2.png").arg(folder, id));
        for (const QPoint corner : {QPoint(0, 0), QPoint(103, 0), QPoint(0, 103), QPoint(103, 103),
                                    QPoint(10, 10), QPoint(93, 93)})
            EXPECT_EQ(qAlpha(image.pixel(corner)), 0) << id.toStdString();
        EXPECT_EQ(qAlpha(image.pixel(52, 52)), 255);
        const int rim = qAlpha(image.pixel(52, 0)); // the antialiased edge
        EXPECT_GT(rim, 0);
        EXPECT_LT(rim, 255);
        EXPECT_LT(hueDistance(meanHue(image), meshBaseHue(id)), 0.08) << id.toStdString();
    }
}

TEST(VoiceAvatarTest, AvailabilityFadesAndGreys) {
    const QString folder = TestSupport::screenshotFolder(u"VoiceAvatar"_qs);
    const QString id = voiceIDs.first();
    const QImage available = avatar(id, VoiceAvailability::available);
    const QImage onHold = avatar(id, VoiceAvailability::onHold);
    const QImage unavailable = avatar(id, VoiceAvailability::unavailable);
    onHold.save(folder + u"/onHold.png"_qs);
    unavailable.save(folder + u"/unavailable.png"_qs);

    EXPECT_NEAR(qAlpha(onHold.pixel(52, 52)), 191, 1);
    EXPECT_NEAR(qAlpha(unavailable.pixel(52, 52)), 128, 1);
    EXPECT_LE(largestChannelSpread(unavailable), 3);
    EXPECT_GT(largestChannelSpread(onHold), 20);
    EXPECT_LT(largestChannelSpread(onHold), largestChannelSpread(available));
}

TEST(VoiceAvatarTest, MovesWithTimeOnlyWhenItMay) {
    const QString id = voiceIDs[1];
    const QImage still = avatar(id, VoiceAvailability::available);
    const QImage frame = avatar(id, VoiceAvailability::available, true, 800000000);
    EXPECT_EQ(avatar(id, VoiceAvailability::available, true, 800000000), frame);
    EXPECT_NE(avatar(id, VoiceAvailability::available, true, 800000002), frame);
    EXPECT_NE(frame, still);
    EXPECT_EQ(avatar(id, VoiceAvailability::available, false, 800000000), still);
    EXPECT_EQ(avatar(id, VoiceAvailability::unavailable, true, 800000000),
              avatar(id, VoiceAvailability::unavailable));
    EXPECT_NE(avatar(u"a"_qs, VoiceAvailability::available),
              avatar(u"A"_qs, VoiceAvailability::available));
}

TEST(VoiceAvatarTest, StillImagesAreCachedPerSizeAndRatio) {
    const QPixmap first =
        VoiceMeshCanvas::stillImage(voiceIDs[2], VoiceAvailability::onHold, 52, 2);
    EXPECT_EQ(first.size(), QSize(104, 104));
    EXPECT_EQ(first.devicePixelRatio(), 2);
    EXPECT_EQ(VoiceMeshCanvas::stillImage(voiceIDs[2], VoiceAvailability::onHold, 52, 2).cacheKey(),
              first.cacheKey());
    EXPECT_NE(VoiceMeshCanvas::stillImage(voiceIDs[2], VoiceAvailability::onHold, 52, 1).cacheKey(),
              first.cacheKey());
    EXPECT_EQ(first.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
              avatar(voiceIDs[2], VoiceAvailability::onHold));
}
