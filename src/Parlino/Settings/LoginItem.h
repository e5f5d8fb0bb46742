#pragma once

namespace Parlino {

// Whether the desktop starts the application when the user logs in. Main thread.
class LoginItem {
public:
    virtual ~LoginItem() = default;

    virtual bool isEnabled() const = 0;
    // Asks the desktop to start the application at login, or no longer; false when it refused.
    virtual bool setEnabled(bool enabled) = 0;
};

} // namespace Parlino
