#include "Parlino/Shell/TrayIconTint.h"
#include "Parlino/Shell/TrayIconTone.h"
#include "Parlino/Style/Theme.h"

#include "support/ManualTime.h"

#include <gtest/gtest.h>

using namespace Parlino;

namespace {

QImage filled(QSize size, const QColor& colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A tray of one colour with a bright glyph drawn across its middle, as the icon shows on it.
QImage trayWithGlyph(const QColor& tray, const QColor& glyph) {
    QImage image = filled({22, 22}, tray);
    for (int y = 1; y < 21; ++y)
        for (int x = 6; x < 16; ++x)
            image.setPixelColor(x, y, glyph);
    return image;
}

class FakeBackdrop final : public TrayBackdrop {
public:
    QList<quint32> publishedColours() override { return published; }
    QImage picture(const QRect& place) override {
        places.append(place);
        return tray;
    }

    QList<quint32> published;
    QImage tray;
    QList<QRect> places;
};

} // namespace

TEST(TrayIconTone, ContrastRatiosFollowTheLuminanceFormula) {
    EXPECT_NEAR(TrayIconTone::contrastRatio(Qt::black, Qt::white), 21, 1e-9);
    EXPECT_NEAR(TrayIconTone::contrastRatio(Qt::white, Qt::black), 21, 1e-9);
    EXPECT_NEAR(TrayIconTone::contrastRatio(QColor(0x77, 0x77, 0x77), Qt::white), 4.48, 0.01);
    EXPECT_NEAR(TrayIconTone::contrastRatio(Qt::red, Qt::red), 1, 1e-9);
}

TEST(TrayIconTone, TheGlyphIsLightOnDarkTraysAndDarkOnLightOnes) {
    for (const QColor tray : {QColor(0x20, 0x20, 0x20), QColor(Qt::black), QColor(0x31, 0x36, 0x3b),
                              QColor(0x5a, 0x5a, 0x80)})
        EXPECT_EQ(TrayIconTone::glyphColourOn(tray), QColor(Qt::white))
            << tray.name().toStdString();
    for (const QColor tray : {QColor(0xdc, 0xda, 0xd5), QColor(Qt::white), QColor(0xef, 0xf0, 0xf1),
                              QColor(0xa0, 0xc0, 0xe0)})
        EXPECT_EQ(TrayIconTone::glyphColourOn(tray), Theme::ink()) << tray.name().toStdString();
    for (const QColor tray : {QColor(0x20, 0x20, 0x20), QColor(0xdc, 0xda, 0xd5),
                              QColor(0x77, 0x77, 0x77), QColor(0x80, 0x80, 0x80)})
        EXPECT_GE(TrayIconTone::contrastRatio(TrayIconTone::glyphColourOn(tray), tray), 4.4);
}

TEST(TrayIconTone, ThePublishedForegroundIsTheFirstOfTwelveChannels) {
    const QList<quint32> channels{0xffff, 0x8080, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(TrayIconTone::publishedForeground(channels), QColor(255, 128, 0));
    EXPECT_EQ(TrayIconTone::publishedForeground({}), std::nullopt);
    EXPECT_EQ(TrayIconTone::publishedForeground(channels.mid(0, 11)), std::nullopt);
    // A channel past 16 bits is read as full.
    EXPECT_EQ(TrayIconTone::publishedForeground({0x1ffff, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
              QColor(Qt::red));
}

TEST(TrayIconTone, TheBackdropIsTheTrayAroundTheGlyphNotTheGlyph) {
    const QColor tray(0x20, 0x20, 0x20);
    EXPECT_EQ(TrayIconTone::backdropOf(trayWithGlyph(tray, Qt::white)), tray);
    EXPECT_EQ(TrayIconTone::backdropOf(filled({1, 1}, Qt::blue)), QColor(Qt::blue));
    EXPECT_EQ(TrayIconTone::backdropOf(QImage()), std::nullopt);
}

class TrayIconTintTest : public ::testing::Test {
protected:
    std::unique_ptr<TrayIconTint> tint() {
        return std::make_unique<TrayIconTint>(
            [this] { return place; }, [this](const QColor& colour) { painted.append(colour); },
            backdrop, scheduler);
    }

    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    FakeBackdrop backdrop;
    QRect place;
    QList<QColor> painted;
};

TEST_F(TrayIconTintTest, LooksAtTheTrayOnlyAfterItOrThePlaceChanged) {
    const QColor light(0xdc, 0xda, 0xd5);
    backdrop.tray = trayWithGlyph(light, Qt::white);
    const auto subject = tint();
    EXPECT_TRUE(painted.isEmpty()) << "no place, no tray to look at";
    EXPECT_EQ(scheduler.pendingCount(), 0u) << "no timer while nothing changes";

    place = QRect(1890, 1, 22, 22);
    scheduler.advance(60);
    EXPECT_TRUE(backdrop.places.isEmpty()) << "nothing announced the place";

    // The tray maps, moves and exposes the icon in one burst: one look once it has painted.
    for (int i = 0; i < 3; ++i)
        subject->trayChanged();
    scheduler.advance(0.3);
    ASSERT_EQ(painted, QList<QColor>{Theme::ink()});
    EXPECT_EQ(backdrop.places, QList<QRect>{place});

    // A tray that paints late is caught by the second look; then nothing runs.
    backdrop.tray = trayWithGlyph(QColor(0x20, 0x20, 0x20), Theme::ink());
    scheduler.advance(3);
    EXPECT_EQ(painted, (QList<QColor>{Theme::ink(), Qt::white}));
    EXPECT_EQ(scheduler.pendingCount(), 0u);

    // Colours the tray publishes later, as it announces them.
    backdrop.published = {0xffff, 0x8080, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    scheduler.advance(60);
    EXPECT_EQ(painted.size(), 2) << "not announced, not seen";
    ASSERT_TRUE(backdrop.changed);
    backdrop.changed();
    scheduler.advance(0.3);
    EXPECT_EQ(painted.last(), QColor(255, 128, 0));
    scheduler.advance(3);
    EXPECT_EQ(painted.size(), 3) << "the same tray, the same glyph";
}

TEST_F(TrayIconTintTest, LetsGoOfTheBackdropWhenDestroyed) {
    tint().reset();
    EXPECT_FALSE(backdrop.changed) << "a later change would reach a destroyed tint";
}

TEST_F(TrayIconTintTest, APublishedColourWinsOverTheTraysPixels) {
    backdrop.tray = trayWithGlyph(QColor(0x20, 0x20, 0x20), Qt::white);
    backdrop.published = {0x1000, 0x2000, 0x3000, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    place = QRect(0, 0, 24, 24);
    const auto subject = tint();
    EXPECT_EQ(painted, QList<QColor>{QColor::fromRgba64(0x1000, 0x2000, 0x3000)});
    EXPECT_EQ(subject->colour(), painted.last());
}
