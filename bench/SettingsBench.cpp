// Cost of a large settings suite: loading its file, and writing every key while each key is
// observed.
#include "Base/UserDefaults.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int keyCount = 4000;

QString keyName(int index) {
    return QStringLiteral("group%1.setting%2").arg(index % 40).arg(index);
}

// Saves happen only when a suite is closed.
class NoTimers : public Base::Scheduler {
public:
    Base::ScheduledTask after(double, std::function<void()>) override { return {}; }
};

struct Suite {
    QTemporaryDir folder;
    NoTimers scheduler;

    std::shared_ptr<Base::UserDefaults> open() {
        return Base::UserDefaults::open(QStringLiteral("bench"), folder.path(), scheduler);
    }
};

void BM_SettingsLoad(benchmark::State& state) {
    Suite suite;
    {
        const auto defaults = suite.open();
        for (int i = 0; i < keyCount; ++i)
            defaults->set(keyName(i), i % 2 ? Base::PropertyValue(i) : QStringLiteral("value"));
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(suite.open());
    state.SetItemsProcessed(state.iterations() * keyCount);
}

void BM_SettingsSetWithObservers(benchmark::State& state) {
    Suite suite;
    const auto defaults = suite.open();
    int notified = 0;
    for (int i = 0; i < keyCount; ++i)
        defaults->addObserver(keyName(i), Base::UserDefaults::Observing::newValue,
                              [&](const Base::KeyValueChange&) { ++notified; });
    int round = 0;
    for (auto _ : state) {
        ++round;
        for (int i = 0; i < keyCount; ++i)
            defaults->set(keyName(i), round);
    }
    benchmark::DoNotOptimize(notified);
    state.SetItemsProcessed(state.iterations() * keyCount);
}

BENCHMARK(BM_SettingsLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SettingsSetWithObservers)->Unit(benchmark::kMillisecond);

} // namespace
