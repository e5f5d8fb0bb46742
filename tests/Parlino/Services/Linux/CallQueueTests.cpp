#include "Parlino/Services/Linux/LibsecretCall.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

using Parlino::CallQueue;

struct CallQueueTest : ::testing::Test {
    CallQueue::Ticket enqueue(const QString& name) {
        return calls.enqueue([this, name] { begun.append(name); });
    }

    CallQueue calls;
    QStringList begun;
};

// Calls begin one after another, each once the one before it finished, answered or given up.
TEST_F(CallQueueTest, ACallBeginsOnceTheOneBeforeItFinished) {
    const auto first = enqueue("first");
    const auto second = enqueue("second");
    EXPECT_EQ(begun, QStringList{"first"});
    calls.finished(first);
    EXPECT_EQ(begun, (QStringList{"first", "second"}));
    calls.finished(second);
    enqueue("third");
    EXPECT_EQ(begun, (QStringList{"first", "second", "third"})) << "at once on an idle queue";
}

// A call given up goes on no longer holding the queue, its answer coming later or never: the
// later finish is nothing, and a call given up before it began never begins.
TEST_F(CallQueueTest, ACallGivenUpHoldsNothingUpAndOneGivenUpUnbegunNeverBegins) {
    const auto stalled = enqueue("stalled");
    const auto abandoned = enqueue("abandoned");
    enqueue("next");
    calls.finished(abandoned);
    calls.finished(stalled);
    EXPECT_EQ(begun, (QStringList{"stalled", "next"}));
    calls.finished(stalled); // libsecret answers the cancellation after all
    calls.finished(abandoned);
    enqueue("after");
    EXPECT_EQ(begun, (QStringList{"stalled", "next"})) << "`next` still runs";
}

} // namespace
