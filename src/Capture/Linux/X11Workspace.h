#pragma once

#include "Capture/Linux/X11Connection.h"
#include "Core/ReadTypes.h"

#include <QObject>
#include <QSet>

#include <memory>
#include <optional>

class QSocketNotifier;

namespace Capture {

// The applications of the X11 desktop as the window manager shows them (EWMH): the front-most one
// is the owner of the active window, identified by the window's process (_NET_WM_PID) and class
// (WM_CLASS, through ApplicationIdentity). Reports activations and the end of applications, which
// is when the last of an application's windows leaves the window manager's list.
class X11Workspace final : public QObject {
    Q_OBJECT

public:
    // Nothing when no X display can be opened. Make it on the main thread.
    static std::unique_ptr<X11Workspace> open();
    ~X11Workspace() override;

    // The application of the active window; "App", "unknown" and 0 without one. Any thread.
    Core::FrontmostApp frontmostApp();
    // Some window of the window manager's list belongs to the application's process and has its
    // identifier (a reused process identifier does not count). Any thread.
    bool isRunning(const Core::FrontmostApp& app);

signals:
    // Another application's window became active.
    void activated(const Core::FrontmostApp& app);
    // The last window of the application with this process left the desktop.
    void terminated(qint32 pid);

private:
    X11Workspace(std::unique_ptr<X11Connection> queries, std::unique_ptr<X11Connection> events);

    static std::optional<Core::FrontmostApp> appOf(X11Connection& x11,
                                                   X11Connection::Window window);
    static QSet<qint32> runningPids(X11Connection& x11);
    void readEvents();
    void noteClientListChanged();
    void noteActiveWindowChanged();

    const std::unique_ptr<X11Connection> m_queries; // any thread
    const std::unique_ptr<X11Connection> m_events;  // main thread only
    QSocketNotifier* m_notifier = nullptr;
    std::optional<Core::FrontmostApp> m_lastActivated;
    QSet<qint32> m_runningPids;
};

} // namespace Capture
