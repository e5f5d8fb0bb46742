#include "Playback/Linux/LevelMeter.h"
#include "Playback/Linux/Mpg123Decoder.h"
#include "TestAudio.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace {

using Playback::LevelMeter;
using Playback::Mpg123Decoder;

TEST(Mpg123Decoder, DecodesTaggedSpeechToTheExactLengthItWasEncodedFrom) {
    auto decoder = Mpg123Decoder::open(TestAudio::speechMp3());
    ASSERT_TRUE(decoder);
    EXPECT_EQ((*decoder)->format(), (Playback::PcmFormat{44100, 1}));
    EXPECT_EQ((*decoder)->totalFrames(), TestAudio::speechFrames());

    int64_t frames = 0;
    size_t blocks = 0;
    for (auto block = (*decoder)->decodeNext(); !block.empty(); block = (*decoder)->decodeNext()) {
        frames += int64_t(block.size());
        ++blocks;
    }
    EXPECT_EQ(frames, TestAudio::speechFrames());
    EXPECT_GT(blocks, 100u) << "decodes a frame at a time, not all at once";
    EXPECT_TRUE((*decoder)->decodeNext().empty());
}

TEST(Mpg123Decoder, KnowsTheLengthOfAStreamWithoutHeaderBeforeDecodingIt) {
    auto decoder = Mpg123Decoder::open(TestAudio::untaggedSpeechMp3());
    ASSERT_TRUE(decoder);
    const int64_t total = (*decoder)->totalFrames();
    EXPECT_EQ(total % 1152, 0) << "whole MPEG frames, encoder delay kept";
    EXPECT_GE(total, TestAudio::speechFrames());
    EXPECT_LT(total, TestAudio::speechFrames() + 3 * 1152);
    EXPECT_EQ(int64_t(TestAudio::decodeAll(TestAudio::untaggedSpeechMp3()).size()), total);
}

TEST(Mpg123Decoder, DistrustsAHeaderThatClaimsMoreThanTheFramesHold) {
    // The header frame's "Info" tag claims some two billion MPEG frames.
    QByteArray lying = TestAudio::speechMp3();
    const qsizetype tag = lying.indexOf("Info");
    ASSERT_GE(tag, 0);
    lying.replace(tag + 8, 4, QByteArray::fromHex("7fffffff"));

    auto decoder = Mpg123Decoder::open(lying);
    ASSERT_TRUE(decoder);
    const int64_t total = (*decoder)->totalFrames();
    EXPECT_LT(total, TestAudio::speechFrames() + 3 * 1152);
    EXPECT_EQ(int64_t(TestAudio::decodeAll(lying).size()), total);
}

// Damaged streams decode to exactly the length announced before decoding, so that the position
// told from it neither stops short of the audio nor runs past it.
TEST(Mpg123Decoder, DecodesDamagedStreamsToExactlyTheLengthItAnnounces) {
    const QByteArray speech = TestAudio::speechMp3();
    const QByteArray other = TestAudio::stereo22kSpeechMp3();
    const qsizetype middle = speech.size() / 2;
    std::mt19937 random(11);
    const auto junk = [&](int size) {
        QByteArray bytes(size, Qt::Uninitialized);
        for (auto& byte : bytes)
            byte = char(random());
        return bytes;
    };
    // One frame midway claims 48 kHz.
    QByteArray misheaded = speech;
    const qsizetype header = misheaded.indexOf("\xff\xfb", middle);
    ASSERT_GT(header, 0);
    misheaded[header + 2] = char((misheaded[header + 2] & ~0x0c) | 0x04);
    const std::pair<const char*, QByteArray> streams[] = {
        {"a frame header damaged midway", misheaded},
        {"cut off mid-frame", speech.left(speech.size() * 3 / 5 + 7)},
        {"a little junk midway", speech.left(middle) + junk(300) + speech.mid(middle)},
        {"more junk midway than a resync skips",
         speech.left(middle) + junk(5000) + speech.mid(middle)},
        {"another format spliced on", speech + other},
        {"spliced onto another format", other + speech},
        {"untagged with another format spliced on", TestAudio::untaggedSpeechMp3() + other},
    };
    for (const auto& [name, mp3] : streams) {
        auto decoder = Mpg123Decoder::open(mp3);
        ASSERT_TRUE(decoder) << name;
        const auto& format = (*decoder)->format();
        EXPECT_EQ(int64_t(TestAudio::decodeAll(mp3).size()),
                  (*decoder)->totalFrames() * format.channels)
            << name;
    }

    // Frames in other formats are left out; the rest plays.
    EXPECT_GT((*Mpg123Decoder::open(misheaded))->totalFrames(), TestAudio::speechFrames() * 9 / 10);
    auto spliced = Mpg123Decoder::open(speech + other);
    EXPECT_EQ((*spliced)->format(), (Playback::PcmFormat{44100, 1}));
    EXPECT_EQ((*spliced)->totalFrames(), TestAudio::speechFrames());
    auto otherFirst = Mpg123Decoder::open(other + speech);
    EXPECT_EQ((*otherFirst)->format(), (Playback::PcmFormat{22050, 2}));
    EXPECT_EQ((*otherFirst)->totalFrames(), (*Mpg123Decoder::open(other))->totalFrames());
}

TEST(Mpg123Decoder, SeeksToAnySampleAsIfItHadDecodedThereFromTheStart) {
    const std::vector<float> whole = TestAudio::decodeAll(TestAudio::speechMp3());
    auto decoder = Mpg123Decoder::open(TestAudio::speechMp3());
    const int64_t total = (*decoder)->totalFrames();
    for (const int64_t frame : {int64_t(88200), int64_t(1), int64_t(1152), int64_t(100001),
                                total - 10, int64_t(0), total}) {
        (*decoder)->seek(frame);
        std::vector<float> rest;
        for (auto block = (*decoder)->decodeNext(); !block.empty();
             block = (*decoder)->decodeNext())
            rest.insert(rest.end(), block.begin(), block.end());
        ASSERT_EQ(int64_t(rest.size()), total - frame) << frame;
        // The same samples, at most rounded differently: one sample off would differ by far more.
        for (size_t i = 0; i < rest.size(); ++i)
            ASSERT_NEAR(rest[i], whole[size_t(frame) + i], 1e-6) << "frame " << frame << " + " << i;
    }
}

// A damaged stream whose frames change format gives whole frames after any seek too: half a
// frame would shift every later sample into the other channel. (Found by fuzzing.)
TEST(Mpg123Decoder, GivesWholeFramesAfterSeeksInAStreamOfMixedFormats) {
    const QByteArray mp3 =
        QByteArray::fromRawData("\xff\xff\x63\x63\x67\x25\x00\x00\x00\x00\x00\x00\x76\xda\x21\x00"
                                "\xf0\x61\xf5\xff\xff\x2e\xd3\xcd"
                                "\x68\x21\x08\x00\x00\x00\x61\x50\x00\x06\xd3\x6a\x00\x08\x00\x00"
                                "\x49\x6e\x66\x6f\x00\xcd\x68\x21"
                                "\x00\xf0\x61\xf5\xff\xff\xff\xff\xff\xff\xff\x00\x00\x00\x49\x5d"
                                "\x6e\x66\x00\x00\x00\x76\xda\x99"
                                "\x57\x60\x66\xff\xff\x05\xca\x00\xcd\x68\x21\x00\xf0\x61\xf5\xff"
                                "\xff\x00\x00\x0f\x00\x00\xa2\x00"
                                "\x00\x91\xcd\xf2\x00\x00\x00\x00\x35\x66\x7a\x71\x04\x01\x02\x1e"
                                "\xc9\xff\x00\x00\x91\xcd\xf2\x00"
                                "\x00\x00\x00\xff\x2e\xd3\xca\x00\xcd\xf0\xff\x05\xff\x00\xf5\xff"
                                "\x2e\xd3\xca\x00\xcd\xf0\xff\x05"
                                "\xff\x00\xf5\xff\x2e\xd3\x21\x00\xf0\x61\xf5\xf4\xff\xff\xff\x00"
                                "\x00\x00\xff\xff\x00\x00\x00\x00"
                                "\x6e\x66\x00\x00\x57\x60\x66\xff\xff\x05\xca\xff\x05\xff\x00\xf5"
                                "\xff\x2e\xd3\x00\xff\xcd\x68\x21"
                                "\x00\xf0\x61\xf5\xff\x00\xf5\xff\x2e\xd3\x61\xf5\xff\x00\x76\xda"
                                "\x99\x57\x60\x66\xff\xff\x05\xca"
                                "\xf0\xff\x05\xff\x00\xf5\xff\x2e\xd3\xca\x00\xcd\xf0\xff\x05\xff"
                                "\x00\xf5\xff\x2e\x21\x00\xf0\xf5"
                                "\xf4\xff\xff\xff\x00\x00\x00\xff\xff\x00\x00\x00\x00\x6e\x66\x00"
                                "\x00\x57\x60\x66\xff\xff\x05\xca"
                                "\xff\x05\xff\x00\xf5\xff\x2e\xd3",
                                272);
    auto decoder = Mpg123Decoder::open(mp3);
    ASSERT_TRUE(decoder);
    const int64_t total = (*decoder)->totalFrames();
    const auto channels = size_t((*decoder)->format().channels);
    for (int64_t frame = 0; frame < total; frame += 97) {
        (*decoder)->seek(frame);
        int64_t decoded = 0;
        for (auto block = (*decoder)->decodeNext(); !block.empty();
             block = (*decoder)->decodeNext()) {
            ASSERT_EQ(block.size() % channels, 0u) << "after a seek to " << frame;
            decoded += int64_t(block.size() / channels);
        }
        ASSERT_EQ(decoded, total - frame) << "after a seek to " << frame;
    }
}

TEST(Mpg123Decoder, RefusesDataThatHoldsNoAudio) {
    std::mt19937 random(7);
    for (const int size : {0, 37, 4096}) {
        QByteArray noise(size, Qt::Uninitialized);
        for (auto& byte : noise)
            byte = char(random());
        EXPECT_FALSE(Mpg123Decoder::open(noise)) << size << " random bytes";
    }
    EXPECT_FALSE(Mpg123Decoder::open(TestAudio::speechMp3().left(100)));
}

std::vector<float> sine(double amplitude, int frames) {
    std::vector<float> samples(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i)
        samples[size_t(i)] = float(amplitude * std::sin(2 * std::numbers::pi * 441.0 * i / 44100));
    return samples;
}

TEST(LevelMeter, ReadsTheRmsOfTheWindowEndingAtTheHeardFrame) {
    LevelMeter meter(44100);
    EXPECT_EQ(meter.power(0), LevelMeter::silence);

    const auto loud = sine(1.0, 44100);
    meter.append(loud.data(), 44100, 1);
    const std::vector<float> quiet = sine(0.01, 44100);
    meter.append(quiet.data(), 44100, 1);

    EXPECT_NEAR(meter.power(44100), -3.01, 0.01);
    EXPECT_NEAR(meter.power(88200), -43.01, 0.01);
    EXPECT_EQ(meter.power(-10), LevelMeter::silence) << "before anything was handed over";
}

TEST(LevelMeter, MetersChannelZeroOfInterleavedSamplesAndReadsSilenceAsMinus160) {
    LevelMeter meter(44100);
    std::vector<float> stereo(2 * 4410);
    const auto loud = sine(1.0, 4410);
    for (size_t i = 0; i < loud.size(); ++i)
        stereo[2 * i + 1] = loud[i]; // only the right channel sounds
    meter.append(stereo.data(), 4410, 2);
    EXPECT_EQ(meter.power(4410), LevelMeter::silence);
}

TEST(LevelMeter, ForgetsWhatIsOlderThanItsHistory) {
    LevelMeter meter(1000);
    const auto loud = sine(1.0, 1000);
    meter.append(loud.data(), 1000, 1);
    const std::vector<float> more(3000, 0.5f);
    meter.append(more.data(), 3000, 1);
    EXPECT_EQ(meter.power(1000), LevelMeter::silence);
    EXPECT_NEAR(meter.power(4000), 20 * std::log10(0.5), 0.001);
}

} // namespace
