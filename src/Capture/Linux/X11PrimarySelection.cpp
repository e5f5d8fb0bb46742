#include "Capture/Linux/X11PrimarySelection.h"

#include <xcb/xcb.h>

namespace Capture {

namespace {

// The bits of a resource identifier that a client chooses; the rest is its base.
std::optional<unsigned long> resourceIdMask() {
    xcb_connection_t* xcb = xcb_connect(nullptr, nullptr);
    std::optional<unsigned long> mask;
    if (!xcb_connection_has_error(xcb))
        mask = xcb_get_setup(xcb)->resource_id_mask;
    xcb_disconnect(xcb);
    return mask;
}

} // namespace

std::unique_ptr<X11PrimarySelection> X11PrimarySelection::open(const Base::Clock& clock,
                                                               double timeout) {
    auto reader = X11SelectionReader::open("PRIMARY", clock, timeout);
    const auto mask = resourceIdMask();
    if (!reader || !mask)
        return nullptr;
    return std::unique_ptr<X11PrimarySelection>(new X11PrimarySelection(std::move(reader), *mask));
}

X11PrimarySelection::X11PrimarySelection(std::unique_ptr<X11SelectionReader> reader,
                                         unsigned long resourceIdMask)
    : m_reader(std::move(reader)), m_resourceIdMask(resourceIdMask) {}

OfferedText X11PrimarySelection::read(const CaptureTarget& target, std::stop_token stop) {
    return m_reader->read(ownedBy(target), stop);
}

std::optional<double> X11PrimarySelection::age(const CaptureTarget& target, std::stop_token stop) {
    return m_reader->age(ownedBy(target), stop);
}

X11SelectionReader::OwnerRule X11PrimarySelection::ownedBy(const CaptureTarget& target) const {
    return [this, &target](X11Connection& x11, unsigned long owner) {
        return ownedBy(target, x11, owner);
    };
}

bool X11PrimarySelection::ownedBy(const CaptureTarget& target, X11Connection& x11,
                                  unsigned long owner) const {
    if (target.isFrontmost) {
        if (const auto active = x11.activeWindow())
            return sameClient(owner, *active, m_resourceIdMask);
        return false;
    }
    if (target.app.pid <= 0)
        return false;
    for (const auto window : x11.clientWindows()) {
        if (x11.windowPid(window) == target.app.pid && sameClient(owner, window, m_resourceIdMask))
            return true;
    }
    return false;
}

} // namespace Capture
