#include "Parlino/Settings/MeshGradient.h"
#include "Parlino/Settings/VoiceAvailability.h"
#include "Parlino/Settings/VoiceMesh.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace Parlino;

TEST(VoiceMeshTest, StillPointsAreThePlainGrid) {
    const float third = static_cast<float>(1.0 / 3.0);
    const float twoThirds = static_cast<float>(2.0 / 3.0);
    const std::array<float, 4> grid{0.0f, third, twoThirds, 1.0f};
    const MeshPoints points = meshPoints(0.42, 1234.5, 0);
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(points[k], (MeshPoint{grid[k % 4], grid[k / 4]})) << k;
}

TEST(VoiceMeshTest, MovingPointsDriftInsideTheSquare) {
    const MeshPoints points = meshPoints(0, 0, 1);
    const std::array<std::pair<int, MeshPoint>, 8> expected{{{1, {0.411614f, 0}},
                                                             {2, {0.698794f, 0}},
                                                             {4, {0, 0.342487f}},
                                                             {5, {0.246862f, 0.498903f}},
                                                             {7, {1, 0.308600f}},
                                                             {10, {0.658615f, 0.741574f}},
                                                             {13, {0.307394f, 1}},
                                                             {14, {0.636476f, 1}}}};
    for (const auto& [k, point] : expected) {
        EXPECT_NEAR(points[k].x, point.x, 1e-5) << k;
        EXPECT_NEAR(points[k].y, point.y, 1e-5) << k;
    }
    for (int k : {0, 3, 12, 15})
        EXPECT_EQ(points[k], (MeshPoint{float(k % 4 == 3), float(k >= 12)})) << k;

    const MeshPoints later = meshPoints(0.3, 12.5, 1);
    EXPECT_NEAR(later[5].x, 0.361086, 1e-5);
    EXPECT_NEAR(later[5].y, 0.164509, 1e-5);
    EXPECT_NEAR(later[10].y, 0.849004, 1e-5);

    // Displacements past the edges are held at 0 and 1.
    const MeshPoints wild = meshPoints(0, 0, 4);
    EXPECT_EQ(wild[5].x, 0.0f);
    EXPECT_EQ(wild[8].y, 1.0f);
    EXPECT_NEAR(wild[9].x, 0.995449, 1e-5);
}

TEST(VoiceMeshTest, MoodAndHueComeFromTheIdentifierAlone) {
    EXPECT_EQ(meshMood(QString()), 2u);
    EXPECT_EQ(meshMood(u"EXAVITQu4vr4xnSDxMaL"_qs), 3u);
    EXPECT_EQ(meshMood(u"JBFqnCBsd6RMkjVDRZzb"_qs), 1u);
    EXPECT_EQ(meshMood(u"Xb7hH8MSUJpSbSDYk0k2"_qs), 0u);
    EXPECT_EQ(meshMood(u"a"_qs), 1u);
    EXPECT_EQ(meshMood(u"A"_qs), 3u);

    EXPECT_DOUBLE_EQ(meshBaseHue(QString()), 2764 / 3600.0);
    EXPECT_DOUBLE_EQ(meshBaseHue(u"EXAVITQu4vr4xnSDxMaL"_qs), 786 / 3600.0);
    EXPECT_DOUBLE_EQ(meshBaseHue(u"a"_qs), 2557 / 3600.0);
    EXPECT_DOUBLE_EQ(meshBaseHue(u"A"_qs), 3165 / 3600.0);

    EXPECT_DOUBLE_EQ(meshDrift(0.25, 10), 0.5);
    EXPECT_NEAR(meshDrift(0.5, 20), 0.0, 1e-12);
    EXPECT_NEAR(meshDrift(0.9, 40), 0.9, 1e-12); // one full cycle every 40 s
}

TEST(VoiceMeshTest, GrainIsFixedNoiseMadeOnce) {
    const QImage& grain = meshGrain();
    ASSERT_EQ(grain.size(), QSize(128, 128));
    EXPECT_EQ(&grain, &meshGrain());
    const uchar* bytes = grain.constBits();
    const std::array<uchar, 8> firstGreys{5, 195, 32, 253, 150, 25, 66, 146};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(bytes[4 * i], firstGreys[i]) << i;
        EXPECT_EQ(bytes[4 * i + 1], firstGreys[i]) << i;
        EXPECT_EQ(bytes[4 * i + 2], firstGreys[i]) << i;
        EXPECT_EQ(bytes[4 * i + 3], 255) << i;
    }
    EXPECT_EQ(grain.constScanLine(0)[4 * 127], 122);
    EXPECT_EQ(grain.constScanLine(1)[0], 217);
    EXPECT_EQ(grain.constScanLine(127)[4 * 127], 48);
    qint64 sum = 0;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x)
            sum += grain.constScanLine(y)[4 * x];
    EXPECT_EQ(sum, 2091807);
}

TEST(VoiceMeshTest, AvailabilityRawValues) {
    for (const auto availability :
         {VoiceAvailability::available, VoiceAvailability::onHold, VoiceAvailability::unavailable})
        EXPECT_EQ(voiceAvailability(rawValue(availability)), availability);
    EXPECT_EQ(rawValue(VoiceAvailability::onHold), u"onHold");
    EXPECT_EQ(voiceAvailability(u"Available"_qs), std::nullopt);
    EXPECT_EQ(voiceAvailability(QString()), std::nullopt);
}

namespace {

int distance(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

MeshGradient distinctColours(const MeshPoints& points) {
    MeshGradient gradient{points, {}, QColor(Qt::magenta)};
    for (int k = 0; k < 16; ++k)
        gradient.colours[k] = QColor::fromHsvF(k / 16.0f, 0.6f, 0.5f + (k % 3) * 0.2f);
    return gradient;
}

QRgb pixelAt(const QImage& image, MeshPoint point) {
    const int x = std::min(image.width() - 1, static_cast<int>(point.x * image.width()));
    const int y = std::min(image.height() - 1, static_cast<int>(point.y * image.height()));
    return image.pixel(x, y);
}

} // namespace

TEST(MeshGradientTest, CoversTheImageWithoutGaps) {
    MeshGradient gradient{meshPoints(0.7, 31, 1), {}, QColor(Qt::black)};
    gradient.colours.fill(QColor(200, 120, 40));
    QImage image(97, 64, QImage::Format_ARGB32_Premultiplied);
    rasterize(gradient, image);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_LE(distance(image.pixel(x, y), qRgb(200, 120, 40)), 1) << x << "," << y;
}

TEST(MeshGradientTest, EachColourSitsAtItsPoint) {
    for (const MeshPoints& points : {meshPoints(0, 0, 0), meshPoints(0, 0, 1)}) {
        const MeshGradient gradient = distinctColours(points);
        QImage image(300, 300, QImage::Format_RGB32);
        rasterize(gradient, image);
        for (int k = 0; k < 16; ++k)
            EXPECT_LE(distance(pixelAt(image, points[k]), gradient.colours[k].rgb()), 6) << k;
    }
}

TEST(MeshGradientTest, ColourChangesSmoothlyAcrossPatches) {
    const MeshGradient gradient = distinctColours(meshPoints(0.2, 5, 1));
    QImage image(240, 240, QImage::Format_RGB32);
    rasterize(gradient, image);
    // Neighbouring pixels never jump, along rows or columns, inside patches or across them.
    int largestStep = 0;
    for (int y = 0; y + 1 < image.height(); ++y)
        for (int x = 0; x + 1 < image.width(); ++x) {
            largestStep = std::max(largestStep, distance(image.pixel(x, y), image.pixel(x + 1, y)));
            largestStep = std::max(largestStep, distance(image.pixel(x, y), image.pixel(x, y + 1)));
        }
    EXPECT_LE(largestStep, 12);
}
