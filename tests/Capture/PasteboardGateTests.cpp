#include "Capture/PasteboardGate.h"
#include "support/CaptureFakes.h"
#include "support/LogCapture.h"
#include "support/Printers.h"
#include "support/VirtualTime.h"

#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <latch>
#include <thread>

using namespace Capture;
using TestSupport::textItem;

namespace {

const QList<PasteboardItem> usersItems{
    {{QStringLiteral("text/plain"), QByteArray("the user's own copy")},
     {QStringLiteral("text/html"), QByteArray("<b>the user's own copy</b>")}},
    {{QStringLiteral("image/png"), QByteArray("\x89PNG")}},
};

// Waits (in real time, as a safety net only) for another thread to reach a state.
bool eventually(const std::function<bool()>& condition) {
    QDeadlineTimer deadline(5000);
    while (!condition() && !deadline.hasExpired())
        std::this_thread::yield();
    return condition();
}

class PasteboardGateTest : public ::testing::Test {
protected:
    PasteboardGateTest() { pasteboard->write(usersItems); }

    // The copy's text; the fake pasteboard's reading never fails.
    using Copied = Base::Result<std::optional<QString>, PasteboardGate::Cancelled>;
    Copied copy(const std::function<bool()>& trigger, std::stop_token stop = {}) {
        PasteboardGate::CopyResult result = gate.copy(0.005, 0.4, trigger, stop);
        if (!result)
            return Base::failure(result.error());
        EXPECT_TRUE(*result);
        return result->valueOr(std::nullopt);
    }
    std::function<bool()> copying(const QString& text) {
        return [this, text] {
            pasteboard->writeText(text);
            return true;
        };
    }

    TestSupport::VirtualTime time;
    std::shared_ptr<TestSupport::FakePasteboard> pasteboard =
        std::make_shared<TestSupport::FakePasteboard>(time);
    PasteboardGate gate{pasteboard, time, time, 0.5};
};

const auto sendsNothing = [] { return true; };

} // namespace

TEST_F(PasteboardGateTest, ReturnsTheCopiedTextAndRestoresEveryItem) {
    const qint64 before = pasteboard->changeCount();
    const auto result = copy(copying(QStringLiteral("selected")));
    ASSERT_TRUE(result);
    EXPECT_EQ(*result, QStringLiteral("selected"));
    EXPECT_EQ(pasteboard->items(), usersItems);
    EXPECT_GT(pasteboard->changeCount(), before + 1);
    EXPECT_DOUBLE_EQ(time.now(), 0.0) << "a change seen at the first look needs no wait";
}

TEST_F(PasteboardGateTest, AnyChangeEndsThePollingEvenByAnotherApplication) {
    time.at(0.1, [this] { pasteboard->writeText(QStringLiteral("another app's copy")); });
    const auto result = copy(sendsNothing);
    ASSERT_TRUE(result);
    EXPECT_EQ(*result, QStringLiteral("another app's copy"));
    EXPECT_LT(time.now(), 0.11);
    EXPECT_EQ(pasteboard->items(), usersItems);
}

TEST_F(PasteboardGateTest, NoChangeTimesOutAndRestores) {
    const auto result = copy(sendsNothing);
    ASSERT_TRUE(result);
    EXPECT_EQ(*result, std::nullopt);
    ASSERT_EQ(pasteboard->restores(), 1);
    EXPECT_GE(pasteboard->restoreTimes()[0], 0.4 - 1e-9);
    EXPECT_LT(pasteboard->restoreTimes()[0], 0.41);
    EXPECT_EQ(pasteboard->items(), usersItems);
}

TEST_F(PasteboardGateTest, TriggerThatSentNothingLeavesThePasteboardAlone) {
    const auto result = copy([] { return false; });
    ASSERT_TRUE(result);
    EXPECT_EQ(*result, std::nullopt);
    EXPECT_EQ(pasteboard->restores(), 0);
    EXPECT_EQ(time.now(), 0.0);
    EXPECT_TRUE(copy(copying(QStringLiteral("next")))) << "the gate was handed on";
}

TEST_F(PasteboardGateTest, StopBeforeTheCopyTouchesNothing) {
    std::stop_source stop;
    stop.request_stop();
    bool triggered = false;
    const auto result = copy(
        [&] {
            triggered = true;
            return true;
        },
        stop.get_token());
    ASSERT_FALSE(result);
    EXPECT_FALSE(triggered);
    EXPECT_EQ(pasteboard->snapshots(), 0);
    EXPECT_EQ(pasteboard->restores(), 0);
    EXPECT_EQ(*copy(copying(QStringLiteral("next"))), QStringLiteral("next"));
}

TEST_F(PasteboardGateTest, StopWhilePollingRestoresBeforeFailing) {
    std::stop_source stop;
    time.at(0.2, [&] { stop.request_stop(); });
    const auto result = copy(sendsNothing, stop.get_token());
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), PasteboardGate::Cancelled{});
    ASSERT_EQ(pasteboard->restores(), 1);
    EXPECT_LT(pasteboard->restoreTimes()[0], 0.21);
    EXPECT_EQ(pasteboard->items(), usersItems);
    EXPECT_EQ(*copy(copying(QStringLiteral("next"))), QStringLiteral("next"));
}

TEST_F(PasteboardGateTest, LateCopyAfterTheTimeOutIsUndone) {
    TestSupport::LogCapture log;
    time.at(0.6, [this] { pasteboard->writeText(QStringLiteral("late copy")); });
    ASSERT_EQ(*copy(sendsNothing), std::nullopt);

    // The next caller gets the gate only after the watch has put the user's items back.
    std::optional<QList<PasteboardItem>> seenByNext;
    const auto next = copy([&] {
        seenByNext = pasteboard->items();
        pasteboard->writeText(QStringLiteral("next"));
        return true;
    });
    EXPECT_EQ(seenByNext, usersItems);
    EXPECT_EQ(*next, QStringLiteral("next"));
    const auto restores = pasteboard->restoreTimes();
    ASSERT_EQ(restores.size(), 3u);
    EXPECT_GE(restores[1], 0.6);
    EXPECT_LT(restores[1], 0.61);
    EXPECT_EQ(log.messages(QStringLiteral("focus-diag")),
              QStringList{QStringLiteral("late copy after time-out: pasteboard restored")});
}

TEST_F(PasteboardGateTest, WatchEndsQuietlyWhenNoLateCopyComes) {
    ASSERT_EQ(*copy(sendsNothing), std::nullopt);
    ASSERT_TRUE(copy(copying(QStringLiteral("next"))));
    const auto restores = pasteboard->restoreTimes();
    ASSERT_EQ(restores.size(), 2u);
    EXPECT_GE(restores[1], 0.9 - 1e-9) << "the next copy waited for the watch to end";
}

TEST_F(PasteboardGateTest, CallersAreServedInArrivalOrder) {
    std::latch firstTriggered(1);
    std::latch letFirstFinish(1);
    std::mutex orderMutex;
    QStringList order;
    const auto copyingInOrder = [&](const QString& name) {
        return [&, name] {
            {
                std::lock_guard lock(orderMutex);
                order << name;
            }
            if (name == QStringLiteral("first")) {
                firstTriggered.count_down();
                letFirstFinish.wait();
            }
            pasteboard->writeText(name);
            return true;
        };
    };

    std::optional<Copied> results[3];
    std::jthread first([&] { results[0] = copy(copyingInOrder(QStringLiteral("first"))); });
    firstTriggered.wait();
    std::jthread second([&] { results[1] = copy(copyingInOrder(QStringLiteral("second"))); });
    ASSERT_TRUE(eventually([&] { return gate.waitingCount() == 1; }));
    std::jthread third([&] { results[2] = copy(copyingInOrder(QStringLiteral("third"))); });
    ASSERT_TRUE(eventually([&] { return gate.waitingCount() == 2; }));

    letFirstFinish.count_down();
    first.join();
    second.join();
    third.join();
    EXPECT_EQ(order, (QStringList{"first", "second", "third"}));
    EXPECT_EQ(**results[0], QStringLiteral("first"));
    EXPECT_EQ(**results[1], QStringLiteral("second"));
    EXPECT_EQ(**results[2], QStringLiteral("third"));
    EXPECT_EQ(pasteboard->items(), usersItems);
}

TEST_F(PasteboardGateTest, CancelledWaiterLeavesTheQueueAndTheNextOneStillGetsTheGate) {
    std::latch firstTriggered(1);
    std::latch letFirstFinish(1);
    std::jthread first([&] {
        EXPECT_TRUE(copy([&] {
            firstTriggered.count_down();
            letFirstFinish.wait();
            pasteboard->writeText(QStringLiteral("first"));
            return true;
        }));
    });
    firstTriggered.wait();

    bool cancelledTriggered = false;
    std::optional<Copied> cancelled;
    std::jthread second([&](std::stop_token stop) {
        cancelled = copy(
            [&] {
                cancelledTriggered = true;
                return true;
            },
            stop);
    });
    ASSERT_TRUE(eventually([&] { return gate.waitingCount() == 1; }));
    std::optional<Copied> last;
    std::jthread third([&] { last = copy(copying(QStringLiteral("third"))); });
    ASSERT_TRUE(eventually([&] { return gate.waitingCount() == 2; }));

    second.request_stop();
    second.join();
    ASSERT_TRUE(cancelled);
    EXPECT_FALSE(*cancelled);
    EXPECT_EQ(gate.waitingCount(), 1u);

    letFirstFinish.count_down();
    first.join();
    third.join();
    EXPECT_FALSE(cancelledTriggered);
    EXPECT_EQ(**last, QStringLiteral("third"));
    EXPECT_EQ(pasteboard->items(), usersItems);
}
