#include "Base/OneAtATime.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

TEST(OneAtATime, ARunAskedForFromInsideFollowsOnceTheCurrentOneHasReturned) {
    Base::OneAtATime gate;
    QStringList log;
    int runs = 0;
    const std::function<void()> work = [&] {
        const int run = ++runs;
        log.append(QStringLiteral("start %1").arg(run));
        if (run == 1) {
            // Asked for three times over: one further run, after this one.
            gate.run(work);
            gate.run(work);
            gate.run(work);
        }
        EXPECT_TRUE(gate.isRunning());
        log.append(QStringLiteral("end %1").arg(run));
    };
    gate.run(work);
    EXPECT_EQ(log, (QStringList{"start 1", "end 1", "start 2", "end 2"}));
    EXPECT_FALSE(gate.isRunning());

    gate.run(work);
    EXPECT_EQ(runs, 3);
}

TEST(OneAtATime, ARunThatAsksAgainEveryTimeRunsUntilItStopsAsking) {
    Base::OneAtATime gate;
    int runs = 0;
    const std::function<void()> work = [&] {
        if (++runs < 5)
            gate.run(work);
    };
    gate.run(work);
    EXPECT_EQ(runs, 5);
}

} // namespace
