#include "KeyboardShortcuts/Linux/XGrabPlacement.h"

namespace KeyboardShortcuts {

XGrabPlacement::XGrabPlacement(quint32 rootWindow, Requests requests)
    : m_root(rootWindow), m_target(rootWindow), m_requests(std::move(requests)) {}

bool XGrabPlacement::add(quint32 id, Grab grab) {
    if (!m_requests.grab(m_root, grab))
        return false;
    m_placed.insert(id, {grab, place(grab, m_root)});
    return true;
}

void XGrabPlacement::remove(quint32 id) {
    const auto found = m_placed.constFind(id);
    if (found == m_placed.cend())
        return;
    m_requests.ungrab(found->window, found->grab);
    m_placed.erase(found);
}

bool XGrabPlacement::isTakenElsewhere(Grab grab) {
    if (!m_requests.grab(m_root, grab))
        return true;
    m_requests.ungrab(m_root, grab);
    return false;
}

void XGrabPlacement::moveTo(quint32 target) {
    if (target == m_target)
        return;
    m_target = target;
    for (Placed& placed : m_placed)
        placed.window = place(placed.grab, placed.window);
}

std::optional<quint32> XGrabPlacement::windowOf(quint32 id) const {
    const auto found = m_placed.constFind(id);
    return found == m_placed.cend() ? std::nullopt : std::optional(found->window);
}

// The new grab comes first, so that no moment passes in which the combination is not grabbed.
quint32 XGrabPlacement::place(Grab grab, quint32 from) {
    quint32 to = m_target;
    if (to != from && !m_requests.grab(to, grab)) {
        to = m_root;
        if (from != m_root && !m_requests.grab(m_root, grab))
            return from; // another client took the root meanwhile: stay where it is
    }
    if (to != from)
        m_requests.ungrab(from, grab);
    return to;
}

} // namespace KeyboardShortcuts
