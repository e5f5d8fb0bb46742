#include "Base/Worker.h"

#include "support/EventLoop.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <memory>
#include <semaphore>

#include <sys/resource.h>
#include <unistd.h>

namespace {

bool onMainThread() {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

TEST(Worker, RunsOffTheMainThreadInOrderAndAnswersOnIt) {
    QObject receiver;
    Base::Worker worker;
    QList<int> answers;
    bool answeredOnMain = true;
    std::atomic<bool> ranOffMain = true;
    for (int i = 0; i < 5; ++i)
        worker.run(
            receiver,
            [i, &ranOffMain] {
                ranOffMain = ranOffMain && !onMainThread();
                return i * i;
            },
            [&](int square) {
                answeredOnMain = answeredOnMain && onMainThread();
                answers.append(square);
            });
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return answers.size() == 5; }));
    EXPECT_EQ(answers, (QList<int>{0, 1, 4, 9, 16}));
    EXPECT_TRUE(ranOffMain);
    EXPECT_TRUE(answeredOnMain);
}

TEST(Worker, AnAnswerWhoseReceiverIsGoneIsDroppedWithWhatItHolds) {
    Base::Worker worker;
    auto receiver = std::make_unique<QObject>();
    auto held = std::make_shared<int>(1);
    bool answered = false;
    worker.run(
        *receiver, [] { return 1; }, [&answered, held](int) { answered = true; });
    ASSERT_TRUE(worker.waitForIdle(std::chrono::seconds(10)));
    receiver.reset();
    TestSupport::drainEvents();
    EXPECT_FALSE(answered);
    EXPECT_EQ(held.use_count(), 1);
}

TEST(Worker, GoingAwayStopsTheRunningWorkAndRunsWhatWaitsWithTheStopSeen) {
    std::binary_semaphore started(0);
    std::atomic<bool> runningSawStop = false;
    std::atomic<bool> waitingRan = false;
    std::atomic<bool> waitingSawStop = false;
    {
        Base::Worker worker;
        worker.start([&](std::stop_token stop) {
            started.release();
            while (!stop.stop_requested())
                std::this_thread::yield();
            runningSawStop = true;
        });
        worker.start([&](std::stop_token stop) {
            waitingRan = true;
            waitingSawStop = stop.stop_requested();
        });
        started.acquire();
        EXPECT_FALSE(worker.isIdle());
        EXPECT_FALSE(worker.waitForIdle(std::chrono::milliseconds(20)));
    }
    EXPECT_TRUE(runningSawStop);
    EXPECT_TRUE(waitingRan);
    EXPECT_TRUE(waitingSawStop);
}

TEST(Worker, SeveralThreadsShareTheWorkAtTheirNiceness) {
    Base::Worker worker({3, 5});
    std::atomic<int> atOnce = 0;
    std::atomic<int> most = 0;
    std::atomic<int> niceOnes = 0;
    std::counting_semaphore<3> gate(0);
    const int callers = ::getpriority(PRIO_PROCESS, id_t(::gettid())); // the tests may run niced
    for (int i = 0; i < 3; ++i)
        worker.start([&](std::stop_token) {
            most = std::max(most.load(), ++atOnce);
            niceOnes += ::getpriority(PRIO_PROCESS, id_t(::gettid())) == std::min(callers + 5, 19);
            gate.acquire();
            --atOnce;
        });
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return most == 3; }));
    gate.release(3);
    ASSERT_TRUE(worker.waitForIdle(std::chrono::seconds(10)));
    EXPECT_EQ(niceOnes, 3);
    EXPECT_EQ(::getpriority(PRIO_PROCESS, id_t(::gettid())), callers); // the caller's stays
}

} // namespace
