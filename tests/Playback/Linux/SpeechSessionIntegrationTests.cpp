// A whole read: three chunks synthesised by the fake service through the real client and
// played by the real chunk player into the clocked null output.
#include "Playback/Linux/NullOutput.h"
#include "Playback/Linux/SystemChunkPlayerFactory.h"
#include "Playback/SpeechSession.h"
#include "TTS/ElevenLabsProvider.h"
#include "TTS/ParlinoURLSession.h"
#include "TestAudio.h"
#include "support/EventLoop.h"
#include "support/FakeSpeechService.h"
#include "support/ManualTime.h"

#include <gtest/gtest.h>

using Playback::SpeechSession;

TEST(SpeechSessionIntegration, PlaysAThreeChunkReadFromTheServiceToTheEnd) {
    TestSupport::FakeSpeechService service;
    const QByteArray speech = TestAudio::speechMp3();
    service.serveSpeech(speech, 1.5);

    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler audioTime(clock);
    auto factory = std::make_shared<Playback::SystemChunkPlayerFactory>(
        std::make_unique<Playback::NullOutputFactory>(clock, audioTime));
    auto provider = std::make_shared<TTS::ElevenLabsProvider>(
        TTS::Endpoint{service.baseURL(), [](auto handler) { handler(QStringLiteral("test-key")); }},
        TTS::ParlinoURLSession::shared());

    const QList<Core::Chunk> chunks{
        {QStringLiteral("One. "), 0}, {QStringLiteral("Two. "), 5}, {QStringLiteral("Three."), 10}};
    auto session = SpeechSession::create(
        QStringLiteral("One. Two. Three."), chunks, provider, factory,
        Core::VoiceID{QStringLiteral("voice")},
        {QStringLiteral("eleven_flash_v2_5"), QStringLiteral("mp3_44100_128")}, {1.0, 3.0},
        Base::QtScheduler::shared());
    QList<SpeechSession::State> states;
    int completions = 0;
    session->onStateChange = [&](const SpeechSession::State& s) { states.append(s); };
    session->onUtteranceComplete = [&](const auto& audio, const auto& words) {
        ++completions;
        EXPECT_EQ(audio.size(), 3);
        EXPECT_EQ(words.size(), 3);
    };
    session->startSynthesis();

    ASSERT_TRUE(TestSupport::pumpUntil([&] { return completions == 1; }, 20000));
    // Play the audio out in steps of 50 ms of manual time; each chunk is a few seconds long.
    for (int step = 0; step < 2000 && session->state() != SpeechSession::State::finished();
         ++step) {
        audioTime.advance(0.05);
        TestSupport::drainEvents();
    }
    EXPECT_EQ(session->state(), SpeechSession::State::finished());
    EXPECT_EQ(states.first(), SpeechSession::State::playing());
    EXPECT_EQ(completions, 1);
    ASSERT_EQ(service.requests().size(), 3);
    const auto third = service.requests()[2].json();
    EXPECT_EQ(third["previous_request_ids"], Base::Json::Value::array({"req-1", "req-2"}));
    EXPECT_EQ(session->timingIndex().words.last().word, QStringLiteral("Three."));
    EXPECT_EQ(session->timingIndex().words.last().range, (Core::WordTiming::Range{10, 16}));
}
