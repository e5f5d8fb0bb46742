#include "Capture/Linux/X11Workspace.h"

#include "Capture/Linux/ApplicationIdentity.h"

#include <QSocketNotifier>

namespace Capture {

std::unique_ptr<X11Workspace> X11Workspace::open() {
    auto queries = X11Connection::open();
    auto events = X11Connection::open();
    if (!queries || !events)
        return nullptr;
    return std::unique_ptr<X11Workspace>(new X11Workspace(std::move(queries), std::move(events)));
}

X11Workspace::X11Workspace(std::unique_ptr<X11Connection> queries,
                           std::unique_ptr<X11Connection> events)
    : m_queries(std::move(queries)), m_events(std::move(events)) {
    m_events->watchRootProperties();
    m_runningPids = runningPids(*m_events);
    if (const auto window = m_events->activeWindow())
        m_lastActivated = appOf(*m_events, *window);
    m_notifier = new QSocketNotifier(m_events->fileDescriptor(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &X11Workspace::readEvents);
}

X11Workspace::~X11Workspace() = default;

Core::FrontmostApp X11Workspace::frontmostApp() {
    const auto window = m_queries->activeWindow();
    const auto app = window ? appOf(*m_queries, *window) : std::nullopt;
    return app.value_or(Core::FrontmostApp{QStringLiteral("App"), QStringLiteral("unknown"), 0});
}

bool X11Workspace::isRunning(const Core::FrontmostApp& app) {
    for (const auto window : m_queries->clientWindows()) {
        if (m_queries->windowPid(window) != app.pid)
            continue;
        if (const auto found = appOf(*m_queries, window); found && found->bundleID == app.bundleID)
            return true;
    }
    return false;
}

std::optional<Core::FrontmostApp> X11Workspace::appOf(X11Connection& x11,
                                                      X11Connection::Window window) {
    const auto windowClass = x11.windowClass(window);
    if (!windowClass)
        return std::nullopt;
    QString bundleID = ApplicationIdentity::bundleID(*windowClass);
    if (bundleID.isEmpty())
        bundleID = QStringLiteral("unknown");
    return Core::FrontmostApp{ApplicationIdentity::name(*windowClass), bundleID,
                              x11.windowPid(window).value_or(0)};
}

QSet<qint32> X11Workspace::runningPids(X11Connection& x11) {
    QSet<qint32> pids;
    for (const auto window : x11.clientWindows()) {
        if (const auto pid = x11.windowPid(window))
            pids.insert(*pid);
    }
    return pids;
}

void X11Workspace::readEvents() {
    // The queries below can read further events into the queue, where the socket notifier would
    // not see them: drain until nothing changed.
    for (auto changes = m_events->drainRootChanges(); changes.activeWindow || changes.clientList;
         changes = m_events->drainRootChanges()) {
        if (changes.clientList)
            noteClientListChanged();
        if (changes.activeWindow)
            noteActiveWindowChanged();
    }
}

void X11Workspace::noteClientListChanged() {
    const QSet<qint32> now = runningPids(*m_events);
    const QSet<qint32> ended = m_runningPids - now;
    m_runningPids = now;
    for (const qint32 pid : ended)
        emit terminated(pid);
}

void X11Workspace::noteActiveWindowChanged() {
    const auto window = m_events->activeWindow();
    const auto app = window ? appOf(*m_events, *window) : std::nullopt;
    if (app && app != m_lastActivated) {
        m_lastActivated = app;
        emit activated(*app);
    }
}

} // namespace Capture
