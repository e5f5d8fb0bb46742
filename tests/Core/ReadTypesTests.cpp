#include "Core/CaptureError.h"
#include "Core/ReadTypes.h"
#include "Core/StableHash.h"
#include "Core/TTSError.h"
#include "Core/WordTiming.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

using namespace Core;
using Base::Json::parse;

TEST(WordTimingJson, RoundTripsIncludingEmptyRanges) {
    for (const WordTiming& w : {WordTiming{QStringLiteral("Hello,"), {0, 6}, 0.0, 0.42},
                                WordTiming{QStringLiteral("é😀"), {7, 7}, 1.25, 1.5}}) {
        const auto bytes = Base::Json::serialize(w.toJson()).value();
        EXPECT_EQ(WordTiming::fromJson(parse(bytes).value()).value(), w);
    }
    EXPECT_EQ(Base::Json::serialize(WordTiming{QStringLiteral("Hello,"), {0, 6}, 0, 0.42}.toJson())
                  .value(),
              QByteArray(R"({"word":"Hello,","range":[0,6],"start":0.0,"end":0.42})"));
}

TEST(WordTimingJson, RejectsMalformedRecords) {
    const char* bad[] = {
        R"({"word":"a","range":[5,3],"start":0,"end":1})",
        R"({"word":"a","range":[1],"start":0,"end":1})",
        R"({"word":"a","range":[1,2,3],"start":0,"end":1})",
        R"({"word":"a","range":[1.5,2],"start":0,"end":1})",
        R"({"word":"a","range":"0-1","start":0,"end":1})",
        R"({"word":"a","start":0,"end":1})",
        R"({"word":"a","range":[0,1],"end":1})",
        R"({"word":1,"range":[0,1],"start":0,"end":1})",
        R"({"word":"a","range":[0,1],"start":"0","end":1})",
    };
    for (const char* json : bad)
        EXPECT_FALSE(WordTiming::fromJson(parse(json).value())) << json;
    EXPECT_TRUE(WordTiming::fromJson(
        parse(R"({"word":"a","range":[0,1],"start":0,"end":1,"x":2})").value()));
}

TEST(WordTiming, ZeroAndNegativeZeroTimesAreEqual) {
    EXPECT_EQ((WordTiming{QStringLiteral("a"), {0, 1}, 0.0, 1.0}),
              (WordTiming{QStringLiteral("a"), {0, 1}, -0.0, 1.0}));
    EXPECT_NE((WordTiming{QStringLiteral("a"), {0, 1}, 0.0, 1.0}),
              (WordTiming{QStringLiteral("a"), {0, 2}, 0.0, 1.0}));
}

TEST(ReadTypesJson, VoiceIsAnObjectAndSettingsCarryBothFields) {
    EXPECT_EQ(Base::Json::serialize(VoiceID{QStringLiteral("abc")}.toJson()).value(),
              QByteArray(R"({"rawValue":"abc"})"));
    EXPECT_FALSE(VoiceID::fromJson(parse(R"("abc")").value()));
    const SynthesisSettings s{QStringLiteral("eleven_flash_v2_5"), QStringLiteral("mp3_44100_128")};
    EXPECT_EQ(SynthesisSettings::fromJson(s.toJson()).value(), s);
    EXPECT_FALSE(SynthesisSettings::fromJson(parse(R"({"modelID":"m"})").value()));
}

TEST(ProviderID, ParsesOnlyTheExactRawValue) {
    EXPECT_EQ(providerIDFromRawValue(QStringLiteral("elevenLabs")), ProviderID::elevenLabs);
    EXPECT_EQ(providerIDFromRawValue(QStringLiteral("ElevenLabs")), std::nullopt);
    EXPECT_EQ(rawValue(ProviderID::elevenLabs), QStringLiteral("elevenLabs"));
}

TEST(SelectionCapture, BoundsCompareExactlyAndAbsentDiffersFromZero) {
    const FrontmostApp app{QStringLiteral("Editor"), QStringLiteral("org.example.editor"), 42};
    const SelectionCapture none{QStringLiteral("t"), app, std::nullopt};
    const SelectionCapture zero{QStringLiteral("t"), app, QRectF()};
    EXPECT_NE(none, zero);
    EXPECT_EQ(zero, (SelectionCapture{QStringLiteral("t"), app, QRectF(0, 0, 0, 0)}));
    const SelectionCapture a{QStringLiteral("t"), app, QRectF(10, 20, 100, 16)};
    const SelectionCapture b{QStringLiteral("t"), app, QRectF(10, 20, 100, 16 + 1e-12)};
    EXPECT_NE(a, b) << "QRectF's fuzzy comparison would call these equal";
    EXPECT_NE(a, (SelectionCapture{QStringLiteral("t"), FrontmostApp{app.name, app.bundleID, 43},
                                   a.selectionBounds}));
}

TEST(TTSError, RetryAndVoiceRejectionRules) {
    EXPECT_TRUE(TTSError::network(QStringLiteral("offline")).isRetryable());
    const TTSError unanswered = TTSError::unanswered(QStringLiteral("no answer"));
    EXPECT_EQ(unanswered.kind(), TTSError::Kind::network) << "handled like any network error";
    EXPECT_FALSE(unanswered.isRetryable());
    EXPECT_NE(unanswered, TTSError::network(QStringLiteral("no answer")));
    EXPECT_TRUE(TTSError::providerFault(429, {}).isRetryable());
    EXPECT_TRUE(TTSError::providerFault(503, {}).isRetryable());
    EXPECT_FALSE(TTSError::providerFault(499, {}).isRetryable());
    EXPECT_FALSE(TTSError::unauthorized().isRetryable());
    EXPECT_TRUE(TTSError::providerFault(404, {}).isVoiceRejection());
    EXPECT_FALSE(TTSError::providerFault(404, {}).isRetryable());
    EXPECT_TRUE(TTSError::accountInProbation().isVoiceRejection());
    EXPECT_TRUE(TTSError::insufficientPermissions().isVoiceRejection());
    EXPECT_FALSE(TTSError::unauthorized().isVoiceRejection());
    EXPECT_FALSE(TTSError::insufficientCredits().isVoiceRejection());
}

TEST(TTSError, EqualityComparesPayloads) {
    EXPECT_NE(TTSError::network(QStringLiteral("a")), TTSError::network(QStringLiteral("b")));
    EXPECT_NE(TTSError::providerFault(500, QStringLiteral("a")),
              TTSError::providerFault(500, QStringLiteral("b")));
    EXPECT_NE(TTSError::providerFault(500, QStringLiteral("a")),
              TTSError::providerFault(502, QStringLiteral("a")));
    EXPECT_EQ(TTSError::unauthorized(), TTSError::unauthorized());
    EXPECT_NE(CaptureError::appDenied(QStringLiteral("x")),
              CaptureError::appDenied(QStringLiteral("y")));
    EXPECT_NE(CaptureError::appDenied(QStringLiteral("x")),
              CaptureError::appUnsupported(QStringLiteral("x")));
    EXPECT_EQ(CaptureError::timedOut(), CaptureError::timedOut());
}

TEST(StableHash, IsFnv1aOverUtf8) {
    EXPECT_EQ(stableHash(QString()), 14695981039346656037ULL);
    EXPECT_EQ(stableHash(QStringLiteral("a")), 0xaf63dc4c8601ec8cULL);
    EXPECT_EQ(stableHash(QStringLiteral("foobar")), 0x85944171f73967e8ULL);
    EXPECT_NE(stableHash(QStringLiteral("é")), stableHash(QStringLiteral("e\u0301")));
}
