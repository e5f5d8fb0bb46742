#include "Parlino/Services/VoiceSamplePlayer.h"

#include "support/EventLoop.h"
#include "support/FakeChunkPlayer.h"
#include "support/FakeSpeechService.h"
#include "support/LogCapture.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QTemporaryDir>

#include <cmath>

#include <gtest/gtest.h>

namespace {

using Parlino::VoiceSamplePlayer;
using Parlino::VoiceSampleSource;
using State = VoiceSamplePlayer::State;
using TestSupport::FakeChunkPlayerFactory;
using TestSupport::FakeSpeechService;

const QUrl previewURL("https://example.test/previews/aria.mp3");

struct VoiceSamplePlayerTest : ::testing::Test {
    struct Request {
        QUrl url;
        VoiceSamplePlayer::DownloadCompletion completion;
        std::stop_token cancel;
    };

    VoiceSamplePlayerTest() {
        player.onSampleWillStart = [this] { ++willStart; };
    }

    // Answers the oldest open download the way the real one would: not at all once cancelled.
    void answer(std::optional<QByteArray> body) {
        ASSERT_FALSE(requests.isEmpty());
        Request request = requests.takeFirst();
        if (!request.cancel.stop_requested())
            request.completion(std::move(body));
    }

    void writeFile(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QTemporaryDir cache;
    QTemporaryDir bundle;
    FakeChunkPlayerFactory players;
    QList<Request> requests;
    VoiceSamplePlayer player{cache.path() + "/voice-samples", bundle.path(), players,
                             [this](const QUrl& url, auto completion, std::stop_token cancel) {
                                 requests.append({url, std::move(completion), cancel});
                             }};
    int willStart = 0;
};

TEST_F(VoiceSamplePlayerTest, ADownloadedSamplePlaysAndIsCachedUnderTheHashOfItsAddress) {
    player.play("aria", VoiceSampleSource::provider(previewURL));
    EXPECT_EQ(player.state(), State::loading("aria"));
    EXPECT_EQ(willStart, 1);
    TestSupport::drainEvents();
    ASSERT_EQ(requests.size(), 1);
    answer(FakeChunkPlayerFactory::audio(2));
    EXPECT_EQ(player.state(), State::playing("aria"));
    ASSERT_EQ(players.made.size(), 1);
    EXPECT_TRUE(players.made[0]->playing);
    const QString file = player.cacheFile(previewURL);
    EXPECT_TRUE(file.endsWith("/voice-samples/2325062478344634638.mp3")) << file.toStdString();
    QFile cached(file);
    ASSERT_TRUE(cached.open(QIODevice::ReadOnly));
    EXPECT_EQ(cached.readAll(), FakeChunkPlayerFactory::audio(2));
}

TEST_F(VoiceSamplePlayerTest, ACachedSamplePlaysWithoutARequest) {
    writeFile(player.cacheFile(previewURL), FakeChunkPlayerFactory::audio(1));
    player.play("aria", VoiceSampleSource::provider(previewURL));
    TestSupport::drainEvents();
    EXPECT_TRUE(requests.isEmpty());
    EXPECT_EQ(player.state(), State::playing("aria"));
}

TEST_F(VoiceSamplePlayerTest, ACachedSampleThatDoesNotDecodeIsDeletedAndFetchedAgainNextTime) {
    TestSupport::LogCapture logs;
    const QString file = player.cacheFile(previewURL);
    writeFile(file, "garbage");
    player.play("aria", VoiceSampleSource::provider(previewURL));
    TestSupport::drainEvents();
    EXPECT_EQ(player.state(), State::idle());
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(logs.contains("sample unavailable (idHash=9882910256716031512)"));

    player.play("aria", VoiceSampleSource::provider(previewURL));
    TestSupport::drainEvents();
    EXPECT_EQ(requests.size(), 1);
}

TEST_F(VoiceSamplePlayerTest, AFailedOrEmptyDownloadCachesNothing) {
    player.play("aria", VoiceSampleSource::provider(previewURL));
    TestSupport::drainEvents();
    answer(std::nullopt);
    EXPECT_EQ(player.state(), State::idle());
    player.play("aria", VoiceSampleSource::provider(previewURL));
    TestSupport::drainEvents();
    answer(QByteArray());
    EXPECT_EQ(player.state(), State::idle());
    EXPECT_FALSE(QFile::exists(player.cacheFile(previewURL)));
}

TEST_F(VoiceSamplePlayerTest, AddressesThatDifferOnlyInTheQueryHaveTheirOwnFiles) {
    EXPECT_NE(player.cacheFile(QUrl("https://example.test/a.mp3?v=1")),
              player.cacheFile(QUrl("https://example.test/a.mp3?v=2")));
}

TEST_F(VoiceSamplePlayerTest, AStopDuringTheDownloadStartsNoAudio) {
    player.play("aria", VoiceSampleSource::provider(previewURL));
    TestSupport::drainEvents();
    player.stop();
    answer(FakeChunkPlayerFactory::audio(1));
    EXPECT_EQ(player.state(), State::idle());
    EXPECT_TRUE(players.made.isEmpty());
}

TEST_F(VoiceSamplePlayerTest, ToggleStopsThePlayingVoiceAndRestartsALoadingOne) {
    player.toggle("aria", VoiceSampleSource::provider(previewURL));
    TestSupport::drainEvents();
    player.toggle("aria", VoiceSampleSource::provider(previewURL));
    TestSupport::drainEvents();
    EXPECT_EQ(requests.size(), 2);
    EXPECT_EQ(willStart, 2);
    answer(FakeChunkPlayerFactory::audio(1)); // the first, cancelled
    EXPECT_TRUE(players.made.isEmpty());
    answer(FakeChunkPlayerFactory::audio(1));
    EXPECT_EQ(player.state(), State::playing("aria"));
    player.toggle("aria", VoiceSampleSource::provider(previewURL));
    EXPECT_EQ(player.state(), State::idle());
    EXPECT_FALSE(players.isAlive(0));
}

TEST_F(VoiceSamplePlayerTest, AnotherVoiceStopsTheFirstAndAnnouncesItselfOnce) {
    writeFile(player.cacheFile(previewURL), FakeChunkPlayerFactory::audio(1));
    player.play("aria", VoiceSampleSource::provider(previewURL));
    TestSupport::drainEvents();
    willStart = 0;
    player.play("bella", VoiceSampleSource::provider(QUrl("https://example.test/bella.mp3")));
    EXPECT_FALSE(players.isAlive(0));
    EXPECT_EQ(willStart, 1);
    EXPECT_EQ(player.state(), State::loading("bella"));
}

TEST_F(VoiceSamplePlayerTest, TheFinishOfTheCurrentSampleEndsInIdleAndAnOldOneChangesNothing) {
    writeFile(player.cacheFile(previewURL), FakeChunkPlayerFactory::audio(1));
    player.play("aria", VoiceSampleSource::provider(previewURL));
    TestSupport::drainEvents();
    auto finishAria = players.made[0]->onFinish();
    player.play("bella", VoiceSampleSource::provider(QUrl("https://example.test/bella.mp3")));
    finishAria();
    EXPECT_EQ(player.state(), State::loading("bella"));

    player.play("aria", VoiceSampleSource::provider(previewURL));
    TestSupport::drainEvents();
    players.made.last()->finish();
    EXPECT_EQ(player.state(), State::idle());
}

TEST_F(VoiceSamplePlayerTest, BundledSamplesAreReadFromTheBundleOnly) {
    writeFile(bundle.filePath("aria.mp3"), FakeChunkPlayerFactory::audio(1));
    player.play("aria", VoiceSampleSource::bundled("aria.mp3"));
    TestSupport::drainEvents();
    EXPECT_EQ(player.state(), State::playing("aria"));
    player.play("aria", VoiceSampleSource::bundled("../aria.mp3"));
    TestSupport::drainEvents();
    EXPECT_EQ(player.state(), State::idle());
    EXPECT_TRUE(requests.isEmpty());
}

TEST_F(VoiceSamplePlayerTest, GainIsClampedAndReachesThePlayingSample) {
    player.setGain(1.5f);
    EXPECT_EQ(player.gain(), 1.0f);
    player.setGain(-0.2f);
    EXPECT_EQ(player.gain(), 0.0f);
    player.setGain(1.0f);
    player.setGain(std::nanf(""));
    EXPECT_EQ(player.gain(), 0.0f);
    writeFile(player.cacheFile(previewURL), FakeChunkPlayerFactory::audio(1));
    player.play("aria", VoiceSampleSource::provider(previewURL));
    TestSupport::drainEvents();
    EXPECT_EQ(players.made[0]->volume(), 0.0f);
    player.setGain(0.5f);
    EXPECT_EQ(players.made[0]->volume(), 0.5f);
}

TEST(VoiceSampleSource, ABundledResourceWinsOverAnAddress) {
    EXPECT_EQ(VoiceSampleSource::make(QString("a.mp3"), previewURL),
              VoiceSampleSource::bundled("a.mp3"));
    EXPECT_EQ(VoiceSampleSource::make(std::nullopt, previewURL),
              VoiceSampleSource::provider(previewURL));
    EXPECT_EQ(VoiceSampleSource::make(std::nullopt, std::nullopt), std::nullopt);
}

FakeSpeechService::Response answer(int status, QByteArray body) {
    FakeSpeechService::Response response;
    response.status = status;
    response.body = std::move(body);
    return response;
}

struct HttpDownloadTest : ::testing::Test {
    // Downloads `path` and waits for the answer.
    std::optional<QByteArray> fetch(const QString& path) {
        std::optional<std::optional<QByteArray>> answer;
        download(service.baseURL().resolved(QUrl(path)), [&](auto body) { answer = body; }, {});
        EXPECT_TRUE(TestSupport::pumpUntil([&] { return answer.has_value(); }, 2000));
        return answer.value_or(std::nullopt);
    }

    TestSupport::FakeSpeechService service;
    QNetworkAccessManager session;
    // Bounds small enough for a test to pass them.
    VoiceSamplePlayer::Download download = VoiceSamplePlayer::httpDownload(session, {1000, 500});
};

TEST_F(HttpDownloadTest, OnlyAnAnswerWithStatus200GivesTheBody) {
    service.on("GET", "/ok.mp3", answer(200, "audio-bytes"));
    service.on("GET", "/gone.mp3", answer(404, "not here"));
    EXPECT_EQ(fetch("/ok.mp3"), std::optional<QByteArray>("audio-bytes"));
    EXPECT_EQ(fetch("/gone.mp3"), std::nullopt);
}

TEST_F(HttpDownloadTest, AnAnswerPastItsBoundsFailsWithinThem) {
    service.on("GET", "/large.mp3", answer(200, QByteArray(1001, 'a')));
    auto endless = answer(200, "ab");
    endless.trickle = FakeSpeechService::Response::Trickle{1, 0.05, true};
    service.on("GET", "/endless.mp3", endless);
    auto unannounced = answer(200, "abcd");
    unannounced.trickle = FakeSpeechService::Response::Trickle{100, 0.001, true};
    service.on("GET", "/unannounced.mp3", unannounced);
    service.on("GET", "/fits.mp3", answer(200, QByteArray(1000, 'a')));

    EXPECT_EQ(fetch("/large.mp3"), std::nullopt);
    EXPECT_EQ(fetch("/endless.mp3"), std::nullopt);
    EXPECT_EQ(fetch("/unannounced.mp3"), std::nullopt);
    EXPECT_EQ(fetch("/fits.mp3"), std::optional<QByteArray>(QByteArray(1000, 'a')));
}

TEST_F(HttpDownloadTest, ACancelledDownloadNeverAnswers) {
    auto held = answer(200, "late");
    held.held = true;
    service.on("GET", "/slow.mp3", held);
    std::stop_source cancel;
    bool answered = false;
    download(
        service.baseURL().resolved(QUrl("/slow.mp3")), [&](auto) { answered = true; },
        cancel.get_token());
    TestSupport::pumpUntil([&] { return !service.requests().isEmpty(); }, 2000);
    cancel.request_stop();
    service.releaseHeld();
    EXPECT_FALSE(TestSupport::pumpUntil([&] { return answered; }, 200));
}

} // namespace
