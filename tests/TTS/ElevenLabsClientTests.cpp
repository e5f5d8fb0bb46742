#include "TTS/ElevenLabsClient.h"
#include "TTS/ParlinoURLSession.h"

#include "ServiceTestSupport.h"
#include "support/LogCapture.h"
#include "support/ManualTime.h"
#include "support/Printers.h"

#include <QNetworkReply>

#include <gtest/gtest.h>

using Base::Json::Value;
using Core::TTSError;
using TestSupport::FakeSpeechService;
using Response = TestSupport::FakeSpeechService::Response;
using namespace TTS;

namespace {

const QString synthesisRoute = TestSupport::FakeSpeechService::synthesisRoute();
const Core::SynthesisSettings flash{QStringLiteral("eleven_flash_v2_5"),
                                    QStringLiteral("mp3_44100_128")};

class ElevenLabsClientTest : public ::testing::Test {
protected:
    ElevenLabsClient client(Endpoint::Credential credential, ServiceTimeouts timeouts = {}) const {
        return ElevenLabsClient({service.baseURL(), std::move(credential)},
                                ParlinoURLSession::shared(), {reader, receiver}, timeouts,
                                Base::QtScheduler::shared(), [this] { return now; });
    }
    // A client that waits 200 ms for the answer to begin and then for each part of its body.
    ElevenLabsClient impatientClient() const {
        return client(TestSupport::keyCredential(QStringLiteral("sk-test")), {200, 200});
    }
    ElevenLabsClient client() const {
        return client(TestSupport::keyCredential(QStringLiteral("sk-test"), &credentialCalls));
    }

    Base::Result<SynthesizedChunk, TTSError>
    synthesize(const ElevenLabsClient& c, const QStringList& previous = {},
               const QString& voice = QStringLiteral("voice-1")) const {
        return TestSupport::awaitResult<SynthesizedChunk>([&](auto done) {
            c.synthesize(QStringLiteral("Hi there!"), Core::VoiceID{voice}, flash, previous, done);
        });
    }
    Base::Result<SynthesizedChunk, TTSError> synthesize() const { return synthesize(client()); }

    Base::Result<KeyValidation, TTSError> validateKey() const {
        return TestSupport::awaitResult<KeyValidation>(
            [&](auto done) { client().validateKey(done); });
    }
    Base::Result<QList<Voice>, TTSError> voices() const {
        return TestSupport::awaitResult<QList<Voice>>([&](auto done) { client().voices(done); });
    }

    mutable QObject receiver;
    mutable Base::Worker reader; // after the receiver: joined before it goes
    FakeSpeechService service;
    TestSupport::LogCapture logs;
    mutable int credentialCalls = 0;
    // Wed, 21 Oct 2026 07:28:00 GMT
    Base::Date now = Base::Date::fromUnixSeconds(1792567680);
};

TTSError errorOf(const auto& result) {
    EXPECT_FALSE(result.hasValue());
    return result.hasValue() ? TTSError::network(QStringLiteral("succeeded")) : result.error();
}

QStringList providerLines(const TestSupport::LogCapture& logs) {
    return logs.messages(QStringLiteral("tts")).filter(QStringLiteral("provider error"));
}

} // namespace

// ---- Requests -----------------------------------------------------------------------------

TEST_F(ElevenLabsClientTest, SynthesisRequestFollowsTheWireFormat) {
    service.on("POST", synthesisRoute, Response::withTimestamps("abc", "Hi there!", 1.0));
    ASSERT_TRUE(synthesize());

    ASSERT_EQ(service.requests().size(), 1);
    const auto& request = service.requests().first();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path(), "/v1/text-to-speech/voice-1/with-timestamps");
    EXPECT_EQ(request.query().queryItems(),
              (QList<QPair<QString, QString>>{{"output_format", "mp3_44100_128"}}));
    EXPECT_EQ(request.header("xi-api-key"), "sk-test");
    EXPECT_EQ(request.header("content-type"), "application/json");
    EXPECT_EQ(request.body, R"({"text":"Hi there!","model_id":"eleven_flash_v2_5"})");
    EXPECT_EQ(credentialCalls, 1);
}

TEST_F(ElevenLabsClientTest, SendsOnlyTheLastThreePreviousRequestIDs) {
    service.on("POST", synthesisRoute, Response::withTimestamps("abc", "Hi", 1.0));
    ASSERT_TRUE(synthesize(client(), {"a", "b", "c", "d", "e"}));
    ASSERT_TRUE(synthesize(client(), {"a", "b", "c"}));
    ASSERT_EQ(service.requests().size(), 2);
    EXPECT_EQ(service.requests()[0].json()["previous_request_ids"], Value({"c", "d", "e"}));
    EXPECT_EQ(service.requests()[1].json()["previous_request_ids"], Value({"a", "b", "c"}));
}

TEST_F(ElevenLabsClientTest, VoiceIdentifierStaysOneEncodedPathSegment) {
    service.on("POST", synthesisRoute, Response::withTimestamps("abc", "Hi", 1.0));
    ASSERT_TRUE(synthesize(client(), {}, QStringLiteral("a/../b?x#y z")));
    ASSERT_EQ(service.requests().size(), 1);
    EXPECT_EQ(service.requests()[0].path(),
              "/v1/text-to-speech/a%2F..%2Fb%3Fx%23y%20z/with-timestamps");
    EXPECT_EQ(service.requests()[0].query().queryItems().size(), 1);

    for (const QString& voice : {QStringLiteral(".."), QStringLiteral("."), QString()}) {
        EXPECT_EQ(errorOf(synthesize(client(), {}, voice)),
                  TTSError::providerFault(-1, QStringLiteral("invalid request address")));
    }
    EXPECT_EQ(service.requests().size(), 1);
    EXPECT_EQ(credentialCalls, 1) << "no key is asked for an address that cannot be formed";
}

// A redirect that is not followed is the service answering what it should not: neither a lost
// connection nor an answer to decode.
TEST_F(ElevenLabsClientTest, RedirectsToAnotherOriginNeverSeeTheKeyAndFailAsTheServicesFault) {
    const QByteArray path = "/v1/text-to-speech/v/with-timestamps";
    FakeSpeechService elsewhere;
    elsewhere.on("POST", synthesisRoute, Response::withTimestamps("abc", "Hi", 1.0));
    const std::vector<std::pair<Response, int>> cases{
        {Response{307, {}, {{"Location", elsewhere.baseURL().toEncoded() + path}}}, 307},
        {Response{302, {}, {}}, 302},
        {Response{308, {}, {{"Location", service.baseURL().toEncoded() + path}}}, 308},
    };
    for (const auto& [response, status] : cases) {
        service.on("POST", synthesisRoute, response);
        const TTSError error = errorOf(synthesize());
        EXPECT_EQ(error.kind(), TTSError::Kind::providerFault) << error.kindName().toStdString();
        EXPECT_EQ(error.status(), status);
        EXPECT_FALSE(error.isRetryable());
    }
    EXPECT_TRUE(elsewhere.requests().isEmpty());
}

// ---- Answers ------------------------------------------------------------------------------

TEST_F(ElevenLabsClientTest, DecodesAudioWordsDurationAndRequestID) {
    const QByteArray audio("\xff\xfb\x90\x00 mp3 frame", 14);
    const Response answer =
        Response::withTimestamps(audio, "Hi there!", 0.9).withHeader("Request-ID", "r-7");
    service.on("POST", synthesisRoute, answer);
    const auto chunk = synthesize();
    ASSERT_TRUE(chunk);
    EXPECT_EQ(chunk->audio, audio);
    ASSERT_EQ(chunk->words.size(), 2);
    EXPECT_EQ(chunk->words[0].word, QStringLiteral("Hi"));
    EXPECT_EQ(chunk->words[1].range, (Core::WordTiming::Range{3, 9}));
    EXPECT_DOUBLE_EQ(chunk->duration, 0.9);
    EXPECT_EQ(chunk->requestID, QStringLiteral("r-7"));
    EXPECT_TRUE(logs.contains(QStringLiteral("HTTP 200 bytes=%1").arg(answer.body.size())));
}

TEST_F(ElevenLabsClientTest, AnswersWithoutAlignmentOrRequestIDGiveNoWords) {
    service.on("POST", synthesisRoute,
               Response::json(Value{{"audio_base64", "YWJj"}, {"alignment", nullptr}}));
    auto chunk = synthesize();
    ASSERT_TRUE(chunk);
    EXPECT_EQ(chunk->audio, "abc");
    EXPECT_TRUE(chunk->words.isEmpty());
    EXPECT_EQ(chunk->duration, 0);
    EXPECT_EQ(chunk->requestID, std::nullopt);

    const Value emptyEnds{{"characters", {"a"}},
                          {"character_start_times_seconds", {0.0}},
                          {"character_end_times_seconds", Value::array()}};
    service.on("POST", synthesisRoute,
               Response::json(Value{{"audio_base64", "YWJj"}, {"alignment", emptyEnds}}));
    chunk = synthesize();
    ASSERT_TRUE(chunk);
    EXPECT_TRUE(chunk->words.isEmpty());
    EXPECT_EQ(chunk->duration, 0);
}

TEST_F(ElevenLabsClientTest, AnAlignmentWhoseArraysDifferInLengthIsTakenAsNone) {
    const Value shortEnds{{"characters", std::vector<std::string>(253, "a")},
                          {"character_start_times_seconds", std::vector<double>(253, 0.1)},
                          {"character_end_times_seconds", {0.05, 0.1, 0.1878}}};
    const Value shortStarts{{"characters", {"a", "b"}},
                            {"character_start_times_seconds", {0.0}},
                            {"character_end_times_seconds", {0.1, 0.2}}};
    for (const Value& alignment : {shortEnds, shortStarts}) {
        service.on("POST", synthesisRoute,
                   Response::json(Value{{"audio_base64", "YWJj"}, {"alignment", alignment}}));
        const auto chunk = synthesize();
        ASSERT_TRUE(chunk);
        EXPECT_EQ(chunk->audio, "abc");
        EXPECT_TRUE(chunk->words.isEmpty());
        EXPECT_EQ(chunk->duration, 0) << "no end time of another text";
    }
    EXPECT_TRUE(logs.contains(QStringLiteral("alignment arrays differ in length: characters=253 "
                                             "starts=253 ends=3 — taken as no alignment")));
}

TEST_F(ElevenLabsClientTest, UndecodableAnswersAreProviderFaults) {
    const TTSError undecodable =
        TTSError::providerFault(200, QStringLiteral("undecodable response"));
    const TTSError invalidAudio =
        TTSError::providerFault(200, QStringLiteral("invalid audio payload"));
    const std::vector<std::pair<Response, TTSError>> cases{
        {Response{200, "not json", {}}, undecodable},
        {Response::json(Value{{"alignment", nullptr}}), undecodable},
        {Response::json(Value{{"audio_base64", 42}}), undecodable},
        {Response::json(Value{{"audio_base64", "YWJj"}, {"alignment", {{"characters", "a"}}}}),
         undecodable},
        {Response::json(Value{{"audio_base64", "YWJj\nYWJj"}}), invalidAudio},
        {Response::json(Value{{"audio_base64", "YW*j"}}), invalidAudio},
        {Response{201, {}, {}}, undecodable},
        {Response{399, {}, {}}, undecodable},
    };
    for (const auto& [response, expected] : cases) {
        service.on("POST", synthesisRoute, response);
        EXPECT_EQ(errorOf(synthesize()), expected) << response.body.toStdString();
    }
}

// ---- Failures -----------------------------------------------------------------------------

// Each case's values go out as headers of their own, which the network stack joins.
TEST_F(ElevenLabsClientTest, ARateLimitedAnswerCarriesTheWaitItAsksFor) {
    const std::vector<std::pair<QList<QByteArray>, std::optional<double>>> cases{
        {{"5"}, 5.0},
        {{" 12 "}, 12.0},
        {{"6", "6"}, 6.0},
        {{"soon", "7"}, 7.0},
        {{"Wed, 21 Oct 2026 07:28:08 GMT"}, 8.0},
        {{"Wed, 21 Oct 2026 07:27:00 GMT"}, 0.0},
        {{"-1"}, std::nullopt},
        {{"soon"}, std::nullopt}};
    for (const auto& [headers, wait] : cases) {
        Response response = Response::error(429, "too_many_concurrent_requests", "Busy");
        for (const QByteArray& header : headers)
            response.withHeader("Retry-After", header);
        service.on("POST", synthesisRoute, response);
        EXPECT_EQ(errorOf(synthesize()), TTSError::rateLimited(QStringLiteral("Busy"), wait))
            << headers.join('|').toStdString();
    }
}

TEST_F(ElevenLabsClientTest, MapsErrorStatusesToTheirErrors) {
    const std::vector<std::pair<Response, TTSError>> cases{
        {Response::error(401, "is_in_probation", "Probation"), TTSError::accountInProbation()},
        {Response::error(401, "invalid_api_key", "Bad key"), TTSError::unauthorized()},
        {Response{401, "<html>no</html>", {}}, TTSError::unauthorized()},
        {Response::json(Value::object(), 401), TTSError::unauthorized()},
        {Response::error(402, "payment_required", "Pay"), TTSError::insufficientCredits()},
        {Response::error(403, "missing_permissions", "No"), TTSError::insufficientPermissions()},
        {Response::error(404, "voice_not_found", "Gone"), TTSError::providerFault(404, "Gone")},
        {Response::error(429, "too_many_requests", "Slow down"),
         TTSError::providerFault(429, "Slow down")},
        {Response{500, "Internal Server Error", {}}, TTSError::providerFault(500, "")},
        {Response::json(Value{{"detail", "just text"}}, 503), TTSError::providerFault(503, "")},
        {Response::json(Value{{"detail", {{"status", 7}, {"message", "x"}}}}, 422),
         TTSError::providerFault(422, "")},
    };
    for (const auto& [response, expected] : cases) {
        service.on("POST", synthesisRoute, response);
        const TTSError error = errorOf(synthesize());
        EXPECT_EQ(error, expected) << response.status << " " << response.body.toStdString();
        EXPECT_NE(error.kind(), TTSError::Kind::network);
    }
}

TEST_F(ElevenLabsClientTest, LogsOneProviderLineOnlyForABodyWithDetail) {
    service.on("POST", synthesisRoute,
               Response::error(429, "too_many_requests", QStringLiteral("Wait 🙂 é")));
    (void)synthesize();
    EXPECT_EQ(providerLines(logs),
              QStringList{QStringLiteral(
                  "provider error HTTP 429 slug=too_many_requests msgLen=8 msg=\"Wait 🙂 é\"")});

    service.on("POST", synthesisRoute,
               Response::json(Value{{"detail", {{"message", nullptr}}}}, 500));
    (void)synthesize();
    EXPECT_EQ(providerLines(logs).value(1),
              QStringLiteral("provider error HTTP 500 slug=- msgLen=0 msg=\"\""));

    service.on("POST", synthesisRoute, Response{502, "Bad Gateway", {}});
    service.on("POST", synthesisRoute, Response::json(Value{{"detail", {1, 2}}}, 500));
    (void)synthesize();
    EXPECT_EQ(providerLines(logs).size(), 2);
}

TEST_F(ElevenLabsClientTest, AFailingCredentialSendsNothing) {
    EXPECT_EQ(errorOf(synthesize(client(TestSupport::failingCredential(TTSError::unauthorized())))),
              TTSError::unauthorized());
    EXPECT_EQ(errorOf(synthesize(client(TestSupport::failingCredential(
                  TTSError::network(QStringLiteral("keyring locked")))))),
              TTSError::network(QStringLiteral("keyring locked")))
        << "the credential's own error passes through unchanged";
    EXPECT_EQ(errorOf(synthesize(client(TestSupport::keyCredential("sk\r\nX-Injected: 1")))),
              TTSError::unauthorized());
    EXPECT_TRUE(service.requests().isEmpty());
}

TEST_F(ElevenLabsClientTest, AServerThatIsDownIsANetworkError) {
    service.stop();
    const TTSError error = errorOf(synthesize());
    EXPECT_EQ(error.kind(), TTSError::Kind::network);
    EXPECT_FALSE(error.message().isEmpty());
    EXPECT_TRUE(logs.contains(QStringLiteral("URLError code=1"))) << "connection refused";
}

TEST_F(ElevenLabsClientTest, ABodyThatEndsShortOrStallsIsANetworkError) {
    Response shortBody = Response::withTimestamps("abc", "Hi there!", 0.9);
    shortBody.sentBytes = 10;
    shortBody.closesEarly = true;
    service.on("POST", synthesisRoute, shortBody);
    EXPECT_EQ(errorOf(synthesize()).kind(), TTSError::Kind::network) << "closed after 10 bytes";

    Response stalled = Response::withTimestamps("abc", "Hi there!", 0.9);
    stalled.sentBytes = 0;
    service.on("POST", synthesisRoute, stalled);
    const TTSError error = errorOf(synthesize(impatientClient()));
    EXPECT_EQ(error.kind(), TTSError::Kind::network) << "headers, then not a byte more";
    EXPECT_TRUE(error.isRetryable());
    EXPECT_FALSE(error.isUnanswered());
    EXPECT_FALSE(logs.contains(QStringLiteral("HTTP 200")));
}

TEST_F(ElevenLabsClientTest, AServiceThatTakesTheRequestButNeverAnswersIsUnanswered) {
    Response never;
    never.held = true;
    service.on("POST", synthesisRoute, never);
    const TTSError error = errorOf(synthesize(impatientClient()));
    EXPECT_EQ(error.kind(), TTSError::Kind::network);
    EXPECT_TRUE(error.isUnanswered());
    EXPECT_FALSE(error.isRetryable()) << "another whole wait would only keep the user waiting";
    EXPECT_EQ(service.requests().size(), 1);
    EXPECT_TRUE(logs.contains(QStringLiteral("URLError code=%1").arg(QNetworkReply::TimeoutError)));

    Response slow = Response::withTimestamps("abc", "Hi there!", 0.9);
    slow.delay = 0.2;
    service.on("POST", synthesisRoute, slow);
    EXPECT_TRUE(
        synthesize(client(TestSupport::keyCredential(QStringLiteral("sk-test")), {1000, 1000})))
        << "an answer inside the wait is taken";
}

// However its bytes trickle in, an answer has a time bounded by its size bound to come whole.
TEST_F(ElevenLabsClientTest, AnAnswerThatTricklesIsGivenUpAtItsTransferLimit) {
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler time(clock);
    FakeSpeechService trickling(time);
    const ElevenLabsClient c({trickling.baseURL(), TestSupport::keyCredential("sk-test")},
                             ParlinoURLSession::shared(), {reader, receiver}, {}, time);
    using Trickle = Response::Trickle;
    const auto speech = [](Trickle pace) {
        Response answer = Response::withTimestamps("abc", "Hi there!", 0.9);
        answer.trickle = pace;
        return answer;
    };
    const double synthesisLimit = 60 + double(ElevenLabsClient::maxSynthesisBytes(9)) / 65536;
    const double userLimit = 60 + 16.0; // a megabyte at 64 KiB/s

    struct Case {
        const char* what;
        QByteArray method;
        QString route;
        Response answer;
        double interval;
        double limit;
    };
    for (const Case& trickle : {
             Case{"one byte every 14 s", "POST", synthesisRoute, speech({1, 14, false}), 14,
                  synthesisLimit},
             Case{"16 bytes every 3 s, chunked without end", "POST", synthesisRoute,
                  speech({16, 3, true}), 3, synthesisLimit},
             Case{"the user record, a byte every 14 s", "GET", QStringLiteral("/v1/user"),
                  [] {
                      Response record = Response::json(Base::Json::Value{{"subscription", 1}});
                      record.trickle = Trickle{1, 14, false};
                      return record;
                  }(),
                  14, userLimit},
         }) {
        SCOPED_TRACE(trickle.what);
        trickling.on(trickle.method, trickle.route, trickle.answer);
        trickling.clearRequests();
        std::optional<TTSError> error;
        const auto failed = [&](const auto& result) {
            error = result ? TTSError::network("answered") : result.error();
        };
        const double start = clock.now();
        if (trickle.method == "POST")
            c.synthesize(QStringLiteral("Hi there!"), Core::VoiceID{QStringLiteral("v")}, flash, {},
                         failed);
        else
            c.validateKey(failed);
        ASSERT_TRUE(TestSupport::pumpUntil([&] { return trickling.requests().size() == 1; }));
        while (clock.now() + trickle.interval < start + trickle.limit - 1) {
            time.advance(trickle.interval);
            TestSupport::drainEvents();
        }
        time.advance(start + trickle.limit - 1 - clock.now());
        TestSupport::drainEvents();
        EXPECT_FALSE(error) << "given up before its limit";
        time.advance(1.5);
        ASSERT_TRUE(TestSupport::pumpUntil([&] { return error.has_value(); }));
        EXPECT_TRUE(error->isUnanswered());
        EXPECT_FALSE(error->isRetryable());
    }
    EXPECT_EQ(logs.messages(QStringLiteral("tts")).filter(QStringLiteral("answer given up")).size(),
              3);

    // A slow answer that comes whole within its limit is taken.
    trickling.on("POST", synthesisRoute, speech({64, 1, false}));
    trickling.clearRequests();
    std::optional<Base::Result<SynthesizedChunk, TTSError>> slow;
    c.synthesize(QStringLiteral("Hi there!"), Core::VoiceID{QStringLiteral("v")}, flash, {},
                 [&](auto result) { slow = std::move(result); });
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return trickling.requests().size() == 1; }));
    for (int part = 0; part < 40; ++part) { // well within the limit
        time.advance(1);
        TestSupport::drainEvents();
    }
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return slow.has_value(); }));
    EXPECT_TRUE(*slow);
}

// ---- Answer size ----------------------------------------------------------------------------

TEST_F(ElevenLabsClientTest, SynthesisAnswersAreBoundedByTheirText) {
    const qsizetype longestChunk = 800;
    const qint64 bound = ElevenLabsClient::maxSynthesisBytes(longestChunk);
    EXPECT_LT(bound, qint64(64) << 20) << "what the stores read back";
    EXPECT_LT(ElevenLabsClient::maxSynthesisBytes(1'000'000), qint64(64) << 20);

    // A long chunk read slowly: a minute and a half of 128 kbit/s audio.
    const QString text(longestChunk, u'a');
    const QByteArray audio(90 * 16'000, 'x');
    service.on("POST", synthesisRoute, Response::withTimestamps(audio, text, 90));
    const auto slowRead = TestSupport::awaitResult<SynthesizedChunk>([&](auto done) {
        client().synthesize(text, Core::VoiceID{QStringLiteral("v")}, flash, {}, done);
    });
    ASSERT_TRUE(slowRead) << "a real answer fits";
    EXPECT_EQ(slowRead->audio.size(), audio.size());

    const TTSError tooLarge = TTSError::providerFault(200, QStringLiteral("answer too large"));
    service.on("POST", synthesisRoute,
               Response::withTimestamps(QByteArray(1 << 20, 'x'), "Hi there!", 0.9));
    const TTSError error = errorOf(synthesize());
    EXPECT_EQ(error, tooLarge) << "a megabyte of audio for two words";
    EXPECT_FALSE(error.isRetryable());
    EXPECT_EQ(logs.messages(QStringLiteral("tts")).filter(QStringLiteral("answer refused")),
              QStringList{QStringLiteral("answer refused: over %1 bytes")
                              .arg(ElevenLabsClient::maxSynthesisBytes(9))});
}

TEST_F(ElevenLabsClientTest, AnAnnouncedOversizeAnswerIsRefusedBeforeItsBodyArrives) {
    Response announced = Response::json(Value{{"audio_base64", "YWJj"}})
                             .withHeader("Content-Length", QByteArray::number(qint64(1) << 30));
    announced.sentBytes = 0;
    service.on("POST", synthesisRoute, announced);
    EXPECT_EQ(errorOf(synthesize()),
              TTSError::providerFault(200, QStringLiteral("answer too large")))
        << "refused at once, not after the body stalled";

    Response hugeRecord =
        Response::json(Value{{"subscription", {{"character_count", 1}, {"character_limit", 2}}},
                             {"padding", QString(2 << 20, u'p')}});
    service.on("GET", QStringLiteral("/v1/user"), hugeRecord);
    EXPECT_EQ(errorOf(validateKey()),
              TTSError::providerFault(200, QStringLiteral("answer too large")));
}

// ---- Connections ----------------------------------------------------------------------------

TEST_F(ElevenLabsClientTest, RequestsShareOneConnection) {
    service.serveSpeech("abc", 0.9);
    const ElevenLabsClient c = client();
    ASSERT_TRUE(synthesize(c));
    ASSERT_TRUE(synthesize(c, {QStringLiteral("req-1")}));
    ASSERT_TRUE(validateKey());
    EXPECT_EQ(service.requests().size(), 3);
    EXPECT_EQ(service.acceptedConnections(), 1);
    EXPECT_EQ(credentialCalls, 3) << "the key is still read for every request";
}

TEST_F(ElevenLabsClientTest, AlignmentBeyondTheSentTextIsIgnored) {
    // The service aligns more characters than "Hi there!" holds.
    service.on("POST", synthesisRoute,
               Response::withTimestamps("abc", "Hi there! Never selected", 2.0));
    const auto chunk = synthesize();
    ASSERT_TRUE(chunk);
    QStringList words;
    for (const auto& word : chunk->words)
        words << word.word;
    EXPECT_EQ(words, (QStringList{"Hi", "there!"}));
}

TEST_F(ElevenLabsClientTest, CancellingAbortsTheTransferAndDeliversNothing) {
    Response held = Response::withTimestamps("abc", "Hi", 1.0);
    held.held = true;
    service.on("POST", synthesisRoute, held);
    std::stop_source stop;
    bool delivered = false;
    client().synthesize(
        QStringLiteral("Hi"), Core::VoiceID{QStringLiteral("v")}, flash, {},
        [&](auto) { delivered = true; }, stop.get_token());
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return service.requests().size() == 1; }));

    stop.request_stop();
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return service.openConnections() == 0; }))
        << "the connection is closed";
    service.releaseHeld();
    TestSupport::drainEvents();
    EXPECT_FALSE(delivered);
}

TEST_F(ElevenLabsClientTest, CancellingBeforeTheKeyArrivesSendsNothing) {
    std::stop_source stop;
    bool delivered = false;
    client().synthesize(
        QStringLiteral("Hi"), Core::VoiceID{QStringLiteral("v")}, flash, {},
        [&](auto) { delivered = true; }, stop.get_token());
    stop.request_stop();
    TestSupport::drainEvents();
    EXPECT_EQ(credentialCalls, 1);
    EXPECT_TRUE(service.requests().isEmpty());
    EXPECT_FALSE(delivered);
}

// ---- Key check and voices -----------------------------------------------------------------

TEST_F(ElevenLabsClientTest, KeyCheckReadsTheQuota) {
    service.on("GET", "/v1/user",
               Response::json(
                   Value{{"subscription", {{"character_count", 10}, {"character_limit", 100}}}}));
    const auto validation = validateKey();
    ASSERT_TRUE(validation);
    EXPECT_EQ(*validation, KeyValidation::withQuota({10, 100}));
    ASSERT_EQ(service.requests().size(), 1);
    EXPECT_EQ(service.requests()[0].method, "GET");
    EXPECT_EQ(service.requests()[0].header("xi-api-key"), "sk-test");
    EXPECT_TRUE(service.requests()[0].body.isEmpty());
}

TEST_F(ElevenLabsClientTest, KeyCheckJudgesStatusesOfItsOwn) {
    service.on("GET", "/v1/user", Response::error(403, "missing_permissions", "No usage"));
    EXPECT_EQ(validateKey().value(), KeyValidation::authenticatedNoUsage());
    EXPECT_TRUE(providerLines(logs).isEmpty()) << "a 403 here is an answer, not an error";

    service.on("GET", "/v1/user", Response::error(401, "is_in_probation", "Probation"));
    EXPECT_EQ(errorOf(validateKey()), TTSError::accountInProbation());

    service.on("GET", "/v1/user",
               Response::json(Value{{"subscription", {{"character_count", 1}}}}));
    EXPECT_EQ(errorOf(validateKey()),
              TTSError::providerFault(200, QStringLiteral("undecodable response")));
}

TEST_F(ElevenLabsClientTest, VoicesKeepTheServiceOrderAndOnlyWebPreviews) {
    const Value list{
        {"voices",
         {{{"voice_id", "v1"}, {"name", "Ann"}, {"preview_url", "https://cdn.example/a.mp3"}},
          {{"voice_id", "v2"},
           {"name", "Bob"},
           {"category", "cloned"},
           {"safety_control", "CAPTCHA"},
           {"preview_url", "ftp://cdn.example/b.mp3"}},
          {{"voice_id", "v3"}, {"name", "Cy"}, {"preview_url", "HTTPS://cdn.example/c.mp3"}},
          {{"voice_id", "v4"}, {"name", "Di"}, {"preview_url", "http://bad host/d.mp3"}},
          {{"voice_id", "v5"},
           {"name", "Ed"},
           {"category", nullptr},
           {"preview_url", "http://cdn.example/e.mp3"}}}}};
    service.on("GET", "/v1/voices", Response::json(list));
    const auto result = voices();
    ASSERT_TRUE(result);
    ASSERT_EQ(result->size(), 5);
    const QList<Voice>& v = *result;
    EXPECT_EQ(v[0], (Voice{"v1", "Ann", "", std::nullopt, QUrl("https://cdn.example/a.mp3")}));
    EXPECT_EQ(v[1], (Voice{"v2", "Bob", "cloned", QStringLiteral("CAPTCHA"), std::nullopt}));
    EXPECT_TRUE(v[1].requiresCaptcha());
    EXPECT_FALSE(v[0].requiresCaptcha());
    EXPECT_EQ(v[2].previewURL, std::nullopt) << "the scheme must be spelled exactly";
    EXPECT_EQ(v[3].previewURL, std::nullopt) << "an address that does not parse";
    EXPECT_EQ(v[4].previewURL, QUrl("http://cdn.example/e.mp3"));
    EXPECT_EQ(v[4].category, QString());
}

TEST_F(ElevenLabsClientTest, VoicesFailLikeTheOtherOperations) {
    service.on("GET", "/v1/voices", Response::error(403, "missing_permissions", "No"));
    EXPECT_EQ(errorOf(voices()), TTSError::insufficientPermissions());
    service.on("GET", "/v1/voices", Response::json(Value{{"voices", {{{"name", "No id"}}}}}));
    EXPECT_EQ(errorOf(voices()),
              TTSError::providerFault(200, QStringLiteral("undecodable response")));
}

TEST(Endpoint, AppendsPathsToTheBaseAddress) {
    const Endpoint root{QUrl("https://api.example/"), {}};
    EXPECT_EQ(root.address("/v1/user"), QUrl("https://api.example/v1/user"));
    const Endpoint prefixed{QUrl("http://127.0.0.1:8080/tts/"), {}};
    QUrlQuery query;
    query.addQueryItem("output_format", "mp3_44100_128");
    EXPECT_EQ(prefixed.address("/v1/voices", query).toString(),
              "http://127.0.0.1:8080/tts/v1/voices?output_format=mp3_44100_128");
}
