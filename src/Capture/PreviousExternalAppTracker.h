#pragma once

#include "Core/ReadTypes.h"

#include <QString>

#include <functional>
#include <mutex>
#include <optional>

namespace Capture {

// Remembers the most recently activated application other than this one, as long as it runs:
// the application whose selection a read means while this application is in front. Safe to use
// from any thread.
class PreviousExternalAppTracker {
public:
    // `isStillRunning` is called from any thread, never under the tracker's lock.
    PreviousExternalAppTracker(QString ownBundleID,
                               std::function<bool(const Core::FrontmostApp&)> isStillRunning);

    void noteActivated(const Core::FrontmostApp& app);
    void noteTerminated(qint32 pid);
    // The remembered application if it still runs; one that no longer does is forgotten.
    std::optional<Core::FrontmostApp> previous();

private:
    const QString m_ownBundleID;
    const std::function<bool(const Core::FrontmostApp&)> m_isStillRunning;
    std::mutex m_mutex;
    std::optional<Core::FrontmostApp> m_previous;
};

} // namespace Capture
