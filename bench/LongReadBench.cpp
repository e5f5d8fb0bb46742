// A read of 5 MB of text: the capture's sanitising (a main-thread step), the chunking and the
// cache key (made on a worker), the transcript showing and scrolling the text, and the whole
// road from "Read anyway" to the first request at a loopback service. A read of 2 MB whose
// chunks' words reach the shown transcript one chunk after another. Then two minutes of a 2 MB
// read whose answers all arrive at once: the memory it takes and the longest main-thread step.
#include "Core/CacheKey.h"
#include "Core/SentenceChunker.h"
#include "Core/TextSanitizer.h"
#include "Parlino/Panel/HighlightedTextView.h"
#include "Parlino/Services/PlayerViewModel.h"
#include "Parlino/Services/SettingsKeys.h"
#include "Parlino/Storage/CacheStore.h"
#include "Parlino/Storage/ClipLibrary.h"
#include "Playback/Linux/NullOutput.h"
#include "Playback/Linux/SystemChunkPlayerFactory.h"
#include "Playback/SpeechSession.h"
#include "TTS/ElevenLabsProvider.h"
#include "support/FakeChunkPlayer.h"
#include "support/FakeSpeechService.h"

#include "Base/Clock.h"
#include "Base/MainThread.h"
#include "Base/Scheduler.h"
#include "Base/UserDefaults.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <unistd.h>

namespace {

using namespace Parlino;

constexpr qsizetype fiveMegabytes = 5 * 1000 * 1000;
constexpr qsizetype chunkBound = 800;
constexpr qsizetype requestLimit = 2000;

// Prose of `characters` code units: sentences in paragraphs of a few hundred characters, and
// stretches of a single paragraph tens of kilobytes long.
QString longRead(qsizetype characters) {
    QString text;
    text.reserve(characters + 200);
    for (int sentence = 0; text.size() < characters; ++sentence) {
        text += QStringLiteral("Sentence number %1 says a little more than the last one did. ")
                    .arg(sentence);
        if (sentence % 5 == 4 && (sentence / 1000) % 2 == 0)
            text += QLatin1Char('\n');
    }
    text.truncate(characters);
    return text;
}

const QString& fiveMegabyteRead() {
    static const QString text = longRead(fiveMegabytes);
    return text;
}

double milliseconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

void SanitizeLongRead(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(Core::TextSanitizer::sanitize(fiveMegabyteRead()));
}
BENCHMARK(SanitizeLongRead)->Unit(benchmark::kMillisecond);

// The panel's transcript, shown, taking the text (no timings yet).
struct ShownTranscript {
    MotionPreferences preferences;
    QTemporaryDir folder;
    SettingsKeys settings{Base::UserDefaults::open(QStringLiteral("bench"), folder.path())};
    MotionContext motion{Base::SteadyClock::shared(), Base::QtScheduler::shared(), preferences};
    PlayerViewModel model;
    HighlightedTextView view{model, settings, motion};

    ShownTranscript() {
        view.resize(464, 300);
        view.show();
        QApplication::processEvents();
    }
};

void ShowLongReadInTranscript(benchmark::State& state) {
    ShownTranscript shown;
    for (auto _ : state) {
        shown.model.setText(fiveMegabyteRead());
        QApplication::processEvents();
        state.PauseTiming();
        shown.model.setText({});
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(ShowLongReadInTranscript)->Unit(benchmark::kMillisecond);

void ScrollLongReadInTranscript(benchmark::State& state) {
    ShownTranscript shown;
    shown.model.setText(fiveMegabyteRead());
    QApplication::processEvents();
    QScrollBar& bar = *shown.view.scrollArea().verticalScrollBar();
    int step = 0;
    for (auto _ : state) {
        // Jumps far into the text each time, where nothing has been measured yet.
        bar.setValue(int((qint64(++step) * 7919 * 300) % bar.maximum()));
        QApplication::processEvents();
    }
}
BENCHMARK(ScrollLongReadInTranscript)->Unit(benchmark::kMillisecond);

// The words of each chunk of `text`, as the service times them one after another.
QList<QList<Core::WordTiming>> chunkWords(const QString& text) {
    static const QRegularExpression wordPattern(QStringLiteral("\\S+"));
    QList<QList<Core::WordTiming>> result;
    double at = 0;
    for (const Core::Chunk& chunk : Core::SentenceChunker::chunk(text, chunkBound, requestLimit)) {
        QList<Core::WordTiming> words;
        for (auto it = wordPattern.globalMatch(chunk.text); it.hasNext();) {
            const auto match = it.next();
            const qint64 lower = chunk.utf16Offset + match.capturedStart();
            words.append({match.captured(), {lower, lower + match.capturedLength()}, at, at + 0.3});
            at += 0.3;
        }
        result.append(words);
    }
    return result;
}

// A 2 MB read whose answers all come at once: each chunk's words reach the shown transcript
// while the current word moves on, as the panel's tick hands them over. Each step is the
// transcript's share of one tick; "firstChunksMs" and "lastChunksMs" are the longest steps among
// the first and the last 100 chunks, so a step that grows with the words laid out before it
// shows as the one rising above the other.
void WordsOfChunksReachTheTranscript(benchmark::State& state) {
    ShownTranscript shown;
    const QString text = longRead(2 * 1000 * 1000);
    const QList<QList<Core::WordTiming>> chunks = chunkWords(text);
    constexpr qsizetype edge = 100;
    double first = 0;
    double last = 0;
    double longest = 0;
    qsizetype longestAt = 0;
    qsizetype wordCount = 0;
    for (auto _ : state) {
        shown.model.setTimingWords({});
        shown.model.setText(text);
        QApplication::processEvents();
        Core::TimedWords words;
        for (qsizetype c = 0; c < chunks.size(); ++c) {
            for (const Core::WordTiming& word : chunks[c])
                words.append(word);
            QElapsedTimer step;
            step.start();
            shown.model.setTimingWords(words);
            shown.model.setCurrentWordIndex(words.size() - chunks[c].size());
            QApplication::processEvents();
            const double elapsed = milliseconds(step);
            if (elapsed > longest) {
                longest = elapsed;
                longestAt = c;
            }
            if (c < edge)
                first = std::max(first, elapsed);
            if (c >= chunks.size() - edge)
                last = std::max(last, elapsed);
        }
        wordCount = words.size();
    }
    state.counters["chunks"] = double(chunks.size());
    state.counters["words"] = double(wordCount);
    state.counters["firstChunksMs"] = first;
    state.counters["lastChunksMs"] = last;
    state.counters["longestStepMs"] = longest;
    state.counters["longestStepAt"] = double(longestAt);
}
BENCHMARK(WordsOfChunksReachTheTranscript)->Unit(benchmark::kMillisecond)->Iterations(1);

void ChunkLongRead(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(
            Core::SentenceChunker::chunk(fiveMegabyteRead(), chunkBound, requestLimit));
}
BENCHMARK(ChunkLongRead)->Unit(benchmark::kMillisecond);

void CacheKeyOfLongRead(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(Core::CacheKey::make(
            fiveMegabyteRead(), Core::VoiceID{QStringLiteral("voice")},
            {QStringLiteral("eleven_flash_v2_5"), QStringLiteral("mp3_44100_128")}));
}
BENCHMARK(CacheKeyOfLongRead)->Unit(benchmark::kMillisecond);

// From the press of "Read anyway" to the first request at the service, as the application
// takes it: the transcript shows the text at the press; the chunks and the cache key are made on
// a worker; back on the main thread the session starts and sends. "longestStallMs" is the
// longer of the two main-thread steps.
void ReadAnywayToFirstRequest(benchmark::State& state) {
    ShownTranscript shown;
    TestSupport::FakeSpeechService service;
    QNetworkAccessManager network;
    service.on("POST", TestSupport::FakeSpeechService::synthesisRoute(), [](const auto&) {
        TestSupport::FakeSpeechService::Response response;
        response.held = true;
        return response;
    });
    const TTS::Endpoint endpoint{service.baseURL(), [](TTS::Endpoint::KeyHandler handler) {
                                     handler(QStringLiteral("key"));
                                 }};
    const Core::SynthesisSettings settings{QStringLiteral("eleven_flash_v2_5"),
                                           QStringLiteral("mp3_44100_128")};
    const Core::VoiceID voice{QStringLiteral("voice")};
    double longestStall = 0;
    double firstRequest = 0;
    for (auto _ : state) {
        service.clearRequests();
        const QString& text = fiveMegabyteRead();
        QElapsedTimer press;
        press.start();
        shown.model.setText(text);
        longestStall = std::max(longestStall, milliseconds(press));

        std::shared_ptr<Playback::SpeechSession> session;
        QThreadPool::globalInstance()->start([&] {
            auto chunks = Core::SentenceChunker::chunk(text, chunkBound, requestLimit);
            benchmark::DoNotOptimize(Core::CacheKey::make(text, voice, settings));
            Base::MainThread::post([&, chunks = std::move(chunks)] {
                QElapsedTimer step;
                step.start();
                session = Playback::SpeechSession::create(
                    text, chunks, std::make_shared<TTS::ElevenLabsProvider>(endpoint, network),
                    std::make_shared<TestSupport::FakeChunkPlayerFactory>(), voice, settings, {1.0},
                    Base::QtScheduler::shared());
                session->startSynthesis();
                longestStall = std::max(longestStall, milliseconds(step));
            });
        });
        while (service.requests().isEmpty())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        firstRequest = std::max(firstRequest, milliseconds(press));
        state.PauseTiming();
        session->cancel();
        shown.model.setText({});
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["longestStallMs"] = longestStall;
    state.counters["firstRequestMs"] = firstRequest;
}
BENCHMARK(ReadAnywayToFirstRequest)->Unit(benchmark::kMillisecond)->Iterations(5);

#ifdef PARLINO_BENCH_STAND_IN
// MARK: Two minutes of a long read

// The resident memory of this process.
double residentMegabytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> pages = statm.readAll().split(' ');
    return pages.size() < 2 ? 0 : pages[1].toDouble() * double(::sysconf(_SC_PAGESIZE)) / 1048576;
}

// The stand-in service, as a program of its own so that its work is not this main thread's,
// answering every synthesis at once with the same minute of real speech.
class InstantStandIn {
public:
    InstantStandIn() {
        m_process.setStandardOutputFile(m_output.filePath(QStringLiteral("stand-in.log")));
        m_process.start(QStringLiteral(PARLINO_BENCH_STAND_IN), {QStringLiteral("instant")});
        QFile log(m_output.filePath(QStringLiteral("stand-in.log")));
        QElapsedTimer waited;
        waited.start();
        while (url.isEmpty() && waited.elapsed() < 10000 && m_process.waitForStarted()) {
            if (log.isOpen() || log.open(QIODevice::ReadOnly))
                if (const QByteArray line = log.readLine(); line.endsWith('\n'))
                    url = QUrl(QString::fromLatin1(line.trimmed()));
            QThread::msleep(10);
        }
    }
    ~InstantStandIn() {
        m_process.kill();
        m_process.waitForFinished();
    }

    QUrl url;

private:
    QTemporaryDir m_output;
    QProcess m_process;
};

// Counts the chunks the session accepts, from its log.
class AcceptedChunks : public Base::LogSink {
public:
    void write(const Base::LogRecord& record) override {
        count += record.message.startsWith(QLatin1String("chunk accepted"));
    }
    qsizetype count = 0;
};

// Two minutes (PARLINO_LONG_READ_SECONDS) of a 2 MB read, its audio held on disk as the
// application holds it (argument 1) or in memory (0), with the transcript shown and ticked as
// the panel does, and the finished read stored in the cache and saved as a clip in the
// background, as the application does. "memoryGrowthMB" is the growth of resident memory from
// the start of the read, "...BeforeCompleteMB" the same until the last chunk arrived;
// "longestStepMs" is the longest the main thread went without serving a 1 ms timer over the whole
// run, the storing included; "completionMs" the longest such step from the read's completion on,
// and "savedMs" the time from the completion until the clip is listed.
void TwoMinutesOfALongRead(benchmark::State& state) {
    const bool onDisk = state.range(0) != 0;
    const int seconds = qEnvironmentVariableIntValue("PARLINO_LONG_READ_SECONDS") > 0
                            ? qEnvironmentVariableIntValue("PARLINO_LONG_READ_SECONDS")
                            : 120;
    InstantStandIn standIn;
    if (standIn.url.isEmpty())
        return state.SkipWithError("the stand-in service did not start");
    ShownTranscript shown;
    QNetworkAccessManager network;
    QTemporaryDir cacheFolder;
    CacheStore cache(cacheFolder.path().toStdString() + "/cache", CacheStore::defaultMaxBytes);
    ClipLibrary clips(cacheFolder.path().toStdString() + "/clips");
    const TTS::Endpoint endpoint{
        standIn.url, [](TTS::Endpoint::KeyHandler handler) { handler(QStringLiteral("key")); }};
    const QString text = longRead(2 * 1000 * 1000);
    const auto chunks = Core::SentenceChunker::chunk(text, chunkBound, requestLimit);
    auto accepted = std::make_shared<AcceptedChunks>();
    Base::LogSinks::add(accepted);
    double growth = 0;
    double growthBeforeComplete = 0;
    double longestStep = 0;
    double completion = 0;
    double saved = 0;
    for (auto _ : state) {
        shown.model.setText(text);
        QApplication::processEvents();
        const double before = residentMegabytes();
        auto session = Playback::SpeechSession::create(
            text, chunks, std::make_shared<TTS::ElevenLabsProvider>(endpoint, network),
            std::make_shared<Playback::SystemChunkPlayerFactory>(
                std::make_unique<Playback::NullOutputFactory>(Base::SteadyClock::shared(),
                                                              Base::QtScheduler::shared())),
            Core::VoiceID{QStringLiteral("voice")},
            {QStringLiteral("eleven_flash_v2_5"), QStringLiteral("mp3_44100_128")}, {1.0, 3.0},
            Base::QtScheduler::shared());
        if (onDisk)
            session->setAudioKeeper(
                [staged = cache.stageRead()](qsizetype index, const QByteArray& audio) {
                    return staged->keep(index, audio);
                });
        bool complete = false;
        QElapsedTimer completedAt;
        session->onUtteranceComplete = [&](const QList<Playback::SpeechSession::ChunkAudio>& audio,
                                           const Core::TimedWords& words) {
            completedAt.start();
            QList<AudioChunk> stored;
            for (const auto& chunk : audio)
                stored.append({chunk.audio, chunk.duration});
            cache.storeInBackground(QString(64, u'a'), stored, words);
            clips.saveInBackground(text, stored, words, QStringLiteral("voice"), std::nullopt);
            complete = true;
        };
        // What the panel's display tick does with the read.
        QTimer display;
        QObject::connect(&display, &QTimer::timeout, [&] {
            session->tick();
            if (session->timingIndex().words.size() != shown.model.timingWords().size())
                shown.model.setTimingWords(session->timingIndex().words);
            const auto total = session->estimatedTotalDuration();
            shown.model.progress().update(session->elapsed(), total.seconds, total.isExact);
        });
        display.start(16);
        QElapsedTimer sinceBeat;
        QTimer heartbeat;
        heartbeat.setTimerType(Qt::PreciseTimer);
        QObject::connect(&heartbeat, &QTimer::timeout, [&] {
            longestStep = std::max(longestStep, milliseconds(sinceBeat));
            if (complete)
                completion = std::max(completion, milliseconds(sinceBeat));
            sinceBeat.restart();
        });
        QElapsedTimer run;
        run.start();
        sinceBeat.start();
        heartbeat.start(1);
        session->startSynthesis();
        while (run.elapsed() < qint64(seconds) * 1000) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
            growth = std::max(growth, residentMegabytes() - before);
            if (!complete)
                growthBeforeComplete = growth;
            if (complete && saved == 0 && !clips.isSaving() && !clips.clips().isEmpty())
                saved = milliseconds(completedAt);
        }
        heartbeat.stop();
        state.counters["words"] = double(session->timingIndex().words.size());
        session->cancel();
    }
    Base::LogSinks::remove(accepted);
    state.counters["memoryGrowthMB"] = growth;
    state.counters["memoryGrowthBeforeCompleteMB"] = growthBeforeComplete;
    state.counters["completionMs"] = completion;
    state.counters["savedMs"] = saved;
    state.counters["longestStepMs"] = longestStep;
    state.counters["chunksArrived"] = double(accepted->count);
    state.counters["chunks"] = double(chunks.size());
}
BENCHMARK(TwoMinutesOfALongRead)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();
#endif

} // namespace
