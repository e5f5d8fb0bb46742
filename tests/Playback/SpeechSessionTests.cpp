#include "Playback/SpeechSession.h"
#include "support/EventLoop.h"
#include "support/FakeChunkPlayer.h"
#include "support/FakeTTSProvider.h"
#include "support/LogCapture.h"
#include "support/ManualTime.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

#include <limits>

using namespace Playback;
using Core::TTSError;
using Core::WordTiming;
using State = SpeechSession::State;
using TestSupport::drainEvents;
using TestSupport::FakeChunkPlayerFactory;

namespace {

class SpeechSessionTest : public ::testing::Test {
protected:
    // A session whose request is still pending is held by that request, as in the application,
    // whose root cancels it when it goes.
    void TearDown() override {
        if (session)
            session->cancel();
    }

    // A session over `chunkTexts`, laid end to end.
    void makeSession(const QStringList& chunkTexts, QList<double> retryDelays = {1.0, 3.0}) {
        QList<Core::Chunk> chunks;
        QString text;
        for (const auto& t : chunkTexts) {
            chunks.append({t, text.size()});
            text += t;
        }
        session = SpeechSession::create(
            text, chunks, provider, factory, Core::VoiceID{QStringLiteral("voice")},
            {QStringLiteral("eleven_flash_v2_5"), QStringLiteral("mp3_44100_128")}, retryDelays,
            scheduler);
        session->onStateChange = [this](const State& s) { states.append(s); };
        session->onUtteranceComplete = [this](const QList<SpeechSession::ChunkAudio>& audio,
                                              const Core::TimedWords& words) {
            completions.append({audio.size(), words.size()});
        };
    }

    void succeed(qsizetype request, double duration, QList<WordTiming> words = {},
                 std::optional<QString> id = std::nullopt) {
        provider->succeed(request, FakeChunkPlayerFactory::audio(duration), words, duration, id);
        drainEvents();
    }
    void fail(qsizetype request, const TTSError& error) {
        provider->fail(request, error);
        drainEvents();
    }
    TestSupport::FakeChunkPlayer* player() {
        return factory->made.isEmpty() ? nullptr : factory->made.last();
    }

    TestSupport::LogCapture log;
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    std::shared_ptr<TestSupport::FakeTTSProvider> provider =
        std::make_shared<TestSupport::FakeTTSProvider>();
    std::shared_ptr<FakeChunkPlayerFactory> factory = std::make_shared<FakeChunkPlayerFactory>();
    std::shared_ptr<SpeechSession> session;
    QList<State> states;
    QList<std::pair<qsizetype, qsizetype>> completions;
};

WordTiming word(qsizetype lower, qsizetype upper, double start) {
    return {QStringLiteral("w"), {lower, upper}, start, start + 0.1};
}

} // namespace

// MARK: Synthesis and retries

TEST_F(SpeechSessionTest, WithoutChunksNothingHappens) {
    makeSession({});
    session->startSynthesis();
    drainEvents();
    EXPECT_EQ(session->state(), State::loading());
    EXPECT_TRUE(provider->requests().isEmpty());
    EXPECT_TRUE(completions.isEmpty());
}

TEST_F(SpeechSessionTest, AFatalErrorStallsAtOnceAfterOneRequest) {
    makeSession({QStringLiteral("One. "), QStringLiteral("Two.")});
    session->startSynthesis();
    fail(0, TTSError::unauthorized());
    EXPECT_EQ(provider->requests().size(), 1);
    EXPECT_EQ(session->state(), State::stalled(TTSError::unauthorized()));
    EXPECT_TRUE(log.contains(QStringLiteral("synthesis failed idx=0 error=unauthorized status=-")));
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(SpeechSessionTest, TemporaryFailuresAreRetriedAfterTheConfiguredWaits) {
    makeSession({QStringLiteral("One.")});
    session->startSynthesis();
    fail(0, TTSError::providerFault(503, {}));
    ASSERT_EQ(scheduler.nextDelay(), 1.0);
    scheduler.advance(0.999);
    EXPECT_EQ(provider->requests().size(), 1);
    scheduler.advance(0.001);
    ASSERT_EQ(provider->requests().size(), 2);
    fail(1, TTSError::providerFault(503, {}));
    ASSERT_EQ(scheduler.nextDelay(), 3.0);
    scheduler.advance(3.0);
    ASSERT_EQ(provider->requests().size(), 3);
    succeed(2, 2.0);
    EXPECT_EQ(session->state(), State::playing());
    EXPECT_EQ(completions.size(), 1);
}

TEST_F(SpeechSessionTest, RetriesStopAfterTheLastDelayAndOnlyForRetryableErrors) {
    makeSession({QStringLiteral("One.")});
    session->startSynthesis();
    fail(0, TTSError::providerFault(400, QStringLiteral("bad")));
    EXPECT_EQ(provider->requests().size(), 1);
    EXPECT_EQ(session->state(),
              State::stalled(TTSError::providerFault(400, QStringLiteral("bad"))));

    provider = std::make_shared<TestSupport::FakeTTSProvider>();
    makeSession({QStringLiteral("One.")});
    session->startSynthesis();
    for (qsizetype i = 0; i < 3; ++i) {
        ASSERT_EQ(provider->requests().size(), i + 1);
        fail(i, TTSError::network(QStringLiteral("offline %1").arg(i)));
        scheduler.advance(10);
    }
    EXPECT_EQ(provider->requests().size(), 3);
    EXPECT_EQ(session->state(), State::stalled(TTSError::network(QStringLiteral("offline 2"))));
}

// A request the service took but never answered has already cost a whole answer time-out:
// the read stalls at once, whatever retries were left.
TEST_F(SpeechSessionTest, AnUnansweredRequestStallsWithoutWaitingForAnotherOne) {
    makeSession({QStringLiteral("One.")});
    session->startSynthesis();
    fail(0, TTSError::providerFault(503, {}));
    scheduler.advance(1.0);
    ASSERT_EQ(provider->requests().size(), 2);
    const TTSError unanswered = TTSError::unanswered(QStringLiteral("no answer"));
    fail(1, unanswered);
    EXPECT_EQ(session->state(), State::stalled(unanswered));
    EXPECT_EQ(scheduler.pendingCount(), 0u);

    session->retryFailedChunk();
    drainEvents();
    EXPECT_EQ(provider->requests().size(), 3) << "the user's Retry asks again";
}

TEST_F(SpeechSessionTest, ARateLimitedChunkIsAskedAgainNoSoonerThanTheAnswerSaysWithinTheBudget) {
    makeSession({QStringLiteral("One.")});
    session->startSynthesis();
    for (qsizetype retry = 1; retry <= 2; ++retry) {
        fail(retry - 1, TTSError::rateLimited({}, 5.0));
        scheduler.advance(4.9);
        EXPECT_EQ(provider->requests().size(), retry) << "retry " << retry;
        scheduler.advance(0.1);
        ASSERT_EQ(provider->requests().size(), retry + 1) << "retry " << retry;
    }

    // 5 s and then 20 s more would leave the read loading for half a minute.
    session->cancel();
    makeSession({QStringLiteral("One.")});
    session->startSynthesis();
    const qsizetype first = provider->requests().size() - 1;
    fail(first, TTSError::rateLimited({}, 5.0));
    scheduler.advance(5.0);
    const TTSError tooLong = TTSError::rateLimited({}, 20.0);
    fail(first + 1, tooLong);
    EXPECT_EQ(session->state(), State::stalled(tooLong));
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(SpeechSessionTest, RequestsCarryEarlierRequestIdentifiersInChunkOrder) {
    makeSession({QStringLiteral("a. "), QStringLiteral("b. "), QStringLiteral("c. "),
                 QStringLiteral("d.")});
    session->startSynthesis();
    succeed(0, 1.0, {}, QStringLiteral("r1"));
    succeed(1, 1.0, {}, std::nullopt);
    succeed(2, 1.0, {}, QStringLiteral("r3"));
    ASSERT_EQ(provider->requests().size(), 4);
    EXPECT_EQ(provider->requests()[3].previousRequestIDs,
              QStringList({QStringLiteral("r1"), QStringLiteral("r3")}));
    EXPECT_EQ(provider->requests()[3].text, QStringLiteral("d."));
}

TEST_F(SpeechSessionTest, CancelDuringARetryWaitSendsNothingMoreAndStaysCancelled) {
    makeSession({QStringLiteral("One.")});
    session->startSynthesis();
    fail(0, TTSError::network(QStringLiteral("offline")));
    session->cancel();
    log.sink->clear();
    scheduler.advance(10);
    drainEvents();
    EXPECT_EQ(provider->requests().size(), 1);
    EXPECT_EQ(session->state(), State::cancelled());
    session->resume();
    session->seek(0);
    EXPECT_TRUE(log.messages().isEmpty());
}

TEST_F(SpeechSessionTest, CancelAbortsTheRequestInFlight) {
    makeSession({QStringLiteral("One.")});
    session->startSynthesis();
    session->cancel();
    EXPECT_TRUE(provider->requests()[0].cancelled);
    succeed(0, 1.0);
    EXPECT_TRUE(factory->made.isEmpty());
}

TEST_F(SpeechSessionTest, SynthesisOutlivesTheOwnersReference) {
    makeSession({QStringLiteral("One.")});
    std::weak_ptr<SpeechSession> weak = session;
    session->startSynthesis();
    session.reset();
    EXPECT_FALSE(weak.expired()) << "the running synthesis keeps the session";
    succeed(0, 1.0);
    EXPECT_EQ(completions.size(), 1);
}

// MARK: Acceptance

TEST_F(SpeechSessionTest, AcceptedWordsAreShiftedIntoReadTime) {
    makeSession({QString(120, QLatin1Char('a')), QStringLiteral("Hello world.")});
    session->startSynthesis();
    succeed(0, 4.5, {word(0, 5, 0.0)});
    succeed(1, 2.0, {word(3, 8, 0.2)});
    const auto& words = session->timingIndex().words;
    ASSERT_EQ(words.size(), 2);
    EXPECT_EQ(words[1].range, (WordTiming::Range{123, 128}));
    EXPECT_DOUBLE_EQ(words[1].start, 4.7);
    EXPECT_DOUBLE_EQ(words[1].end, 4.8);
}

TEST_F(SpeechSessionTest, EqualStartsKeepTheirAcceptanceOrder) {
    makeSession({QStringLiteral("ab"), QStringLiteral("cd")});
    session->startSynthesis();
    auto& first = provider->requests()[0].continuation;
    first.yield(Core::SynthesisEvent::audio(FakeChunkPlayerFactory::audio(0)));
    first.yield(Core::SynthesisEvent::timings({{QStringLiteral("first"), {0, 2}, 0.0, 0.0}}));
    first.finish(); // no done event, and audio of no length
    drainEvents();
    provider->succeed(1, FakeChunkPlayerFactory::audio(1),
                      {{QStringLiteral("second"), {0, 2}, 0.0, 0.5}}, 1.0);
    drainEvents();
    const auto& words = session->timingIndex().words;
    ASSERT_EQ(words.size(), 2);
    EXPECT_EQ(words[0].word, QStringLiteral("first"));
    EXPECT_EQ(words[1].word, QStringLiteral("second"));
    EXPECT_EQ(words[1].start, 0.0);
}

TEST_F(SpeechSessionTest, AbsurdTimingsAreHeldToTheDecodedAudioInTextOrder) {
    makeSession({QStringLiteral("one two three four"), QStringLiteral("five")});
    session->startSynthesis();
    const auto timed = [](const char* text, qsizetype lower, double start, double end) {
        return WordTiming{QString::fromLatin1(text), {lower, lower + 3}, start, end};
    };
    // The audio decodes to 2 s whatever the service claims.
    provider->succeed(0, FakeChunkPlayerFactory::audio(2.0),
                      {timed("one", 0, 0.1, 0.3), timed("two", 4, 1e308, 1e308),
                       timed("three", 8, -4.0, -1.0), timed("four", 14, 0.5, qQNaN())},
                      1e308);
    drainEvents();
    succeed(1, 1.0, {timed("five", 0, 0.2, 0.4)});
    const auto& words = session->timingIndex().words;
    QStringList order;
    for (const auto& w : words) {
        order << w.word;
        EXPECT_GE(w.start, 0.0);
        EXPECT_LE(w.start, w.end);
        EXPECT_LE(w.end, 3.0);
    }
    EXPECT_EQ(order, (QStringList{"one", "two", "three", "four", "five"}));
    EXPECT_DOUBLE_EQ(words[1].start, 2.0) << "clamped to the decoded end";
    EXPECT_DOUBLE_EQ(words[4].start, 2.2) << "the next chunk starts after 2 s, not 1e308";
    EXPECT_EQ(session->estimatedTotalDuration().seconds, 3.0);
}

// What is stored and where the next chunk's words start is the length that is heard.
TEST_F(SpeechSessionTest, AChunkLastsItsDecodedLengthWhateverTheServiceReports) {
    const double reportedEnds[] = {0.0, -1.0, qQNaN(), std::numeric_limits<double>::infinity(),
                                   2.5, 1.5,  0.1878};
    for (const double reported : reportedEnds) {
        makeSession({QStringLiteral("a. "), QStringLiteral("b.")});
        QList<SpeechSession::ChunkAudio> completed;
        session->onUtteranceComplete = [&](const QList<SpeechSession::ChunkAudio>& audio,
                                           const Core::TimedWords&) { completed = audio; };
        session->startSynthesis();
        provider->succeed(provider->requests().size() - 1, FakeChunkPlayerFactory::audio(2.0), {},
                          reported);
        drainEvents();
        succeed(provider->requests().size() - 1, 1.0, {word(0, 2, 0.0)});
        EXPECT_EQ(session->estimatedTotalDuration().seconds, 3.0) << reported;
        EXPECT_EQ(session->timingIndex().words.first().start, 2.0) << reported;
        ASSERT_EQ(completed.size(), 2) << reported;
        EXPECT_EQ(completed[0].duration, 2.0) << reported;
        session->cancel();
    }
}

TEST_F(SpeechSessionTest, ArrivingAudioIsHeldAsTheKeeperHandsItBack) {
    makeSession({QStringLiteral("a. "), QStringLiteral("b.")});
    QList<std::pair<qsizetype, QByteArray>> kept;
    session->setAudioKeeper([&](qsizetype index, const QByteArray& audio) {
        kept.append({index, audio});
        return Base::LazyBytes(FakeChunkPlayerFactory::audio(7.0 + double(index)));
    });
    QList<SpeechSession::ChunkAudio> completed;
    session->onUtteranceComplete = [&](const QList<SpeechSession::ChunkAudio>& audio,
                                       const Core::TimedWords&) { completed = audio; };
    session->startSynthesis();
    succeed(0, 1.0);
    succeed(1, 2.0);
    EXPECT_EQ(kept,
              (QList<std::pair<qsizetype, QByteArray>>{{0, FakeChunkPlayerFactory::audio(1.0)},
                                                       {1, FakeChunkPlayerFactory::audio(2.0)}}));
    EXPECT_EQ(player()->data, FakeChunkPlayerFactory::audio(7.0));
    ASSERT_EQ(completed.size(), 2);
    EXPECT_EQ(completed[1].audio.bytes(), FakeChunkPlayerFactory::audio(8.0));
    EXPECT_EQ(completed[1].duration, 2.0) << "the length is the audio's as it arrived";
}

// MARK: Playback sequencing

TEST_F(SpeechSessionTest, ChunksPlayOneAfterAnotherToTheEnd) {
    makeSession({QStringLiteral("a. "), QStringLiteral("b.")});
    session->startSynthesis();
    succeed(0, 3.0);
    ASSERT_NE(player(), nullptr);
    EXPECT_TRUE(player()->playing);
    EXPECT_EQ(session->state(), State::playing());
    player()->finish();
    EXPECT_EQ(session->elapsed(), 3.0)
        << "waiting for the next chunk reads the end of the previous one";
    EXPECT_EQ(session->state(), State::loading()) << "the wait for the next chunk shows";
    succeed(1, 2.0);
    ASSERT_EQ(factory->made.size(), 2);
    EXPECT_TRUE(player()->playing);
    EXPECT_EQ(session->state(), State::playing());
    player()->finish();
    EXPECT_EQ(session->state(), State::finished());
    EXPECT_EQ(completions, (QList<std::pair<qsizetype, qsizetype>>{{2, 0}}));
}

TEST_F(SpeechSessionTest, AFailureAheadStallsOnlyWhenPlaybackReachesIt) {
    makeSession({QStringLiteral("a. "), QStringLiteral("b. "), QStringLiteral("c.")});
    session->startSynthesis();
    succeed(0, 1.0);
    succeed(1, 1.0);
    fail(2, TTSError::insufficientCredits());
    EXPECT_EQ(session->state(), State::playing());
    session->retryFailedChunk();
    EXPECT_EQ(provider->requests().size(), 3) << "retry acts only when stalled";
    player()->finish();
    EXPECT_EQ(session->state(), State::playing());
    player()->finish();
    EXPECT_EQ(session->state(), State::stalled(TTSError::insufficientCredits()));

    session->retryFailedChunk();
    EXPECT_EQ(session->state(), State::loading());
    ASSERT_EQ(provider->requests().size(), 4);
    EXPECT_EQ(provider->requests()[3].text, QStringLiteral("c."));
    succeed(3, 1.0);
    EXPECT_EQ(session->state(), State::playing());
    EXPECT_EQ(completions.size(), 1);
}

TEST_F(SpeechSessionTest, UndecodableAudioStallsAndARetryAsksForTheChunkAgain) {
    makeSession({QStringLiteral("a.")});
    session->startSynthesis();
    provider->succeed(0, "garbage", {}, 1.0);
    drainEvents();
    EXPECT_TRUE(completions.isEmpty()) << "a read that cannot play is never complete";
    EXPECT_EQ(session->state(),
              State::stalled(TTSError::providerFault(0, QStringLiteral("audio decode failed"))));
    EXPECT_TRUE(factory->made.isEmpty());

    session->retryFailedChunk();
    EXPECT_EQ(session->state(), State::loading());
    ASSERT_EQ(provider->requests().size(), 2);
    succeed(1, 1.0);
    EXPECT_EQ(session->state(), State::playing());
    EXPECT_EQ(completions.size(), 1);
}

TEST_F(SpeechSessionTest, UndecodableAudioAheadStallsWhenReachedAndARetryGoesOnFromIt) {
    makeSession({QStringLiteral("a. "), QStringLiteral("b. "), QStringLiteral("c.")});
    session->startSynthesis();
    succeed(0, 1.0);
    provider->succeed(1, QByteArray(), {}, 1.0);
    drainEvents();
    EXPECT_EQ(provider->requests().size(), 2) << "nothing is asked for after the failed chunk";
    EXPECT_EQ(session->state(), State::playing());
    EXPECT_TRUE(log.contains(QStringLiteral("chunk audio does not decode idx=1 bytes=0")));
    player()->finish();
    EXPECT_EQ(session->state(), State::stalled(SpeechSession::audioDecodeFailed()));

    session->retryFailedChunk();
    ASSERT_EQ(provider->requests().size(), 3);
    EXPECT_EQ(provider->requests()[2].text, QStringLiteral("b. "));
    succeed(2, 1.0);
    EXPECT_EQ(session->state(), State::playing());
    ASSERT_EQ(provider->requests().size(), 4);
    EXPECT_EQ(provider->requests()[3].text, QStringLiteral("c."));
    succeed(3, 1.0);
    EXPECT_EQ(completions, (QList<std::pair<qsizetype, qsizetype>>{{3, 0}}));
}

TEST_F(SpeechSessionTest, ALostSoundOutputStallsTheReadAndARetryPlaysOnFromThere) {
    makeSession({QStringLiteral("a. "), QStringLiteral("b.")});
    session->startSynthesis();
    succeed(0, 3.0);
    succeed(1, 2.0);
    player()->finish();
    player()->setCurrentTime(0.5);
    player()->fail(); // the session drops the lost player
    EXPECT_EQ(session->state(), State::stalled(TTSError::audioOutputLost()));
    EXPECT_EQ(session->elapsed(), 3.5) << "a stalled read stays where it was heard";

    session->retryFailedChunk();
    EXPECT_EQ(states.mid(states.size() - 2), (QList<State>{State::loading(), State::playing()}));
    EXPECT_TRUE(player()->playing);
    EXPECT_EQ(session->elapsed(), 3.5);
    EXPECT_EQ(provider->requests().size(), 2);
}

TEST_F(SpeechSessionTest, KeptAudioThatNoLongerPlaysIsAskedForAgainOnRetry) {
    makeSession({QStringLiteral("a. "), QStringLiteral("b. "), QStringLiteral("c.")});
    int keptOfSecond = 0;
    session->setAudioKeeper([&](qsizetype index, const QByteArray& audio) {
        // The second chunk's first file is damaged after it was kept.
        return index == 1 && keptOfSecond++ == 0 ? Base::LazyBytes("damaged")
                                                 : Base::LazyBytes(audio);
    });
    session->startSynthesis();
    succeed(0, 1.0);
    succeed(1, 2.0, {word(0, 1, 0.5)});
    succeed(2, 3.0);
    ASSERT_EQ(completions.size(), 1);
    player()->finish();
    EXPECT_EQ(session->state(), State::stalled(SpeechSession::audioDecodeFailed()));

    session->retryFailedChunk();
    ASSERT_EQ(provider->requests().size(), 4);
    EXPECT_EQ(provider->requests()[3].text, QStringLiteral("b. "));
    succeed(3, 2.0, {word(0, 1, 0.5)});
    EXPECT_EQ(session->state(), State::playing());
    EXPECT_EQ(player()->data, FakeChunkPlayerFactory::audio(2.0));
    EXPECT_EQ(session->timingIndex().words.size(), 1) << "its timings are not merged twice";
    EXPECT_EQ(provider->requests().size(), 4) << "the chunks after it had arrived";
    EXPECT_EQ(completions.size(), 1);
}

TEST_F(SpeechSessionTest, ARetryAfterALostOutputResumesTheSameChunkWhateverItsTimings) {
    makeSession({QStringLiteral("a. "), QStringLiteral("b. "), QStringLiteral("c.")});
    session->startSynthesis();
    // The service's ends fall short of the audio; the chunks last as long as their audio.
    for (qsizetype i = 0; i < 3; ++i) {
        provider->succeed(i, FakeChunkPlayerFactory::audio(3.0 + double(i)), {}, 2.0);
        drainEvents();
    }
    player()->finish();
    player()->setCurrentTime(2.5);
    player()->fail();

    session->retryFailedChunk();
    EXPECT_EQ(player()->data, FakeChunkPlayerFactory::audio(4.0));
    EXPECT_EQ(player()->currentTime(), 2.5);
    EXPECT_EQ(session->elapsed(), 5.5);
}

TEST_F(SpeechSessionTest, AStaleFinishNeverAdvancesTheRead) {
    makeSession({QStringLiteral("a. "), QStringLiteral("b.")});
    session->startSynthesis();
    succeed(0, 3.0);
    succeed(1, 2.0);
    const auto firstFinish = player()->onFinish();
    session->seek(4.0); // replaces the player with one in the second chunk
    firstFinish();
    EXPECT_EQ(session->state(), State::playing());
    EXPECT_EQ(session->elapsed(), 4.0);

    const auto secondFinish = player()->onFinish();
    session->cancel();
    secondFinish();
    EXPECT_EQ(session->state(), State::cancelled());
    EXPECT_EQ(session->elapsed(), 4.0);
}

TEST_F(SpeechSessionTest, AChunkArrivingWhilePausedIsPreparedPaused) {
    makeSession({QStringLiteral("a. "), QStringLiteral("b.")});
    session->startSynthesis();
    succeed(0, 1.0);
    player()->finish();
    session->pause();
    EXPECT_EQ(session->state(), State::paused());
    succeed(1, 1.0);
    ASSERT_EQ(factory->made.size(), 2);
    EXPECT_FALSE(player()->playing);
    EXPECT_EQ(session->state(), State::paused());
    session->resume();
    EXPECT_TRUE(player()->playing);
}

TEST_F(SpeechSessionTest, LoadPlaysStoredAudioOrPreparesItPaused) {
    makeSession({QStringLiteral("a. "), QStringLiteral("b.")});
    session->load(
        {{FakeChunkPlayerFactory::audio(3.0), 3.0}, {FakeChunkPlayerFactory::audio(2.0), 2.0}},
        {word(0, 1, 0.0), word(3, 4, 3.1)}, false);
    EXPECT_EQ(session->state(), State::paused());
    ASSERT_NE(player(), nullptr);
    EXPECT_FALSE(player()->playing);
    EXPECT_EQ(session->estimatedTotalDuration().seconds, 5.0);
    EXPECT_TRUE(session->estimatedTotalDuration().isExact);
    session->resume();
    EXPECT_TRUE(player()->playing);
    player()->finish();
    player()->finish();
    EXPECT_EQ(session->state(), State::finished());
    EXPECT_TRUE(completions.isEmpty()) << "loaded audio is never handed over again";
}

TEST_F(SpeechSessionTest, LoadWithTheWrongNumberOfChunksLoadsNothing) {
    makeSession({QStringLiteral("a. "), QStringLiteral("b.")});
    session->load({{FakeChunkPlayerFactory::audio(3.0), 3.0}}, {word(0, 1, 0.0)}, true);
    EXPECT_TRUE(factory->made.isEmpty());
    EXPECT_TRUE(session->timingIndex().words.isEmpty());
    EXPECT_EQ(session->state(), State::loading());
    EXPECT_TRUE(
        log.contains(QStringLiteral("load: 1 stored chunks for 2 chunks — nothing loaded")));
}

TEST_F(SpeechSessionTest, StateChangesAreReportedOnceAndCancelledIsFinal) {
    makeSession({QStringLiteral("a.")});
    session->startSynthesis();
    fail(0, TTSError::providerFault(400, QStringLiteral("x")));
    session->retryFailedChunk();
    fail(1, TTSError::providerFault(400, QStringLiteral("x")));
    session->retryFailedChunk();
    fail(2, TTSError::providerFault(400, QStringLiteral("y")));
    EXPECT_EQ(states,
              (QList<State>{State::stalled(TTSError::providerFault(400, QStringLiteral("x"))),
                            State::loading(),
                            State::stalled(TTSError::providerFault(400, QStringLiteral("x"))),
                            State::loading(),
                            State::stalled(TTSError::providerFault(400, QStringLiteral("y")))}));
    EXPECT_TRUE(log.contains(QStringLiteral("setState loading -> stalled")));
    session->cancel();
    session->cancel();
    EXPECT_EQ(states.size(), 6);
}

// MARK: Controls and position

TEST_F(SpeechSessionTest, SeekLocatesTheTargetInTheReadyChunks) {
    makeSession({QStringLiteral("a. "), QStringLiteral("b. "), QStringLiteral("c.")});
    session->seek(1.0);
    EXPECT_TRUE(log.messages().isEmpty()) << "nothing ready: no seek";
    EXPECT_FALSE(session->canSeek());
    session->startSynthesis();
    succeed(0, 3.0);
    EXPECT_TRUE(session->canSeek());
    succeed(1, 2.5);

    session->seek(100);
    EXPECT_EQ(player()->data, FakeChunkPlayerFactory::audio(2.5));
    EXPECT_DOUBLE_EQ(player()->currentTime(), 2.45);
    EXPECT_DOUBLE_EQ(session->elapsed(), 5.45);
    EXPECT_TRUE(log.contains(QStringLiteral("seek: target=100.000000s -> chunk=1")));

    session->seek(3.0);
    EXPECT_EQ(player()->data, FakeChunkPlayerFactory::audio(2.5));
    EXPECT_EQ(player()->currentTime(), 0.0);

    session->seek(-2.0);
    EXPECT_EQ(player()->data, FakeChunkPlayerFactory::audio(3.0));
    EXPECT_EQ(session->elapsed(), 0.0);
    session->seek(std::numeric_limits<double>::quiet_NaN());
    EXPECT_DOUBLE_EQ(session->elapsed(), 5.45);

    session->cancel();
    EXPECT_FALSE(session->canSeek());
}

TEST_F(SpeechSessionTest, SeekWhilePausedWaitsAtTheTargetAndSeekAfterTheEndPlaysAgain) {
    makeSession({QStringLiteral("a. "), QStringLiteral("b.")});
    session->startSynthesis();
    succeed(0, 3.0);
    succeed(1, 2.0);
    session->pause();
    session->seek(4.0);
    EXPECT_EQ(session->state(), State::paused());
    EXPECT_FALSE(player()->playing);
    EXPECT_EQ(session->elapsed(), 4.0);
    session->resume();
    EXPECT_TRUE(player()->playing);
    player()->finish();
    EXPECT_EQ(session->state(), State::finished());
    session->seekToWord(-1);
    session->seekToWord(0);
    EXPECT_EQ(session->state(), State::finished()) << "no words: out of range";
    session->seek(1.0);
    EXPECT_EQ(session->state(), State::playing());
}

TEST_F(SpeechSessionTest, SeekToWordAndSkipToNextChunk) {
    makeSession({QStringLiteral("a. "), QStringLiteral("b. "), QStringLiteral("c.")});
    session->startSynthesis();
    succeed(0, 3.0, {word(0, 1, 0.0), word(1, 2, 1.5)});
    succeed(1, 2.0, {word(0, 1, 0.5)});
    session->seekToWord(2);
    EXPECT_DOUBLE_EQ(session->elapsed(), 3.5);
    session->seekToWord(3);
    EXPECT_DOUBLE_EQ(session->elapsed(), 3.5);
    session->seek(0.5);
    session->skipToNextChunk();
    EXPECT_DOUBLE_EQ(session->elapsed(), 3.0);
    session->skipToNextChunk();
    EXPECT_DOUBLE_EQ(session->elapsed(), 3.0) << "the third chunk is not ready";
}

TEST_F(SpeechSessionTest, PauseAndResumeActOnlyInTheirStates) {
    makeSession({QStringLiteral("a.")});
    session->pause();
    EXPECT_EQ(session->state(), State::loading());
    session->startSynthesis();
    succeed(0, 1.0);
    session->resume();
    EXPECT_TRUE(states.count(State::playing()) == 1);
    session->pause();
    EXPECT_FALSE(player()->playing);
    session->resume();
    EXPECT_TRUE(player()->playing);
}

TEST_F(SpeechSessionTest, TickReportsLevelAndWordChanges) {
    makeSession({QStringLiteral("ab cd")});
    QList<float> levels;
    QList<std::optional<qsizetype>> indexes;
    session->onGlowLevel = [&](float db) { levels.append(db); };
    session->onWordIndexChange = [&](std::optional<qsizetype> i) { indexes.append(i); };
    session->tick();
    EXPECT_EQ(levels, QList<float>({-160.0f}));
    EXPECT_TRUE(indexes.isEmpty()) << "no word before the first: unchanged";

    session->startSynthesis();
    succeed(0, 2.0, {word(0, 2, 0.0), word(3, 5, 1.0)});
    session->tick();
    EXPECT_EQ(levels.last(), -20.0f);
    EXPECT_EQ(indexes, (QList<std::optional<qsizetype>>{0}));
    player()->setCurrentTime(1.2);
    session->tick();
    session->tick();
    EXPECT_EQ(indexes, (QList<std::optional<qsizetype>>{0, 1}));

    session->pause();
    const int reads = player()->meterReads;
    session->tick();
    EXPECT_EQ(levels.last(), -160.0f);
    EXPECT_EQ(player()->meterReads, reads);
}

TEST_F(SpeechSessionTest, EstimatedTotalCountsUserPerceivedCharacters) {
    const QString family = QString::fromUcs4(U"👨‍👩‍👧");
    makeSession({QString(200, QLatin1Char('a')),
                 QString(790, QLatin1Char('b')) + QString(10, QLatin1Char(' ')) + family});
    auto estimate = session->estimatedTotalDuration();
    EXPECT_DOUBLE_EQ(estimate.seconds, 0.06 * 1001);
    EXPECT_FALSE(estimate.isExact);
    session->startSynthesis();
    succeed(0, 10.0);
    estimate = session->estimatedTotalDuration();
    EXPECT_DOUBLE_EQ(estimate.seconds, 10.0 + 0.05 * 801);
    EXPECT_FALSE(estimate.isExact);
    succeed(1, 30.0);
    estimate = session->estimatedTotalDuration();
    EXPECT_EQ(estimate.seconds, 40.0);
    EXPECT_TRUE(estimate.isExact);
}

TEST_F(SpeechSessionTest, RateAndGainReachPlayersAndNonFiniteValuesAreIgnored) {
    makeSession({QStringLiteral("a. "), QStringLiteral("b.")});
    session->setRate(3.0f);
    session->setGain(0.25f);
    session->setRate(std::numeric_limits<float>::quiet_NaN());
    session->setGain(std::numeric_limits<float>::infinity());
    session->startSynthesis();
    succeed(0, 1.0);
    EXPECT_EQ(player()->rate(), 2.0f);
    EXPECT_EQ(player()->volume(), 0.25f);
    session->setRate(0.75f);
    session->setGain(1.0f);
    EXPECT_EQ(player()->rate(), 0.75f);
    EXPECT_EQ(player()->volume(), 1.0f);
    succeed(1, 1.0);
    player()->finish();
    EXPECT_EQ(player()->rate(), 0.75f);
    EXPECT_EQ(player()->volume(), 1.0f);
}
