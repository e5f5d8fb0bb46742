#include "Defaults/Defaults.h"
#include "Defaults/Updates.h"

#include "Suite.h"
#include "support/EventLoop.h"

#include <thread>

using Defaults::KeyChange;
using Defaults::ObservationOption;

namespace {

class ObservationTest : public SuiteTest {
protected:
    Defaults::Key<int> count{"count", 1, suite};
    Defaults::Key<QString> name{"name", "none", suite};
};

// Gathers what a stream delivers on the main thread.
template <class T> struct Collector {
    explicit Collector(Defaults::UpdateStream<T> s) : stream(std::move(s)) {
        stream.listen([this](T value) { values.append(std::move(value)); }, [](auto) {});
    }
    QList<T> drained() {
        TestSupport::drainEvents();
        return values;
    }
    Defaults::UpdateStream<T> stream;
    QList<T> values;
};

} // namespace

TEST_F(ObservationTest, DeliversOldAndNewValuesInOrder) {
    QList<KeyChange<int>> changes;
    auto observation =
        Defaults::observe(count, {}, [&](const KeyChange<int>& change) { changes.append(change); });
    Defaults::set(count, 5);
    Defaults::set(count, 5);
    count.reset();
    suite->set("count", "wrong type");
    EXPECT_EQ(changes,
              (QList<KeyChange<int>>{{false, 5, 1}, {false, 5, 5}, {false, 1, 5}, {false, 1, 1}}));
}

TEST_F(ObservationTest, InitialAndPriorOptions) {
    Defaults::set(count, 2);
    QList<KeyChange<int>> initial, prior, both;
    auto first = Defaults::observe(count, ObservationOption::initial,
                                   [&](const KeyChange<int>& change) { initial.append(change); });
    auto second = Defaults::observe(count, ObservationOption::prior,
                                    [&](const KeyChange<int>& change) { prior.append(change); });
    auto third = Defaults::observe(count, ObservationOption::initial | ObservationOption::prior,
                                   [&](const KeyChange<int>& change) { both.append(change); });
    Defaults::set(count, 3);
    EXPECT_EQ(initial, (QList<KeyChange<int>>{{false, 2, 1}, {false, 3, 2}}));
    EXPECT_EQ(prior, (QList<KeyChange<int>>{{true, 1, 2}, {false, 3, 2}}));
    EXPECT_EQ(both, initial);
}

TEST_F(ObservationTest, InvalidatedObservationsAreSilent) {
    int calls = 0;
    auto observation = Defaults::observe(count, {}, [&](const KeyChange<int>&) { ++calls; });
    observation->invalidate();
    Defaults::set(count, 4);
    auto dropped = Defaults::observe(count, {}, [&](const KeyChange<int>&) { ++calls; });
    dropped.reset();
    Defaults::set(count, 5);
    EXPECT_EQ(calls, 0);
}

TEST_F(ObservationTest, SeveralKeysShareOneHandler) {
    int calls = 0;
    auto observation = Defaults::observe({count, name}, [&] { ++calls; });
    EXPECT_EQ(calls, 0);
    Defaults::set(count, 2);
    Defaults::set(name, QStringLiteral("n"));
    suite->set("other", 1);
    EXPECT_EQ(calls, 2);
    observation->invalidate();
    Defaults::set(count, 3);
    EXPECT_EQ(calls, 2);
}

TEST_F(ObservationTest, WithoutPropagationSilencesOnlyThisThreadAndNests) {
    QList<int> seen;
    std::mutex seenMutex;
    auto observation = Defaults::observe(count, {}, [&](const KeyChange<int>& change) {
        std::lock_guard lock(seenMutex);
        seen.append(change.newValue);
    });
    Defaults::withoutPropagation([&] {
        Defaults::set(count, 2);
        Defaults::withoutPropagation([&] { Defaults::set(count, 3); });
        Defaults::set(count, 4);
        std::thread([&] { Defaults::set(count, 5); }).join();
    });
    Defaults::set(count, 6);
    EXPECT_EQ(seen, (QList<int>{5, 6}));
}

TEST_F(ObservationTest, AnObserverOfADestroyedSuiteStaysSilent) {
    auto other = Base::UserDefaults::open("other", folder.path(), scheduler);
    auto observation = Defaults::DefaultsObservation::make(
        other, "k", [](const Defaults::SuiteKeyPair&, const Defaults::BaseChange&) { FAIL(); });
    observation->start({});
    other.reset();
    observation->invalidate();
    EXPECT_FALSE(observation->isObserving());
}

TEST_F(ObservationTest, ATiedObservationLivesUntilItsOwnerGoes) {
    int calls = 0;
    auto owner = std::make_unique<QObject>();
    Defaults::observe(count, {}, [&](const KeyChange<int>&) {
        ++calls;
    })->tieToLifetime(owner.get());
    Defaults::set(count, 2);
    owner.reset();
    Defaults::set(count, 3);
    EXPECT_EQ(calls, 1);
}

TEST_F(ObservationTest, TyingToASecondOwnerKeepsTheObservation) {
    int calls = 0;
    auto first = std::make_unique<QObject>();
    auto second = std::make_unique<QObject>();
    std::weak_ptr<Defaults::Observation> weak =
        Defaults::observe(count, {}, [&](const KeyChange<int>&) { ++calls; })
            ->tieToLifetime(first.get())
            ->tieToLifetime(second.get());
    first.reset();
    Defaults::set(count, 2);
    EXPECT_EQ(calls, 1);
    second.reset();
    Defaults::set(count, 3);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(weak.expired());
}

TEST_F(ObservationTest, RemovingTheTieLeavesTheObservationToItsHolder) {
    int calls = 0;
    auto owner = std::make_unique<QObject>();
    auto observation = Defaults::observe(count, {}, [&](const KeyChange<int>&) { ++calls; });
    observation->tieToLifetime(owner.get());
    observation->removeLifetimeTie();
    owner.reset();
    Defaults::set(count, 2);
    EXPECT_EQ(calls, 1);
}

TEST_F(ObservationTest, AStreamYieldsEveryWriteAfterItsStart) {
    Defaults::set(count, 2);
    Collector<int> updates(Defaults::updates(count, false));
    EXPECT_EQ(updates.drained(), QList<int>{});
    Defaults::set(count, 3);
    Defaults::set(count, 3);
    count.reset();
    suite->set("count", "wrong type");
    EXPECT_EQ(updates.drained(), (QList<int>{3, 3, 1, 1}));
}

TEST_F(ObservationTest, AStreamWithInitialStartsWithTheCurrentValue) {
    Collector<int> updates(Defaults::updates(count));
    Defaults::set(count, 4);
    EXPECT_EQ(updates.drained(), (QList<int>{1, 4}));
}

TEST_F(ObservationTest, AStreamReceivesWritesFromOtherThreads) {
    Collector<int> updates(Defaults::updates(count, false));
    std::thread([&] { Defaults::set(count, 8); }).join();
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return updates.values == QList<int>{8}; }));
}

TEST_F(ObservationTest, CancellingAStreamEndsItsObservationOnTheMainThread) {
    std::optional<Collector<int>> updates(Defaults::updates(count, false));
    updates->stream.cancel();
    TestSupport::drainEvents();
    int calls = 0;
    auto counter = Defaults::observe(count, {}, [&](const KeyChange<int>&) { ++calls; });
    Defaults::set(count, 2);
    EXPECT_EQ(updates->drained(), QList<int>{});
    EXPECT_EQ(calls, 1);
}

TEST_F(ObservationTest, ATupleStreamHoldsEveryKeysCurrentValue) {
    using Values = std::tuple<int, QString>;
    Collector<Values> updates(Defaults::updates(std::tuple{count, name}));
    Defaults::set(count, 2);
    Defaults::set(name, QStringLiteral("n"));
    EXPECT_EQ(updates.drained(), (QList<Values>{{1, "none"}, {2, "none"}, {2, "n"}}));
}

TEST_F(ObservationTest, AnUntypedStreamYieldsOneInitialElementAndOnePerChange) {
    Collector<std::monostate> updates(Defaults::updates({count, name}));
    Defaults::set(count, 2);
    Defaults::set(name, QStringLiteral("n"));
    EXPECT_EQ(updates.drained().size(), 3);
}
