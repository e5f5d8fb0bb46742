// The speech session's per-frame tick and the acceptance of a chunk late in a long read.
#include "Playback/SpeechSession.h"
#include "support/FakeChunkPlayer.h"
#include "support/FakeTTSProvider.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace {

using Playback::SpeechSession;
using TestSupport::FakeChunkPlayerFactory;

struct Read {
    std::shared_ptr<TestSupport::FakeTTSProvider> provider =
        std::make_shared<TestSupport::FakeTTSProvider>();
    std::shared_ptr<FakeChunkPlayerFactory> factory = std::make_shared<FakeChunkPlayerFactory>();
    std::shared_ptr<SpeechSession> session;

    explicit Read(qsizetype chunkCount) {
        QList<Core::Chunk> chunks;
        for (qsizetype i = 0; i < chunkCount; ++i)
            chunks.append({QString(800, QLatin1Char('a')), i * 800});
        session = SpeechSession::create({}, chunks, provider, factory, {}, {}, {},
                                        Base::QtScheduler::shared());
    }

    // Answers the pending request of chunk `index` with `wordCount` words over 40 s.
    void deliver(qsizetype index, qsizetype wordCount) {
        QList<Core::WordTiming> words;
        for (qsizetype w = 0; w < wordCount; ++w)
            words.append({QStringLiteral("word"), {w * 5, w * 5 + 4}, w * 0.2, w * 0.2 + 0.15});
        provider->succeed(index, FakeChunkPlayerFactory::audio(40.0), words, 40.0);
        QCoreApplication::processEvents();
    }
};

void BM_TickWith10000Words(benchmark::State& state) {
    Read read(50);
    read.session->startSynthesis();
    for (qsizetype i = 0; i < 50; ++i)
        read.deliver(i, 200);
    read.session->onGlowLevel = [](float db) { benchmark::DoNotOptimize(db); };
    read.session->onWordIndexChange = [](std::optional<qsizetype> i) {
        benchmark::DoNotOptimize(i);
    };
    auto* player = read.factory->made.last();
    double t = 0;
    for (auto _ : state) {
        t = t > 39.0 ? 0.0 : t + 1.0 / 60.0;
        player->setCurrentTime(t);
        read.session->tick();
        benchmark::DoNotOptimize(read.session->estimatedTotalDuration());
    }
}

void BM_AcceptThe50thChunk(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Read read(50);
        read.session->startSynthesis();
        for (qsizetype i = 0; i < 49; ++i)
            read.deliver(i, 200);
        state.ResumeTiming();
        read.deliver(49, 200);
    }
}

BENCHMARK(BM_TickWith10000Words);
BENCHMARK(BM_AcceptThe50thChunk)->Unit(benchmark::kMicrosecond);

} // namespace
