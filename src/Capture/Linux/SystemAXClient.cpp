#include "Capture/Linux/SystemAXClient.h"

#include "Base/Log.h"

#include <atspi/atspi.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <future>
#include <thread>

namespace Capture {

using Core::CaptureError;

namespace {

const Base::Log logger("focus-diag");

// The bounds of the time given to one snapshot, in seconds.
constexpr double minimumTimeout = 0.001;
constexpr double maximumTimeout = 60.0;

// An owned reference to a GObject.
template <class T> class Ref {
public:
    explicit Ref(T* object = nullptr) : m_object(object) {}
    Ref(Ref&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    Ref& operator=(Ref&& other) noexcept {
        std::swap(m_object, other.m_object);
        return *this;
    }
    ~Ref() {
        if (m_object)
            g_object_unref(m_object);
    }
    T* get() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }

private:
    T* m_object;
};

// Every AT-SPI failure reads as "not available"; the error itself says nothing more useful.
struct ErrorSink {
    GError* error = nullptr;
    ~ErrorSink() { g_clear_error(&error); }
    GError** out() {
        g_clear_error(&error);
        return &error;
    }
    bool failed() const { return error != nullptr; }
};

bool hasState(AtspiAccessible* accessible, AtspiStateType state) {
    Ref<AtspiStateSet> states(atspi_accessible_get_state_set(accessible));
    return states && atspi_state_set_contains(states.get(), state);
}

QString takeText(gchar* text) {
    const QString result = QString::fromUtf8(text);
    g_free(text);
    return result;
}

std::optional<QString> roleOf(AtspiAccessible* accessible) {
    ErrorSink error;
    const AtspiRole role = atspi_accessible_get_role(accessible, error.out());
    if (error.failed())
        return std::nullopt;
    if (role == ATSPI_ROLE_PASSWORD_TEXT)
        return QString::fromLatin1(AXFocusSnapshot::secureTextFieldRole);
    gchar* name = atspi_accessible_get_role_name(accessible, error.out());
    if (error.failed() || !name)
        return std::nullopt;
    return takeText(name);
}

// The selected text and its bounds on screen. Offsets stay in the toolkit's own units from the
// selection query to the text and extents queries, so no conversion can go wrong between them.
void readSelection(AtspiAccessible* accessible, AXFocusSnapshot& snapshot) {
    Ref<AtspiText> text(atspi_accessible_get_text_iface(accessible));
    if (!text)
        return;
    ErrorSink error;
    if (atspi_text_get_n_selections(text.get(), error.out()) < 1 || error.failed())
        return;
    AtspiRange* range = atspi_text_get_selection(text.get(), 0, error.out());
    if (!range)
        return;
    const gint start = range->start_offset;
    const gint end = range->end_offset;
    g_free(range);
    if (error.failed() || start >= end)
        return;
    gchar* selected = atspi_text_get_text(text.get(), start, end, error.out());
    if (error.failed() || !selected)
        return;
    snapshot.selectedText = takeText(selected);

    AtspiRect* extents =
        atspi_text_get_range_extents(text.get(), start, end, ATSPI_COORD_TYPE_SCREEN, error.out());
    if (extents && !error.failed() && extents->width > 0 && extents->height > 0)
        snapshot.selectionBounds = QRectF(extents->x, extents->y, extents->width, extents->height);
    g_free(extents);
}

} // namespace

// Owns libatspi, whose state is process-wide: its own thread runs a private GLib main context, and
// every call is sent there. One for the process, made on first use.
class SystemAXClient::Thread {
public:
    static Thread& shared() {
        static Thread thread;
        return thread;
    }

    Thread() : m_context(g_main_context_new()), m_loop(g_main_loop_new(m_context, FALSE)) {
        std::promise<bool> started;
        auto ready = started.get_future();
        m_thread = std::thread([this, &started] { serve(started); });
        m_available = ready.get();
    }

    ~Thread() {
        run([this] { g_main_loop_quit(m_loop); });
        m_thread.join();
        g_main_loop_unref(m_loop);
        g_main_context_unref(m_context);
    }

    bool available() const { return m_available; }

    // Runs `work` on the AT-SPI thread and waits for it.
    void run(std::function<void()> work) {
        struct Job {
            std::function<void()> work;
            std::promise<void> done;
        };
        auto* job = new Job{std::move(work), {}};
        auto finished = job->done.get_future();
        g_main_context_invoke(
            m_context,
            [](gpointer data) -> gboolean {
                auto* job = static_cast<Job*>(data);
                job->work();
                job->done.set_value();
                delete job;
                return G_SOURCE_REMOVE;
            },
            job);
        finished.wait();
    }

private:
    void serve(std::promise<bool>& started) {
        // Owned for the thread's life, so that work from other threads is always queued here.
        g_main_context_acquire(m_context);
        g_main_context_push_thread_default(m_context);
        const bool available = atspi_init() <= 1; // 1: already initialised
        if (available)
            atspi_set_main_context(m_context);
        else
            logger.error("AT-SPI unavailable: no accessibility bus");
        started.set_value(available);
        g_main_loop_run(m_loop);
        if (available)
            atspi_exit();
        g_main_context_pop_thread_default(m_context);
        g_main_context_release(m_context);
    }

    GMainContext* m_context;
    GMainLoop* m_loop;
    std::thread m_thread;
    bool m_available = false;
};

namespace {

// Finds the focused element below the scope's windows, within a time limit. Runs on the AT-SPI
// thread.
class FocusSearch {
public:
    FocusSearch(AXFocusScope scope, const Base::Clock& clock, double timeout)
        : m_scope(scope), m_clock(clock), m_deadline(clock.now() + timeout) {}

    // Nothing when there is none; fails with timedOut when the time ran out first.
    Base::Result<Ref<AtspiAccessible>, CaptureError> run() {
        Ref<AtspiAccessible> desktop(atspi_get_desktop(0));
        if (!desktop)
            return Ref<AtspiAccessible>();
        ErrorSink error;
        const gint apps = atspi_accessible_get_child_count(desktop.get(), error.out());
        for (gint i = 0; i < apps && !expired(); ++i) {
            Ref<AtspiAccessible> app(
                atspi_accessible_get_child_at_index(desktop.get(), i, error.out()));
            if (app && inScope(app.get())) {
                if (auto found = searchWindows(app.get()))
                    return found;
            }
        }
        if (expired())
            return Base::failure(CaptureError::timedOut());
        return Ref<AtspiAccessible>();
    }

private:
    bool expired() const { return m_clock.now() >= m_deadline; }

    bool inScope(AtspiAccessible* app) {
        if (m_scope.kind == AXFocusScope::Kind::systemWide)
            return true;
        ErrorSink error;
        const guint pid = atspi_accessible_get_process_id(app, error.out());
        return !error.failed() && static_cast<qint64>(pid) == m_scope.pid;
    }

    // The front-most application is the one whose window is active.
    Ref<AtspiAccessible> searchWindows(AtspiAccessible* app) {
        ErrorSink error;
        const gint windows = atspi_accessible_get_child_count(app, error.out());
        for (gint i = 0; i < windows && !expired(); ++i) {
            Ref<AtspiAccessible> window(atspi_accessible_get_child_at_index(app, i, error.out()));
            if (!window)
                continue;
            if (m_scope.kind == AXFocusScope::Kind::systemWide &&
                !hasState(window.get(), ATSPI_STATE_ACTIVE))
                continue;
            if (auto found = searchBelow(window.get()))
                return found;
        }
        return Ref<AtspiAccessible>();
    }

    // Depth first through what is on screen; large containers that manage their own items
    // (tables, long lists) are not entered.
    Ref<AtspiAccessible> searchBelow(AtspiAccessible* node) {
        ErrorSink error;
        const gint children = atspi_accessible_get_child_count(node, error.out());
        for (gint i = 0; i < children && !expired(); ++i) {
            Ref<AtspiAccessible> child(atspi_accessible_get_child_at_index(node, i, error.out()));
            if (!child)
                continue;
            Ref<AtspiStateSet> states(atspi_accessible_get_state_set(child.get()));
            if (!states || !atspi_state_set_contains(states.get(), ATSPI_STATE_SHOWING))
                continue;
            if (atspi_state_set_contains(states.get(), ATSPI_STATE_FOCUSED))
                return child;
            if (atspi_state_set_contains(states.get(), ATSPI_STATE_MANAGES_DESCENDANTS))
                continue;
            if (auto found = searchBelow(child.get()))
                return found;
        }
        return Ref<AtspiAccessible>();
    }

    const AXFocusScope m_scope;
    const Base::Clock& m_clock;
    const double m_deadline;
};

} // namespace

SystemAXClient::SystemAXClient(const Base::Clock& clock)
    : m_clock(clock), m_thread(Thread::shared()) {}

SystemAXClient::~SystemAXClient() = default;

bool SystemAXClient::isTrusted() {
    return true;
}

bool SystemAXClient::isBusAvailable() const {
    return m_thread.available();
}

bool SystemAXClient::isSecureEventInputEnabled() {
    return false;
}

Base::Result<AXFocusSnapshot, CaptureError> SystemAXClient::focusSnapshot(AXFocusScope scope,
                                                                          double timeout) {
    if (scope.kind == AXFocusScope::Kind::application)
        logger.notice("AX focus snapshot: per-app scope (WS-B retarget to previous app)");
    if (!m_thread.available())
        return AXFocusSnapshot{};

    // A time-out that is not a number gets the shortest limit rather than none at all.
    const double limit =
        std::isnan(timeout) ? minimumTimeout : std::clamp(timeout, minimumTimeout, maximumTimeout);
    Base::Result<AXFocusSnapshot, CaptureError> result = AXFocusSnapshot{};
    m_thread.run([&] {
        const int milliseconds = static_cast<int>(limit * 1000);
        atspi_set_timeout(milliseconds, milliseconds);
        auto focused = FocusSearch(scope, m_clock, limit).run();
        if (!focused) {
            result = Base::failure(focused.error());
            return;
        }
        if (!*focused)
            return;
        AXFocusSnapshot snapshot;
        snapshot.role = roleOf(focused->get());
        readSelection(focused->get(), snapshot);
        result = std::move(snapshot);
    });
    return result;
}

} // namespace Capture
