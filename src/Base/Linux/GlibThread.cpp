// GLib's headers name struct members `signals`, which Qt defines as a macro: include them first.
#include <glib.h>

#include "Base/Linux/GlibThread.h"

#include "Base/Environment.h"
#include "Base/Log.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

#include <chrono>
#include <future>

namespace Base {

namespace {

const Log logger("glib");

// Qt's main thread runs GLib's default context itself: a second owner would stop its event loop.
bool qtIteratesDefaultContext() {
    const auto* app = QCoreApplication::instance();
    if (!app)
        return qEnvironmentVariableIsEmpty("QT_NO_GLIB");
    const auto* dispatcher = QAbstractEventDispatcher::instance(app->thread());
    return dispatcher && dispatcher->inherits("QEventDispatcherGlib");
}

GMainLoop* mainLoop() {
    static GMainLoop* const loop = g_main_loop_new(g_main_context_default(), FALSE);
    return loop;
}

struct Job {
    std::function<void()> work;
    std::promise<void>* done = nullptr; // set by run(), which waits for it
};

gboolean runJob(gpointer data) {
    auto* job = static_cast<Job*>(data);
    job->work();
    if (job->done)
        job->done->set_value();
    return G_SOURCE_REMOVE;
}

void deleteJob(gpointer data) {
    delete static_cast<Job*>(data);
}

// Queued on the default context, which the thread owns: run there, never on the caller's thread.
void invoke(Job* job) {
    g_main_context_invoke_full(g_main_context_default(), G_PRIORITY_DEFAULT, &runJob, job,
                               &deleteJob);
}

} // namespace

PlatformTheme::Choice GlibThread::keepQtOffGlib(const PlatformTheme::Request& theme) {
    Environment::setForThisProcess("QT_NO_GLIB", "1");
    return PlatformTheme::apply(theme);
}

GlibThread& GlibThread::shared() {
    static GlibThread thread;
    return thread;
}

GlibThread::GlibThread() {
    if (qtIteratesDefaultContext()) {
        logger.error("Qt's event loop runs GLib's default main context: accessibility and the "
                     "keyring are not used");
        return;
    }
    std::promise<bool> started;
    auto owned = started.get_future();
    m_worker.start([&started](std::stop_token) {
        GMainContext* context = g_main_context_default();
        // Owned for the thread's life, so that work from other threads is always queued here.
        const bool acquired = g_main_context_acquire(context);
        started.set_value(acquired);
        if (!acquired)
            return;
        g_main_loop_run(mainLoop());
        g_main_context_release(context);
    });
    m_running = owned.get();
    if (!m_running)
        logger.error("GLib's default main context is owned by another thread");
}

GlibThread::~GlibThread() {
    if (!m_running)
        return;
    post([] { g_main_loop_quit(mainLoop()); });
    // The work in hand is bounded by its own time-outs.
    while (!m_worker.waitForIdle(std::chrono::seconds(1))) {
    }
}

void GlibThread::run(std::function<void()> work) {
    if (!m_running)
        return;
    std::promise<void> done;
    auto finished = done.get_future();
    invoke(new Job{std::move(work), &done});
    finished.wait();
}

void GlibThread::post(std::function<void()> work) {
    if (m_running)
        invoke(new Job{std::move(work)});
}

} // namespace Base
