#pragma once

#include "Base/Linux/PlatformTheme.h"
#include "Base/Worker.h"

#include <functional>

namespace Base {

// The process's default GLib main context, owned and run by one thread of its own. libatspi and
// libsecret dispatch on that context (libatspi attaches every connection it opens to an
// application there, whatever context it was given), so each of their objects and connections
// is handled by this one thread only. Qt's main thread must then not iterate the context too:
// keepQtOffGlib() before the application object is made, or the thread does not start.
class GlibThread {
public:
    // Makes Qt's event loops run without GLib, and has Qt load the platform theme chosen for
    // `theme`, which runs no GTK (GTK would handle its events on this thread and be asked for fonts
    // and colours on Qt's); returns that choice. Call before the application object is made.
    static PlatformTheme::Choice keepQtOffGlib(const PlatformTheme::Request& theme);

    // The thread, started on first use; it runs until the process ends.
    static GlibThread& shared();
    ~GlibThread();
    GlibThread(const GlibThread&) = delete;
    GlibThread& operator=(const GlibThread&) = delete;

    // False when Qt's main thread iterates the default context: nothing then runs here.
    bool isRunning() const { return m_running; }
    // Runs `work` on the thread and waits for it; at once when called on the thread.
    void run(std::function<void()> work);
    // Queues `work` to run on the thread; nothing runs when the thread is not running.
    void post(std::function<void()> work);

private:
    GlibThread();

    Worker m_worker;
    bool m_running = false;
};

} // namespace Base
