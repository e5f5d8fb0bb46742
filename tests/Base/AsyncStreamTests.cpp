#include "Base/AsyncStream.h"
#include "support/EventLoop.h"

#include <QString>

#include <gtest/gtest.h>

#include <thread>

using Stream = Base::AsyncStream<int, QString>;

namespace {

struct Recorder {
    QList<int> elements;
    std::optional<std::optional<QString>> end; // set once the stream ended

    void listen(Stream& stream) {
        stream.listen([this](int v) { elements.append(v); },
                      [this](std::optional<QString> error) { end = std::move(error); });
    }
};

} // namespace

TEST(AsyncStream, BuffersUntilListenedAndDeliversInOrderOnTheMainThread) {
    auto [stream, continuation] = Stream::make();
    continuation.yield(1);
    continuation.yield(2);
    continuation.finish();
    continuation.yield(3); // after the end: ignored
    Recorder r;
    r.listen(stream);
    EXPECT_TRUE(r.elements.isEmpty()) << "delivery is never synchronous";
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return r.end.has_value(); }));
    EXPECT_EQ(r.elements, QList<int>({1, 2}));
    EXPECT_EQ(*r.end, std::nullopt);
}

TEST(AsyncStream, FailureEndsTheStreamWithTheError) {
    auto [stream, continuation] = Stream::make();
    Recorder r;
    r.listen(stream);
    continuation.yield(7);
    continuation.fail(QStringLiteral("boom"));
    continuation.finish();
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return r.end.has_value(); }));
    EXPECT_EQ(r.elements, QList<int>({7}));
    EXPECT_EQ(*r.end, QStringLiteral("boom"));
}

TEST(AsyncStream, CancelRunsTheHandlerOnceAndSuppressesPendingDeliveries) {
    auto [stream, continuation] = Stream::make();
    int cancels = 0;
    continuation.onCancel([&] { ++cancels; });
    Recorder r;
    r.listen(stream);
    continuation.yield(1);
    stream.cancel();
    stream.cancel();
    continuation.yield(2);
    continuation.finish();
    TestSupport::drainEvents();
    EXPECT_EQ(cancels, 1);
    EXPECT_TRUE(continuation.isCancelled());
    EXPECT_TRUE(r.elements.isEmpty());
    EXPECT_FALSE(r.end.has_value());
}

TEST(AsyncStream, DestroyingTheConsumerCancelsButAFinishedStreamDoesNotCallTheHandler) {
    int cancels = 0;
    Stream::Continuation continuation;
    {
        auto made = Stream::make();
        continuation = made.second;
        continuation.onCancel([&] { ++cancels; });
    }
    EXPECT_EQ(cancels, 1);
    EXPECT_TRUE(continuation.isCancelled());

    auto [finished, producer] = Stream::make();
    producer.onCancel([&] { ++cancels; });
    producer.finish();
    finished.cancel();
    EXPECT_EQ(cancels, 1);
}

TEST(AsyncStream, AHandlerMayCancelTheStreamMidDelivery) {
    auto [stream, continuation] = Stream::make();
    QList<int> seen;
    stream.listen(
        [&](int v) {
            seen.append(v);
            stream.cancel();
        },
        [](std::optional<QString>) { FAIL() << "no end after cancel"; });
    continuation.yield(1);
    continuation.yield(2);
    continuation.finish();
    TestSupport::drainEvents();
    EXPECT_EQ(seen, QList<int>({1}));
}

TEST(AsyncStream, ElementsYieldedFromAnotherThreadArriveInOrder) {
    auto [stream, continuation] = Stream::make();
    Recorder r;
    r.listen(stream);
    std::thread producer([c = continuation]() mutable {
        for (int i = 0; i < 100; ++i)
            c.yield(i);
        c.finish();
    });
    producer.join();
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return r.end.has_value(); }));
    ASSERT_EQ(r.elements.size(), 100);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(r.elements[i], i);
}

TEST(AsyncStream, AConsumerKeptAliveOnlyByItsOwnHandlersIsReleasedAtTheEnd) {
    struct Consumer {
        Stream stream;
        bool ended = false;
    };
    auto [stream, continuation] = Stream::make();
    auto consumer = std::make_shared<Consumer>();
    consumer->stream = std::move(stream);
    consumer->stream.listen([keep = consumer](int) {},
                            [keep = consumer](std::optional<QString>) { keep->ended = true; });
    std::weak_ptr<Consumer> weak = consumer;
    consumer.reset();
    continuation.yield(1);
    continuation.finish();
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return weak.expired(); }));
}
