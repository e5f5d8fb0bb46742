#include "Defaults/LifetimeAssociation.h"
#include "Defaults/TaskQueue.h"

#include <QObject>

#include <gtest/gtest.h>

#include <future>

using Defaults::LifetimeAssociation;
using Defaults::TaskQueue;

namespace {

void waitForDrain(TaskQueue& queue) {
    std::promise<void> drained;
    queue.flush([&] { drained.set_value(); });
    drained.get_future().wait();
}

} // namespace

TEST(TaskQueueTest, RunsOperationsOneAtATimeInOrder) {
    TaskQueue queue;
    std::vector<int> order;
    for (int i = 0; i < 3; ++i)
        queue.async([&order, i] { order.push_back(i); });
    waitForDrain(queue);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
}

TEST(TaskQueueTest, AnUnfinishedOperationHoldsUpTheRest) {
    TaskQueue queue;
    TaskQueue::Done finishFirst;
    std::promise<void> firstStarted;
    std::vector<int> order;
    queue.asyncWithCompletion([&](TaskQueue::Done done) {
        finishFirst = std::move(done);
        firstStarted.set_value();
    });
    queue.async([&] { order.push_back(2); });
    firstStarted.get_future().wait();
    order.push_back(1);
    finishFirst();
    finishFirst(); // a second call changes nothing
    waitForDrain(queue);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(TaskQueueTest, GoingAwayRunsWhatWasQueuedWithoutWaitingForAnUnfinishedOperation) {
    std::vector<int> order;
    TaskQueue::Done finishLater;
    {
        TaskQueue queue;
        queue.asyncWithCompletion([&](TaskQueue::Done done) {
            finishLater = std::move(done);
            order.push_back(1);
        });
        queue.async([&] { order.push_back(2); });
    }
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    finishLater(); // after the queue: changes nothing
}

TEST(LifetimeAssociationTest, TheOwnersEndRunsEachEndActionOnceAndReleasesTheTarget) {
    auto owner = std::make_unique<QObject>();
    auto target = std::make_shared<int>(1);
    int ended = 0;
    LifetimeAssociation first(target, owner.get(), [&] { ++ended; });
    LifetimeAssociation second(target, owner.get(), [&] { ended += 10; });
    std::weak_ptr<int> weak = target;
    target.reset();
    EXPECT_FALSE(weak.expired());
    owner.reset();
    EXPECT_EQ(ended, 11);
    EXPECT_TRUE(weak.expired());
}

TEST(LifetimeAssociationTest, CancelDetachesWithoutTheEndAction) {
    auto owner = std::make_unique<QObject>();
    int ended = 0;
    LifetimeAssociation cancelled(std::make_shared<int>(1), owner.get(), [&] { ++ended; });
    LifetimeAssociation kept(std::make_shared<int>(2), owner.get(), [&] { ended += 10; });
    cancelled.cancel();
    EXPECT_EQ(owner->children().size(), 1);
    owner.reset();
    EXPECT_EQ(ended, 10);
}

TEST(LifetimeAssociationTest, ReleasingAnAttachedAssociationEndsItAtOnce) {
    QObject owner;
    int ended = 0;
    {
        LifetimeAssociation association(std::make_shared<int>(1), &owner, [&] { ++ended; });
    }
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(owner.children().isEmpty());
}
