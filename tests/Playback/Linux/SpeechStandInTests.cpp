// The stand-in service with real speech, seen through the real client: its audio must last as
// long as its timings say, and each mode must answer as the screens walk expects.
#include "Playback/Linux/TestAudio.h"
#include "TTS/ElevenLabsClient.h"
#include "TTS/ParlinoURLSession.h"
#include "support/EventLoop.h"
#include "support/SpeechStandIn.h"

#include <gtest/gtest.h>

#include <stop_token>

using Core::TTSError;
using TestSupport::SpeechStandIn;
using TTS::SynthesizedChunk;

namespace {

class SpeechStandInTest : public ::testing::Test {
protected:
    TTS::ElevenLabsClient client() const {
        return TTS::ElevenLabsClient(
            {standIn.baseURL(),
             [](TTS::Endpoint::KeyHandler reply) { reply(QStringLiteral("sk-stand-in")); }},
            TTS::ParlinoURLSession::shared(), {reader, receiver});
    }

    // Starts an operation and waits for its result; one still running after `timeoutMs` is
    // cancelled, so that its completion never runs.
    template <class T, class Start>
    std::optional<Base::Result<T, TTSError>> await(Start start, int timeoutMs = 15000) const {
        std::optional<Base::Result<T, TTSError>> outcome;
        std::stop_source cancel;
        start([&](Base::Result<T, TTSError> result) { outcome.emplace(std::move(result)); },
              cancel.get_token());
        TestSupport::pumpUntil([&] { return outcome.has_value(); }, timeoutMs);
        cancel.request_stop();
        return outcome;
    }

    std::optional<Base::Result<SynthesizedChunk, TTSError>>
    synthesize(const QString& text, int timeoutMs = 15000) const {
        return await<SynthesizedChunk>(
            [&](auto done, std::stop_token cancel) {
                client().synthesize(
                    text, Core::VoiceID{QStringLiteral("stand-in-ada")},
                    {QStringLiteral("eleven_flash_v2_5"), QStringLiteral("mp3_44100_128")}, {},
                    done, cancel);
            },
            timeoutMs);
    }
    std::optional<Base::Result<TTS::KeyValidation, TTSError>> validateKey() const {
        return await<TTS::KeyValidation>(
            [&](auto done, std::stop_token cancel) { client().validateKey(done, cancel); });
    }

    mutable QObject receiver;
    mutable Base::Worker reader; // after the receiver: joined before it goes
    SpeechStandIn standIn;
};

TEST_F(SpeechStandInTest, speaksEveryWordWithinTheLengthOfItsAudio) {
    const QString text = QStringLiteral("The stand-in reads three short sentences. One. Two.");
    const auto result = synthesize(text);
    ASSERT_TRUE(result && result->hasValue()) << "is espeak-ng or lame missing?";
    const SynthesizedChunk& chunk = result->value();

    const double decoded = double(TestAudio::decodeAll(chunk.audio).size()) / 44100;
    EXPECT_GT(decoded, 1.0);
    EXPECT_NEAR(chunk.duration, decoded, 0.06) << "the timings must end where the audio ends";
    ASSERT_FALSE(chunk.words.isEmpty());
    const Core::WordTiming& last = chunk.words.last();
    EXPECT_EQ(text.mid(last.range.lower, last.range.upper - last.range.lower),
              QStringLiteral("Two."));
    EXPECT_LE(last.end, chunk.duration);
}

TEST_F(SpeechStandInTest, eachModeAnswersAsItSays) {
    ASSERT_TRUE(standIn.setMode(QStringLiteral("low-credit")));
    const auto lowCredit = validateKey();
    ASSERT_TRUE(lowCredit && lowCredit->hasValue() && lowCredit->value().quota());
    const TTS::KeyQuota quota = *lowCredit->value().quota();
    EXPECT_EQ(quota.limit - quota.used, SpeechStandIn::charactersLeftWhenLow);

    ASSERT_TRUE(standIn.setMode(QStringLiteral("unauthorized")));
    const auto refused = validateKey();
    ASSERT_TRUE(refused && !refused->hasValue());
    EXPECT_EQ(refused->error().kind(), TTSError::Kind::unauthorized);

    ASSERT_TRUE(standIn.setMode(QStringLiteral("error")));
    EXPECT_FALSE(standIn.setMode(QStringLiteral("sideways")));
    const auto failed = synthesize(QStringLiteral("Fails."));
    ASSERT_TRUE(failed && !failed->hasValue()) << "an unknown mode changes nothing";
    EXPECT_EQ(failed->error().kind(), TTSError::Kind::providerFault);
    EXPECT_EQ(failed->error().status(), 503);

    ASSERT_TRUE(standIn.setMode(QStringLiteral("hold")));
    EXPECT_FALSE(synthesize(QStringLiteral("Never answered."), 500))
        << "a held synthesis is not answered";
}

} // namespace
