// GLib's headers name struct members `signals`, which Qt defines as a macro: include them first.
#include <glib.h>

#include "Base/Linux/GlibThread.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using Base::GlibThread;

struct Seen {
    std::atomic<bool> ran = false;
    std::thread::id thread;
    bool ownsDefaultContext = false;
};

void see(Seen& seen) {
    seen.thread = std::this_thread::get_id();
    seen.ownsDefaultContext = g_main_context_is_owner(g_main_context_default());
    seen.ran = true;
}

// Whatever attaches a source to the default context, from whichever thread (libatspi does so
// for each application it opens a connection to), it is dispatched on the GLib thread while
// Qt's main loop runs: never on two threads.
TEST(GlibThread, RunsItsWorkAndEverySourceOfTheDefaultContextOnOneThreadAlone) {
    auto& glib = GlibThread::shared();
    ASSERT_TRUE(glib.isRunning());
    EXPECT_FALSE(g_main_context_is_owner(g_main_context_default()));

    Seen ran, posted, attached;
    glib.post([&] { see(posted); });
    glib.run([&] { see(ran); });
    EXPECT_TRUE(posted.ran) << "posted work runs in order, before later work";
    g_idle_add(
        [](gpointer data) {
            see(*static_cast<Seen*>(data));
            return G_SOURCE_REMOVE;
        },
        &attached);
    EXPECT_TRUE(QTest::qWaitFor([&] { return attached.ran.load(); }, 5000));

    for (const Seen* seen : {&ran, &posted, &attached}) {
        EXPECT_NE(seen->thread, std::this_thread::get_id());
        EXPECT_EQ(seen->thread, ran.thread);
        EXPECT_TRUE(seen->ownsDefaultContext);
    }
}

TEST(GlibThread, WorkRunOnTheThreadItselfRunsAtOnce) {
    auto& glib = GlibThread::shared();
    bool inner = false;
    glib.run([&] { glib.run([&] { inner = true; }); });
    EXPECT_TRUE(inner);
}

} // namespace
