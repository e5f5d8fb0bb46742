#include "Parlino/Style/Icons.h"

#include "Base/Log.h"
#include "support/Screenshots.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace Parlino;

namespace {

// Every symbol the views name.
const QStringList usedSymbols{"arrow.counterclockwise",
                              "backward.fill",
                              "chart.bar.fill",
                              "checkmark",
                              "chevron.down",
                              "chevron.left",
                              "chevron.right",
                              "circle",
                              "exclamationmark.triangle.fill",
                              "forward.fill",
                              "gearshape",
                              "gearshape.fill",
                              "key.fill",
                              "key.slash.fill",
                              "keyboard.fill",
                              "music.note.list",
                              "paintbrush.fill",
                              "pause.fill",
                              "person.wave.2",
                              "pin",
                              "pin.fill",
                              "play.circle.fill",
                              "play.fill",
                              "playpause.fill",
                              "power",
                              "speaker.slash.fill",
                              "speaker.wave.2.fill",
                              "stop.fill",
                              "trash",
                              "waveform",
                              "xmark"};

// The share of the image's pixels that are painted.
double coverage(const QImage& image) {
    int painted = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            painted += image.pixelColor(x, y).alpha() > 0;
    return double(painted) / (image.width() * image.height());
}

// A sheet of symbols for people to look at: a wrong path shows here first.
void saveSheet(const QStringList& names) {
    QImage sheet(QSize(8 * 32, 4 * 32) * 2, QImage::Format_ARGB32_Premultiplied);
    sheet.setDevicePixelRatio(2);
    sheet.fill(Qt::transparent);
    QPainter painter(&sheet);
    for (qsizetype i = 0; i < names.size(); ++i)
        Icons::paint(painter, QRectF((i % 8) * 32, (i / 8) * 32, 32, 32), names[i], 22, Qt::white);
    painter.end();
    sheet.save(TestSupport::screenshotFolder(QStringLiteral("Style")) +
               QStringLiteral("/icons@2x.png"));
}

} // namespace

TEST(Icons, DrawEveryUsedSymbolInsideItsSquare) {
    saveSheet(Icons::names());
    for (const QString& name : usedSymbols) {
        ASSERT_TRUE(Icons::names().contains(name)) << name.toStdString();
        const auto outline = Icons::path(name, 24);
        ASSERT_TRUE(outline.has_value());
        EXPECT_TRUE(QRectF(0, 0, 24, 24).contains(outline->boundingRect())) << name.toStdString();

        for (const qreal ratio : {1.0, 2.0}) {
            const QPixmap pixmap = Icons::pixmap(name, 18, Qt::white, Icons::Weight::medium, ratio);
            EXPECT_EQ(pixmap.size(), QSize(18, 18) * ratio);
            const double share = coverage(pixmap.toImage());
            EXPECT_GT(share, 0.05) << name.toStdString() << " at " << ratio;
            EXPECT_LT(share, 0.9) << name.toStdString() << " at " << ratio;
        }
    }
}

TEST(Icons, HeavierWeightsPaintMoreAndOutlinesLeaveTheirInsidesClear) {
    const auto image = [](const QString& name, Icons::Weight weight) {
        return Icons::pixmap(name, 48, Qt::white, weight, 1).toImage();
    };
    EXPECT_GT(coverage(image("xmark", Icons::Weight::bold)),
              coverage(image("xmark", Icons::Weight::regular)));
    // Inside the pin's body and inside the gear's lower tooth.
    for (const auto& [name, point] : {std::pair{QStringLiteral("pin"), QPoint(24, 17)},
                                      std::pair{QStringLiteral("gearshape"), QPoint(24, 35)}}) {
        EXPECT_EQ(image(name, Icons::Weight::medium).pixelColor(point).alpha(), 0)
            << name.toStdString();
        EXPECT_EQ(image(name + ".fill", Icons::Weight::medium).pixelColor(point).alpha(), 255)
            << name.toStdString();
    }
}

TEST(Icons, AnUnknownNameIsLoggedAndDrawnAsACrossedBox) {
    EXPECT_EQ(Icons::path(QStringLiteral("gearshape.circle"), 24), std::nullopt);
    auto sink = std::make_shared<Base::MemoryLogSink>();
    Base::LogSinks::add(sink);
    const QImage image =
        Icons::pixmap(QStringLiteral("no.such.symbol"), 20, Qt::white, Icons::Weight::medium, 1)
            .toImage();
    Base::LogSinks::remove(sink);
    EXPECT_TRUE(sink->contains(QStringLiteral("no symbol named no.such.symbol")));
    EXPECT_GT(image.pixelColor(10, 10).alpha(), 0);
}
