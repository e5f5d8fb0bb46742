#include "Parlino/Shell/Linux/QuitSignals.h"

#include "support/EventLoop.h"

#include <gtest/gtest.h>

#include <csignal>

using Parlino::QuitSignals;

namespace {

sighandler_t installedHandler(int signal) {
    struct sigaction current = {};
    ::sigaction(signal, nullptr, &current);
    return current.sa_handler;
}

} // namespace

// A logout, a service manager and a terminal each end the application their own way; every one
// of them reaches the same Quit on the main thread, and the default handling is back once the
// handlers go.
TEST(QuitSignals, EachOfTheSessionsSignalsQuitsOnceOnTheMainThread) {
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        int quits = 0;
        {
            QuitSignals handlers([&] { ++quits; });
            ASSERT_TRUE(handlers.isListening());
            ASSERT_EQ(::raise(signal), 0);
            // The handler only notes the signal: the quit waits for the event loop.
            EXPECT_EQ(quits, 0) << strsignal(signal);
            EXPECT_TRUE(TestSupport::pumpUntil([&] { return quits > 0; })) << strsignal(signal);
            TestSupport::drainEvents();
            EXPECT_EQ(quits, 1) << strsignal(signal);
        }
        EXPECT_EQ(installedHandler(signal), SIG_DFL) << strsignal(signal);
    }
}
