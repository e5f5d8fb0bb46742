// The real application's tray icon on the tray of the desktop session that scripts/ci-services.sh
// starts, tinted as PARLINO_TRAY_TINT says (dark or light): the glyph must stand out from the
// tray by at least 3:1 on the screen itself.
#include "Parlino/Shell/TrayIconTone.h"

#include "support/DesktopSession.h"
#include "support/EventLoop.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

// Xlib's macros (None, Bool) come after every C++ header.
#include "DesktopDriver.h"

using namespace DesktopDriver;
using Parlino::TrayIconTone::backdropOf;
using Parlino::TrayIconTone::contrastRatio;

namespace {

constexpr double legibleContrast = 3;

// What the screen shows at `place`.
QImage screenAt(const QRect& place) {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return {};
    QImage picture;
    if (XImage* image =
            XGetImage(display, DefaultRootWindow(display), place.x(), place.y(),
                      unsigned(place.width()), unsigned(place.height()), AllPlanes, ZPixmap)) {
        picture = QImage(place.size(), QImage::Format_RGB32);
        for (int y = 0; y < place.height(); ++y)
            for (int x = 0; x < place.width(); ++x)
                picture.setPixel(x, y, QRgb(XGetPixel(image, x, y)) | 0xff000000);
        XDestroyImage(image);
    }
    XCloseDisplay(display);
    return picture;
}

// The contrast between the tray behind the icon and the glyph's pixel that stands out most.
double glyphContrast(const QImage& picture, const QColor& tray) {
    double most = 1;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            most = std::max(most, contrastRatio(picture.pixelColor(x, y), tray));
    return most;
}

} // namespace

TEST(TrayIconE2E, TheGlyphStandsOutFromTheTray) {
    Desktop desktop;
    PARLINO_REQUIRE_SERVICE(desktop.isOpen() && TestSupport::inDesktopSession(),
                            "no desktop session (scripts/ci-services.sh starts one)");
    const QColor tint(QString::fromLatin1(qgetenv("PARLINO_TRAY_TINT")).replace("0x", "#"));
    ASSERT_TRUE(tint.isValid()) << "PARLINO_TRAY_TINT names the tray's colour, as 0xRRGGBB";
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QProcessEnvironment environment =
        applicationEnvironment(home, QUrl(QStringLiteral("http://127.0.0.1:9")));
    ASSERT_FALSE(environment.isEmpty());
    Program app(QStringLiteral(PARLINO_APP), {}, environment);
    ASSERT_TRUE(app.waitForLine("tray: icon installed"));
    std::optional<QRect> icon;
    ASSERT_TRUE(pumpUntil([&] { return (icon = desktop.trayIcon()).has_value(); }, 10000));

    QImage picture;
    std::optional<QColor> tray;
    const bool legible = pumpUntil(
        [&] {
            picture = screenAt(*icon);
            tray = backdropOf(picture);
            return tray && glyphContrast(picture, *tray) >= legibleContrast;
        },
        15000);
    picture.save(
        QStringLiteral(PARLINO_SCREENSHOT_DIR "/tray-icon-%1.png").arg(tint.name().mid(1)));
    ASSERT_TRUE(tray.has_value());
    EXPECT_LT(contrastRatio(*tray, tint), 1.2)
        << "the icon sits on " << tray->name().toStdString() << ", not on the tinted tray";
    EXPECT_TRUE(legible) << "the glyph stands out by only " << glyphContrast(picture, *tray)
                         << ":1\n"
                         << app.lines().join('\n').toStdString();
}
