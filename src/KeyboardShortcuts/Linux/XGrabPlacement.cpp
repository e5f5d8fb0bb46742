#include "KeyboardShortcuts/Linux/XGrabPlacement.h"

namespace KeyboardShortcuts {

XGrabPlacement::XGrabPlacement(quint32 rootWindow, Requests requests)
    : m_root(rootWindow), m_target(rootWindow), m_requests(std::move(requests)) {}

bool XGrabPlacement::add(quint32 id, Grab grab) {
    const auto window = place(grab, std::nullopt);
    m_placed.insert(id, {grab, window});
    return window.has_value();
}

void XGrabPlacement::remove(quint32 id) {
    const auto found = m_placed.constFind(id);
    if (found == m_placed.cend())
        return;
    if (found->window)
        m_requests.ungrab(*found->window, found->grab);
    m_placed.erase(found);
}

bool XGrabPlacement::isTakenElsewhere(Grab grab) {
    if (!m_requests.grab(m_root, grab))
        return true;
    m_requests.ungrab(m_root, grab);
    return false;
}

QList<XGrabPlacement::TakenChange> XGrabPlacement::moveTo(quint32 target) {
    if (target == m_target)
        return {};
    m_target = target;
    QList<TakenChange> changes;
    for (auto it = m_placed.begin(); it != m_placed.end(); ++it) {
        const bool wasTaken = !it->window;
        it->window = place(it->grab, it->window);
        if (wasTaken != !it->window)
            changes.append({it.key(), !it->window});
    }
    return changes;
}

std::optional<quint32> XGrabPlacement::windowOf(quint32 id) const {
    const auto found = m_placed.constFind(id);
    return found == m_placed.cend() ? std::nullopt : found->window;
}

// The new grabs come first, so that no moment passes in which the combination is not grabbed.
std::optional<quint32> XGrabPlacement::place(Grab grab, std::optional<quint32> from) {
    if (!m_requests.grab(m_root, grab)) {
        if (from)
            m_requests.ungrab(*from, grab);
        return std::nullopt;
    }
    quint32 to = m_target;
    if (to != m_root && !m_requests.grab(to, grab))
        to = m_root;
    if (from && *from != to && *from != m_root)
        m_requests.ungrab(*from, grab);
    if (to != m_root)
        m_requests.ungrab(m_root, grab);
    return to;
}

} // namespace KeyboardShortcuts
