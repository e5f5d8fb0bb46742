// Decoding speed of the MP3 decoder, what decoding and rendering ten minutes of speech costs
// beside the mpg123 command-line player, how soon after play() the first sample reaches the
// output (the null output always; the sound server's when one answers), and what a display frame
// pays to read a playing player's position and level.
#include "Base/Clock.h"
#include "Base/Scheduler.h"
#include "Playback/Linux/ChunkRenderer.h"
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
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>

namespace {

QByteArray readAll(const char* path) {
    QFile file(QString::fromUtf8(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QByteArray& speech() {
    static const QByteArray data = readAll(PARLINO_BENCH_SPEECH);
    return data;
}

const QByteArray& longSpeech() {
    static const QByteArray data = readAll(PARLINO_BENCH_LONG_SPEECH);
    return data;
}

void BM_DecodeSpeech(benchmark::State& state) {
    double seconds = 0;
    for (auto _ : state) {
        auto decoder = Playback::Mpg123Decoder::open(speech());
        for (auto block = (*decoder)->decodeNext(); !block.empty();
             block = (*decoder)->decodeNext())
            benchmark::DoNotOptimize(block.data());
        seconds = double((*decoder)->totalFrames()) / (*decoder)->format().sampleRate;
    }
    // Seconds of audio decoded per second: times real time.
    state.counters["x_realtime"] =
        benchmark::Counter(seconds * double(state.iterations()), benchmark::Counter::kIsRate);
}

// Processor seconds and minor page faults, as getrusage() counts them.
struct Cost {
    double seconds = 0;
    double pageFaults = 0;
};

Cost usage(int who) {
    rusage usage{};
    getrusage(who, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec * 1e-6; };
    return {seconds(usage.ru_utime) + seconds(usage.ru_stime), double(usage.ru_minflt)};
}

Cost operator-(const Cost& a, const Cost& b) {
    return {a.seconds - b.seconds, a.pageFaults - b.pageFaults};
}

// The cost of opening, decoding, stretching and metering the whole of the long speech as the
// output pulls it, on this thread.
Cost renderLongSpeech(float tempo) {
    const Cost start = usage(RUSAGE_THREAD);
    auto decoder = std::move(Playback::Mpg123Decoder::open(longSpeech())).value();
    const int channels = decoder->format().channels;
    Playback::ChunkRenderer renderer(
        std::move(decoder), [] {}, [] {});
    renderer.setTempo(tempo);
    std::vector<float> block(size_t(4096 * channels));
    while (renderer.render(block.data(), 4096) == 4096)
        benchmark::DoNotOptimize(block.data());
    return usage(RUSAGE_THREAD) - start;
}

// The cost of a shell command and everything it starts; none when it failed.
std::optional<Cost> runCommand(const std::string& command) {
    const Cost start = usage(RUSAGE_CHILDREN);
    if (std::system(command.c_str()) != 0)
        return std::nullopt;
    return usage(RUSAGE_CHILDREN) - start;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Decoding and rendering the long speech at the tempo in percent given, against its peer among
// the command-line tools run in the same iteration: mpg123 decoding to raw samples at 1×, and
// mpg123 piped into sox's tempo effect otherwise. Times are processor seconds, so the figures
// hold on a loaded machine; `ratio` is the median of ours over the median of the peer's. Page
// faults tell how much memory each touched.
void BM_RenderLongSpeechAgainstMpg123(benchmark::State& state) {
    const float tempo = float(state.range(0)) / 100;
    const std::string file = "'" PARLINO_BENCH_LONG_SPEECH "'";
    std::string peer = "mpg123 -q -s " + file;
    if (tempo != 1.0f)
        peer += " | sox -q -t raw -r 44100 -e signed -b 16 -c 1 - -t raw - tempo " +
                std::to_string(tempo);
    peer += " > /dev/null";
    std::vector<Cost> ours;
    std::vector<Cost> theirs;
    for (auto _ : state) {
        ours.push_back(renderLongSpeech(tempo));
        const auto peerCost = runCommand(peer);
        if (!peerCost) {
            state.SkipWithError("the mpg123 or sox command failed");
            return;
        }
        theirs.push_back(*peerCost);
        state.SetIterationTime(ours.back().seconds);
    }
    const auto medianOf = [](const std::vector<Cost>& costs, double Cost::*field) {
        std::vector<double> values;
        for (const Cost& cost : costs)
            values.push_back(cost.*field);
        return median(values);
    };
    state.counters["ours_s"] = medianOf(ours, &Cost::seconds);
    state.counters["peer_s"] = medianOf(theirs, &Cost::seconds);
    state.counters["ratio"] = medianOf(ours, &Cost::seconds) / medianOf(theirs, &Cost::seconds);
    state.counters["ours_faults"] = medianOf(ours, &Cost::pageFaults);
    state.counters["peer_faults"] = medianOf(theirs, &Cost::pageFaults);
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
BENCHMARK(BM_RenderLongSpeechAgainstMpg123)
    ->Arg(100)
    ->Arg(150)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(9);
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
