// Values the audio thread writes while the main thread reads them, without a shared lock.
#include "Playback/Linux/LevelMeter.h"
#include "Playback/Linux/Published.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

namespace {

// Every word of a value written at once; a torn read mixes two writes.
struct Stamp {
    std::array<int64_t, 40> words{};
};

TEST(Published, AReadNeverMixesTwoWrites) {
    Playback::Published<Stamp> published;
    std::atomic<bool> done = false;
    std::thread writer([&] {
        Stamp stamp;
        for (int64_t i = 1; i <= 200000; ++i) {
            stamp.words.fill(i);
            published.store(stamp);
        }
        done = true;
    });
    int torn = 0;
    int64_t last = 0;
    bool wentBack = false;
    while (!done) {
        const Stamp read = published.load();
        for (const int64_t word : read.words)
            torn += word != read.words[0];
        wentBack |= read.words[0] < last;
        last = read.words[0];
    }
    writer.join();
    EXPECT_EQ(torn, 0);
    EXPECT_FALSE(wentBack);
    EXPECT_EQ(published.load().words.back(), 200000);
}

TEST(LevelMeter, ALevelReadWhileSamplesAreAppendedIsTheirs) {
    Playback::LevelMeter meter(44100);
    std::atomic<bool> reading = false;
    std::atomic<int64_t> appended = 0;
    std::atomic<bool> done = false;
    std::thread appender([&] {
        const std::vector<float> half(441, 0.5f);
        while (!reading) {
        }
        for (int block = 0; block < 20000; ++block) {
            meter.append(half.data(), 441, 1);
            appended += 441;
        }
        done = true;
    });
    int wrong = 0;
    int read = 0;
    int afterwards = 0;
    reading = true;
    // Each read is at a position already appended, so it can only be the samples' level; a
    // machine too busy to read while appending still reads once.
    do {
        const int64_t heard = appended;
        const float level = meter.power(heard);
        if (heard > 0 && level != Playback::LevelMeter::silence) {
            wrong += std::fabs(level - 20 * std::log10(0.5f)) > 0.01f;
            ++read;
        }
    } while (!done || (read == 0 && ++afterwards < 100));
    appender.join();
    EXPECT_GT(read, 0);
    EXPECT_EQ(wrong, 0);
}

} // namespace
