#pragma once

namespace Parlino {

// The desktop's own settings program. Main thread.
class DesktopSettings {
public:
    virtual ~DesktopSettings() = default;

    // Opens the accessibility page of the desktop's settings, without waiting for it; does
    // nothing (but say so in the log) where no known settings program is installed.
    virtual void openAccessibilitySettings() = 0;
};

} // namespace Parlino
