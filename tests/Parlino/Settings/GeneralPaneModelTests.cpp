#include "Parlino/Settings/GeneralPaneModel.h"

#include "PaneTesting.h"

#include <QList>
#include <QPointer>

#include <utility>

using namespace Parlino;
using TestSupport::FakeLoginItem;
using TestSupport::FakeRecordings;

namespace {

// A cache whose size the test sets and whose answers it gives, in the order it chooses.
struct FakeCache {
    CacheAccess access() {
        return {[this](QObject& receiver, std::function<void(qint64)> done) {
                    measures.append({&receiver, std::move(done)});
                },
                [this](QObject& receiver, std::function<void()> done) {
                    clears.append({&receiver, std::move(done)});
                }};
    }
    // Answers the oldest measurement with the size now; the receiver must still be there.
    void answerMeasure() {
        auto [receiver, done] = measures.takeFirst();
        ASSERT_TRUE(receiver);
        done(bytes);
    }
    void answerClear() {
        auto [receiver, done] = clears.takeFirst();
        ASSERT_TRUE(receiver);
        bytes = 0;
        done();
    }

    qint64 bytes = 0;
    QList<std::pair<QPointer<QObject>, std::function<void(qint64)>>> measures;
    QList<std::pair<QPointer<QObject>, std::function<void()>>> clears;
};

struct GeneralPaneModelTest : ::testing::Test {
    // Measures with the fake cache at `bytes` and waits for the result.
    QString titleFor(qint64 bytes) {
        cache.bytes = bytes;
        auto model = std::make_unique<GeneralPaneModel>(login, recordings.recordings,
                                                        cache.access(), std::function<void()>());
        model->measureCache();
        cache.answerMeasure();
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
}

TEST_F(GeneralPaneModelTest, ClearingEmptiesTheCacheAndMeasuresAgain) {
    cache.bytes = 4096;
    GeneralPaneModel model(login, recordings.recordings, cache.access(), {});
    model.measureCache();
    cache.answerMeasure();
    ASSERT_TRUE(model.canClearCache());

    model.clearCache();
    EXPECT_TRUE(cache.measures.isEmpty()); // measured again only once cleared
    cache.answerClear();
    ASSERT_EQ(cache.measures.size(), 1);
    cache.answerMeasure();
    EXPECT_EQ(model.cacheBytes(), 0);
    EXPECT_EQ(model.cacheButtonTitle(), QStringLiteral("Cached audio is empty"));
}

TEST_F(GeneralPaneModelTest, AMeasurementOvertakenByALaterOneIsDropped) {
    cache.bytes = 9999;
    GeneralPaneModel model(login, recordings.recordings, cache.access(), {});
    model.measureCache();
    model.measureCache();
    auto first = cache.measures.takeFirst().second;
    cache.bytes = 0;
    cache.answerMeasure();
    first(9999); // measured before a clear, answered last
    EXPECT_EQ(model.cacheBytes(), 0);
}

} // namespace
