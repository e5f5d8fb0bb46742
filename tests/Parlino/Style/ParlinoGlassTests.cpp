#include "Parlino/Style/ParlinoGlass.h"
#include "Parlino/Style/ParlinoSurfaceLayer.h"

#include "support/Screenshots.h"

#include <QPainter>
#include <QWidget>
#include <gtest/gtest.h>

using namespace Parlino;

namespace {

QString surfaceName(ParlinoSurface surface) {
    switch (surface) {
    case ParlinoSurface::panel:
        return QStringLiteral("panel");
    case ParlinoSurface::pill:
        return QStringLiteral("pill");
    case ParlinoSurface::idleBar:
        return QStringLiteral("idleBar");
    case ParlinoSurface::card:
        return QStringLiteral("card");
    }
    return {};
}

bool hasRoundedTop(const ParlinoGlass::Look& look) {
    return look.cornerRadii.topLeft > 0 || look.cornerRadii.topRight > 0;
}

// The names of the fields in which two looks differ, in declaration order.
QStringList differences(const ParlinoGlass::Look& a, const ParlinoGlass::Look& b) {
    QStringList names;
    const auto note = [&](bool differs, const char* name) {
        if (differs)
            names << QString::fromLatin1(name);
    };
    note(a.cornerRadii != b.cornerRadii, "cornerRadii");
    note(a.cornerStyle != b.cornerStyle, "cornerStyle");
    note(a.tint != b.tint, "tint");
    note(a.edge != b.edge, "edge");
    note(a.edgeTopLight != b.edgeTopLight, "edgeTopLight");
    note(a.edgeHairline != b.edgeHairline, "edgeHairline");
    note(a.edgeWidth != b.edgeWidth, "edgeWidth");
    return names;
}

// The colour at a logical point of an image rendered at any ratio.
QColor pixelAt(const QImage& image, QPointF point) {
    const qreal ratio = image.devicePixelRatio();
    return image.pixelColor(int(point.x() * ratio), int(point.y() * ratio));
}

} // namespace

TEST(ParlinoGlass, LooksDifferOnlyWhereTheSurfacesDiffer) {
    const auto pill = ParlinoGlass::look(ParlinoSurface::pill);
    const QStringList shape{QStringLiteral("cornerRadii")};
    const QStringList tint{QStringLiteral("tint")};
    EXPECT_EQ(differences(pill, ParlinoGlass::look(ParlinoSurface::idleBar)), tint);
    EXPECT_EQ(differences(pill, ParlinoGlass::look(ParlinoSurface::panel)), shape);
    EXPECT_EQ(differences(pill, ParlinoGlass::look(ParlinoSurface::card)),
              shape + tint + QStringList{QStringLiteral("edge")});
    EXPECT_NE(ParlinoGlass::look(ParlinoSurface::idleBar).tint,
              ParlinoGlass::look(ParlinoSurface::card).tint);

    for (const ParlinoSurface surface : allParlinoSurfaces) {
        const auto look = ParlinoGlass::look(surface);
        const bool card = surface == ParlinoSurface::card;
        EXPECT_EQ(hasRoundedTop(look), card) << surfaceName(surface).toStdString();
        EXPECT_EQ(look.edge == ParlinoGlass::EdgeTreatment::topLight, card);
        EXPECT_EQ(look.cornerStyle, CornerStyle::continuous);
        EXPECT_EQ(look.tint.alphaF(), 1.0f);
    }
}

TEST(ParlinoGlass, EdgeTreatmentsRoundTripTheirExactRawValues) {
    for (const auto edge : ParlinoGlass::allEdgeTreatments)
        EXPECT_EQ(ParlinoGlass::edgeTreatment(ParlinoGlass::rawValue(edge)), edge);
    EXPECT_EQ(ParlinoGlass::edgeTreatment(QStringLiteral("glassRim")),
              ParlinoGlass::EdgeTreatment::glassRim);
    EXPECT_EQ(ParlinoGlass::edgeTreatment(QStringLiteral("GlassRim")), std::nullopt);
    EXPECT_EQ(ParlinoGlass::edgeTreatment(QStringLiteral("TopLight")), std::nullopt);
    EXPECT_EQ(ParlinoGlass::edgeTreatment(QString()), std::nullopt);
}

TEST(ParlinoGround, IsFoundThroughTheParentsAndDefaultsToGlass) {
    QWidget window;
    auto* column = new QWidget(&window);
    auto* card = new QWidget(column);
    EXPECT_EQ(parlinoGround(*card), ParlinoGround::glass);
    setParlinoGround(window, ParlinoGround::solid);
    EXPECT_EQ(parlinoGround(*card), ParlinoGround::solid);
    setParlinoGround(*column, ParlinoGround::glass);
    EXPECT_EQ(parlinoGround(*card), ParlinoGround::glass);
    EXPECT_EQ(parlinoGround(window), ParlinoGround::solid);
}

TEST(RoundedShape, ShrinksRadiiThatDoNotFitAndStaysInsideItsRect) {
    const QRectF rect(0, 0, 30, 10);
    for (const auto style : {CornerStyle::circular, CornerStyle::continuous}) {
        const QPainterPath shape = roundedShape(rect, 24, style);
        EXPECT_TRUE(rect.contains(shape.boundingRect())) << int(style);
        EXPECT_TRUE(shape.contains(rect.center()));
        EXPECT_FALSE(shape.contains(QPointF(0.5, 0.5)));
    }
    const QPainterPath square = roundedShape(rect, CornerRadii{}, CornerStyle::continuous);
    EXPECT_TRUE(square.contains(QPointF(0.1, 0.1)));
    EXPECT_TRUE(square.contains(QPointF(29.9, 9.9)));
}

class SurfaceScreenshots : public testing::TestWithParam<std::tuple<ParlinoSurface, qreal>> {};

TEST_P(SurfaceScreenshots, PaintTheTintInTheSurfaceShapeWithTransparentCorners) {
    const auto [surface, ratio] = GetParam();
    const auto look = ParlinoGlass::look(surface);
    ParlinoSurfaceLayer layer(surface);
    layer.resize(160, 60);
    const QImage image = TestSupport::renderScreenshot(
        layer, ratio, QStringLiteral("Style"), QStringLiteral("surface-") + surfaceName(surface));
    ASSERT_EQ(image.size(), QSize(160, 60) * ratio);

    EXPECT_EQ(pixelAt(image, {80, 30}).rgba(), look.tint.rgba());
    EXPECT_EQ(pixelAt(image, {0.2, 59.8}).alpha(), 0);
    EXPECT_EQ(pixelAt(image, {159.8, 59.8}).alpha(), 0);
    if (hasRoundedTop(look)) {
        EXPECT_EQ(pixelAt(image, {0.2, 0.2}).alpha(), 0);
        // The top-light border is brighter at the top than at the bottom.
        const QColor top = pixelAt(image, {80, 0.5});
        const QColor bottom = pixelAt(image, {80, 59.5});
        EXPECT_GT(top.lightness(), bottom.lightness());
        EXPECT_GT(bottom.lightness(), look.tint.lightness());
    } else {
        EXPECT_EQ(pixelAt(image, {0.2, 0.2}).rgba(), look.tint.rgba());
        EXPECT_EQ(pixelAt(image, {80, 0.5}).rgba(), look.tint.rgba());
    }
}

INSTANTIATE_TEST_SUITE_P(EverySurface, SurfaceScreenshots,
                         testing::Combine(testing::ValuesIn(allParlinoSurfaces),
                                          testing::Values(1.0, 2.0)));
