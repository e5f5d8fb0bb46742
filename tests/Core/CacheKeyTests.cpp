#include "Core/CacheKey.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace Core;

namespace {
const VoiceID voice{QStringLiteral("EXAVITQu4vr4xnSDxMaL")};
const SynthesisSettings flash{QStringLiteral("eleven_flash_v2_5"), QStringLiteral("mp3_44100_128")};
} // namespace

TEST(CacheKey, IsSha256OfTheJoinedFieldsInLowerCaseHex) {
    // Reference digests computed independently over the fields joined by U+001F.
    EXPECT_EQ(CacheKey::make(QStringLiteral("Hello"), voice, flash),
              QStringLiteral("91a853c98368b437f03f04d717997bc519c5e120b4413bad0140986fbed4d630"));
    EXPECT_EQ(CacheKey::make(QStringLiteral("caf\u00e9 ") + QString::fromUcs4(U"😀"),
                             VoiceID{QStringLiteral("v")},
                             SynthesisSettings{QStringLiteral("m"), QStringLiteral("f")}),
              QStringLiteral("4c25e7f78bf50df7e0377117bf46fc8ccbe63e0a6a461710f6add95742add40c"));
    const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
    EXPECT_TRUE(hex.match(CacheKey::make(QString(), VoiceID{}, SynthesisSettings{})).hasMatch());
}

TEST(CacheKey, ChangesWithEveryField) {
    const QString base = CacheKey::make(QStringLiteral("Hello"), voice, flash);
    EXPECT_EQ(CacheKey::make(QStringLiteral("Hello"), voice, flash), base);
    EXPECT_NE(CacheKey::make(QStringLiteral("Hello "), voice, flash), base);
    EXPECT_NE(CacheKey::make(QStringLiteral("Hello"), VoiceID{QStringLiteral("other")}, flash),
              base);
    EXPECT_NE(CacheKey::make(
                  QStringLiteral("Hello"), voice,
                  SynthesisSettings{QStringLiteral("eleven_multilingual_v2"), flash.outputFormat}),
              base);
    EXPECT_NE(CacheKey::make(QStringLiteral("Hello"), voice,
                             SynthesisSettings{flash.modelID, QStringLiteral("mp3_22050_32")}),
              base);
}

TEST(CacheKey, DoesNotNormaliseUnicode) {
    EXPECT_NE(CacheKey::make(QStringLiteral("caf\u00e9"), voice, flash),
              CacheKey::make(QStringLiteral("cafe\u0301"), voice, flash));
}

TEST(CacheKey, SeparatorKeepsFieldBoundaries) {
    EXPECT_NE(CacheKey::make(QStringLiteral("ab"), VoiceID{QStringLiteral("c")}, flash),
              CacheKey::make(QStringLiteral("a"), VoiceID{QStringLiteral("bc")}, flash));
}
