#pragma once

#include "Base/Clock.h"
#include "Capture/AXClientProtocol.h"
#include "Capture/Linux/X11Connection.h"

#include <functional>
#include <memory>
#include <optional>

namespace Capture {

// The accessibility interface of the Linux desktop, AT-SPI, through libatspi. libatspi is not
// thread-safe and dispatches on GLib's default main context: every call runs on the thread that
// runs that context (Base::GlibThread), which also keeps the accessibility bus's traffic off the
// Qt main loop.
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
    // The focused element of the application with the active window (systemWide; an empty
    // snapshot when no window is active), or the element that last had the focus in the given
    // process; finding it and every call on it share `timeout`. A selection longer than the
    // capture's limit fails with selectionTooLarge before its text is fetched.
    Base::Result<AXFocusSnapshot, Core::CaptureError> focusSnapshot(AXFocusScope scope,
                                                                    double timeout) override;
    // The focused element's role, found as focusSnapshot finds the element.
    Base::Result<std::optional<QString>, Core::CaptureError> focusRole(AXFocusScope scope,
                                                                       double timeout) override;
    std::optional<QString> pageText(AXFocusScope scope, double timeout) override;

private:
    class Accessibility;
    struct FocusedElement;

    // Finds the scope's focused element within `timeout` and calls `read` with it on the GLib
    // thread; true when there was one. Fails with timedOut when it could not be found in time.
    Base::Result<bool, Core::CaptureError>
    withFocusedElement(AXFocusScope scope, double timeout,
                       const std::function<void(const FocusedElement&)>& read);

    const Base::Clock& m_clock;
    Accessibility& m_accessibility;
    const std::unique_ptr<X11Connection> m_x11; // absent without an X display
};

} // namespace Capture
