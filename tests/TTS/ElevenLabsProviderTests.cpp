#include "TTS/ElevenLabsProvider.h"
#include "TTS/ParlinoURLSession.h"

#include "ServiceTestSupport.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

using Base::Json::Value;
using Core::SynthesisEvent;
using Core::TTSError;
using Response = TestSupport::FakeSpeechService::Response;
using namespace TTS;

namespace {

const QString synthesisRoute = TestSupport::FakeSpeechService::synthesisRoute();

// Everything a stream delivered, in order.
struct Received {
    QList<SynthesisEvent> events;
    bool ended = false;
    std::optional<TTSError> error;
};

class ElevenLabsProviderTest : public ::testing::Test {
protected:
    ElevenLabsProvider provider(Endpoint::Credential credential) const {
        return ElevenLabsProvider({service.baseURL(), std::move(credential)},
                                  ParlinoURLSession::shared());
    }
    ElevenLabsProvider provider() const {
        return provider(TestSupport::keyCredential(QStringLiteral("sk-test")));
    }

    static Core::SynthesisStream start(ElevenLabsProvider& p, Received& received) {
        auto stream =
            p.synthesize(QStringLiteral("Hi there!"), Core::VoiceID{QStringLiteral("v")},
                         {QStringLiteral("eleven_flash_v2_5"), QStringLiteral("mp3_44100_128")},
                         {QStringLiteral("prev-1")});
        stream.listen([&received](SynthesisEvent e) { received.events.append(std::move(e)); },
                      [&received](std::optional<TTSError> error) {
                          received.ended = true;
                          received.error = std::move(error);
                      });
        return stream;
    }

    Received run(ElevenLabsProvider p) const {
        Received received;
        const auto stream = start(p, received);
        EXPECT_TRUE(TestSupport::pumpUntil([&] { return received.ended; }));
        return received;
    }

    TestSupport::FakeSpeechService service;
};

} // namespace

TEST_F(ElevenLabsProviderTest, YieldsAudioTimingsAndDoneThenFinishes) {
    service.on("POST", synthesisRoute,
               Response::withTimestamps("mp3!", "Hi there!", 0.9, QStringLiteral("req-2")));
    const Received received = run(provider());
    EXPECT_EQ(received.error, std::nullopt);
    ASSERT_EQ(received.events.size(), 3);
    EXPECT_EQ(received.events[0].kind(), SynthesisEvent::Kind::audio);
    EXPECT_EQ(received.events[0].audioData(), "mp3!");
    EXPECT_EQ(received.events[1].kind(), SynthesisEvent::Kind::timings);
    EXPECT_EQ(received.events[1].wordTimings().size(), 2);
    EXPECT_EQ(received.events[2].kind(), SynthesisEvent::Kind::done);
    EXPECT_DOUBLE_EQ(received.events[2].duration(), 0.9);
    EXPECT_EQ(received.events[2].requestID(), QStringLiteral("req-2"));
    ASSERT_EQ(service.requests().size(), 1);
    EXPECT_EQ(service.requests()[0].json()["previous_request_ids"], Value({"prev-1"}));
}

TEST_F(ElevenLabsProviderTest, AnAnswerWithoutAlignmentStillYieldsThreeEvents) {
    service.on("POST", synthesisRoute, Response::json(Value{{"audio_base64", "YWJj"}}));
    const Received received = run(provider());
    ASSERT_EQ(received.events.size(), 3);
    EXPECT_TRUE(received.events[1].wordTimings().isEmpty());
    EXPECT_EQ(received.events[2].duration(), 0);
    EXPECT_EQ(received.events[2].requestID(), std::nullopt);
    EXPECT_TRUE(received.ended);
}

TEST_F(ElevenLabsProviderTest, FailuresEndTheStreamWithTheErrorAndNoEvent) {
    service.on("POST", synthesisRoute, Response::error(402, "quota_exceeded", "No credits"));
    Received received = run(provider());
    EXPECT_TRUE(received.events.isEmpty());
    EXPECT_EQ(received.error, TTSError::insufficientCredits());

    service.on("POST", synthesisRoute, Response::json(Value{{"audio_base64", "YW\nJj"}}));
    received = run(provider());
    EXPECT_TRUE(received.events.isEmpty());
    EXPECT_EQ(received.error,
              TTSError::providerFault(200, QStringLiteral("invalid audio payload")));
}

TEST_F(ElevenLabsProviderTest, AFailingCredentialEndsTheStreamAndSendsNothing) {
    const Received received =
        run(provider(TestSupport::failingCredential(TTSError::unauthorized())));
    EXPECT_TRUE(received.events.isEmpty());
    EXPECT_EQ(received.error, TTSError::unauthorized());
    EXPECT_TRUE(service.requests().isEmpty());
}

TEST_F(ElevenLabsProviderTest, CancellingInFlightAbortsTheTransferAndDeliversNothing) {
    Response held = Response::withTimestamps("mp3!", "Hi there!", 0.9);
    held.held = true;
    service.on("POST", synthesisRoute, held);
    auto p = provider();
    Received received;
    auto stream = start(p, received);
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return service.requests().size() == 1; }));

    stream.cancel();
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return service.openConnections() == 0; }))
        << "the transfer is aborted";
    service.releaseHeld();
    TestSupport::drainEvents();
    EXPECT_TRUE(received.events.isEmpty());
    EXPECT_FALSE(received.ended);
}

TEST_F(ElevenLabsProviderTest, AnAnswerArrivingAfterTheProviderIsGoneIsDropped) {
    Response held = Response::withTimestamps("mp3!", "Hi there!", 0.9);
    held.held = true;
    held.withHeader("Connection", "close"); // the client hangs up once it has the whole answer
    service.on("POST", synthesisRoute, held);
    auto gone = std::make_unique<ElevenLabsProvider>(
        Endpoint{service.baseURL(), TestSupport::keyCredential(QStringLiteral("sk-test"))},
        ParlinoURLSession::shared());
    Received received;
    const auto stream = start(*gone, received);
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return service.requests().size() == 1; }));

    gone.reset();
    service.releaseHeld();
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return service.openConnections() == 0; }));
    TestSupport::drainEvents();
    EXPECT_TRUE(received.events.isEmpty());
    EXPECT_FALSE(received.ended);
}

TEST_F(ElevenLabsProviderTest, DroppingTheStreamCancelsItToo) {
    Response held = Response::withTimestamps("mp3!", "Hi there!", 0.9);
    held.held = true;
    service.on("POST", synthesisRoute, held);
    auto p = provider();
    Received received;
    {
        const auto stream = start(p, received);
        ASSERT_TRUE(TestSupport::pumpUntil([&] { return service.requests().size() == 1; }));
    }
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return service.openConnections() == 0; }));
    EXPECT_TRUE(received.events.isEmpty());
}
