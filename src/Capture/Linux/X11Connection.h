#pragma once

#include <QString>

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// Xlib's types, kept out of the users' headers.
struct _XDisplay;

namespace Capture {

// A top-level window's WM_CLASS: the instance name and the class name.
struct WindowClass {
    QString instance;
    QString className;
    friend bool operator==(const WindowClass&, const WindowClass&) = default;
};

// One connection of our own to the X server, with the window-manager (EWMH) queries the capture
// needs. Its calls are serialised, so it may be used from any thread. X errors on our connections
// (a window that vanished between two calls) are ignored by a process-wide handler: every query
// then simply yields nothing.
class X11Connection {
public:
    using Window = unsigned long;

    // Nothing when no X display can be opened.
    static std::unique_ptr<X11Connection> open();
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    // The window that has the focus according to the window manager (_NET_ACTIVE_WINDOW).
    std::optional<Window> activeWindow();
    // The managed top-level windows (_NET_CLIENT_LIST).
    std::vector<Window> clientWindows();
    std::optional<qint32> windowPid(Window window);
    std::optional<WindowClass> windowClass(Window window);

    // Runs `work` with the display, serialised with every other call on this connection.
    template <class Work> auto withDisplay(Work&& work) {
        std::lock_guard lock(m_mutex);
        return work(m_display);
    }
    // The descriptor to watch for events; only for the thread that reads them.
    int fileDescriptor() const;
    // Selects property changes of the root window (for activation and window-list changes).
    void watchRootProperties();
    // Which of the watched root properties changed in the events read since the last call.
    struct RootChanges {
        bool activeWindow = false;
        bool clientList = false;
    };
    RootChanges drainRootChanges();

private:
    explicit X11Connection(_XDisplay* display);

    unsigned long atom(const char* name);
    std::vector<unsigned long> cardinalProperty(Window window, const char* property,
                                                unsigned long type, long maxItems);

    std::mutex m_mutex;
    _XDisplay* m_display;
};

} // namespace Capture
