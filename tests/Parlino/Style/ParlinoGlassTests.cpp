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

bool hasRoundedTop(const ParlinoGlass::Spec& spec) {
    return spec.cornerRadii.topLeft > 0 || spec.cornerRadii.topRight > 0;
}

// The colour at a logical point of an image rendered at any ratio.
QColor pixelAt(const QImage& image, QPointF point) {
    const qreal ratio = image.devicePixelRatio();
    return image.pixelColor(int(point.x() * ratio), int(point.y() * ratio));
}

} // namespace

TEST(ParlinoGlass, SpecsDifferOnlyWhereTheSurfacesDiffer) {
    const auto pill = ParlinoGlass::spec(ParlinoSurface::pill);
    const auto idleBar = ParlinoGlass::spec(ParlinoSurface::idleBar);
    EXPECT_EQ(pill.cornerRadii, idleBar.cornerRadii);
    EXPECT_NE(pill.tint, idleBar.tint);
    auto idleBarInInk = idleBar;
    idleBarInInk.tint = pill.tint;
    EXPECT_EQ(idleBarInInk, pill);

    EXPECT_EQ(ParlinoGlass::spec(ParlinoSurface::panel), ParlinoGlass::spec(ParlinoSurface::panel));
    EXPECT_NE(ParlinoGlass::spec(ParlinoSurface::panel), pill);

    for (const ParlinoSurface surface : allParlinoSurfaces) {
        const auto spec = ParlinoGlass::spec(surface);
        const bool card = surface == ParlinoSurface::card;
        EXPECT_EQ(hasRoundedTop(spec), card) << surfaceName(surface).toStdString();
        EXPECT_EQ(spec.edge == ParlinoGlass::EdgeTreatment::topLight, card);
        EXPECT_EQ(spec.cornerStyle, CornerStyle::continuous);
        EXPECT_EQ(spec.tint.alphaF(), 1.0f);
    }
}

TEST(ParlinoGlass, SpecEqualityLooksAtEveryField) {
    const auto card = ParlinoGlass::spec(ParlinoSurface::card);
    const std::function<void(ParlinoGlass::Spec&)> changes[] = {
        [](auto& s) { s.cornerRadii.bottomLeft += 1; },
        [](auto& s) { s.cornerStyle = CornerStyle::circular; },
        [](auto& s) { s.tint = Qt::red; },
        [](auto& s) { s.edgeWashOpacity += 0.1; },
        [](auto& s) { s.centreWashOpacity += 0.1; },
        [](auto& s) { s.edgeWashWidth += 1; },
        [](auto& s) { s.edge = ParlinoGlass::EdgeTreatment::glassRim; },
        [](auto& s) { s.rimHighlight = Qt::red; },
        [](auto& s) { s.rimShadow = Qt::red; },
        [](auto& s) { s.rimWidth += 1; },
        [](auto& s) { s.innerGlow = Qt::red; },
        [](auto& s) { s.innerGlowRadius += 1; },
        [](auto& s) { s.edgeTopLight = Qt::red; },
        [](auto& s) { s.edgeHairline = Qt::red; },
        [](auto& s) { s.edgeWidth += 1; },
    };
    for (size_t i = 0; i < std::size(changes); ++i) {
        auto changed = card;
        changes[i](changed);
        EXPECT_NE(changed, card) << "field " << i;
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
    const auto spec = ParlinoGlass::spec(surface);
    ParlinoSurfaceLayer layer(surface);
    layer.resize(160, 60);
    const QImage image = TestSupport::renderScreenshot(
        layer, ratio, QStringLiteral("Style"), QStringLiteral("surface-") + surfaceName(surface));
    ASSERT_EQ(image.size(), QSize(160, 60) * ratio);

    EXPECT_EQ(pixelAt(image, {80, 30}).rgba(), spec.tint.rgba());
    EXPECT_EQ(pixelAt(image, {0.2, 59.8}).alpha(), 0);
    EXPECT_EQ(pixelAt(image, {159.8, 59.8}).alpha(), 0);
    if (hasRoundedTop(spec)) {
        EXPECT_EQ(pixelAt(image, {0.2, 0.2}).alpha(), 0);
        // The top-light border is brighter at the top than at the bottom.
        const QColor top = pixelAt(image, {80, 0.5});
        const QColor bottom = pixelAt(image, {80, 59.5});
        EXPECT_GT(top.lightness(), bottom.lightness());
        EXPECT_GT(bottom.lightness(), spec.tint.lightness());
    } else {
        EXPECT_EQ(pixelAt(image, {0.2, 0.2}).rgba(), spec.tint.rgba());
        EXPECT_EQ(pixelAt(image, {80, 0.5}).rgba(), spec.tint.rgba());
    }
}

INSTANTIATE_TEST_SUITE_P(EverySurface, SurfaceScreenshots,
                         testing::Combine(testing::ValuesIn(allParlinoSurfaces),
                                          testing::Values(1.0, 2.0)));
