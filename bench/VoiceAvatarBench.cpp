// The cost of a voice avatar frame: one 52-point avatar at device pixel ratio 2, and a screen
// of 60 moving avatars repainted 30 times a second (its share of one core is reported as the
// counter "coreShare").
#include "Parlino/Settings/MeshGradient.h"
#include "Parlino/Settings/VoiceMesh.h"
#include "Parlino/Settings/VoiceMeshCanvas.h"

#include <QPainter>

#include <ctime>

#include <benchmark/benchmark.h>

namespace {

constexpr int avatarPixels = 104; // 52 points at ratio 2

void BM_MeshRasterize(benchmark::State& state) {
    Parlino::MeshGradient gradient{Parlino::meshPoints(0.3, 1000, 1), {}, QColor(18, 19, 22)};
    for (int k = 0; k < 16; ++k)
        gradient.colours[k] = QColor::fromHsvF(k / 16.0f, 0.6f, 0.8f);
    QImage image(avatarPixels, avatarPixels, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        Parlino::rasterize(gradient, image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_MeshRasterize)->Unit(benchmark::kMicrosecond);

void BM_MovingAvatarFrame(benchmark::State& state) {
    QImage image(avatarPixels, avatarPixels, QImage::Format_ARGB32_Premultiplied);
    double time = 1000;
    for (auto _ : state) {
        Parlino::VoiceMeshCanvas::render(image, QStringLiteral("EXAVITQu4vr4xnSDxMaL"),
                                         Parlino::VoiceAvailability::available, true, time);
        time += 1.0 / 30;
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_MovingAvatarFrame)->Unit(benchmark::kMicrosecond);

// One tick of the shared 30 Hz timeline over a 10 × 6 grid of 52-point avatars, each painted
// into a ratio-2 window backing store as its widget would.
void BM_SixtyMovingAvatarsTick(benchmark::State& state) {
    constexpr int columns = 10, rows = 6, side = 52;
    QImage screen(columns * avatarPixels, rows * avatarPixels, QImage::Format_ARGB32_Premultiplied);
    screen.setDevicePixelRatio(2);
    QList<QString> ids;
    for (int i = 0; i < columns * rows; ++i)
        ids.append(QStringLiteral("voice-%1").arg(i));
    QImage scratch;
    double time = 1000;
    const std::clock_t start = std::clock();
    for (auto _ : state) {
        screen.fill(Qt::black);
        QPainter painter(&screen);
        for (int i = 0; i < columns * rows; ++i) {
            const QRectF rect((i % columns) * side, (i / columns) * side, side, side);
            Parlino::VoiceMeshCanvas::paint(
                painter, rect, ids[i], Parlino::VoiceAvailability::available, true, time, scratch);
        }
        time += 1.0 / 30;
    }
    // Share of one core at 30 ticks a second: 30 × the processor seconds of one tick.
    const double seconds = double(std::clock() - start) / CLOCKS_PER_SEC;
    state.counters["coreShare"] = 30 * seconds / static_cast<double>(state.iterations());
}
BENCHMARK(BM_SixtyMovingAvatarsTick)->Unit(benchmark::kMillisecond);

} // namespace
