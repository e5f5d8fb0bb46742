// Cost of the audio cache's hot paths: a hit on a long read, and the launch reconciliation; and
// the memory a long read's clip takes while it is saved and listed, loaded and exported.
#include "Parlino/Storage/CacheStore.h"
#include "Parlino/Storage/ClipFolderScan.h"
#include "Parlino/Storage/ClipLibrary.h"
#include "Parlino/Storage/RecordingsExporter.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

namespace {

using Parlino::AudioChunk;
using Parlino::CacheStore;
using Parlino::ClipLibrary;

QString keyFor(int index) {
    return QString::fromLatin1(
        QCryptographicHash::hash(QByteArray::number(index), QCryptographicHash::Sha256).toHex());
}

// A read of `chunkCount` chunks of `chunkBytes` each, with about 130 words per chunk.
struct Read {
    QList<AudioChunk> chunks;
    Core::TimedWords words;
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

// The walk a store opens with in the background, over 1,000 entries: each is checked for damage
// and its size and recency noted.
void BM_OpenThousandEntries(benchmark::State& state) {
    const QTemporaryDir dir;
    const auto root = temporaryRoot(dir);
    {
        CacheStore store(root, CacheStore::defaultMaxBytes);
        const Read read = makeRead(2, 4096);
        for (int i = 0; i < 1000; ++i)
            store.store(keyFor(i), read.chunks, read.words);
    }
    for (auto _ : state) {
        CacheStore store(root, CacheStore::defaultMaxBytes);
        while (!store.isOpen())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}

// 700 KB is a chunk of synthesised speech; the entry's 2,600 words make a 170 KB manifest.
BENCHMARK(BM_LookupTwentyChunkEntry)
    ->Arg(16 * 1024)
    ->Arg(256 * 1024)
    ->Arg(700 * 1024)
    ->Unit(benchmark::kMillisecond);
// A store into a full cache of 1,000 or 40,000 entries, each one evicting the oldest, as the
// application stores: the time the main thread spends on it (handing the entry to the writer,
// then publishing it, renewing its recency and evicting); the writer's part is not counted.
void BM_StoreIntoFullCache(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const QTemporaryDir dir;
    const Read read = makeRead(1, 4096);
    const int entries = int(state.range(0));
    // The entries of an earlier run, written as the store writes them.
    const auto root = temporaryRoot(dir);
    const std::string manifest =
        R"({"chunks":[{"fileName":"chunk-0.mp3","sizeBytes":4096,"duration":50.0}],"words":[]})";
    int index = 0;
    for (; index < entries; ++index) {
        const auto folder = root / "audio" / keyFor(index).toStdString();
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "chunk-0.mp3", std::ios::binary) << std::string(4096, 'a');
        std::ofstream(folder / "manifest.json", std::ios::binary) << manifest;
    }
    CacheStore store(root, qint64(entries) * 4096);
    while (!store.isOpen())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    for (auto _ : state) {
        auto started = Clock::now();
        store.storeInBackground(keyFor(index++), read.chunks, read.words);
        Clock::duration onMain = Clock::now() - started;
        // The pass of the event loop that publishes the entry is the main thread's too.
        while (store.isStoring()) {
            started = Clock::now();
            QCoreApplication::processEvents();
            if (!store.isStoring())
                onMain += Clock::now() - started;
            else
                std::this_thread::yield();
        }
        state.SetIterationTime(std::chrono::duration<double>(onMain).count());
    }
}

BENCHMARK(BM_LookupAndFirstChunk)->Arg(700 * 1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenThousandEntries)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreIntoFullCache)
    ->Arg(1000)
    ->Arg(40000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// The heap in use: what the allocator handed out from its arenas and mapped on its own.
qint64 heapBytes() {
    const struct mallinfo2 info = ::mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
}

// The heap's highest use above where it stood at the start, sampled from a thread of its own
// every 100 µs while the watched work runs on this one.
class HeapPeak {
public:
    HeapPeak() : m_start(heapBytes()), m_peak(m_start) {
        m_watcher = std::jthread([this](std::stop_token stop) {
            while (!stop.stop_requested()) {
                const qint64 now = heapBytes();
                qint64 peak = m_peak.load(std::memory_order_relaxed);
                while (now > peak && !m_peak.compare_exchange_weak(peak, now))
                    ;
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            }
        });
    }

    // The peak growth so far, in megabytes, counting this moment too.
    double megabytes() {
        m_watcher.request_stop();
        m_watcher.join();
        const qint64 peak = std::max(m_peak.load(), heapBytes());
        return double(peak - m_start) / 1048576;
    }

private:
    qint64 m_start;
    std::atomic<qint64> m_peak;
    std::jthread m_watcher;
};

// A long read as the session finishes it: 2 MB of text, a timing for each of its 376,000 words,
// and a few chunks of audio.
struct LongRead {
    QString text;
    Core::TimedWords words;
    QList<AudioChunk> chunks;
};

LongRead makeLongRead() {
    LongRead read;
    constexpr qsizetype characters = 2 * 1000 * 1000;
    read.text.reserve(characters + 100);
    for (int sentence = 0; read.text.size() < characters; ++sentence)
        read.text += QStringLiteral("Sentence number %1 says a little more than the last one did. ")
                         .arg(sentence);
    read.text.truncate(characters);
    qsizetype start = 0;
    while (start < read.text.size()) {
        qsizetype end = read.text.indexOf(u' ', start);
        if (end < 0)
            end = read.text.size();
        const double at = double(read.words.size()) * 0.35;
        read.words.append(
            {read.text.mid(start, end - start), {start, end}, at + 0.123456, at + 0.301234});
        start = end + 1;
    }
    for (int c = 0; c < 4; ++c)
        read.chunks.append({QByteArray(64 * 1024, char('a' + c)), 600.0});
    return read;
}

// Saves the long read's clip, as a finished read does, and lists the library anew, as the
// next run does when its summary index cannot vouch for the clip; reports the heap's peak
// growth meanwhile.
void BM_SaveAndListLongClip(benchmark::State& state) {
    const LongRead read = makeLongRead();
    double peak = 0;
    double manifestMegabytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QTemporaryDir dir;
        const auto root = temporaryRoot(dir);
        std::optional<ClipLibrary> clips(std::in_place, root);
        state.ResumeTiming();
        HeapPeak heap;
        const auto id =
            clips->save(read.text, read.chunks, read.words, QStringLiteral("voice"), std::nullopt);
        const auto listed = Parlino::ClipFolderScan::run(root, {});
        peak = std::max(peak, heap.megabytes());
        state.PauseTiming();
        if (!id || listed.clips.size() != 1)
            state.SkipWithError("the clip was not saved and listed");
        manifestMegabytes = double(std::filesystem::file_size(root / id->rawValue.toStdString() /
                                                              "manifest.json")) /
                            1048576;
        clips.reset();
        state.ResumeTiming();
    }
    state.counters["peakHeapGrowthMB"] = peak;
    state.counters["manifestMB"] = manifestMegabytes;
    state.counters["words"] = double(read.words.size());
}

// Loads the long read's clip, as opening it from the clips list does; reports the heap's peak
// growth meanwhile, the loaded clip included.
void BM_LoadLongClip(benchmark::State& state) {
    const QTemporaryDir dir;
    ClipLibrary clips(temporaryRoot(dir));
    std::optional<Parlino::ClipID> id;
    {
        const LongRead read = makeLongRead();
        id = clips.save(read.text, read.chunks, read.words, QStringLiteral("voice"), std::nullopt);
    }
    double peak = 0;
    for (auto _ : state) {
        HeapPeak heap;
        const auto clip = clips.load(*id);
        peak = std::max(peak, heap.megabytes());
        if (!clip || clip->words.isEmpty())
            state.SkipWithError("the clip did not load");
    }
    state.counters["peakHeapGrowthMB"] = peak;
}

// Exports the long read's clip, as the clips settings do; reports the heap's peak growth
// meanwhile.
void BM_ExportLongClip(benchmark::State& state) {
    const QTemporaryDir dir;
    const auto clipsRoot = temporaryRoot(dir) / "clips";
    const auto recordings = temporaryRoot(dir) / "Recordings";
    {
        ClipLibrary clips(clipsRoot);
        const LongRead read = makeLongRead();
        clips.save(read.text, read.chunks, read.words, QStringLiteral("voice"), std::nullopt);
    }
    double peak = 0;
    for (auto _ : state) {
        HeapPeak heap;
        const auto exported = Parlino::RecordingsExporter::exportRecordings(clipsRoot, recordings,
                                                                            QTimeZone::utc(), {});
        peak = std::max(peak, heap.megabytes());
        if (!exported || std::distance(std::filesystem::directory_iterator(recordings),
                                       std::filesystem::directory_iterator()) != 1)
            state.SkipWithError("the clip was not exported");
    }
    state.counters["peakHeapGrowthMB"] = peak;
}

BENCHMARK(BM_SaveAndListLongClip)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadLongClip)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExportLongClip)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
