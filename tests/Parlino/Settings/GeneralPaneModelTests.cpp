#include "Parlino/Settings/GeneralPaneModel.h"

#include "PaneTesting.h"
#include "support/EventLoop.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <semaphore>

using namespace Parlino;
using TestSupport::FakeLoginItem;
using TestSupport::FakeRecordings;

namespace {

bool onMainThread() {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

// A cache whose size the test sets; records whether each call ran off the main thread.
struct FakeCache {
    CacheAccess access() {
        return {[this] {
                    offMainThread = offMainThread && !onMainThread();
                    ++measures;
                    return bytes.load();
                },
                [this] {
                    offMainThread = offMainThread && !onMainThread();
                    ++clears;
                    bytes = 0;
                }};
    }

    std::atomic<qint64> bytes = 0;
    std::atomic<int> measures = 0;
    std::atomic<int> clears = 0;
    std::atomic<bool> offMainThread = true;
};

struct GeneralPaneModelTest : ::testing::Test {
    // Measures with the fake cache at `bytes` and waits for the result.
    QString titleFor(qint64 bytes) {
        cache.bytes = bytes;
        auto model = std::make_unique<GeneralPaneModel>(login, recordings.recordings,
                                                        cache.access(), std::function<void()>());
        model->measureCache();
        const int before = cache.measures;
        TestSupport::pumpUntil(
            [&] { return cache.measures > before && model->cacheBytes() == bytes; });
        return model->cacheButtonTitle();
    }

    FakeLoginItem login;
    FakeRecordings recordings;
    FakeCache cache;
};

TEST_F(GeneralPaneModelTest, OneExportAtATimeForEveryPane) {
    auto first = std::make_unique<GeneralPaneModel>(login, recordings.recordings, cache.access(),
                                                    std::function<void()>());
    EXPECT_EQ(first->recordingsButtonTitle(), QStringLiteral("Open Recordings in File Manager"));
    first->openRecordings();
    first->openRecordings();
    EXPECT_EQ(recordings.runs, 1);
    EXPECT_TRUE(first->isPreparingRecordings());

    // A pane made while the export runs shows it, and cannot start another.
    first.reset();
    GeneralPaneModel second(login, recordings.recordings, cache.access(), {});
    EXPECT_TRUE(second.isPreparingRecordings());
    EXPECT_EQ(second.recordingsButtonTitle(), QStringLiteral("Preparing…"));
    second.openRecordings();
    EXPECT_EQ(recordings.runs, 1);

    int changes = 0;
    QObject::connect(&second, &GeneralPaneModel::isPreparingRecordingsChanged, [&] { ++changes; });
    recordings.finish();
    EXPECT_EQ(recordings.opens, 1);
    EXPECT_FALSE(second.isPreparingRecordings());
    EXPECT_EQ(changes, 1);
    second.openRecordings();
    EXPECT_EQ(recordings.runs, 2);
}

TEST_F(GeneralPaneModelTest, CacheButtonTitlesFollowTheMeasuredSize) {
    auto model = std::make_unique<GeneralPaneModel>(login, recordings.recordings, cache.access(),
                                                    std::function<void()>());
    EXPECT_EQ(model->cacheButtonTitle(), QStringLiteral("Cached audio is empty"));
    EXPECT_FALSE(model->canClearCache());

    EXPECT_EQ(titleFor(0), QStringLiteral("Cached audio is empty"));
    EXPECT_EQ(titleFor(1536), QStringLiteral("Clear cached audio (2 KB)"));
    EXPECT_EQ(titleFor(1610612736), QStringLiteral("Clear cached audio (1.5 GB)"));
    EXPECT_TRUE(cache.offMainThread);
}

TEST_F(GeneralPaneModelTest, ClearingEmptiesTheCacheOffTheMainThreadAndMeasuresAgain) {
    cache.bytes = 4096;
    auto model = std::make_unique<GeneralPaneModel>(login, recordings.recordings, cache.access(),
                                                    std::function<void()>());
    bool signalledOnMain = true;
    QObject::connect(model.get(), &GeneralPaneModel::cacheBytesChanged,
                     [&] { signalledOnMain = signalledOnMain && onMainThread(); });
    model->measureCache();
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return model->canClearCache(); }));

    model->clearCache();
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return model->cacheBytes() == 0; }));
    EXPECT_EQ(cache.clears, 1);
    EXPECT_EQ(cache.measures, 2);
    EXPECT_TRUE(cache.offMainThread);
    EXPECT_TRUE(signalledOnMain);
    EXPECT_EQ(model->cacheButtonTitle(), QStringLiteral("Cached audio is empty"));
}

TEST_F(GeneralPaneModelTest, AMeasurementOvertakenByALaterOneIsDropped) {
    std::binary_semaphore release(0);
    std::atomic<int> calls = 0;
    CacheAccess slowFirst{[&]() -> qint64 {
                              if (calls++ == 0) {
                                  release.acquire();
                                  return 9999; // measured before a clear
                              }
                              return 0;
                          },
                          [] {}};
    GeneralPaneModel model(login, recordings.recordings, slowFirst, {});
    model.measureCache();
    const bool firstStarted = TestSupport::pumpUntil([&] { return calls == 1; });
    model.measureCache();
    const bool secondDone = TestSupport::pumpUntil([&] { return calls == 2; });
    TestSupport::drainEvents();
    release.release();
    ASSERT_TRUE(firstStarted && secondDone);
    TestSupport::pumpUntil([&] { return model.cacheBytes() != 0; }, 200);
    EXPECT_EQ(model.cacheBytes(), 0);
}

} // namespace
