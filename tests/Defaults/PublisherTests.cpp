#include "Defaults/Publisher.h"

#include "Suite.h"

#include <thread>

using Defaults::KeyChange;
using Defaults::ObservationOption;

namespace {

class PublisherTest : public SuiteTest {
protected:
    Defaults::Key<int> count{"count", 1, suite};
    Defaults::Key<QString> name{"name", "none", suite};
};

} // namespace

TEST_F(PublisherTest, WithInitialTheCurrentValueComesFirst) {
    Defaults::set(count, 2);
    QList<KeyChange<int>> changes;
    auto subscription = Defaults::publisher(count, ObservationOption::initial)
                            .subscribe([&](const KeyChange<int>& c) { changes.append(c); });
    EXPECT_EQ(changes, (QList<KeyChange<int>>{{false, 2, 1}}));
    Defaults::set(count, 3);
    EXPECT_EQ(changes, (QList<KeyChange<int>>{{false, 2, 1}, {false, 3, 2}}));
}

TEST_F(PublisherTest, WithPriorEachWriteIsAnnouncedBeforeAndAfter) {
    QList<KeyChange<int>> changes;
    auto subscription = Defaults::publisher(count, ObservationOption::prior)
                            .subscribe([&](const KeyChange<int>& c) { changes.append(c); });
    Defaults::set(count, 4);
    EXPECT_EQ(changes, (QList<KeyChange<int>>{{true, 1, 1}, {false, 4, 1}}));
}

TEST_F(PublisherTest, NothingIsDeliveredAfterCancellation) {
    int calls = 0;
    auto cancelled = Defaults::publisher(count).subscribe([&](const KeyChange<int>&) { ++calls; });
    std::optional<Defaults::Cancellable> dropped =
        Defaults::publisher(count).subscribe([&](const KeyChange<int>&) { calls += 10; });
    Defaults::set(count, 2);
    cancelled.cancel();
    dropped.reset();
    Defaults::set(count, 3);
    EXPECT_EQ(calls, 11);
}

TEST_F(PublisherTest, ReassigningATokenCancelsItsFormerSubscription) {
    QList<int> seen;
    auto subscription = Defaults::publisher(count).subscribe(
        [&](const KeyChange<int>& c) { seen.append(c.newValue); });
    subscription = Defaults::publisher(count).subscribe(
        [&](const KeyChange<int>& c) { seen.append(-c.newValue); });
    Defaults::set(count, 2);
    EXPECT_EQ(seen, QList<int>{-2});
}

TEST_F(PublisherTest, ChangesArriveOnTheWritingThread) {
    std::thread::id deliveredOn;
    auto subscription = Defaults::publisher(count).subscribe(
        [&](const KeyChange<int>&) { deliveredOn = std::this_thread::get_id(); });
    std::thread::id writer;
    std::thread([&] {
        writer = std::this_thread::get_id();
        Defaults::set(count, 2);
    }).join();
    EXPECT_EQ(deliveredOn, writer);
}

TEST_F(PublisherTest, TheMergedPublisherSignalsEachChangeOfAnyKey) {
    int signalCount = 0;
    auto subscription =
        Defaults::publisher({count, name}).subscribe([&](std::monostate) { ++signalCount; });
    Defaults::set(count, 2);
    Defaults::set(name, QStringLiteral("n"));
    suite->set("other", 1);
    EXPECT_EQ(signalCount, 2);
    subscription.cancel();
    Defaults::set(count, 3);
    EXPECT_EQ(signalCount, 2);

    int none = 0;
    auto empty =
        Defaults::publisher(QList<Defaults::AnyKey>{}).subscribe([&](std::monostate) { ++none; });
    Defaults::set(count, 4);
    EXPECT_EQ(none, 0);
}
