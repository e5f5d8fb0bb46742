// Decoding speed of the MP3 decoder, how soon after play() the first sample reaches the output
// (the null output always; the sound server's when one answers), and what a display frame pays
// to read a playing player's position and level.
#include "Base/Clock.h"
#include "Base/Scheduler.h"
#include "Playback/Linux/Mpg123ChunkPlayer.h"
#include "Playback/Linux/Mpg123Decoder.h"
#include "Playback/Linux/NullOutput.h"
#include "Playback/Linux/PulseOutput.h"
#include "Playback/Linux/SystemOutputFactory.h"

#include <QFile>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

const QByteArray& speech() {
    static const QByteArray data = [] {
        QFile file(QStringLiteral(PARLINO_BENCH_SPEECH));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    return data;
}

void BM_DecodeSpeech(benchmark::State& state) {
    double seconds = 0;
    for (auto _ : state) {
        auto decoder = Playback::Mpg123Decoder::open(speech());
        std::vector<float> pcm;
        while ((*decoder)->decodeNext(pcm)) {
        }
        seconds = double((*decoder)->totalFrames()) / (*decoder)->format().sampleRate;
        benchmark::DoNotOptimize(pcm.data());
    }
    // Seconds of audio decoded per second: times real time.
    state.counters["x_realtime"] =
        benchmark::Counter(seconds * double(state.iterations()), benchmark::Counter::kIsRate);
}

// Stands between a player and its output and notes when the first samples were rendered.
class FirstSampleProbe : public Playback::PcmOutputFactory, private Playback::PcmSource {
public:
    explicit FirstSampleProbe(Playback::PcmOutputFactory& outputs) : m_outputs(outputs) {}

    std::unique_ptr<Playback::PcmOutput> make(const Playback::PcmFormat& format,
                                              Playback::PcmSource& source) override {
        m_source = &source;
        return m_outputs.make(format, *this);
    }
    void arm() { m_firstSampleAt = 0; }
    double firstSampleAt() const { return m_firstSampleAt; }

private:
    size_t render(float* out, size_t frames) override {
        const size_t rendered = m_source->render(out, frames);
        if (rendered > 0 && m_firstSampleAt == 0)
            m_firstSampleAt = Base::SteadyClock::shared().now();
        return rendered;
    }
    void drained() override { m_source->drained(); }
    void failed() override { m_source->failed(); }

    Playback::PcmOutputFactory& m_outputs;
    Playback::PcmSource* m_source = nullptr;
    std::atomic<double> m_firstSampleAt = 0;
};

void playToFirstSample(benchmark::State& state, Playback::PcmOutputFactory& outputs) {
    FirstSampleProbe probe(outputs);
    for (auto _ : state) {
        state.PauseTiming();
        auto player = std::move(Playback::Mpg123ChunkPlayer::make(speech(), probe)).value();
        probe.arm();
        state.ResumeTiming();
        const double start = Base::SteadyClock::shared().now();
        player->play();
        while (probe.firstSampleAt() == 0)
            std::this_thread::yield();
        state.SetIterationTime(probe.firstSampleAt() - start);
        state.PauseTiming();
        player->stop();
        player.reset();
        state.ResumeTiming();
    }
}

void BM_PlayToFirstSampleNullOutput(benchmark::State& state) {
    Playback::NullOutputFactory outputs(Base::SteadyClock::shared(), Base::QtScheduler::shared());
    playToFirstSample(state, outputs);
}

void BM_PlayToFirstSamplePulseAudio(benchmark::State& state) {
    if (!Playback::PulseConnection::connect()) {
        state.SkipWithError("no PulseAudio server reachable");
        return;
    }
    Playback::SystemOutputFactory outputs;
    playToFirstSample(state, outputs);
}

// Reads the position and level of a playing player as the panel does every frame, while the
// output renders on its own thread at the rate in percent given; reports the median and the 99th
// percentile of one read.
void tickWhilePlaying(benchmark::State& state, Playback::PcmOutputFactory& outputs) {
    using Clock = std::chrono::steady_clock;
    auto player = std::move(Playback::Mpg123ChunkPlayer::make(speech(), outputs)).value();
    player->setRate(float(state.range(0)) / 100);
    player->play();
    std::vector<double> micros;
    for (auto _ : state) {
        const auto start = Clock::now();
        benchmark::DoNotOptimize(player->currentTime());
        benchmark::DoNotOptimize(player->averagePower());
        const std::chrono::duration<double> took = Clock::now() - start;
        state.SetIterationTime(took.count());
        micros.push_back(took.count() * 1e6);
        if (player->currentTime() > player->duration() - 0.5)
            player->setCurrentTime(0);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    player->stop();
    std::sort(micros.begin(), micros.end());
    state.counters["p50_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[micros.size() * 99 / 100];
}

void BM_TickNullOutput(benchmark::State& state) {
    Playback::NullOutputFactory outputs(Base::SteadyClock::shared(), Base::QtScheduler::shared());
    tickWhilePlaying(state, outputs);
}

void BM_TickPulseAudio(benchmark::State& state) {
    if (!Playback::PulseConnection::connect()) {
        state.SkipWithError("no PulseAudio server reachable");
        return;
    }
    Playback::SystemOutputFactory outputs;
    tickWhilePlaying(state, outputs);
}

BENCHMARK(BM_DecodeSpeech)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlayToFirstSampleNullOutput)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlayToFirstSamplePulseAudio)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(50);
BENCHMARK(BM_TickNullOutput)
    ->Arg(100)
    ->Arg(150)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(5000);
BENCHMARK(BM_TickPulseAudio)
    ->Arg(100)
    ->Arg(150)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(20000);

} // namespace
