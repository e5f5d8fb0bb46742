// Plays real speech through a PulseAudio server. Under scripts/with-pulseaudio.sh the null sink's
// monitor is recorded, and what was played is compared with the decoded audio.
#include "Base/Clock.h"
#include "Playback/Linux/Mpg123ChunkPlayer.h"
#include "Playback/Linux/PulseOutput.h"
#include "Playback/Linux/SystemOutputFactory.h"
#include "TestAudio.h"
#include "support/DesktopSession.h"
#include "support/EventLoop.h"
#include "support/LogCapture.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>
#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

using Playback::Mpg123ChunkPlayer;

size_t onset(const std::vector<float>& samples) {
    const auto loud =
        std::find_if(samples.begin(), samples.end(), [](float s) { return std::abs(s) > 0.02f; });
    return size_t(loud - samples.begin());
}

double correlation(const std::vector<float>& a, const std::vector<float>& b, size_t bStart) {
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < a.size() && bStart + i < b.size(); ++i) {
        ab += double(a[i]) * b[bStart + i];
        aa += double(a[i]) * a[i];
        bb += double(b[bStart + i]) * b[bStart + i];
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

std::vector<float> readCapture(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    std::vector<float> samples(size_t(bytes.size()) / sizeof(float));
    std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(float));
    return samples;
}

TEST(PulsePlayback, PlaysSpeechInRealTimeAndTheSinkReceivesIt) {
    PARLINO_REQUIRE_SERVICE(
        Playback::PulseConnection::connect(),
        "no PulseAudio server reachable (scripts/with-pulseaudio.sh starts one)");
    Playback::SystemOutputFactory outputs;
    auto made = Mpg123ChunkPlayer::make(TestAudio::speechMp3(), outputs);
    ASSERT_TRUE(made);
    auto player = std::move(made).value();
    bool finished = false;
    player->setOnFinish([&] { finished = true; });

    const double started = Base::SteadyClock::shared().now();
    player->play();
    TestSupport::pumpUntil([] { return false; }, 1000);
    EXPECT_NEAR(player->currentTime(), Base::SteadyClock::shared().now() - started, 0.1);
    EXPECT_GT(player->averagePower(), -160.0f);
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return finished; }, 15000));
    EXPECT_NEAR(Base::SteadyClock::shared().now() - started, player->duration(), 0.3);

    const QString capturePath = qEnvironmentVariable("PARLINO_PULSE_CAPTURE");
    if (capturePath.isEmpty())
        GTEST_SKIP() << "played, but nothing recorded the sink to compare with";
    TestSupport::pumpUntil([] { return false; }, 300); // the recorder's own latency
    const auto captured = readCapture(capturePath);
    const auto decoded = TestAudio::decodeAll(TestAudio::speechMp3());
    ASSERT_LT(onset(captured), captured.size()) << "the sink received only silence";
    const auto expectedStart = int64_t(onset(captured)) - int64_t(onset(decoded));
    double best = 0;
    for (int64_t shift = std::max<int64_t>(0, expectedStart - 400); shift < expectedStart + 400;
         ++shift)
        best = std::max(best, correlation(decoded, captured, size_t(shift)));
    EXPECT_GT(best, 0.99);
}

TEST(PulsePlayback, ThePositionStandsWhilePausedAndNeverStepsBackWhilePlaying) {
    PARLINO_REQUIRE_SERVICE(
        Playback::PulseConnection::connect(),
        "no PulseAudio server reachable (scripts/with-pulseaudio.sh starts one)");
    Playback::SystemOutputFactory outputs;
    auto player = std::move(Mpg123ChunkPlayer::make(TestAudio::speechMp3(), outputs)).value();
    player->play();
    double last = 0;
    bool steppedBack = false;
    TestSupport::pumpUntil(
        [&] {
            const double now = player->currentTime();
            steppedBack |= now < last - 0.005;
            last = now;
            return false;
        },
        600);
    EXPECT_FALSE(steppedBack);
    EXPECT_GT(last, 0.3);

    player->pause();
    TestSupport::pumpUntil([] { return false; }, 200); // the server settles the cork
    const double paused = player->currentTime();
    TestSupport::pumpUntil([] { return false; }, 400);
    EXPECT_NEAR(player->currentTime(), paused, 0.01);
    EXPECT_NEAR(paused, last, 0.25);

    player->play();
    TestSupport::pumpUntil([] { return false; }, 500);
    EXPECT_NEAR(player->currentTime(), paused + 0.5, 0.15);
    player->stop();
}

// The sink input of this process, as the server lists it; -1 when there is none.
int ownSinkInput() {
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sink-inputs")});
    if (!pactl.waitForFinished(5000))
        return -1;
    const QString pid = QString::number(QCoreApplication::applicationPid());
    int current = -1;
    for (const QString& line : QString::fromUtf8(pactl.readAllStandardOutput()).split('\n')) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QStringLiteral("Sink Input #")))
            current = trimmed.mid(12).toInt();
        else if (trimmed == QStringLiteral("application.process.id = \"%1\"").arg(pid))
            return current;
    }
    return -1;
}

TEST(PulsePlayback, AStreamTheServerDropsIsReportedAsLost) {
    PARLINO_REQUIRE_SERVICE(
        Playback::PulseConnection::connect(),
        "no PulseAudio server reachable (scripts/with-pulseaudio.sh starts one)");
    Playback::SystemOutputFactory outputs;
    auto player = Mpg123ChunkPlayer::make(TestAudio::speechMp3(), outputs).value();
    bool finished = false;
    bool lost = false;
    player->setOnFinish([&] { finished = true; });
    player->setOnFailure([&] { lost = true; });
    player->play();
    TestSupport::pumpUntil([] { return false; }, 300);
    const int sinkInput = ownSinkInput();
    ASSERT_GE(sinkInput, 0);
    // The server drops the stream, as it does when it goes away.
    const auto connection = Playback::PulseConnection::connect();
    ASSERT_TRUE(connection);
    pa_threaded_mainloop_lock(connection->loop());
    pa_operation* kill =
        pa_context_kill_sink_input(connection->context(), uint32_t(sinkInput), nullptr, nullptr);
    ASSERT_TRUE(kill);
    pa_operation_unref(kill);
    pa_threaded_mainloop_unlock(connection->loop());
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return lost; }, 5000));
    EXPECT_FALSE(finished);
}

struct SilentSource : Playback::PcmSource {
    size_t render(float* out, size_t frames) override {
        std::fill(out, out + frames, 0.0f);
        return frames;
    }
    void drained() override {}
    void failed() override {}
};

// A sound server gone when a stream begins (restarting, say) is used again once it answers.
TEST(PulsePlayback, PlaysThroughTheServerAgainOnceItIsBack) {
    PARLINO_REQUIRE_SERVICE(
        Playback::PulseConnection::connect(),
        "no PulseAudio server reachable (scripts/with-pulseaudio.sh starts one)");
    TestSupport::LogCapture log;
    Playback::SystemOutputFactory outputs;
    SilentSource source;
    const auto throughServer = [&] {
        return dynamic_cast<Playback::PulseOutput*>(outputs.make({}, source).get()) != nullptr;
    };
    const QByteArray previous = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/parlino-test/native");
    const bool whileGone = throughServer();
    if (previous.isNull())
        qunsetenv("PULSE_SERVER");
    else
        qputenv("PULSE_SERVER", previous);
    EXPECT_FALSE(whileGone);
    EXPECT_TRUE(throughServer());
    EXPECT_TRUE(
        log.contains(QStringLiteral("no sound server answered: playing to the null output")));
    EXPECT_TRUE(log.contains(QStringLiteral("the sound server answers again: playing through it")));
}

} // namespace
