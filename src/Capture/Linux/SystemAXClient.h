#pragma once

#include "Base/Clock.h"
#include "Capture/AXClientProtocol.h"

#include <memory>

namespace Capture {

// The accessibility interface of the Linux desktop, AT-SPI, through libatspi. libatspi is not
// thread-safe and dispatches on a GLib main context: every call runs on one thread of its own
// with a private context, which also keeps the accessibility bus's traffic off the Qt main loop.
//
// X11 has no per-process accessibility permission, so the process is always trusted, and no
// secure keyboard entry that could be asked about.
class SystemAXClient final : public AXClientProtocol {
public:
    explicit SystemAXClient(const Base::Clock& clock = Base::SteadyClock::shared());
    ~SystemAXClient() override;

    bool isTrusted() override;
    // The accessibility bus answered when the client started.
    bool isBusAvailable() const;
    bool isSecureEventInputEnabled() override;
    // The focused element of the application with the active window (systemWide), or of any
    // window of the given process; the search for it and every call on it share `timeout`.
    Base::Result<AXFocusSnapshot, Core::CaptureError> focusSnapshot(AXFocusScope scope,
                                                                    double timeout) override;

private:
    class Thread;
    const Base::Clock& m_clock;
    Thread& m_thread;
};

} // namespace Capture
