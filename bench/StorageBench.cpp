// Cost of the audio cache's hot paths: a hit on a long read, and the launch reconciliation.
#include "Parlino/Storage/CacheStore.h"

#include <QCryptographicHash>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using Parlino::AudioChunk;
using Parlino::CacheStore;

QString keyFor(int index) {
    return QString::fromLatin1(
        QCryptographicHash::hash(QByteArray::number(index), QCryptographicHash::Sha256).toHex());
}

// A read of `chunkCount` chunks of `chunkBytes` each, with about 130 words per chunk.
struct Read {
    QList<AudioChunk> chunks;
    QList<Core::WordTiming> words;
};

Read makeRead(int chunkCount, qsizetype chunkBytes) {
    Read read;
    for (int c = 0; c < chunkCount; ++c) {
        read.chunks.append({QByteArray(chunkBytes, char('a' + c % 26)), 50.0});
        for (int w = 0; w < 130; ++w) {
            const qint64 offset = qint64(c * 800 + w * 6);
            const double start = c * 50.0 + w * 0.38;
            read.words.append({QStringLiteral("word,"), {offset, offset + 5}, start, start + 0.3});
        }
    }
    return read;
}

std::filesystem::path temporaryRoot(const QTemporaryDir& dir) {
    return std::filesystem::path(dir.path().toStdString());
}

void BM_LookupTwentyChunkEntry(benchmark::State& state) {
    const QTemporaryDir dir;
    CacheStore store(temporaryRoot(dir), CacheStore::defaultMaxBytes);
    const Read read = makeRead(20, state.range(0));
    store.store(keyFor(0), read.chunks, read.words);
    for (auto _ : state)
        benchmark::DoNotOptimize(store.lookup(keyFor(0)));
}

// What a cached read needs before it can start: the lookup and its first chunk's audio.
void BM_LookupAndFirstChunk(benchmark::State& state) {
    const QTemporaryDir dir;
    CacheStore store(temporaryRoot(dir), CacheStore::defaultMaxBytes);
    const Read read = makeRead(20, state.range(0));
    store.store(keyFor(0), read.chunks, read.words);
    for (auto _ : state) {
        const auto entry = store.lookup(keyFor(0));
        benchmark::DoNotOptimize(entry->chunks.first().audio.bytes().data());
    }
}

void BM_ReconcileThousandEntries(benchmark::State& state) {
    const QTemporaryDir dir;
    const auto root = temporaryRoot(dir);
    {
        CacheStore store(root, CacheStore::defaultMaxBytes);
        const Read read = makeRead(2, 4096);
        for (int i = 0; i < 1000; ++i)
            store.store(keyFor(i), read.chunks, read.words);
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(CacheStore::reconcile(root));
    state.SetItemsProcessed(state.iterations() * 1000);
}

// 700 KB is a chunk of synthesised speech; the entry's 2,600 words make a 170 KB manifest.
BENCHMARK(BM_LookupTwentyChunkEntry)
    ->Arg(16 * 1024)
    ->Arg(256 * 1024)
    ->Arg(700 * 1024)
    ->Unit(benchmark::kMillisecond);
// A store into a full cache of 1,000 entries: each one evicts the oldest.
void BM_StoreIntoFullCache(benchmark::State& state) {
    const QTemporaryDir dir;
    const Read read = makeRead(1, 4096);
    CacheStore store(temporaryRoot(dir), 1000 * 4096);
    int index = 0;
    for (; index < 1000; ++index)
        store.store(keyFor(index), read.chunks, read.words);
    for (auto _ : state)
        store.store(keyFor(index++), read.chunks, read.words);
}

BENCHMARK(BM_LookupAndFirstChunk)->Arg(700 * 1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReconcileThousandEntries)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreIntoFullCache)->Unit(benchmark::kMicrosecond);

} // namespace
