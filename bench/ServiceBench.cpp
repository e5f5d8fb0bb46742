// The road of one synthesis request from the call until the service has read its whole body:
// the key read from the desktop's Secret Service or held in memory, then the request on the
// connection kept from the request before, or on a new one as when none is kept. Run it inside
// a desktop session with an unlocked keyring (scripts/ci-services.sh); without one the keyring
// cases report an error and the others still run.
#include "Parlino/Services/APIKeyCredential.h"
#include "Parlino/Services/Linux/KeychainStore.h"
#include "TTS/ElevenLabsClient.h"
#include "support/EventLoop.h"
#include "support/FakeSpeechService.h"

#include "Base/Scheduler.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace {

using TestSupport::FakeSpeechService;

const Core::SynthesisSettings settings{QStringLiteral("eleven_flash_v2_5"),
                                       QStringLiteral("mp3_44100_128")};

enum class Key { keyring, inMemory };
enum class Connection { kept, new_ };

Parlino::KeychainStore& keyring() {
    static Parlino::KeychainStore store(QStringLiteral("com.parlino.bench"),
                                        Base::QtScheduler::shared());
    return store;
}

bool storeBenchKey() {
    std::optional<bool> stored;
    keyring().write(Parlino::apiKeyAccount, QStringLiteral("sk-bench-0123456789abcdef"),
                    [&](auto result) { stored = result.hasValue(); });
    TestSupport::pumpUntil([&] { return stored.has_value(); }, 15000);
    return stored.value_or(false);
}

TTS::Endpoint::Credential credential(Key key) {
    if (key == Key::keyring)
        return Parlino::apiKeyCredential(keyring());
    return [](TTS::Endpoint::KeyHandler handler) {
        handler(QStringLiteral("sk-bench-0123456789abcdef"));
    };
}

// Reports the median and the 90th percentile of `samples` (milliseconds) as counters.
void reportSpread(benchmark::State& state, std::vector<double> samples) {
    if (samples.empty())
        return;
    std::sort(samples.begin(), samples.end());
    state.counters["median_ms"] = samples[samples.size() / 2];
    state.counters["p90_ms"] = samples[samples.size() * 9 / 10];
}

// Milliseconds from the call until the service holds the request; then waits for the answer.
double requestPath(const TTS::ElevenLabsClient& client, const FakeSpeechService& service) {
    const qsizetype before = service.requests().size();
    bool answered = false;
    QElapsedTimer timer;
    timer.start();
    client.synthesize(QStringLiteral("Hello there."), Core::VoiceID{QStringLiteral("voice")},
                      settings, {}, [&](auto) { answered = true; });
    TestSupport::pumpUntil([&] { return service.requests().size() > before; });
    const double elapsed = double(timer.nsecsElapsed()) / 1e6;
    TestSupport::pumpUntil([&] { return answered; });
    return elapsed;
}

void BM_RequestPath(benchmark::State& state, Key key, Connection connection) {
    if (key == Key::keyring && !storeBenchKey()) {
        state.SkipWithError("no unlocked Secret Service in this session");
        return;
    }
    FakeSpeechService service;
    service.serveSpeech("mp3", 1.0);
    QNetworkAccessManager session;
    QObject receiver;
    Base::Worker reader;
    const TTS::ElevenLabsClient client({service.baseURL(), credential(key)}, session,
                                       {reader, receiver});
    requestPath(client, service);
    std::vector<double> samples;
    for (auto _ : state) {
        if (connection == Connection::new_)
            session.clearConnectionCache();
        samples.push_back(requestPath(client, service));
        state.SetIterationTime(samples.back() / 1000);
    }
    state.counters["connections"] = service.acceptedConnections();
    reportSpread(state, std::move(samples));
}

void BM_KeyringRead(benchmark::State& state) {
    if (!storeBenchKey()) {
        state.SkipWithError("no unlocked Secret Service in this session");
        return;
    }
    std::vector<double> samples;
    for (auto _ : state) {
        bool read = false;
        QElapsedTimer timer;
        timer.start();
        keyring().read(Parlino::apiKeyAccount, [&](auto) { read = true; });
        TestSupport::pumpUntil([&] { return read; });
        samples.push_back(double(timer.nsecsElapsed()) / 1e6);
        state.SetIterationTime(samples.back() / 1000);
    }
    reportSpread(state, std::move(samples));
}

} // namespace

BENCHMARK_CAPTURE(BM_RequestPath, keyringKeptConnection, Key::keyring, Connection::kept)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(200);
BENCHMARK_CAPTURE(BM_RequestPath, keyringNewConnection, Key::keyring, Connection::new_)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(200);
BENCHMARK_CAPTURE(BM_RequestPath, keyInMemoryKeptConnection, Key::inMemory, Connection::kept)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(200);
BENCHMARK(BM_KeyringRead)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);
