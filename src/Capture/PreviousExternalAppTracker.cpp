#include "Capture/PreviousExternalAppTracker.h"

namespace Capture {

PreviousExternalAppTracker::PreviousExternalAppTracker(
    QString ownBundleID, std::function<bool(const Core::FrontmostApp&)> isStillRunning)
    : m_ownBundleID(std::move(ownBundleID)), m_isStillRunning(std::move(isStillRunning)) {}

void PreviousExternalAppTracker::noteActivated(const Core::FrontmostApp& app) {
    if (app.bundleID == m_ownBundleID)
        return;
    std::lock_guard lock(m_mutex);
    m_previous = app;
}

void PreviousExternalAppTracker::noteTerminated(qint32 pid) {
    std::lock_guard lock(m_mutex);
    if (m_previous && m_previous->pid == pid)
        m_previous.reset();
}

std::optional<Core::FrontmostApp> PreviousExternalAppTracker::previous() {
    std::optional<Core::FrontmostApp> remembered;
    {
        std::lock_guard lock(m_mutex);
        remembered = m_previous;
    }
    if (!remembered || m_isStillRunning(*remembered))
        return remembered;
    // Forget it unless another activation has replaced it meanwhile.
    std::lock_guard lock(m_mutex);
    if (m_previous == remembered)
        m_previous.reset();
    return std::nullopt;
}

} // namespace Capture
